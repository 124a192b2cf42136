// The main window as the program shows it: size, place, title, controls, texts
// and the start timer.
#include <gtest/gtest.h>

#include "app/Unit1.h"
#include "framework/WindowRecord.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/headless/HeadlessDisplay.h"

using namespace platform::literals;

namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(1280, 800, 40));
    display = static_cast<platform::HeadlessDisplay*>(platform::Display());
    app = new TApplication(nullptr);
    app->SetTitle("Quelbo自动更新"_cp936);
    form = app->CreateForm<TForm1>();
    form->SetVisible(true);
    app->ProcessMessages();
  }
  void TearDown() override {
    delete app;
    platform::SetDisplay(nullptr);
  }
  platform::HeadlessDisplay* display = nullptr;
  TApplication* app = nullptr;
  TForm1* form = nullptr;
};

TEST_F(MainWindow, ShowsCentredOnTheDesktopAtItsStoredSize) {
  HWND h = form->Handle();
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.Width(), 444);
  EXPECT_EQ(r.Height(), 141);
  EXPECT_EQ(r.left, (1280 - 444) / 2);
  EXPECT_EQ(r.top, (800 - 141) / 2);
  const auto* w = display->Window(h->native);
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
  EXPECT_EQ(form->IniPath.substr(form->IniPath.size() - 12), "/xconfig.ini");
}

TEST_F(MainWindow, SecondTickStartsTheUpdate) {
  StartTicks = 0;
  std::uint64_t end = platform::TickCount() + 2600;
  while (platform::TickCount() < end && StartTicks < 2) {
    WaitMessageTimeout(100);
    app->ProcessMessages();
  }
  EXPECT_EQ(StartTicks, 2);
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "正在更新..."_cp936);
  EXPECT_FALSE(form->Timer1->Enabled());
  GdiFlush();
  ASSERT_TRUE(display->SaveScreenPng(::testing::TempDir() + "/main_window.png"));
}

}  // namespace
