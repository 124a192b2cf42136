#pragma once
// Menus: items in a tree, the main menu a form keeps, popup menus shown at a
// point with a modal loop of their own, and the popup list whose window owns
// every popup menu: it receives the chosen command, the owner-drawn items'
// measuring and painting, and the notices of the menu loop.
#include <memory>
#include <vector>

#include "framework/controls/Controls.h"

// A virtual key with modifier bits.
using TShortCut = WORD;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };
TShortCut ShortCut(WORD Key, TShiftState Shift);
// "Ctrl+S", "Shift+F4", ...; empty for 0.
AnsiString ShortCutToText(TShortCut S);

enum TOwnerDrawStateFlag : unsigned {
  odSelected = 0x1, odGrayed = 0x2, odDisabled = 0x4, odChecked = 0x8, odFocused = 0x10, odDefault = 0x20,
  odHotLight = 0x40, odInactive = 0x80, odNoAccel = 0x100,
};
using TOwnerDrawState = unsigned;

// Owner-drawn menu items: what the menu window sends its owner.
enum : UINT { ODT_MENU = 1 };
enum : UINT { ODA_DRAWENTIRE = 1, ODA_SELECT = 2 };
struct MEASUREITEMSTRUCT {
  UINT CtlType = ODT_MENU, CtlID = 0, itemID = 0, itemWidth = 0, itemHeight = 0;
  std::uintptr_t itemData = 0;
};
struct DRAWITEMSTRUCT {
  UINT CtlType = ODT_MENU, CtlID = 0, itemID = 0, itemAction = ODA_DRAWENTIRE, itemState = 0;
  HWND hwndItem = nullptr;  // the menu window
  HDC hDC = nullptr;        // its client area
  RECT rcItem;              // client coordinates
  std::uintptr_t itemData = 0;
};

class TMenu;
class TMenuItem;

using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  // Leaves its parent and frees its children.
  ~TMenuItem() override;

  AnsiString Caption;
  TShortCut ShortCut = 0;
  bool Enabled = true;
  bool Visible = true;
  bool RadioItem = false;
  bool AutoCheck = false;
  bool Default = false;
  int GroupIndex = 0;
  int ImageIndex = -1;
  int HelpContext = 0;
  AnsiString Hint;
  TNotifyEvent OnClick;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the others of its group.
  void SetChecked(bool v);
  // The item's picture, made on first use.
  TBitmap* Bitmap();
  bool HasBitmap() const { return bitmap_ != nullptr; }

  // ---- The tree
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int i) const { return items_.at(static_cast<size_t>(i)); }
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  // The menu at the root of the tree, or nullptr.
  TMenu* GetParentMenu() const;
  bool IsLine() const { return Caption == "-"; }

  // The number the menu loop reports the item by.
  UINT Command() const { return command_; }
  static TMenuItem* FromCommand(UINT command);

  // Checks a checkable item, then fires OnClick; nothing when disabled.
  virtual void Click();
  virtual void AdvancedDrawItem(TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State);
  virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);

 private:
  friend class TMenu;
  bool checked_ = false;
  std::unique_ptr<TBitmap> bitmap_;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item only
  UINT command_;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  // The root item; its children are the menu's items.
  TMenuItem* Items() const { return items_; }
  bool OwnerDraw = false;
  bool AutoHotkeys = true;
  bool AutoLineReduction = true;
  bool RightToLeft = false;

 private:
  TMenuItem* items_;
};

class TMainMenu : public TMenu {
 public:
  using TMenu::TMenu;
};

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  // Shows the menu with its top-left corner at the screen point and runs
  // its loop; a chosen item's Click follows once the messages after the
  // menu are handled.
  virtual void Popup(int X, int Y);
  TNotifyEvent OnPopup;
  TComponent* PopupComponent = nullptr;
};

// The popup menus that exist and the window that owns them while they show.
class TPopupList : public TObject {
 public:
  TPopupList();
  ~TPopupList() override;
  void Add(TPopupMenu* Menu);
  void Remove(TPopupMenu* Menu);
  int Count() const { return static_cast<int>(menus_.size()); }
  TPopupMenu* Items(int i) const { return menus_.at(static_cast<size_t>(i)); }
  // Made on first use.
  HWND Window();

 protected:
  // WM_COMMAND clicks the chosen item; WM_MEASUREITEM and WM_DRAWITEM reach
  // the owner-drawn item; the rest goes to DefWindowProc.
  virtual void WndProc(TMessage& m);

 private:
  std::vector<TPopupMenu*> menus_;
  HWND window_ = nullptr;
};

// The framework's popup list; another list may take its place (and must put
// the previous one back before it goes).
TPopupList* PopupList();
void SetPopupList(TPopupList* list);

// The character after "&" in a caption, upper-cased; 0 when there is none.
char MenuAccelerator(const AnsiString& Caption);

// The look of an item that nobody draws: a fill, a line for a separator, a
// mark, the caption and the shortcut.
void DrawPlainMenuItem(TMenuItem* Item, TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State);

// The menu window class and the menu loop (MenuLoop.cpp).
inline constexpr const char* kMenuWindowClass = "#32768";
// The width of a menu window's frame around its items.
constexpr int kMenuFrame = 3;
// Shows the children of Items at the screen point and runs the menu loop;
// Owner hears WM_ENTERMENULOOP, WM_MEASUREITEM and WM_DRAWITEM (OwnerDraw),
// WM_MENUSELECT, the closing WM_MENUSELECT (high word of WParam $FFFF,
// LParam 0), WM_EXITMENULOOP and, for a chosen item, a posted WM_COMMAND.
// Returns the chosen item or nullptr.
TMenuItem* TrackPopupMenu(TMenuItem* Items, bool OwnerDraw, int X, int Y, HWND Owner);
// Ends the menu loop that runs, if any (WM_CANCELMODE does it too).
void EndMenu();
// The menu windows showing now, the first level first.
std::vector<HWND> MenuWindows();
