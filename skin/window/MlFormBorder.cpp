// The layered border: its strips, where its windows stand, and how they
// follow the form through showing, moving, sizing, maximising and minimising.
#include "skin/window/MlFormBorder.h"

#include <cstdlib>

#include "graphics/PictureFilters.h"
#include "skin/MlSkinResManager.h"

void TMlBorderSize::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TMlBorderSize*>(Source);
  if (!s) return TPersistent::Assign(Source);
  Left = s->Left;
  Top = s->Top;
  Right = s->Right;
  Bottom = s->Bottom;
}

TMlFormLayerBorder::TMlFormLayerBorder(TComponent* AOwner) : TComponent(AOwner) {}

TMlFormLayerBorder::~TMlFormLayerBorder() {
  MarkDestroying();
  FreeWindows();
  if (form_) form_->RemoveFreeNotification(this);
}

void TMlFormLayerBorder::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == form_) {
    FreeWindows();
    form_ = nullptr;
    items_ = nullptr;
    shown_ = false;
  }
  for (TmlFormLayerWindow*& w : windows_)
    if (AComponent == w) w = nullptr;
}

void TMlFormLayerBorder::FreeWindows() {
  for (TmlFormLayerWindow*& w : windows_) {
    TmlFormLayerWindow* going = w;
    w = nullptr;
    delete going;
  }
}

bool TMlFormLayerBorder::HasWindows() const {
  for (TmlFormLayerWindow* w : windows_)
    if (!w || !w->HandleAllocated()) return false;
  return true;
}

bool TMlFormLayerBorder::FormMinimized() const {
  return form_ && form_->HandleAllocated() && IsIconic(form_->Handle());
}

void TMlFormLayerBorder::Attach(TCustomForm* Form) {
  if (Form == form_) return;
  if (form_) form_->RemoveFreeNotification(this);
  form_ = Form;
  if (form_) form_->FreeNotification(this);
}

void TMlFormLayerBorder::ApplyTileRule() {
  // A tiled shadow lies beside the form, never under it.
  if (transparent_ && stretchKind_ == TMlStretchKind::skTile) inflate_ = TMlBorderSize(0, 0, 0, 0);
}

void TMlFormLayerBorder::BuildStrips(int W, int H) {
  for (auto& s : strips_) s.reset();
  const int SL = size_.Left, ST = size_.Top, SR = size_.Right, SB = size_.Bottom;
  const int TW = W + SL + SR, TH = H + ST + SB;
  ApplyTileRule();
  TBitmap32* image = GetSkinBitmap(image_);
  if (!image || image->Empty() || TW <= 0 || TH <= 0) return;
  const int IL = std::abs(inflate_.Left), IT = std::abs(inflate_.Top), IR = std::abs(inflate_.Right),
            IB = std::abs(inflate_.Bottom);
  TBitmap32 frame;
  frame.Resize(TW, TH);
  if (stretchKind_ == TMlStretchKind::skTile) TileOnto(image, &frame, 0, 0);
  else NineSliceOnto(image, &frame, false);

  const int topH = IT + ST, bottomH = IB + SB;
  struct Cut {
    TMlBorderKind kind;
    int w, h;
    TRect src;
  };
  const Cut cuts[] = {
      {bkTop, TW, topH, {0, 0, TW, topH}},
      {bkBottom, TW, bottomH, {0, TH - bottomH, TW, TH}},
      // The side strips of a shadow start IT rows further down in the frame
      // than where their windows stand.
      transparent_ ? Cut{bkLeft, IL + SL, TH - topH - bottomH, {0, IT + topH, IL + SL, TH}}
                   : Cut{bkLeft, IL + SL, TH, {0, 0, IL + SL, TH}},
      transparent_ ? Cut{bkRight, IR + SR, TH - topH - bottomH, {TW - (IR + SR), IT + topH, TW, TH}}
                   : Cut{bkRight, IR + SR, TH, {TW - (IR + SR), 0, TW, TH}},
  };
  for (const Cut& c : cuts) {
    if (c.w <= 0 || c.h <= 0) continue;
    auto strip = std::make_unique<TBitmap32>();
    strip->Resize(c.w, c.h);
    strip->DrawFrom(0, 0, c.src, &frame);
    strips_[c.kind] = std::move(strip);
  }
}

POINT TMlFormLayerBorder::Position(TMlBorderKind kind, int X, int Y) const {
  const int W = form_ ? form_->Width() : 0, H = form_ ? form_->Height() : 0;
  const int IR = std::abs(inflate_.Right), IB = std::abs(inflate_.Bottom);
  const int topHeight = strips_[bkTop] ? strips_[bkTop]->Height() : 0;
  switch (kind) {
    case bkTop: return {X - size_.Left, Y - size_.Top};
    case bkBottom: return {X - size_.Left, Y + H - IB};
    case bkLeft: return {X - size_.Left, transparent_ ? Y - size_.Top + topHeight : Y - size_.Top};
    case bkRight: return {X + W - IR, transparent_ ? Y - size_.Top + topHeight : Y - size_.Top};
  }
  return {X, Y};
}

HWND TMlFormLayerBorder::Anchor() const {
  // Directly below the form; while it is minimised, below the window above it.
  if (!form_ || !form_->HandleAllocated()) return nullptr;
  HWND h = form_->Handle();
  if (FormMinimized())
    if (HWND above = GetWindow(h, GW_HWNDPREV)) return above;
  return h;
}

void TMlFormLayerBorder::Place(int X, int Y, UINT flags) {
  if (!HasWindows()) return;
  HWND anchor = (flags & SWP_NOZORDER) ? nullptr : Anchor();
  static constexpr TMlBorderKind transparentOrder[] = {bkTop, bkBottom, bkLeft, bkRight};
  static constexpr TMlBorderKind opaqueOrder[] = {bkLeft, bkRight, bkTop, bkBottom};
  for (TMlBorderKind k : transparent_ ? transparentOrder : opaqueOrder) {
    POINT p = Position(k, X, Y);
    SetWindowPos(windows_[k]->Handle(), anchor, p.x, p.y, 0, 0, flags | SWP_NOACTIVATE | SWP_NOSIZE);
  }
}

void TMlFormLayerBorder::PaintAll(bool invisible) {
  if (!HasWindows()) return;
  for (TMlBorderKind k : {bkTop, bkBottom, bkLeft, bkRight}) windows_[k]->UpdateLayered(invisible);
}

void TMlFormLayerBorder::CreateWindows(const std::vector<TMlSkinNCCtrlBase*>* Items) {
  // Shown means shown with windows: a Show before any window existed must not
  // stop them from being made.
  if ((shown_ && HasWindows()) || !form_) return;
  items_ = Items;
  shown_ = true;
  // Made anew after Hide, the windows are not hidden any more: a later Hide
  // must hide them.
  hidden_ = suspended_ = false;
  BuildStrips(form_->Width(), form_->Height());
  FreeWindows();
  // Without an image there is nothing to show, and no window shows it.
  for (const auto& s : strips_)
    if (!s) return;
  for (TMlBorderKind k : {bkLeft, bkRight, bkTop, bkBottom}) {
    windows_[k] = new TmlFormLayerWindow(this, form_, transparent_, k, dragEnabled_);
    windows_[k]->FreeNotification(this);
    windows_[k]->HandleNeeded();
  }
  PaintAll(false);
  ApplyTileRule();
  Place(form_->Left(), form_->Top(), SWP_SHOWWINDOW);
}

void TMlFormLayerBorder::FollowSize() {
  if (form_) {
    if (form_->WindowState() == TWindowState::wsMaximized) {
      Hide();
      return;
    }
    if (suspended_ && !FormMinimized()) Show();
  }
  if (!shown_ || !form_ || !form_->Visible()) return;
  BuildStrips(form_->Width(), form_->Height());
  PaintAll(false);
  ApplyTileRule();
  if (!FormMinimized()) Place(form_->Left(), form_->Top(), SWP_SHOWWINDOW);
}

void TMlFormLayerBorder::MoveTo(int X, int Y) {
  if (!form_ || !HasWindows() || FormMinimized() || suspended_) return;
  Place(X, Y, SWP_NOZORDER);
}

void TMlFormLayerBorder::Hide() {
  if (hidden_) return;
  hidden_ = suspended_ = true;
  shown_ = false;
  PaintAll(true);
}

void TMlFormLayerBorder::Show() {
  if (!hidden_) return;
  hidden_ = suspended_ = false;
  shown_ = true;
  PaintAll(false);
}

void TMlFormLayerBorder::ShowByZoom() {
  if (form_ && form_->WindowState() == TWindowState::wsMaximized) Hide();
  else Show();
}

void TMlFormLayerBorder::Suspend() {
  suspended_ = true;
  PaintAll(true);
}

void TMlFormLayerBorder::Resume() {
  suspended_ = false;
  PaintAll(false);
}

void TMlFormLayerBorder::Repaint() {
  if (shown_ && strips_[bkTop]) PaintAll(false);
}
