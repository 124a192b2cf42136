// The skinned form's non-client geometry: the client inset, the hit-test
// table at its borders, the size limits, and maximising and restoring.
#include "SkinnedFormFixture.h"

namespace {

using skintest::SkinnedForm;

struct HitCase {
  int x, y;
  LRESULT normal;      // sizeable, not maximised
  LRESULT fixedFrame;  // bsSingle
};

// W 444, H 141, HitTestWidth 5, TitleHeight 27, FramWidth 2.
const HitCase kHits[] = {
    {0, 0, HTTOPLEFT, HTCAPTION},        {4, 4, HTTOPLEFT, HTCAPTION},
    {5, 0, HTTOP, HTCAPTION},            {438, 4, HTTOP, HTCAPTION},
    {439, 0, HTTOPRIGHT, HTCAPTION},     {443, 4, HTTOPRIGHT, HTCAPTION},
    {443, 5, HTRIGHT, HTCAPTION},        {439, 135, HTRIGHT, HTCLIENT},
    {443, 136, HTBOTTOMRIGHT, HTNOWHERE}, {439, 140, HTBOTTOMRIGHT, HTNOWHERE},
    {5, 140, HTBOTTOM, HTNOWHERE},       {438, 136, HTBOTTOM, HTCLIENT},
    {4, 136, HTBOTTOMLEFT, HTCLIENT},    {0, 140, HTBOTTOMLEFT, HTNOWHERE},
    {0, 5, HTLEFT, HTCAPTION},           {4, 135, HTLEFT, HTCLIENT},
    {5, 5, HTCAPTION, HTCAPTION},        {438, 26, HTCAPTION, HTCAPTION},
    {5, 27, HTCLIENT, HTCLIENT},         {1, 60, HTLEFT, HTNOWHERE},
    // The far side of the client area: in window coordinates it ends at the
    // frame, not at the client size measured from the window's corner.
    {438, 135, HTCLIENT, HTCLIENT},      {300, 120, HTCLIENT, HTCLIENT},
    {441, 138, HTBOTTOMRIGHT, HTCLIENT},       {442, 60, HTRIGHT, HTNOWHERE},
    {200, 139, HTBOTTOM, HTNOWHERE},
};

TEST_F(SkinnedForm, ClientAreaStartsBelowTheCaptionBandInsideTheFrame) {
  Show();
  EXPECT_EQ(ClientInWindow(), Bounds(2, 27, 440, 112));
  NCCALCSIZE_PARAMS p;
  p.rgrc[0] = Rect(10, 20, 30, 40);
  SendMessage(H(), WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&p));
  EXPECT_EQ(p.rgrc[0], Rect(10, 20, 30, 40)) << "WParam 0 changes nothing";
  SendMessage(H(), WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&p));
  EXPECT_EQ(p.rgrc[0], Rect(12, 47, 28, 47)) << "right and bottom never fall below left and top";
}

TEST_F(SkinnedForm, HitTestTableOfASizeableWindow) {
  Show();
  for (const HitCase& c : kHits) EXPECT_EQ(HitTest(c.x, c.y), c.normal) << c.x << "," << c.y;
}

TEST_F(SkinnedForm, HitTestTableOfAFixedFrame) {
  form->SetBorderStyle(TFormBorderStyle::bsSingle);
  Show();
  for (const HitCase& c : kHits) EXPECT_EQ(HitTest(c.x, c.y), c.fixedFrame) << c.x << "," << c.y;
}

TEST_F(SkinnedForm, MaximisedWindowHasNoSizingZonesNoFrameAndCannotBeDragged) {
  Show();
  SendMessage(H(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Pump(60);
  ASSERT_TRUE(IsZoomed(H()));
  RECT wr;
  GetWindowRect(H(), &wr);
  EXPECT_EQ(wr, GetWorkArea()) << "the maximised window fills the work area";
  EXPECT_EQ(skin->FramWidth(), 0);
  EXPECT_EQ(ClientInWindow(), Rect(0, 27, wr.Width(), wr.Height()));
  for (POINT p : {POINT{0, 0}, POINT{3, 3}, POINT{wr.Width() - 1, 0}, POINT{600, 26}})
    EXPECT_EQ(HitTest(p.x, p.y), HTCAPTION) << p.x << "," << p.y;
  EXPECT_EQ(HitTest(0, wr.Height() - 1), HTCLIENT);
  // The caption drag commands are swallowed: the window stays where it is.
  SendMessage(H(), WM_SYSCOMMAND, SC_MOVE + 2, MAKELPARAM(10, 10));
  RECT after;
  GetWindowRect(H(), &after);
  EXPECT_EQ(after, wr);
}

TEST_F(SkinnedForm, SecondMaximiseKeepsTheFrameWidthThatRestoreGivesBack) {
  Show();
  SendMessage(H(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  SendMessage(H(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Pump(60);
  EXPECT_EQ(skin->FramWidth(), 0);
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(60);
  EXPECT_FALSE(IsZoomed(H()));
  EXPECT_EQ(skin->FramWidth(), 2);
  EXPECT_EQ(ClientInWindow(), Bounds(2, 27, 440, 112));
  RECT wr;
  GetWindowRect(H(), &wr);
  EXPECT_EQ(wr, Bounds(200, 150, 444, 141));
}

TEST_F(SkinnedForm, RestoringAMinimisedMaximisedWindowKeepsItFrameless) {
  Show();
  SendMessage(H(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  SendMessage(H(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(60);
  ASSERT_TRUE(IsIconic(H()));
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(60);
  ASSERT_TRUE(IsZoomed(H()));
  EXPECT_EQ(skin->FramWidth(), 0);
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(60);
  EXPECT_EQ(skin->FramWidth(), 2);
}

TEST_F(SkinnedForm, DoubleClickOnTheCaptionBandMaximisesAndRestores) {
  Show();
  LPARAM onCaption = MAKELPARAM(form->Left() + 200, form->Top() + 10);
  SendMessage(H(), WM_NCLBUTTONDBLCLK, HTCAPTION, onCaption);
  EXPECT_TRUE(IsZoomed(H()));
  SendMessage(H(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(form->Left() + 200, form->Top() + 10));
  EXPECT_FALSE(IsZoomed(H()));
  SendMessage(H(), WM_NCLBUTTONDBLCLK, HTCLIENT, MAKELPARAM(form->Left() + 200, form->Top() + 60));
  EXPECT_FALSE(IsZoomed(H())) << "below the caption band";
}

TEST(SkinnedFormIcons, DoubleClickWithoutAMaximiseIconDoesNothing) {
  platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(1280, 800, 40));
  auto* app = new TApplication(nullptr);
  TForm* form = app->CreateForm<TForm>();
  form->SetBorderIcons(biSystemMenu | biMinimize);
  form->SetBounds(200, 150, 444, 141);
  new TMlSkinForm(form);
  form->SetVisible(true);
  SendMessage(form->Handle(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(form->Left() + 200, form->Top() + 10));
  EXPECT_FALSE(IsZoomed(form->Handle()));
  delete app;
  platform::SetDisplay(nullptr);
}

TEST_F(SkinnedForm, MinimumTrackingSizeFollowsTheCaptionHeight) {
  Show();
  auto ask = [&] {
    MINMAXINFO mmi{};
    SendMessage(H(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    return mmi.ptMinTrackSize;
  };
  EXPECT_EQ(ask().x, 120);
  EXPECT_EQ(ask().y, 27 + 6);
  form->SetBounds(form->Left(), form->Top(), 10, 10);
  EXPECT_EQ(form->Width(), 120);
  EXPECT_EQ(form->Height(), 33);
  skin->SetFramWidth(0);
  EXPECT_TRUE(skin->FlatFrame()) << "a frame width of 0 is a flat frame";
  EXPECT_EQ(ask().y, 27 + 30);
  form->Constraints()->MinWidth = 200;
  form->Constraints()->MinHeight = 90;
  EXPECT_EQ(ask().x, 200);
  EXPECT_EQ(ask().y, 90);
}

TEST_F(SkinnedForm, NegativeFrameWidthIsIgnored) {
  skin->SetFramWidth(-1);
  EXPECT_EQ(skin->FramWidth(), 2);
  EXPECT_FALSE(skin->FlatFrame());
}

TEST_F(SkinnedForm, FormWithoutBorderKeepsTheDefaultGeometry) {
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  Show();
  EXPECT_EQ(ClientInWindow(), Bounds(0, 0, 444, 141));
  EXPECT_EQ(HitTest(0, 0), HTCLIENT);
  MINMAXINFO mmi{};
  mmi.ptMinTrackSize = {7, 7};
  SendMessage(H(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 7);
}

}  // namespace
