// One of the four border windows: never active, transparent to the mouse as
// a shadow, and as an opaque frame a place to press, drag the form and host
// the caption-bar items.
#include <memory>

#include "skin/MlSkinMessages.h"
#include "skin/window/LayeredUpdate.h"
#include "skin/window/MlFormBorder.h"
#include "skin/window/MlSkinNCCtrlBase.h"

namespace {

constexpr WPARAM kMoveByDrag = SC_MOVE + 1;  // $F011

}  // namespace

TmlFormLayerWindow::TmlFormLayerWindow(TMlFormLayerBorder* Border, TCustomForm* Form, bool Transparent,
                                       TMlBorderKind Kind, bool DragEnabled)
    : TForm(Border), transparent_(Transparent), kind_(Kind), dragEnabled_(DragEnabled), border_(Border),
      form_(Form) {
  SetBorderStyle(TFormBorderStyle::bsNone);
}

TmlFormLayerWindow::~TmlFormLayerWindow() {
  *alive_ = false;
  // The items this window hosted go back to their form.
  if (const auto* items = border_->Items())
    for (TMlSkinNCCtrlBase* item : *items)
      if (item->Host() == this) {
        item->SetHost(form_);
        item->Pos()->SetHostForm(form_);
      }
}

void TmlFormLayerWindow::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  p.Style = WS_POPUP;
  p.ExStyle = (transparent_ ? WS_EX_LAYERED | WS_EX_TRANSPARENT : WS_EX_LAYERED | WS_EX_NOACTIVATE) | WS_EX_TOOLWINDOW;
  // A secondary form owns its border's windows, so they belong to it and go
  // with it; the main form's have no owner. The form's window is never made
  // for this: without one there is nothing to own them yet.
  const bool mainForm = Application && Application->MainForm() == form_;
  p.WndParent = form_ && !mainForm && form_->HandleAllocated() ? form_->Handle() : nullptr;
  p.WindowClassStyle = CS_DBLCLKS | CS_OWNDC;
  p.WinClassName = "TmlFormLayerWindow";
}

void TmlFormLayerWindow::CreateWnd() {
  TForm::CreateWnd();
  // The form's own transparency settings know nothing of a layered window
  // and take its style away; it is layered from birth to end.
  HWND h = Handle();
  SetWindowLongPtr(h, GWL_EXSTYLE, GetWindowLongPtr(h, GWL_EXSTYLE) | WS_EX_LAYERED);
}

void TmlFormLayerWindow::WndProc(TMessage& m) { TForm::WndProc(m); }

TMlSkinNCCtrlBase* TmlFormLayerWindow::HoveredItem() const {
  if (const auto* items = border_->Items())
    for (TMlSkinNCCtrlBase* item : *items)
      if (item->Hovered()) return item;
  return nullptr;
}

void TmlFormLayerWindow::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_NCHITTEST:
      TForm::Dispatch(m);
      // Every press arrives as a non-client button message.
      m.Result = HTOBJECT;
      return;
    case WM_MOUSEACTIVATE:
      m.Result = MA_NOACTIVATE;
      return;
    case WM_NCLBUTTONDOWN: {
      m.WParam = static_cast<WPARAM>(-1);
      TMlSkinNCCtrlBase* item = HoveredItem();
      if (item) item->LMouseDown();
      UpdateLayered(false);
      if (!item && dragEnabled_ && form_ && form_->HandleAllocated()) {
        ReleaseCapture();
        SendMessage(form_->Handle(), WM_SYSCOMMAND, kMoveByDrag, 0);
      }
      return;
    }
    case WM_NCLBUTTONUP:
      m.WParam = static_cast<WPARAM>(-1);
      if (TMlSkinNCCtrlBase* item = HoveredItem()) item->LMouseUp();
      UpdateLayered(false);
      return;
    case MLM_NCPAINT:
      UpdateLayered(false);
      return;
    default:
      TForm::Dispatch(m);
  }
}

void TmlFormLayerWindow::UpdateLayered(bool Invisible) {
  TBitmap32* strip = border_->Strip(kind_);
  if (!strip || !HandleAllocated()) return;
  TBitmap32 copy;
  copy.Resize(strip->Width(), strip->Height());
  copy.DrawFrom(0, 0, strip);
  if (!Invisible && kind_ == bkTop && !border_->Transparent() && border_->Items()) {
    const std::shared_ptr<bool> alive = alive_;
    // Items may go while messages run: they are held by identity.
    std::vector<WPARAM> ids;
    for (TMlSkinNCCtrlBase* item : *border_->Items()) ids.push_back(item->Id());
    for (WPARAM id : ids) {
      TMlSkinNCCtrlBase* item = TMlSkinNCCtrlBase::FromId(id);
      if (!item) continue;
      // Hosted here, a right-aligned item measures from this window's right
      // edge; its XValue stays as it was set.
      if (item->Host() != this) {
        item->SetHost(this);
        item->Pos()->SetHostForm(this);
      }
      if (Application) Application->ProcessMessages();
      if (!*alive) return;
      if ((item = TMlSkinNCCtrlBase::FromId(id))) item->Paint(copy);
    }
  }
  RECT wr;
  GetWindowRect(Handle(), &wr);
  UpdateLayeredFromBitmap(Handle(), copy, {wr.left, wr.top}, Invisible ? 0 : 255);
}
