#pragma once
// Skinned popup menus: a component that measures and paints the owner-drawn
// items of its form's menus with skin images, on the menu windows made
// layered: the nine-sliced background, the glyph column with check, radio
// and submenu marks, the highlight of the selected item, separators and text.
#include <memory>
#include <vector>

#include "framework/controls/Menus.h"
#include "graphics/Bitmap32.h"
#include "skin/MlSkinImage.h"

// The menu windows painted so far, each with its composition bitmap and its
// background.
class TMenuWnds : public TObject {
 public:
  struct Record {
    HWND window;
    std::unique_ptr<TBitmap32> composition;  // the window's size
    std::unique_ptr<TBitmap32> background;
  };
  // The record of the window, or nullptr; records of windows that no longer
  // show are dropped on the way.
  Record* Find(HWND window);
  Record* Add(HWND window, std::unique_ptr<TBitmap32> composition, std::unique_ptr<TBitmap32> background);
  int Count() const { return static_cast<int>(records_.size()); }

 private:
  std::vector<Record> records_;
};

class TMlSkinMenu : public TComponent {
 public:
  // Attaches every menu item its owner has.
  explicit TMlSkinMenu(TComponent* AOwner);
  ~TMlSkinMenu() override;

  TFont* Font() { return &font_; }
  void SetFont(const TFont* v) { font_.Assign(v); }
  // The text of the selected item; it takes Font's size.
  TFont* HotFont() { return &hotFont_; }
  void SetHotFont(const TFont* v) { hotFont_.Assign(v); }
  TColor LineColor = 13551034;
  TMlResID Menu_bk = "MlSkinMenu_bk";
  TMlResID Menu_hilight = "MlSkinMenu_hilight";
  TMlResID Menu_Check = "MlSkinMenu_icon_check";
  TMlResID Menu_Radio = "MlSkinMenu_icon_radio";
  TMlResID Menu_SubArrow = "MlSkinMenu_sub_arrow";
  int BorderOffset = 6;
  int BorderWidth = 0;
  int GlyphBarWidth = 31;

  // Takes over an item's measuring and drawing, unless someone draws it already.
  void Attach(TMenuItem* Item);
  void Detach(TMenuItem* Item);
  bool Attached(const TMenuItem* Item) const;
  const TMenuWnds& Windows() const { return wnds_; }

  void MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  void DrawItem(TObject* Sender, TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Read from its form's stored settings: takes the owner's items again.
  void Loaded() override;

 private:
  void AttachOwnerItems();
  // Paints the item in I on the composition bitmap (MlSkinMenuPaint.cpp).
  void PaintItem(TBitmap32& Target, TMenuItem* Item, const TRect& I, TOwnerDrawState State);
  void PaintMark(TBitmap32& Target, TMenuItem* Item, const TRect& I, TOwnerDrawState State);
  void PaintText(TBitmap32& Target, TMenuItem* Item, const TRect& T, TOwnerDrawState State);

  TFont font_, hotFont_;
  std::vector<TMenuItem*> items_;
  TMenuWnds wnds_;
  HWND lastWindow_ = nullptr;
};

// Whether a skinned menu item has been painted since the last measuring;
// until then the menu windows paint neither background nor frame.
bool MenuPainted();

// Process-wide, at start and at the end: a hook that gives every menu window
// the procedure that holds back its own background and frame until the skin
// paints it. There is no system menu class or selection fade to change here:
// the hook sees the program's own menu windows only.
void InstallMenuSkinHook();
void RemoveMenuSkinHook();
