// The skinned form's non-client geometry: the client inset, hit testing, size
// limits and the caption band's mouse handling.
#include <algorithm>

#include "skin/window/MlSkinForm.h"
#include "skin/window/MlSkinNCButton.h"

namespace {

bool Inside(int x, int y, int l, int t, int r, int b) { return l <= x && x < r && t <= y && y < b; }

bool IsSizingCode(LRESULT hit) { return hit >= HTLEFT && hit <= HTBOTTOMRIGHT; }

// The window-relative point of a screen position in LParam.
POINT WindowPoint(TCustomForm* form, LPARAM lp) {
  POINT p{GET_X_LPARAM(lp) - form->Left(), GET_Y_LPARAM(lp) - form->Top()};
  if (form->Parent()) p = form->Parent()->ScreenToClient(p);
  return p;
}

}  // namespace

void TMlSkinForm::NcCalcSize(TMessage& m) {
  if (!Active() || NoBorder()) return PassOn(m);
  if (m.WParam == 0) return;
  RECT& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0];
  r.left += framWidth_;
  r.top += titleHeight_;
  r.right -= framWidth_;
  r.bottom -= framWidth_;
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  m.Result = 0;
}

void TMlSkinForm::NcHitTest(TMessage& m) {
  TCustomForm* form = Form();
  if (!Active() || NoBorder()) return PassOn(m);
  POINT p = WindowPoint(form, m.LParam);
  const int x = p.x, y = p.y, w = W(), h = H(), t = hitTestWidth_;
  LRESULT hit = HTNOWHERE;
  TFormBorderStyle bs = form->BorderStyle();
  bool sizeable = (bs == TFormBorderStyle::bsSizeable || bs == TFormBorderStyle::bsSizeToolWin) && !FormIsMaximized();
  struct Zone {
    int l, t, r, b;
    LRESULT code;
  };
  const Zone zones[] = {
      {0, 0, t, t, HTTOPLEFT},          {t, 0, w - t, t, HTTOP},          {w - t, 0, w, t, HTTOPRIGHT},
      {w - t, t, w, h - t, HTRIGHT},    {w - t, h - t, w, h, HTBOTTOMRIGHT}, {t, h - t, w - t, h, HTBOTTOM},
      {0, h - t, t, h, HTBOTTOMLEFT},   {0, t, t, h - t, HTLEFT},
  };
  bool found = false;
  if (sizeable)
    for (const Zone& z : zones)
      if (Inside(x, y, z.l, z.t, z.r, z.b)) {
        hit = z.code;
        found = true;
        break;
      }
  if (!found && Inside(x, y, 0, 0, w, titleHeight_)) {
    hit = HTCAPTION;
    found = true;
  }
  if (!found) {
    // The client rectangle in window coordinates: it starts below the caption
    // band and inside the frame.
    RECT c = form->GetClientRect();
    if (Inside(x, y, framWidth_, titleHeight_, framWidth_ + c.Width(), titleHeight_ + c.Height())) hit = HTCLIENT;
  }
  m.Result = hit;
  inSizingZone_ = IsSizingCode(hit);
}

void TMlSkinForm::GetMinMaxInfo(TMessage& m) {
  TCustomForm* form = Form();
  if (NoBorder() || !Active()) return;
  auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
  RECT work = GetWorkArea();
  bool primary = true;
  if (TMonitor* mon = form->HandleAllocated() ? form->Monitor() : nullptr) {
    int n = mon->MonitorNum;
    TMonitor* chosen = (n < 0 || n >= Screen->MonitorCount()) ? mon : Screen->Monitors(n);
    work = chosen->WorkareaRect();
    primary = mon->Primary();
  }
  if (primary != maxPos_.primary) {
    maxPos_.primary = primary;
    maxPos_.saved = false;
  }
  if (!maxPos_.saved) {
    maxPos_.saved = true;
    maxPos_.position = mmi->ptMaxPosition;
    maxPos_.size = mmi->ptMaxSize;
    maxPos_.frame = -mmi->ptMaxPosition.x;
  }
  if (savedWindowState_ == TWindowState::wsMaximized) {
    mmi->ptMaxPosition = {work.left, work.top};
    mmi->ptMaxSize = {work.Width(), work.Height() - 1};
  } else {
    const int f = maxPos_.frame;
    mmi->ptMaxPosition = {maxPos_.position.x + f, maxPos_.position.y + f};
    mmi->ptMaxSize = {maxPos_.size.x - 2 * f, maxPos_.size.y - 2 * f};
    if (primary) mmi->ptMaxSize.y = work.Height();
  }
  const TSizeConstraints* c = form->Constraints();
  mmi->ptMinTrackSize.y = c->MinHeight ? c->MinHeight : flatFrame_ ? titleHeight_ + 30 : titleHeight_ + 6;
  mmi->ptMinTrackSize.x = c->MinWidth ? c->MinWidth : 120;
  if (c->MaxWidth) mmi->ptMaxTrackSize.x = c->MaxWidth;
  if (c->MaxHeight) mmi->ptMaxTrackSize.y = c->MaxHeight;
  m.Result = 0;
}

bool TMlSkinForm::CaptionMouse(TMessage& m, bool down) {
  if (!Active() || inSizingZone_) return false;
  for (size_t i = 0; i < items_.size(); ++i) {
    // Items may come and go while messages run.
    if (Application) Application->ProcessMessages();
    if (i >= items_.size()) break;
    TMlSkinNCCtrlBase* item = items_[i];
    if (!item->Visible() || !item->Hovered()) continue;
    if (down) item->LMouseDown();
    else item->LMouseUp();
    if (Form()) Form()->SetActiveControl(nullptr);
    return true;
  }
  return false;
}

void TMlSkinForm::CaptionDoubleClick(TMessage& m) {
  TCustomForm* form = Form();
  for (TMlSkinNCCtrlBase* item : items_)
    if (dynamic_cast<TMlSkinNCButton*>(item) && item->Visible() && item->Hovered()) return;
  TFormBorderStyle bs = form->BorderStyle();
  if (!(savedBorderIcons_ & biMaximize)) return;
  if (bs != TFormBorderStyle::bsSingle && bs != TFormBorderStyle::bsSizeable) return;
  POINT p{GET_X_LPARAM(m.LParam) - form->Left(), GET_Y_LPARAM(m.LParam) - form->Top()};
  if (!Inside(p.x, p.y, 0, 0, W(), titleHeight_)) return;
  bool maximized = GetWindowLongPtr(form->Handle(), GWL_STYLE) & WS_MAXIMIZE;
  SendMessage(form->Handle(), WM_SYSCOMMAND, maximized ? SC_RESTORE : SC_MAXIMIZE, m.LParam);
}

void TMlSkinForm::NcPaint(TMessage& m) {
  if (!Active()) {
    m.Result = 0;
    return PassOn(m);
  }
  UpdateRegion();
  PaintNonClient();
  if (!NoBorder()) {
    HWND h = Form()->Handle();
    std::intptr_t style = GetWindowLongPtr(h, GWL_STYLE);
    if (style & (WS_BORDER | WS_DLGFRAME)) SetWindowLongPtr(h, GWL_STYLE, style & ~std::intptr_t(WS_BORDER | WS_DLGFRAME));
  }
  m.Result = 0;
}
