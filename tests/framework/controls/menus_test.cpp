// Popup menus and their loop on the headless display: keys and the pointer
// move the selection, submenus open beside their item, a press outside ends
// the menu and goes nowhere, WM_CANCELMODE to the owner ends it, a chosen
// item clicks once the loop is over, and the owner hears the loop's notices.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "framework/controls/Forms.h"
#include "framework/controls/Menus.h"
#include "platform/Clock.h"
#include "platform/headless/HeadlessDisplay.h"

namespace {

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(800, 600, 0));
    display = static_cast<platform::HeadlessDisplay*>(platform::Display());
    app = new TApplication(nullptr);
    form = app->CreateForm<TForm>();
    form->SetBounds(100, 100, 300, 200);
    form->SetVisible(true);
    popup = new TPopupMenu(form);
    open = Add(popup->Items(), "&Open");
    Add(popup->Items(), "-");
    recent = Add(popup->Items(), "&Recent");
    first = Add(recent, "First");
    Add(popup->Items(), "Hidden")->Visible = false;
    quit = Add(popup->Items(), "&Quit");
    for (TMenuItem* i : {open, first, quit}) i->OnClick = [this](TObject* s) { clicked.push_back(static_cast<TMenuItem*>(s)); };
  }
  void TearDown() override {
    delete app;
    platform::SetDisplay(nullptr);
  }
  TMenuItem* Add(TMenuItem* parent, const char* caption) {
    auto* i = new TMenuItem(form);
    i->Caption = caption;
    parent->Add(i);
    return i;
  }
  void Pump(int ms) {
    const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(ms);
    do {
      WaitMessageTimeout(5);
      app->ProcessMessages();
    } while (platform::TickCount() < end);
  }
  // Shows the popup at (200, 150) and runs the steps one per timer tick
  // while its loop runs; what remains is pumped after the loop.
  void WithMenu(std::vector<std::function<void()>> steps) {
    size_t next = 0;
    SetTimer(nullptr, 0, 30, [&](HWND, UINT, std::uintptr_t id, DWORD) {
      if (next < steps.size()) steps[next++]();
      if (next == steps.size()) KillTimer(nullptr, id);
    });
    popup->Popup(200, 150);
    Pump(40);
    EXPECT_EQ(next, steps.size());
  }
  void Key(platform::Key k) { display->PressKey(k); }
  RECT Window(size_t level) {
    RECT r{};
    if (MenuWindows().size() > level) GetWindowRect(MenuWindows()[level], &r);
    return r;
  }
  platform::HeadlessDisplay* display = nullptr;
  TApplication* app = nullptr;
  TForm* form = nullptr;
  TPopupMenu* popup = nullptr;
  TMenuItem *open = nullptr, *recent = nullptr, *first = nullptr, *quit = nullptr;
  std::vector<TMenuItem*> clicked;
};

TEST_F(Menus, KeysSkipSeparatorsAndHiddenItemsAndReturnChooses) {
  // Down: Open; Down: Recent (past the line); Down: Quit (past the hidden one).
  WithMenu({[&] { Key(platform::Key::Down); }, [&] { Key(platform::Key::Down); }, [&] { Key(platform::Key::Down); },
            [&] { Key(platform::Key::Return); }});
  EXPECT_TRUE(MenuWindows().empty());
  EXPECT_EQ(clicked, std::vector<TMenuItem*>{quit});
}

TEST_F(Menus, SubmenuOpensBesideItsItemAndLeftClosesIt) {
  RECT top{}, sub{};
  size_t levelsAfterLeft = 0;
  WithMenu({[&] { Key(platform::Key::Down); }, [&] { Key(platform::Key::Down); }, [&] { Key(platform::Key::Right); },
            [&] {
              top = Window(0);
              sub = Window(1);
              Key(platform::Key::Left);
            },
            [&] {
              levelsAfterLeft = MenuWindows().size();
              Key(platform::Key::Escape);
            }});
  EXPECT_EQ(sub.left, top.right - kMenuFrame) << "beside its parent, over the frame";
  EXPECT_GT(sub.top, top.top);
  EXPECT_EQ(levelsAfterLeft, 1u);
  EXPECT_TRUE(MenuWindows().empty());
  EXPECT_TRUE(clicked.empty());
}

TEST_F(Menus, PointerSelectsAPressOutsideEndsTheMenuAndGoesNowhere) {
  int formPresses = 0;
  form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++formPresses; };
  WithMenu({[&] {
              RECT r = Window(0);
              display->MoveMouse(r.left + 10, r.top + kMenuFrame + 5);  // over Open
            },
            [&] {
              display->MoveMouse(150, 250);  // the form's client area
              display->PressButton();
              display->ReleaseButton();
            }});
  EXPECT_TRUE(MenuWindows().empty());
  EXPECT_TRUE(clicked.empty());
  EXPECT_EQ(formPresses, 0) << "the press that ended the menu";
}

TEST_F(Menus, ClickChoosesAndTheOwnerHearsTheLoop) {
  std::vector<UINT> heard;
  HWND owner = PopupList()->Window();
  WNDPROC inner = GetWindowProc(owner);
  SetWindowProc(owner, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_ENTERMENULOOP || m == WM_EXITMENULOOP || (m == WM_MENUSELECT && lp == 0 && HIWORD(wp) == 0xFFFF))
      heard.push_back(m);
    return CallWindowProc(inner, h, m, wp, lp);
  });
  WithMenu({[&] {
              RECT r = Window(0);
              display->Click(r.left + 10, r.top + kMenuFrame + 5);
            }});
  EXPECT_EQ(clicked, std::vector<TMenuItem*>{open});
  EXPECT_EQ(heard, (std::vector<UINT>{WM_ENTERMENULOOP, WM_MENUSELECT, WM_EXITMENULOOP}));
  SetWindowProc(owner, inner);
}

TEST_F(Menus, CancelModeToTheOwnerEndsTheMenu) {
  WithMenu({[&] { SendMessage(PopupList()->Window(), WM_CANCELMODE, 0, 0); }});
  EXPECT_TRUE(MenuWindows().empty());
  EXPECT_TRUE(clicked.empty());
}

TEST_F(Menus, ItemsCheckByGroupAndNameTheirShortcuts) {
  open->RadioItem = quit->RadioItem = true;
  open->SetChecked(true);
  quit->SetChecked(true);
  EXPECT_FALSE(open->Checked()) << "one radio item of a group is checked";
  quit->AutoCheck = true;
  quit->Click();
  EXPECT_FALSE(quit->Checked());
  quit->Enabled = false;
  quit->Click();
  EXPECT_EQ(clicked, std::vector<TMenuItem*>{quit}) << "a disabled item does not click";
  EXPECT_EQ(ShortCutToText(ShortCut('S', ssCtrl | ssShift)), "Shift+Ctrl+S");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F4, ssAlt)), "Alt+F4");
  EXPECT_EQ(MenuAccelerator("Save &As"), 'A');
  EXPECT_EQ(MenuAccelerator("Fish && &chips"), 'C');
  delete recent;
  EXPECT_EQ(popup->Items()->Count(), 4) << "a freed item leaves its parent";
}

}  // namespace
