// Skinned menus on the headless display: popup items measured and painted
// pixel by pixel on their layered windows, the caption-bar menu's buttons,
// opening, switching, keyboard access, and a main menu that goes first.
#include <functional>
#include <vector>

#include "SkinnedFormFixture.h"
#include "graphics/PictureFilters.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/MlSkinMenu.h"
#include "skin/window/MlSkinNCMenuItem.h"

namespace {

class SkinMenus : public skintest::SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    InstallMenuSkinHook();
    menuSkin = new TMlSkinMenu(form);
  }
  void TearDown() override {
    RemoveMenuSkinHook();
    SkinnedForm::TearDown();
  }
  TMenuItem* Item(TComponent* owner, TMenuItem* parent, const char* caption) {
    auto* i = new TMenuItem(owner);
    i->Caption = caption;
    parent->Add(i);
    return i;
  }
  // Runs the steps one by one from a timer while the menu loop that `open`
  // starts runs (input they make is the loop's to read), then ends the menu
  // unless the last step's input did.
  void WhileMenuShows(const std::function<void()>& open, std::vector<std::function<void()>> steps, bool end = true) {
    size_t next = 0;
    SetTimer(nullptr, 0, 40, [&](HWND, UINT, std::uintptr_t id, DWORD) {
      steps[next++]();
      if (next < steps.size()) return;
      KillTimer(nullptr, id);
      if (end) EndMenu();
    });
    open();
    for (int i = 0; i < 80 && next < steps.size(); ++i) Pump(10);
    ASSERT_EQ(next, steps.size());
  }
  const platform::HeadlessDisplay::WindowState* NativeOf(HWND w) { return display->Window(R(w)->native); }
  // A presented pixel of a layered window ($AARRGGBB, premultiplied).
  std::uint32_t At(HWND w, int x, int y) {
    const auto* n = NativeOf(w);
    return n->pixels[static_cast<size_t>(y) * n->bounds.Width() + x];
  }
  // The width an item asks for: its text at 9 points plus 45.
  static int ItemWidth(const AnsiString& text) {
    TBitmap scratch;
    scratch.SetSize(1, 1);
    scratch.Canvas()->Font()->SetSize(9);
    return scratch.Canvas()->TextWidth(text) + 45;
  }
  TMlSkinMenu* menuSkin = nullptr;
};

TEST_F(SkinMenus, PopupItemsAreMeasuredAndPaintedOnALayeredWindow) {
  auto* popup = new TPopupMenu(form);
  popup->OwnerDraw = true;
  Item(form, popup->Items(), "Open");
  Item(form, popup->Items(), "-");
  TMenuItem* save = Item(form, popup->Items(), "Save as");
  save->ShortCut = ShortCut('S', ssCtrl);
  Item(form, popup->Items(), "Exit");
  ASSERT_TRUE(menuSkin->Attached(save)) << "items made after the skin are attached as they come";
  Show();

  const int hilight = GetSkinBitmap(menuSkin->Menu_hilight)->Height();
  const int d = menuSkin->BorderOffset / 2, frame = kMenuFrame;
  // Inner items: the highlight and half the offset; first and last another half.
  const int heights[] = {hilight + 2 * d, 3, hilight + d, hilight + 2 * d};
  const int width = std::max({ItemWidth("Open"), ItemWidth("Save as" + ShortCutToText(save->ShortCut)),
                              ItemWidth("Exit")});
  WhileMenuShows([&] { popup->Popup(300, 200); },
                 {[&] {
                   ASSERT_EQ(MenuWindows().size(), 1u);
                   ASSERT_GT(width, 45 + 10) << "the text is measured";
                   HWND w = MenuWindows()[0];
                   RECT r;
                   GetWindowRect(w, &r);
                   EXPECT_EQ(r, Bounds(300, 200, width + 2 * frame, heights[0] + 3 + heights[2] + heights[3] + 2 * frame));
                   EXPECT_TRUE(NativeOf(w)->params.perPixelAlpha);

                   // The background is Menu_bk laid over the whole window, shown
                   // where items are; the frame ring stays clear.
                   TBitmap32 bk;
                   bk.Resize(r.Width(), r.Height());
                   NineSliceOnto(GetSkinBitmap(menuSkin->Menu_bk), &bk, false);
                   const int separatorTop = frame + heights[0];
                   EXPECT_EQ(At(w, 60, separatorTop), bk.PixelAt(60, separatorTop));
                   EXPECT_EQ(At(w, 1, 40) >> 24, 0u);
                   // The separator: one opaque line, one row below its top,
                   // from the text column to twice the offset before the right.
                   const int row = separatorTop + 1, left = frame + menuSkin->GlyphBarWidth + 1,
                             right = r.Width() - frame - 2 * menuSkin->BorderOffset - 1;
                   const std::uint32_t line = 0xFF000000u | 0xBAC5CE;  // LineColor 13551034
                   for (int x = left; x <= right; ++x) ASSERT_EQ(At(w, x, row), line) << x;
                   EXPECT_NE(At(w, left - 1, row), line);
                   EXPECT_NE(At(w, right + 1, row), line);
                   EXPECT_NE(At(w, left, row + 1), line);
                   EXPECT_EQ(r.Height() - 2 * frame - heights[0] - heights[2] - heights[3], 3) << "3 pixels high";
                 }});
}

TEST_F(SkinMenus, PopupsOneAfterTheOtherEachShowAtTheirOwnSizeWithTheirOwnItems) {
  // A small popup, then a larger one: the second's window must not take the
  // first one's composition (its size, its pixels) for its own.
  auto* small = new TPopupMenu(form);
  small->OwnerDraw = true;
  Item(form, small->Items(), "One");
  Item(form, small->Items(), "Two");
  auto* large = new TPopupMenu(form);
  large->OwnerDraw = true;
  const char* captions[] = {"First entry", "Second entry", "Third entry", "Fourth entry", "The fifth and widest"};
  for (const char* c : captions) Item(form, large->Items(), c);
  Show();
  const int hilight = GetSkinBitmap(menuSkin->Menu_hilight)->Height();
  const int d = menuSkin->BorderOffset / 2, frame = kMenuFrame;
  // First and last items: the highlight and the whole offset; inner ones half of it.
  auto height = [&](int items) { return 2 * (hilight + 2 * d) + (items - 2) * (hilight + d) + 2 * frame; };
  auto width = [&](std::initializer_list<const char*> texts) {
    int w = 0;
    for (const char* t : texts) w = std::max(w, ItemWidth(t));
    return w + 2 * frame;
  };
  struct Shown {
    RECT rect{}, presented{};
    std::uint32_t lastItem = 0;
  };
  auto showAndLook = [&](TPopupMenu* popup, Shown& seen) {
    WhileMenuShows([&] { popup->Popup(300, 200); },
                   {[&] {
                     ASSERT_EQ(MenuWindows().size(), 1u);
                     HWND w = MenuWindows()[0];
                     GetWindowRect(w, &seen.rect);
                     const platform::IntRect& b = NativeOf(w)->bounds;
                     seen.presented = Rect(b.left, b.top, b.right, b.bottom);
                     // The middle of the last item: the menu background, opaque.
                     seen.lastItem = At(w, seen.rect.Width() / 2, seen.rect.Height() - frame - hilight / 2 - 1);
                   }});
    Pump(30);
  };
  Shown first, second, again;
  showAndLook(small, first);
  showAndLook(large, second);
  showAndLook(small, again);
  EXPECT_EQ(first.rect, Bounds(300, 200, width({"One", "Two"}), height(2)));
  EXPECT_EQ(second.rect, Bounds(300, 200, width({captions[0], captions[1], captions[2], captions[3], captions[4]}),
                                height(5)));
  EXPECT_EQ(again.rect, first.rect);
  for (const Shown* s : {&first, &second, &again}) {
    EXPECT_EQ(s->presented.Width(), s->rect.Width());
    EXPECT_EQ(s->presented.Height(), s->rect.Height());
    EXPECT_EQ(s->lastItem >> 24, 0xFFu) << "the last item is painted";
  }
}

TEST_F(SkinMenus, HoveredItemShowsTheHighlightAndAChosenItemClicks) {
  auto* popup = new TPopupMenu(form);
  popup->OwnerDraw = true;
  Item(form, popup->Items(), "First");
  TMenuItem* second = Item(form, popup->Items(), "Second");
  Item(form, popup->Items(), "Third");
  int clicks = 0;
  second->OnClick = [&](TObject*) { ++clicks; };
  Show();
  const int hilight = GetSkinBitmap(menuSkin->Menu_hilight)->Height();
  const int d = menuSkin->BorderOffset / 2;
  // The second item: below the frame and the first item, inset as stated.
  const int top = kMenuFrame + hilight + 2 * d, h = hilight + d;
  RECT r{};
  WhileMenuShows([&] { popup->Popup(300, 200); },
                 {[&] {
                    GetWindowRect(MenuWindows()[0], &r);
                    display->MoveMouse(r.left + r.Width() / 2, r.top + top + h / 2);
                  },
                  [&] {
                    HWND w = MenuWindows()[0];
                    TBitmap32 expected;
                    const TRect box = Rect(kMenuFrame + d + 1, top + 1, r.Width() - kMenuFrame - d - 1, top + h - 1);
                    expected.Resize(box.Width(), box.Height());
                    NineSliceOnto(GetSkinBitmap(menuSkin->Menu_hilight), &expected, false);
                    // Inside the highlight's opaque middle, left of the text.
                    EXPECT_EQ(At(w, box.left + 10, box.top + box.Height() / 2),
                              expected.PixelAt(10, box.Height() / 2));
                    display->PressButton();
                    display->ReleaseButton();
                  }},
                 false);
  Pump(30);
  EXPECT_TRUE(MenuWindows().empty());
  EXPECT_EQ(clicks, 1);
}

TEST_F(SkinMenus, MenuWindowsPaintNoFrameOfTheirOwnUntilTheSkinHasPainted) {
  auto* popup = new TPopupMenu(form);
  popup->OwnerDraw = true;
  TMenuItem* item = Item(form, popup->Items(), "Only");
  Show();
  WhileMenuShows([&] { popup->Popup(300, 200); },
                 {[&] {
                   HWND w = MenuWindows()[0];
                   EXPECT_TRUE(MenuPainted());
                   // A new measure starts a new menu: until its items are
                   // painted, the window's own frame stays away.
                   TBitmap scratch;
                   scratch.SetSize(1, 1);
                   int width = 0, height = 0;
                   menuSkin->MeasureItem(item, scratch.Canvas(), width, height);
                   ASSERT_FALSE(MenuPainted());
                   const std::uint32_t corner = R(w)->surface.Row(0)[0];
                   EXPECT_EQ(SendMessage(w, WM_NCPAINT, 1, 0), 0);
                   EXPECT_EQ(SendMessage(w, WM_ERASEBKGND, 0, 0), 1);
                   EXPECT_EQ(R(w)->surface.Row(0)[0], corner);
                 }});
}

class CaptionMenu : public SkinMenus {
 protected:
  void SetUp() override {
    SkinMenus::SetUp();
    mainMenu = new TMainMenu(form);
    file = Item(form, mainMenu->Items(), "&File");
    Item(form, file, "Open");
    Item(form, file, "-");
    Item(form, file, "Exit");
    edit = Item(form, mainMenu->Items(), "&Edit");
    Item(form, edit, "Copy");
    Item(form, mainMenu->Items(), "Hidden")->Visible = false;
    Item(form, mainMenu->Items(), "Empty");
    skin->MainMenu()->SetMainMenu(mainMenu);
    skin->MainMenu()->SetMenuSkin(menuSkin);
  }
  TMlSkinNCMenuItem* Button(int i) { return skin->MainMenu()->Entries().at(static_cast<size_t>(i))->Button; }
  void PointAtButton(int i) {
    TMlSkinNCMenuItem* b = Button(i);
    display->MoveMouse(form->Left() + b->Pos()->Left() + 3, form->Top() + b->Pos()->Top() + 3);
    Pump(30);  // the hover poll sees it
  }
  RECT MenuRect() {
    RECT r{};
    if (!MenuWindows().empty()) GetWindowRect(MenuWindows()[0], &r);
    return r;
  }
  TMainMenu* mainMenu = nullptr;
  TMenuItem *file = nullptr, *edit = nullptr;
};

TEST_F(CaptionMenu, VisibleTopItemsBecomeButtonsSizedByTheirCaptions) {
  Show();
  const auto& entries = skin->MainMenu()->Entries();
  ASSERT_EQ(entries.size(), 3u);
  int x = 5;
  for (int i = 0; i < 3; ++i) {
    TMlSkinNCMenuItem* b = Button(i);
    ASSERT_NE(b, nullptr);
    TBitmap32 scratch;
    scratch.SetFont(*skin->MainMenu()->Font());
    SIZE text = scratch.TextSize(b->Caption());
    EXPECT_EQ(b->Pos()->Width, text.cx + 4);
    EXPECT_EQ(b->Pos()->Height, text.cy + 4);
    EXPECT_EQ(b->Pos()->XValue(), x);
    EXPECT_EQ(b->Pos()->YValue(), 5);
    EXPECT_EQ(b->GroupIndex(), 99);
    x += b->Pos()->Width + 8;
  }
  EXPECT_EQ(entries[2]->Caption, "Empty");
  EXPECT_EQ(skin->Items().size(), 3u) << "the buttons are caption-bar items of the form";
}

TEST_F(CaptionMenu, ClickOpensTheMenuBelowAndMovingToANeighbourSwitches) {
  Show();
  PointAtButton(0);
  RECT first{}, second{};
  POINT firstAt = Button(0)->PopupPoint(), secondAt = Button(1)->PopupPoint();
  int step = 0;
  SetTimer(nullptr, 0, 60, [&](HWND, UINT, std::uintptr_t id, DWORD) {
    if (step == 0) {
      first = MenuRect();
      // Over the neighbour while the menu shows.
      display->MoveMouse(form->Left() + Button(1)->Pos()->Left() + 3, form->Top() + 8);
    } else {
      second = MenuRect();
      KillTimer(nullptr, id);
      EndMenu();
    }
    ++step;
  });
  display->PressButton();
  display->ReleaseButton();
  for (int i = 0; i < 60 && step < 2; ++i) Pump(10);
  ASSERT_EQ(step, 2);
  // With a menu skin the menu stands BorderOffset further left, right below the button.
  EXPECT_EQ(firstAt.x, form->Left() + Button(0)->Pos()->Left() - 6);
  EXPECT_EQ(firstAt.y, form->Top() + 5 + Button(0)->Pos()->Height);
  EXPECT_EQ(first.left, firstAt.x);
  EXPECT_EQ(first.top, firstAt.y);
  EXPECT_EQ(second.left, secondAt.x) << "the Edit menu took over";
  Pump(30);
  EXPECT_TRUE(MenuWindows().empty());
  EXPECT_FALSE(Button(0)->Down());
  EXPECT_EQ(skin->MainMenu()->OpenButton, nullptr);
}

TEST_F(CaptionMenu, ButtonWithoutItemsIsAPlainButtonAndAltLetterOpensAMenu) {
  Show();
  int clicks = 0;
  Button(2)->OnClick = [&](TObject*) { ++clicks; };
  PointAtButton(2);
  display->PressButton();
  display->ReleaseButton();
  Pump(30);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(MenuWindows().empty());

  RECT shown{};
  WhileMenuShows([&] { form->Perform(CM_DIALOGCHAR, 'e', 0); }, {[&] { shown = MenuRect(); }});
  EXPECT_EQ(shown.left, Button(1)->PopupPoint().x) << "Alt+E opens the Edit menu";
  EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'q', 0), 0) << "no caption has Q";
}

TEST_F(CaptionMenu, MainMenuThatGoesFirstTakesItsButtonsAlong) {
  Show();
  ASSERT_EQ(skin->Items().size(), 3u);
  PointAtButton(0);
  delete skin;
  skin = nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    EXPECT_EQ(dynamic_cast<TMlSkinNCMenuItem*>(form->Components(i)), nullptr);
  // The pointer moves off and over where the buttons were; no poll is left
  // to reach a freed entry.
  display->MoveMouse(form->Left() + 200, form->Top() + 80);
  Pump(30);
  display->MoveMouse(form->Left() + 8, form->Top() + 8);
  Pump(30);
}

}  // namespace
