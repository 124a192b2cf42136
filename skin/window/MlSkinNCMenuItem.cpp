#include "skin/window/MlSkinNCMenuItem.h"

#include "skin/window/MlPopupListEx.h"
#include "skin/window/MlSkinMenu.h"

namespace {

constexpr TColor kDisabledCaption = 13092292;
constexpr UINT kCaptionFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;  // 37

}  // namespace

TMlSkinNCMenuItem::TMlSkinNCMenuItem(TComponent* AOwner, TMlSkinMainMenu* Menu, TMlSkinMainMenu::Entry* Entry)
    : TMlSkinNCButton(AOwner), menu_(Menu), entry_(Entry) {
  SetEnabled(Entry->Enabled);
  Entry->Button = this;
  TBitmap32 scratch;
  scratch.SetFont(*Menu->Font());
  SIZE text = scratch.TextSize(Entry->Caption);
  Pos()->Width = text.cx + 4;
  Pos()->Height = text.cy + 4;
}

TMlSkinNCMenuItem::~TMlSkinNCMenuItem() {
  if (entry_->Button == this) entry_->Button = nullptr;
  if (menu_->OpenButton == this) menu_->OpenButton = nullptr;
  if (menu_->PendingButton == this) menu_->PendingButton = nullptr;
}

POINT TMlSkinNCMenuItem::PopupPoint() {
  const int left = Host() ? Host()->Left() : 0, top = Host() ? Host()->Top() : 0;
  if (TMlSkinMenu* skin = menu_->MenuSkin())
    return {Pos()->Left() + left - skin->BorderOffset, Pos()->Top() + top + Pos()->Height};
  return {Pos()->Left() + left, Pos()->Top() + top + Pos()->Height + 1};
}

void TMlSkinNCMenuItem::LMouseDown() {
  TPopupMenu* popup = entry_->Popup.get();
  if (!popup) return;
  if (popup->Items()->Count() == 0) {
    TMlSkinNCButton::LMouseDown();
    return;
  }
  if (!Visible() || !Enabled()) return;
  // The remainder takes the dividend's sign: a count of 0 does not open.
  if ((ClickCount - 1) % 3 == 0) {
    menu_->PendingButton = nullptr;
    menu_->OpenButton = this;
    SetDown(true);
    TMlSkinNCButton::LMouseDown();
    POINT at = PopupPoint();
    const WPARAM self = Id();
    popup->Popup(at.x, at.y);  // the menu's loop runs here, and may free this button
    if (!FromId(self)) return;
  }
  ++ClickCount;
}

void TMlSkinNCMenuItem::LMouseUp() { TMlSkinNCButton::LMouseUp(); }

void TMlSkinNCMenuItem::Click() {
  if (!Visible() || !Enabled()) return;
  const WPARAM self = Id();
  LMouseDown();
  if (FromId(self)) TMlSkinNCButton::Click();
}

void TMlSkinNCMenuItem::MouseEnter() {
  TMlSkinNCButton::MouseEnter();
  TMlSkinNCMenuItem* open = menu_->OpenButton;
  if (!Visible() || !Enabled() || !open || open == this) return;
  ClickCount = 0;
  open->SetDown(false);
  if (Pos()->Top() + Pos()->Height - 2 > 5) {
    // The open menu closes; the form then opens this one (timer 4).
    menu_->PendingButton = this;
    SendMessage(PopupList()->Window(), WM_CANCELMODE, 0, 0);
  }
}

void TMlSkinNCMenuItem::MouseLeave() {
  if (Visible() && Enabled()) ClickCount = 0;
  TMlSkinNCButton::MouseLeave();
}

void TMlSkinNCMenuItem::Paint(TBitmap32& Bitmap) {
  if (!entry_->Popup) return;
  TRect r = Bounds(Pos()->Left(), Pos()->Top(), GetWidth(), GetHeight());
  const TDrawState state = DrawState();
  if ((state == dsHot || state == dsPressed) && Enabled()) {
    const TColor32 c = ToColor32(state == dsHot ? menu_->HotColor : menu_->PressColor);
    Bitmap.FillAreaBlended(r.left, r.top, r.right, r.bottom, (c & 0x00FFFFFF) | 0x80000000u);
    Bitmap.FrameAreaClipped(r, c);
  }
  Bitmap.SetFont(*menu_->Font());
  if (!Enabled()) Bitmap.Font().SetColor(kDisabledCaption);
  r = OffsetRect(r, 0, -1);
  Bitmap.TextInRect(r, kCaptionFlags, Caption());
}
