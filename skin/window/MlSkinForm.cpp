// The skinned form: construction, settings and the message table.
#include "skin/window/MlSkinForm.h"

#include <algorithm>
#include <cctype>

#include "core/ScopeGuard.h"
#include "skin/MlSkinCtrls.h"
#include "skin/MlSkinMessages.h"
#include "skin/window/MlFormBorder.h"
#include "skin/window/MlSkinNCMenuItem.h"
#include "skin/window/MlSkinNCCtrlBase.h"

void TMlSkinFormOptions::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TMlSkinFormOptions*>(Source)) MinimizeToTaskbar = s->MinimizeToTaskbar;
  else TPersistent::Assign(Source);
}

TMlSkinForm::TMlSkinForm(TComponent* AOwner) : TMlHookWindowProc(AOwner) {
  TMlFormSkinHelper::Add(dynamic_cast<TCustomForm*>(AOwner), this);
  TCustomForm* form = Form();
  if (!form) return;
  savedBorderIcons_ = form->BorderIcons();
  savedWindowState_ = form->WindowState();
  active_ = true;
  form->SetScaled(false);
  appHook_ = [this](TMessage& m) { return ApplicationHook(m); };
  if (Application) {
    Application->HookMainWindow(&appHook_);
    appHooked_ = true;
  }
}

TMlSkinForm::~TMlSkinForm() {
  if (appHooked_ && Application) Application->UnhookMainWindow(&appHook_);
  TMlFormSkinHelper::RemoveSkin(this);
  if (imageBorder_) {
    imageBorder_->ForgetItems();
    imageBorder_->RemoveFreeNotification(this);
  }
  // Items that outlive the form skin learn of its end through their free
  // notification.
  items_.clear();
  if (TCustomForm* form = Form(); form && form->HandleAllocated()) {
    for (std::uintptr_t id : {kTimerNcRepaint, kTimerFirstShow, kTimerNextMenu}) KillTimer(form->Handle(), id);
  }
}

void TMlSkinForm::SetFramWidth(int v) {
  if (v < 0) return;
  framWidth_ = v;
  if (v == 0) flatFrame_ = true;
}

void TMlSkinForm::SetCustomPicture(const TMlResID& v) {
  if (v == customPicture_) return;
  customPicture_ = v;
  PublishCustomPicture();
}

void TMlSkinForm::SetSkinRes(TMlSkinRes* v) {
  if (skinRes_) skinRes_->RemoveFreeNotification(this);
  skinRes_ = v;
  if (v) v->FreeNotification(this);
  ApplySkinRes();
}

void TMlSkinForm::SetImageBorder(TMlFormLayerBorder* v) {
  if (v == imageBorder_) return;
  if (imageBorder_) {
    imageBorder_->ForgetItems();
    imageBorder_->RemoveFreeNotification(this);
  }
  imageBorder_ = v;
  if (!v) return;
  v->FreeNotification(this);
  if (!IsDesigning() && Form() && Form()->Visible()) {
    v->Attach(Form());
    v->CreateWindows(&items_);
  }
}

void TMlSkinForm::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == skinRes_) skinRes_ = nullptr;
  if (AComponent == imageBorder_) imageBorder_ = nullptr;
  std::erase(items_, AComponent);
  mainMenu_.Forget(AComponent);
}

void TMlSkinForm::PublishCustomPicture() { CurrentFormSkin().SetCustomPicture(customPicture_); }

void TMlSkinForm::PublishSkin() {
  TMlFormSkinRes& r = CurrentFormSkin();
  r.BeginUpdate();
  r.SetColor(color_);
  r.SetCustomPicture(customPicture_);
  r.SetFramWidth(framWidth_);
  r.SetHitTestWidth(hitTestWidth_);
  r.SetStyle(style_);
  r.SetTitlerColor(titlerColor_);
  r.EndUpdate();
}

void TMlSkinForm::RefreshSkin() {
  if (IsDesigning() || inRefresh_) return;
  inRefresh_ = true;
  ScopeExit finish([this] {
    inRefresh_ = false;
    if (Changed) Changed(this);
  });
  PaintNonClient();
  if (Form()) Form()->Invalidate();
  if (Tag() != 99999) PublishSkin();
  if (Form()) RefreshSkinnedControls(Form());
}

void TMlSkinForm::RefreshSkinnedControls(TWinControl* parent) {
  // A snapshot: repainting may add or remove controls.
  std::vector<TControl*> children;
  for (int i = 0; i < parent->ControlCount(); ++i) children.push_back(parent->Controls(i));
  for (TControl* child : children) {
    auto* c = dynamic_cast<TWinControl*>(child);
    if (!c) continue;
    if (dynamic_cast<TMlSkinCustomControl*>(c)) {
      if (c->HandleAllocated()) {
        RECT wr, cr;
        GetWindowRect(c->Handle(), &wr);
        GetClientRect(c->Handle(), &cr);
        if (wr.Width() != cr.Width() || wr.Height() != cr.Height()) SendMessage(c->Handle(), WM_NCPAINT, 1, 0);
      }
      c->Invalidate();
    }
    RefreshSkinnedControls(c);
  }
}

void TMlSkinForm::ApplySkinRes() {
  if (!skinRes_ || IsDesigning()) return;
  TMlFormSkinRes* s = skinRes_->Form();
  color_ = s->Color();
  customPicture_ = s->CustomPicture();
  gradientHeight_ = s->GradientHeight();
  style_ = s->Style();
  titlerColor_ = s->TitlerColor();
  BuildBackground();
  PublishSkin();
  // No menu buttons are made during this repaint.
  TMainMenu* menu = mainMenu_.MainMenu();
  mainMenu_.SetMainMenu(nullptr);
  RefreshSkin();
  mainMenu_.SetMainMenu(menu);
}

bool TMlSkinForm::FormIsMaximized() const {
  TCustomForm* f = Form();
  return f && f->HandleAllocated() && IsZoomed(f->Handle());
}

bool TMlSkinForm::NoBorder() const { return !Form() || Form()->BorderStyle() == TFormBorderStyle::bsNone; }
int TMlSkinForm::W() const { return Form() ? Form()->Width() : 0; }
int TMlSkinForm::H() const { return Form() ? Form()->Height() : 0; }

void TMlSkinForm::RegisterItem(WPARAM Id) {
  TMlSkinNCCtrlBase* item = TMlSkinNCCtrlBase::FromId(Id);
  if (!item) return;
  if (std::find(items_.begin(), items_.end(), item) == items_.end()) {
    items_.push_back(item);
    item->FreeNotification(this);
  }
  item->Registered(this);
}

bool TMlSkinForm::MenuAccelerator(TMessage& m) {
  if (!mainMenu_.MainMenu()) return false;
  const char c = static_cast<char>(std::toupper(static_cast<int>(m.WParam & 0xFF)));
  bool matched = false;
  const auto& entries = mainMenu_.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    TMlSkinNCMenuItem* button = entries[i]->Button;
    if (!button || ::MenuAccelerator(entries[i]->Caption) != c) continue;
    // A count of 1 opens the menu, as the switch between menus does.
    button->ClickCount = 1;
    button->Click();
    m.Result = 1;
    matched = true;
  }
  return matched;
}

TBitmap32* TMlSkinForm::BackgroundBitmap() {
  return style_ == TMlSkinStyle::ssColor ? &colorBackground_ : &pictureBackground_;
}

TBitmap32* TMlSkinForm::ClientBackground(POINT& origin) {
  origin = {framWidth_, style_ == TMlSkinStyle::ssPicture ? titleHeight_ : 0};
  TBitmap32* b = BackgroundBitmap();
  return b->Empty() ? nullptr : b;
}

void TMlSkinForm::WndProc(TMessage& m) {
  TCustomForm* form = Form();
  switch (m.Msg) {
    case WM_SIZE:
      PassOn(m);
      if (!IsDesigning() && form->HandleAllocated()) {
        KillTimer(form->Handle(), kTimerNcRepaint);
        SetTimer(form->Handle(), kTimerNcRepaint, 50);
      }
      if (imageBorder_) imageBorder_->FollowSize();
      if (fillStyle_ == TMlFillStyle::mfsStretch && style_ == TMlSkinStyle::ssPicture) form->Invalidate();
      return;
    case WM_PAINT:
      PassOn(m);
      if (form->Showing()) PaintClientBackground();
      return;
    case WM_ERASEBKGND:
      m.Result = 1;
      if (eraseBackGround_) {
        POINT at = style_ == TMlSkinStyle::ssColor ? POINT{0, 0} : POINT{-framWidth_, -titleHeight_};
        BackgroundBitmap()->BlitToDC(reinterpret_cast<HDC>(m.WParam), at.x, at.y);
      }
      return;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(m.WParam) == form->Handle() && TMlSkinNCCtrlBase::ButtonCursorShown()) return;
      PassOn(m);
      return;
    case WM_GETMINMAXINFO:
      GetMinMaxInfo(m);
      PassOn(m);
      return;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
      bool minimizing = (pos->flags & 0x0170) == 0x0170 ||
                        ((pos->flags & 0x0097) == 0x0097 && Application && Application->MainForm() == form);
      if (minimizing && form->Visible()) HideForMinimize();
      PassOn(m);
      return;
    }
    case WM_WINDOWPOSCHANGED:
      PassOn(m);
      if (imageBorder_) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
        imageBorder_->MoveTo(pos->x, pos->y);
      }
      return;
    case WM_NCCALCSIZE:
      NcCalcSize(m);
      return;
    case WM_NCHITTEST:
      NcHitTest(m);
      return;
    case WM_NCPAINT:
      NcPaint(m);
      return;
    case WM_NCACTIVATE:
      m.Result = 1;
      return;
    case WM_NCLBUTTONDOWN:
      if (!CaptionMouse(m, true)) PassOn(m);
      if (imageBorder_ && Form()) imageBorder_->MoveTo(Form()->Left(), Form()->Top());
      return;
    case WM_NCLBUTTONUP:
      if (!CaptionMouse(m, false)) PassOn(m);
      return;
    case WM_NCLBUTTONDBLCLK:
      CaptionDoubleClick(m);
      return;
    case WM_SYSCOMMAND:
      SysCommand(m);
      return;
    case WM_TIMER:
      Timer(m);
      return;
    case MLM_NCPAINT:
      if (form->Showing()) {
        UpdateRegion();
        if (m.WParam == kNcPaintCaptionBand) PaintCaptionBand();
        else PaintNonClient();
      }
      // An opaque border hosts the items on its top window, which repaints them.
      if (imageBorder_ && !imageBorder_->Transparent())
        if (TmlFormLayerWindow* top = imageBorder_->Window(bkTop)) top->Perform(MLM_NCPAINT, m.WParam, m.LParam);
      return;
    case MLM_SKINCHANGED:
      BuildBackground();
      RefreshSkin();
      return;
    case MLM_RELOADSKIN:
      ApplySkinRes();
      return;
    case MLM_ADDNCCTRL:
      RegisterItem(m.WParam);
      if (TMlSkinNCCtrlBase::FromId(m.WParam)) form->Perform(MLM_NCPAINT, 0, 0);
      return;
    case MLM_REMOVENCCTRL: {
      TMlSkinNCCtrlBase* item = TMlSkinNCCtrlBase::FromId(m.WParam);
      if (std::find(items_.rbegin(), items_.rend(), item) == items_.rend()) return;
      delete item;  // its free notification takes it off the list
      return;
    }
    case CM_SHOWINGCHANGED:
      ShowingChanged(m);
      return;
    case CM_VISIBLECHANGED:
      PassOn(m);
      if (imageBorder_) {
        if (form->Visible()) imageBorder_->Show();
        else imageBorder_->Hide();
      }
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      if (m.WParam != VK_MENU && MenuAccelerator(m)) return;
      if (m.WParam == VK_MENU) m.Result = 1;
      PassOn(m);
      return;
    case MLM_MENUCLOSED:
      if (mainMenu_.MainMenu() && mainMenu_.OpenButton) {
        mainMenu_.OpenButton->SetDown(false);
        mainMenu_.OpenButton = nullptr;
        if (mainMenu_.PendingButton && form->HandleAllocated()) SetTimer(form->Handle(), kTimerNextMenu, 20);
      }
      return;
    default:
      PassOn(m);
  }
}
