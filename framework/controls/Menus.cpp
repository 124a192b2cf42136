// Menu items, menus, popup menus and the popup list.
#include "framework/controls/Menus.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "framework/controls/Forms.h"

namespace {

std::unordered_map<UINT, TMenuItem*>& Commands() {
  static std::unordered_map<UINT, TMenuItem*> commands;
  return commands;
}

UINT NextCommand() {
  // Command numbers stay below $F000, where the system commands begin.
  static UINT next = 0;
  do next = next % 0xEFFF + 1;
  while (Commands().count(next));
  return next;
}

TPopupList*& CurrentPopupList() {
  static TPopupList* list = nullptr;
  return list;
}

AnsiString KeyName(WORD key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return AnsiString(1, static_cast<char>(key));
  if (key >= VK_F1 && key < VK_F1 + 24) return "F" + IntToStr(key - VK_F1 + 1);
  switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_DELETE: return "Del";
    default: return {};
  }
}

}  // namespace

char MenuAccelerator(const AnsiString& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i)
    if (Caption[i] == '&') {
      if (Caption[i + 1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(Caption[i + 1])));
      ++i;  // "&&" is a plain "&"
    }
  return 0;
}

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  TShortCut s = Key & 0xFF;
  if (Shift & ssShift) s |= scShift;
  if (Shift & ssCtrl) s |= scCtrl;
  if (Shift & ssAlt) s |= scAlt;
  return s;
}

AnsiString ShortCutToText(TShortCut S) {
  AnsiString name = KeyName(S & 0xFF);
  if (name.empty()) return {};
  AnsiString text;
  if (S & scShift) text += "Shift+";
  if (S & scCtrl) text += "Ctrl+";
  if (S & scAlt) text += "Alt+";
  return text + name;
}

// ---- TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), command_(NextCommand()) {
  Commands()[command_] = this;
  // While the base was being made the owner's components heard of a mere
  // component; now that it is an item they hear of it again, so that those
  // who take over items (menu skins) learn of it.
  if (AOwner) {
    AOwner->RemoveComponent(this);
    AOwner->InsertComponent(this);
  }
}

TMenuItem::~TMenuItem() {
  MarkDestroying();
  while (!items_.empty()) delete items_.back();
  if (parent_) parent_->Remove(this);
  Commands().erase(command_);
}

TMenuItem* TMenuItem::FromCommand(UINT command) {
  auto it = Commands().find(command);
  return it == Commands().end() ? nullptr : it->second;
}

void TMenuItem::SetChecked(bool v) {
  checked_ = v;
  if (!v || !RadioItem || !parent_) return;
  for (TMenuItem* other : parent_->items_)
    if (other != this && other->RadioItem && other->GroupIndex == GroupIndex) other->checked_ = false;
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return bitmap_.get();
}

int TMenuItem::MenuIndex() const {
  if (!parent_) return -1;
  auto it = std::find(parent_->items_.begin(), parent_->items_.end(), this);
  return static_cast<int>(it - parent_->items_.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item || Item == this || Item->parent_) throw EInvalidOperation("Menu item already has a parent");
  Index = std::clamp(Index, 0, Count());
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(items_.begin(), items_.end(), Item);
  if (it == items_.end()) return;
  items_.erase(it);
  Item->parent_ = nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

void TMenuItem::Click() {
  if (!Enabled) return;
  if (AutoCheck) SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

void TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State) {
  if (OnAdvancedDrawItem) OnAdvancedDrawItem(this, ACanvas, ARect, State);
  else DrawPlainMenuItem(this, ACanvas, ARect, State);
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

void DrawPlainMenuItem(TMenuItem* Item, TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State) {
  const bool selected = (State & odSelected) && Item->Enabled;
  ACanvas->Brush()->SetColor(selected ? clHighlight : clMenu);
  ACanvas->FillRect(ARect);
  if (Item->IsLine()) {
    const int mid = (ARect.top + ARect.bottom) / 2;
    ACanvas->Brush()->SetColor(clBtnShadow);
    ACanvas->FillRect(Rect(ARect.left + 2, mid, ARect.right - 2, mid + 1));
    return;
  }
  ACanvas->Brush()->SetStyle(TBrushStyle::bsClear);
  ACanvas->Font()->SetColor(!Item->Enabled ? clGrayText : selected ? clHighlightText : clMenuText);
  RECT text = Rect(ARect.left + 20, ARect.top, ARect.right - 8, ARect.bottom);
  if (Item->Checked()) {
    RECT mark = Rect(ARect.left + 4, ARect.top, ARect.left + 20, ARect.bottom);
    ACanvas->DrawText(mark, Item->RadioItem ? "o" : "v", DT_SINGLELINE | DT_VCENTER);
  }
  ACanvas->DrawText(text, Item->Caption, DT_SINGLELINE | DT_VCENTER);
  const UINT right = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
  if (Item->ShortCut) ACanvas->DrawText(text, ShortCutToText(Item->ShortCut), right);
  if (Item->Count() > 0) ACanvas->DrawText(text, ">", right);
  ACanvas->Brush()->SetStyle(TBrushStyle::bsSolid);
}

// ---- Menus

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(this)) { items_->menu_ = this; }

TMenu::~TMenu() {
  // The items go while the menu they point to is still whole.
  DestroyComponents();
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { PopupList()->Add(this); }

TPopupMenu::~TPopupMenu() {
  if (TPopupList* list = PopupList()) list->Remove(this);
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  TrackPopupMenu(Items(), OwnerDraw, X, Y, PopupList()->Window());
}

// ---- The popup list

TPopupList::TPopupList() = default;

TPopupList::~TPopupList() {
  if (window_) DestroyWindow(window_);
}

void TPopupList::Add(TPopupMenu* Menu) {
  if (std::find(menus_.begin(), menus_.end(), Menu) == menus_.end()) menus_.push_back(Menu);
}

void TPopupList::Remove(TPopupMenu* Menu) { std::erase(menus_, Menu); }

HWND TPopupList::Window() {
  if (window_ && IsWindow(window_)) return window_;
  WNDCLASS wc;
  wc.lpszClassName = "QuelboPopupList";
  wc.lpfnWndProc = DefWindowProc;
  RegisterClass(wc);
  window_ = CreateWindowEx(WS_EX_TOOLWINDOW, "QuelboPopupList", "", WS_POPUP, 0, 0, 0, 0, nullptr);
  SetWindowProc(window_, [this](HWND, UINT msg, WPARAM wp, LPARAM lp) {
    TMessage m{msg, wp, lp, 0};
    WndProc(m);
    return m.Result;
  });
  return window_;
}

void TPopupList::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_COMMAND:
      if (TMenuItem* item = TMenuItem::FromCommand(static_cast<UINT>(m.WParam & 0xFFFF))) {
        if (Application) Application->Guard([item] { item->Click(); });
        else item->Click();
      }
      return;
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      TMenuItem* item = mis && mis->CtlType == ODT_MENU ? TMenuItem::FromCommand(mis->itemID) : nullptr;
      if (!item) break;
      // Text is measured on a device: a bitmap without pixels has none.
      TBitmap scratch;
      scratch.SetSize(1, 1);
      int w = static_cast<int>(mis->itemWidth), h = static_cast<int>(mis->itemHeight);
      item->MeasureItem(scratch.Canvas(), w, h);
      mis->itemWidth = static_cast<UINT>(std::max(w, 0));
      mis->itemHeight = static_cast<UINT>(std::max(h, 0));
      m.Result = 1;
      return;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      TMenuItem* item = dis && dis->CtlType == ODT_MENU ? TMenuItem::FromCommand(dis->itemID) : nullptr;
      if (!item) break;
      TCanvas canvas;
      canvas.SetHandle(dis->hDC);
      item->AdvancedDrawItem(&canvas, dis->rcItem, dis->itemState & 0xFFFF);
      canvas.SetHandle(nullptr);
      m.Result = 1;
      return;
    }
    default:
      break;
  }
  m.Result = DefWindowProc(window_, m.Msg, m.WParam, m.LParam);
}

TPopupList* PopupList() {
  TPopupList*& list = CurrentPopupList();
  if (!list) list = new TPopupList;  // lives for the whole process
  return list;
}

void SetPopupList(TPopupList* list) { CurrentPopupList() = list; }
