#pragma once
// The skin gallery's form: the main window's look and everything the updater
// itself leaves unused, a shadow border, caption-bar buttons, a menu in the
// caption band and a skinned popup menu.
#include "framework/controls/Forms.h"
#include "framework/controls/Menus.h"

class TMlSkinForm;
class TMlFormLayerBorder;
class TMlSkinMenu;
class TMlSkinNCButton;
class TMlSkinNCLabel;

class TGalleryForm : public TForm {
 public:
  explicit TGalleryForm(TComponent* AOwner);

  TMlSkinForm* Skin() const { return skin_; }
  TMlFormLayerBorder* Border() const { return border_; }
  // Minimises the form a moment after it is first shown and restores it
  // RestoreAfterMs later.
  void QuickMinimise(int RestoreAfterMs);

 private:
  TMlSkinNCButton* CaptionButton(const char* image, int fromRight, TNotifyEvent onClick);
  TMenuItem* Item(TMenuItem* parent, const AnsiString& caption, TNotifyEvent onClick = nullptr);
  void BuildMenus();
  void ToggleMaximised();

  TMlSkinForm* skin_;
  TMlFormLayerBorder* border_;
  TMlSkinMenu* menuSkin_;
  TMainMenu* mainMenu_;
  TPopupMenu* popup_;
  TMlSkinNCLabel* title_;
  TMlSkinNCButton* maximise_;
};
