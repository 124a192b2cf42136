// The skinned form's life: the window procedure hook, the first-show
// transparency, minimising and restoring, registering caption-bar items, and
// what it publishes.
#include "SkinnedFormFixture.h"
#include "skin/MlSkinMessages.h"
#include "skin/window/MlSkinNCCtrlBase.h"

namespace {

using skintest::SkinnedForm;

TEST_F(SkinnedForm, HookGoesBackOnlyWhileItIsStillOurs) {
  form->HandleNeeded();
  LPARAM row26 = MAKELPARAM(form->Left() + 100, form->Top() + 26);
  EXPECT_EQ(SendMessage(H(), WM_NCHITTEST, 0, row26), HTCAPTION);
  delete skin;
  SetWindowPos(H(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  // The default frame's client area starts at window row 26.
  EXPECT_EQ(SendMessage(H(), WM_NCHITTEST, 0, row26), HTCLIENT);

  auto* first = new TMlSkinForm(form);
  int seen = 0;
  TWndMethod skinProc = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 7) ++seen;
    else skinProc(m);
  };
  delete first;
  SendMessage(H(), WM_USER + 7, 0, 0);
  EXPECT_EQ(seen, 1) << "a procedure set after ours stays in place";
  form->WindowProc = [this](TMessage& m) { form->WndProc(m); };
}

TEST_F(SkinnedForm, FirstShowIsTransparentUntilItsFirstPaint) {
  form->SetVisible(true);
  EXPECT_TRUE(form->AlphaBlend());
  EXPECT_EQ(Native()->opacity, 0);
  Pump(80);
  EXPECT_FALSE(form->AlphaBlend());
  EXPECT_EQ(form->AlphaBlendValue(), 255);
  EXPECT_EQ(Native()->opacity, 255);
}

TEST_F(SkinnedForm, MinimisingDuringTheFirstShowNeverLeavesTheWindowInvisible) {
  form->SetVisible(true);
  SendMessage(H(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(80);  // the first-show timer fires while minimised
  EXPECT_TRUE(IsIconic(H()));
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(80);
  EXPECT_FALSE(IsIconic(H()));
  EXPECT_EQ(Native()->opacity, 255);
  EXPECT_FALSE(form->AlphaBlend()) << "the form's own settings come back";
}

TEST_F(SkinnedForm, RestoringBeforeTheFirstShowEndsLeavesTheWindowVisible) {
  form->SetVisible(true);
  SendMessage(H(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(1);
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(80);  // the first-show timer would have fired by now
  EXPECT_FALSE(IsIconic(H()));
  EXPECT_EQ(Native()->opacity, 255);
}

TEST_F(SkinnedForm, MinimisedWindowIsTransparentAndComesBackWhenRestoredFromOutside) {
  Show();
  SendMessage(H(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(30);
  EXPECT_EQ(Native()->opacity, 0);
  // The desktop restores it, as a click on its task bar button does.
  platform::Event e;
  e.type = platform::EventType::Deiconified;
  e.window = R(H())->native;
  display->Post(e);
  Pump(60);
  EXPECT_FALSE(IsIconic(H()));
  EXPECT_EQ(Native()->opacity, 255);
}

TEST_F(SkinnedForm, ShowingDropsTheSystemMenuStyle) {
  Show();
  EXPECT_FALSE(GetWindowLongPtr(H(), GWL_STYLE) & WS_SYSMENU);
  EXPECT_FALSE(GetWindowLongPtr(H(), GWL_STYLE) & (WS_BORDER | WS_DLGFRAME));
  EXPECT_TRUE(GetWindowLongPtr(H(), GWL_STYLE) & WS_THICKFRAME);
}

TEST_F(SkinnedForm, ItemsAreRegisteredOnceAndLeaveWhenDestroyed) {
  auto* item = new TMlSkinNCCtrlBase(form);
  PostMessage(H(), MLM_ADDNCCTRL, item->Id(), 0);
  Show();
  ASSERT_EQ(skin->Items().size(), 1u);
  EXPECT_EQ(item->SkinForm(), skin);
  delete item;
  EXPECT_TRUE(skin->Items().empty()) << "a destroyed item leaves the list";

  // An item freed before its registration arrives is never taken, nor the
  // item made next in its place (which may have the freed one's address).
  auto* early = new TMlSkinNCCtrlBase(form);
  const WPARAM earlyId = early->Id();
  delete early;
  auto* next = new TMlSkinNCCtrlBase(nullptr);
  PostMessage(H(), MLM_ADDNCCTRL, earlyId, 0);
  Pump(30);
  EXPECT_TRUE(skin->Items().empty());
  EXPECT_EQ(next->SkinForm(), nullptr);
  delete next;

  TMlSkinNCCtrlBase stranger(nullptr);
  SendMessage(H(), MLM_REMOVENCCTRL, stranger.Id(), 0);
  EXPECT_TRUE(skin->Items().empty());

  auto* removed = new TMlSkinNCCtrlBase(form);
  const WPARAM removedId = removed->Id();
  Pump(30);
  ASSERT_EQ(skin->Items().size(), 1u);
  SendMessage(H(), MLM_REMOVENCCTRL, removedId, 0);
  EXPECT_TRUE(skin->Items().empty());
  EXPECT_EQ(TMlSkinNCCtrlBase::FromId(removedId), nullptr) << "the form frees what it removes";
}

TEST_F(SkinnedForm, ItemsOutliveTheirSkinnedForm) {
  auto* item = new TMlSkinNCCtrlBase(form);
  Show();
  ASSERT_EQ(item->SkinForm(), skin);
  delete skin;
  EXPECT_EQ(item->SkinForm(), nullptr);
  delete item;
}

TEST_F(SkinnedForm, RefreshPublishesTheLookUnlessTaggedAway) {
  Show();
  CurrentFormSkin().SetColor(1);
  skin->SetTag(99999);
  skin->RefreshSkin();
  EXPECT_EQ(CurrentFormSkin().Color(), 1);
  int changed = 0;
  skin->Changed = [&](TObject* s) { changed += s == skin; };
  skin->SetTag(0);
  skin->SetHitTestWidth(7);
  skin->RefreshSkin();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(CurrentFormSkin().Color(), skintest::kOrange);
  EXPECT_EQ(CurrentFormSkin().HitTestWidth(), 7);
}

TEST_F(SkinnedForm, SkinResSettingsRecolourTheForm) {
  auto* res = new TMlSkinRes(form);
  res->Form()->SetColor(RGB(0, 0, 255));
  res->Form()->SetTitlerColor(RGB(0, 255, 0));
  res->Form()->SetTitleHeight(40);  // not taken over
  skin->SetSkinRes(res);
  Show();
  EXPECT_EQ(skin->Color(), RGB(0, 0, 255));
  EXPECT_EQ(skin->TitleHeight(), 27);
  // Step 5 of 168 from green to blue: green 255 - 8, blue 7.
  EXPECT_EQ(Pixel(100, 5), 0x00F707u);
  res->Form()->SetColor(RGB(255, 0, 0));  // tells every skinned form to reload
  Pump(30);
  EXPECT_EQ(skin->Color(), RGB(255, 0, 0));
  delete res;
  EXPECT_EQ(skin->SkinRes(), nullptr);
}

}  // namespace
