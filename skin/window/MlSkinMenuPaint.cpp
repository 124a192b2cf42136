// One skinned menu item on its menu window's composition: highlight, marks,
// separator line and text.
#include <cmath>

#include "graphics/PictureFilters.h"
#include "skin/MlSkinResManager.h"
#include "skin/PngPictures.h"
#include "skin/window/MlSkinMenu.h"

namespace {

constexpr TColor kDisabledText = 13551034;
constexpr UINT kTextFlags = DT_VCENTER | DT_SINGLELINE;             // 36
constexpr UINT kRightToLeftFlags = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;  // 38

// A three-frame strip of a skin image.
TPngPictures Strip(const TMlResID& image) {
  TPngPictures p;
  p.SetImage(image);
  p.SetCount(3);
  return p;
}

void DrawFrame(TBitmap32& target, const TPngPictures& strip, int index, int x, int y) {
  if (std::unique_ptr<TMlSkinImage> frame = strip.GetFrame(index)) frame->DrawOnto(&target, x, y);
}

// Round(a / 2) as the stated positions round: halves to even.
int Half(int a) { return static_cast<int>(std::nearbyint(a / 2.0)); }

}  // namespace

void TMlSkinMenu::PaintItem(TBitmap32& Target, TMenuItem* Item, const TRect& I, TOwnerDrawState State) {
  const TRect T = Rect(I.left + GlyphBarWidth + 1, I.top, I.right - 2 * BorderOffset, I.bottom);
  const TPngPictures arrow = Strip(Menu_SubArrow);
  const int arrowX = I.right - arrow.FrameWidth() - BorderOffset - 4;
  const int arrowY = I.top + Half(I.Height() - arrow.FrameHeight());
  const bool selected = (State & odSelected) && Item->Enabled;
  if (selected) {
    const TRect h = Rect(I.left + BorderOffset / 2 + 1, I.top + 1, I.right - BorderOffset / 2 - 1, I.bottom - 1);
    TBitmap32* image = GetSkinBitmap(Menu_hilight);
    if (image && h.Width() > 0 && h.Height() > 0) {
      TBitmap32 hilight;
      hilight.Resize(h.Width(), h.Height());
      NineSliceOnto(image, &hilight, false);
      hilight.SetDrawMode(dmBlend);
      hilight.DrawOnto(&Target, h.left, h.top);
    }
  }
  if (Item->Count() > 0) DrawFrame(Target, arrow, selected ? 1 : Item->Enabled ? 0 : 2, arrowX, arrowY);
  else if (Item->Checked()) PaintMark(Target, Item, I, State);
  // No image lists here: ImageIndex never names a picture.
  if (Item->IsLine()) {
    Target.HorzRun(T.left, I.top + 1, T.right - 1, ToColor32(LineColor));
    return;
  }
  PaintText(Target, Item, T, State);
}

void TMlSkinMenu::PaintMark(TBitmap32& Target, TMenuItem* Item, const TRect& I, TOwnerDrawState State) {
  // A selected disabled item shows no mark.
  const bool selected = State & odSelected;
  if (selected && !Item->Enabled) return;
  const TPngPictures mark = Strip(Item->RadioItem ? Menu_Radio : Menu_Check);
  const int y = I.top + Half(I.Height() - mark.FrameHeight()) + 1;
  DrawFrame(Target, mark, selected ? 1 : Item->Enabled ? 0 : 2, 8, y);
}

void TMlSkinMenu::PaintText(TBitmap32& Target, TMenuItem* Item, const TRect& T, TOwnerDrawState State) {
  hotFont_.SetSize(font_.Size());
  TFont font;
  font.Assign((State & (odSelected | odHotLight)) ? &hotFont_ : &font_);
  if (!Item->Enabled) font.SetColor(kDisabledText);
  if (Item->Default) font.SetStyle(font.Style() | fsBold);
  Target.SetFont(font);
  const TMenu* menu = Item->GetParentMenu();
  const UINT flags = menu && menu->RightToLeft ? kRightToLeftFlags : kTextFlags;
  const TColor32 color = ToColor32(font.Color());
  Target.SmoothTextInRect(T, flags, color, Item->Caption);
  if (Item->ShortCut) {
    TRect s = T;
    s.right -= 4;
    Target.SmoothTextInRect(s, flags | DT_RIGHT, color, ShortCutToText(Item->ShortCut));
  }
}
