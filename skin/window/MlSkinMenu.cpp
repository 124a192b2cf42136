// The popup-menu skin: attaching items, measuring them, composing each menu
// window's picture, and the hook that quiets the menu windows' own painting.
#include "skin/window/MlSkinMenu.h"

#include <algorithm>
#include <map>

#include "core/SysUtils.h"
#include "graphics/PictureFilters.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/LayeredUpdate.h"

namespace {

bool g_menuPainted = false;

bool InMainMenu(const TMenuItem* item) { return dynamic_cast<const TMainMenu*>(item->GetParentMenu()) != nullptr; }

bool IsFirst(const TMenuItem* item) { return item->Parent() && item->Parent()->Items(0) == item; }
bool IsLast(const TMenuItem* item) {
  return item->Parent() && item->Parent()->Items(item->Parent()->Count() - 1) == item;
}

}  // namespace

bool MenuPainted() { return g_menuPainted; }

// ---- The window cache

TMenuWnds::Record* TMenuWnds::Find(HWND window) {
  std::erase_if(records_, [](const Record& r) { return !IsWindow(r.window) || !IsWindowVisible(r.window); });
  for (Record& r : records_)
    if (r.window == window) return &r;
  return nullptr;
}

TMenuWnds::Record* TMenuWnds::Add(HWND window, std::unique_ptr<TBitmap32> composition,
                                  std::unique_ptr<TBitmap32> background) {
  records_.push_back({window, std::move(composition), std::move(background)});
  return &records_.back();
}

// ---- The component

TMlSkinMenu::TMlSkinMenu(TComponent* AOwner) : TComponent(AOwner) {
  hotFont_.SetColor(static_cast<TColor>(0xFFFFFF));
  AttachOwnerItems();
}

void TMlSkinMenu::Loaded() {
  TComponent::Loaded();
  AttachOwnerItems();
}

void TMlSkinMenu::AttachOwnerItems() {
  TComponent* owner = Owner();
  if (IsDesigning() || !owner) return;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (auto* item = dynamic_cast<TMenuItem*>(owner->Components(i))) Attach(item);
}

TMlSkinMenu::~TMlSkinMenu() {
  for (TMenuItem* item : std::vector<TMenuItem*>(items_)) Detach(item);
}

bool TMlSkinMenu::Attached(const TMenuItem* Item) const {
  return std::find(items_.begin(), items_.end(), Item) != items_.end();
}

void TMlSkinMenu::Attach(TMenuItem* Item) {
  if (!Item || Item->OnAdvancedDrawItem) return;
  Item->OnAdvancedDrawItem = [this](TObject* s, TCanvas* c, const RECT& r, TOwnerDrawState st) { DrawItem(s, c, r, st); };
  Item->OnMeasureItem = [this](TObject* s, TCanvas* c, int& w, int& h) { MeasureItem(s, c, w, h); };
  Item->FreeNotification(this);
  items_.push_back(Item);
}

void TMlSkinMenu::Detach(TMenuItem* Item) {
  if (!Attached(Item)) return;
  Item->OnAdvancedDrawItem = nullptr;
  Item->OnMeasureItem = nullptr;
  Item->RemoveFreeNotification(this);
  std::erase(items_, Item);
}

void TMlSkinMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (IsDesigning()) return;
  if (Operation == TOperation::opInsert) {
    if (auto* item = dynamic_cast<TMenuItem*>(AComponent)) Attach(item);
    return;
  }
  // An item being freed is no TMenuItem any more by now: it is known by its
  // address, and its handlers go with it.
  auto it = std::find_if(items_.begin(), items_.end(), [&](TMenuItem* i) { return i == AComponent; });
  if (it == items_.end()) return;
  if (AComponent->IsDestroying()) items_.erase(it);
  else Detach(*it);
}

void TMlSkinMenu::MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || item->IsDestroying()) return;
  g_menuPainted = false;
  if (item->IsLine()) {
    Height = 3;
    return;
  }
  if (InMainMenu(item)) return;
  ACanvas->Font()->SetSize(9);
  AnsiString text = item->Caption;
  if (item->ShortCut) text += ShortCutToText(item->ShortCut);
  Width = ACanvas->TextWidth(text) + 45;
  if (TBitmap32* hilight = GetSkinBitmap(Menu_hilight)) {
    Height = hilight->Height() + BorderOffset / 2;
    if (IsFirst(item) && IsLast(item)) Height += BorderOffset;
    else if (IsFirst(item) || IsLast(item)) Height += BorderOffset / 2;
  }
}

void TMlSkinMenu::DrawItem(TObject* Sender, TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  HWND wnd = WindowFromDC(ACanvas->Handle());
  if (!item || !wnd || InMainMenu(item)) return;
  lastWindow_ = wnd;
  const std::intptr_t ex = GetWindowLongPtr(wnd, GWL_EXSTYLE);
  if (!(ex & WS_EX_LAYERED)) SetWindowLongPtr(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  RECT W;
  GetWindowRect(wnd, &W);

  // Item rectangles are client coordinates; the window's frame is d wide.
  const int d = BorderOffset / 2;
  const TRect S = OffsetRect(ARect, d, d);
  TRect I = S;
  if (IsFirst(item)) I.top += d;
  if (IsLast(item)) I.bottom -= d;

  TMenuWnds::Record* rec = wnds_.Find(wnd);
  if (!rec) {
    auto composition = std::make_unique<TBitmap32>();
    composition->Resize(W.Width(), W.Height());
    auto background = std::make_unique<TBitmap32>();
    background->Resize(std::max(0, W.Width() - 2 * BorderWidth), std::max(0, W.Height() - 2 * BorderWidth));
    if (TBitmap32* bk = GetSkinBitmap(Menu_bk); bk && !background->Empty()) NineSliceOnto(bk, background.get(), false);
    rec = wnds_.Add(wnd, std::move(composition), std::move(background));
  }
  rec->background->DrawOnto(rec->composition.get(), S, S);
  PaintItem(*rec->composition, item, I, State);
  UpdateLayeredFromBitmap(wnd, *rec->composition, {W.left, W.top}, 255);
  g_menuPainted = true;
}

// ---- The process-wide hook

namespace {

HHOOK g_hook = nullptr;
std::map<HWND, WNDPROC>& SavedProcs() {
  static std::map<HWND, WNDPROC> saved;
  return saved;
}

LRESULT MenuWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = SavedProcs().find(h);
  WNDPROC saved = it == SavedProcs().end() ? WNDPROC() : it->second;
  if (!g_menuPainted && msg == WM_ERASEBKGND) return 1;
  if (!g_menuPainted && msg == WM_NCPAINT) return 0;
  if (msg == WM_NCDESTROY) SavedProcs().erase(h);
  return CallWindowProc(saved, h, msg, wp, lp);
}

}  // namespace

void InstallMenuSkinHook() {
  if (g_hook) return;
  g_hook = SetCallWndProcHook([](const CWPSTRUCT& c) {
    if (c.wParam != 0 || c.message != WM_CREATE) return;
    if (LowerCaseAscii(GetClassName(c.hwnd)) != kMenuWindowClass) return;
    if (SavedProcs().count(c.hwnd)) return;
    SavedProcs()[c.hwnd] = SetWindowProc(c.hwnd, MenuWindowProc);
  });
}

void RemoveMenuSkinHook() {
  if (!g_hook) return;
  UnhookWindowsHook(g_hook);
  g_hook = nullptr;
}
