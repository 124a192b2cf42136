#pragma once
// The settings of a skinned form's caption-bar menu.
// FIXME: attaching a main menu and its caption-bar buttons come with the menus.
#include "skin/PngPictures.h"
#include "skin/window/MlSkinNCCtrlBase.h"

class TMlSkinMainMenu : public TPersistent {
 public:
  TMlSkinMainMenu();
  void Assign(const TPersistent* Source) override;

  TFont* Font() { return &font_; }
  TNCCtrlPos* Pos() { return &pos_; }
  TPngPictures* Pictures() { return &pictures_; }
  TColor HotColor = 11463932;
  TColor PressColor = 8184058;

 private:
  TFont font_;
  TNCCtrlPos pos_{nullptr};
  TPngPictures pictures_;
};
