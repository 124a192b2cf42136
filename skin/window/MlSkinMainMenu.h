#pragma once
// The caption-bar menu of a skinned form: each visible top-level item of an
// attached main menu becomes a text button in the caption band and a popup
// menu holding copies of the item's children.
#include <memory>
#include <vector>

#include "framework/controls/Menus.h"
#include "skin/PngPictures.h"
#include "skin/window/MlSkinNCCtrlBase.h"

class TMlSkinMenu;
class TMlSkinNCMenuItem;

class TMlSkinMainMenu : public TPersistent {
 public:
  struct Entry {
    AnsiString Caption;
    std::unique_ptr<TPopupMenu> Popup;
    TMlSkinNCMenuItem* Button = nullptr;
    bool Enabled = true;
  };

  // Watcher is the component that hears when the attached menus go (the
  // skinned form); none for a settings copy.
  explicit TMlSkinMainMenu(TComponent* Watcher = nullptr);
  // Frees the buttons first, so that no hover poll reaches a freed entry.
  ~TMlSkinMainMenu() override;
  // Copies the settings and the attached menus.
  void Assign(const TPersistent* Source) override;

  TMainMenu* MainMenu() const { return mainMenu_; }
  // Attaching a menu puts the extended popup list in place.
  void SetMainMenu(TMainMenu* v);
  TMlSkinMenu* MenuSkin() const { return menuSkin_; }
  void SetMenuSkin(TMlSkinMenu* v);
  TFont* Font() { return &font_; }
  TNCCtrlPos* Pos() { return &pos_; }
  TPngPictures* Pictures() { return &pictures_; }
  TColor HotColor = 11463932;
  TColor PressColor = 8184058;

  // The attached menu or menu skin is going away.
  void Forget(TComponent* c);

  // ---- The entries and their buttons
  bool Built() const { return built_; }
  const std::vector<std::unique_ptr<Entry>>& Entries() const { return entries_; }
  // Builds the popup menus once.
  void BuildPopups();
  // Builds the popups and makes a button for each entry on the form.
  void CreateButtons(TCustomForm* Form);
  // The button whose menu shows, and the one whose menu is to open next.
  TMlSkinNCMenuItem* OpenButton = nullptr;
  TMlSkinNCMenuItem* PendingButton = nullptr;

 private:
  TMenuItem* CopyItem(TMenuItem* Item, TComponent* Owner);
  void FreeEntries();

  TComponent* watcher_;
  TMainMenu* mainMenu_ = nullptr;
  TMlSkinMenu* menuSkin_ = nullptr;
  TFont font_;
  TNCCtrlPos pos_{nullptr};
  TPngPictures pictures_;
  std::vector<std::unique_ptr<Entry>> entries_;
  bool built_ = false;
  bool listRequested_ = false;
};
