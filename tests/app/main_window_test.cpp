// The main window as the program shows it: size, place, title, controls, texts
// and the start timer.
#include "UpdaterFixture.h"
#include "framework/windows/WindowRecord.h"

using namespace platform::literals;

namespace {

using MainWindow = apptest::Updater;

TEST_F(MainWindow, ShowsCentredOnTheDesktopAtItsStoredSize) {
  auto* display = static_cast<platform::HeadlessDisplay*>(platform::Display());
  HWND h = form->Handle();
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.Width(), 444);
  EXPECT_EQ(r.Height(), 141);
  EXPECT_EQ(r.left, (1280 - 444) / 2);
  EXPECT_EQ(r.top, (800 - 141) / 2);
  const auto* w = display->Window(R(h)->native);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->visible);
  EXPECT_EQ(w->title, "Quelbo自动更新");
  EXPECT_EQ(w->iconWidth, 128);
}

TEST_F(MainWindow, ControlsSitAtTheirBoundsWithTheirTexts) {
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "正在检测版本..."_cp936);
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "软件大小"_cp936);
  EXPECT_EQ(form->MlSkinProgressBar1->BoundsRect(), Bounds(104, 32, 241, 17));
  EXPECT_EQ(form->ImageEx1->Parent(), form->MlSkinPanel1);
  EXPECT_EQ(form->ImageEx1->BoundsRect(), Bounds(8, 4, 80, 70));
  EXPECT_FALSE(form->MlSkinLabel2->Visible());
  EXPECT_FALSE(form->MlSkinLabel2->Enabled());
  EXPECT_EQ(form->Timer1->Interval(), 1000u);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(form->IniPath, install + "/xconfig.ini");
}

TEST_F(MainWindow, ComponentsCarryTheirStoredSettings) {
  EXPECT_EQ(form->Components(0), form->HttpClient1);
  EXPECT_EQ(form->Components(1), form->ZipExtractor1);
  EXPECT_EQ(form->Components(2), form->MessagePump1);
  EXPECT_EQ(form->Components(3), form->HttpClient2);
  for (THttpClient* c : {form->HttpClient1, form->HttpClient2}) {
    EXPECT_EQ(c->Request().UserAgent, "Mozilla/3.0 (compatible; Quelbo Updater)");
    EXPECT_EQ(c->Request().Accept, "text/html, */*");
    EXPECT_EQ(c->Request().ContentType, "text/html");
    EXPECT_EQ(c->ReadTimeout(), 0);
    EXPECT_TRUE(c->AllowCookies());
    EXPECT_EQ(c->HTTPOptions(), static_cast<THttpOptions>(hoForceEncodeParams));
  }
  // The download's progress reaches the work handlers through the update,
  // which reports the package as a whole across its attempts; no client's
  // own events drive the display.
  for (THttpClient* c : {form->HttpClient1, form->HttpClient2})
    EXPECT_FALSE(c->OnWorkBegin || c->OnWork || c->OnWorkEnd || c->OnProgress);
  EXPECT_TRUE(form->MessagePump1->OnlyWhenIdle());
}

TEST_F(MainWindow, SecondTickStartsTheUpdate) {
  online = 0;
  PumpUntil([&] { return form->StartTicks >= 2; }, 5000);
  EXPECT_EQ(form->StartTicks, 2);
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "正在更新..."_cp936);
  EXPECT_FALSE(form->Timer1->Enabled());
  ExpectOnlyMessage("网络连接有问题，请检查...");
  auto* display = static_cast<platform::HeadlessDisplay*>(platform::Display());
  GdiFlush();
  ASSERT_TRUE(display->SaveScreenPng(::testing::TempDir() + "/main_window.png"));
}

}  // namespace
