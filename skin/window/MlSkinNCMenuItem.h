#pragma once
// A caption-bar menu button: its caption in a tinted box when hot or pressed,
// its popup menu below it when clicked, and the switch to a neighbour's menu
// when the pointer moves over that one while a menu shows.
#include "skin/window/MlSkinMainMenu.h"
#include "skin/window/MlSkinNCButton.h"

class TMlSkinNCMenuItem : public TMlSkinNCButton {
 public:
  TMlSkinNCMenuItem(TComponent* AOwner, TMlSkinMainMenu* Menu, TMlSkinMainMenu::Entry* Entry);
  ~TMlSkinNCMenuItem() override;

  const AnsiString& Caption() const { return entry_->Caption; }
  TMlSkinMainMenu::Entry* MenuEntry() const { return entry_; }
  // Counts presses: the menu opens on the 2nd, 5th, 8th ... of a run.
  int ClickCount = 0;
  // Where the popup menu shows (screen coordinates).
  POINT PopupPoint();

  void MouseEnter() override;
  void MouseLeave() override;
  void LMouseDown() override;
  void LMouseUp() override;
  void Paint(TBitmap32& Bitmap) override;
  void Click() override;

 private:
  TMlSkinMainMenu* menu_;
  TMlSkinMainMenu::Entry* entry_;
};
