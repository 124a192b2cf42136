// The message box (answered through the seam and, for real, with the keyboard)
// and the general error report's text rule.
#include <gtest/gtest.h>

#include "framework/windows/Dialogs.h"
#include "framework/controls/Forms.h"
#include "framework/windows/WindowRecord.h"
#include "platform/CodePage.h"
#include "platform/headless/HeadlessDisplay.h"

using namespace platform::literals;

namespace {

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(1280, 800, 40));
    display = static_cast<platform::HeadlessDisplay*>(platform::Display());
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    platform::SetDisplay(nullptr);
  }
  // Presses the keys once the box is up and has the focus.
  void PressLater(std::vector<platform::Key> keys) {
    SetTimer(nullptr, 0, 50, [this, keys](HWND, UINT, std::uintptr_t id, DWORD) {
      KillTimer(nullptr, id);
      for (HWND t : GetTopLevelWindows())
        if (GetClassName(t) == "QuelboMessageBox") {
          boxTitle = display->Window(t->native)->title;
          RECT r;
          GetWindowRect(t, &r);
          boxRect = r;
        }
      for (platform::Key k : keys) display->PressKey(k);
    });
  }
  platform::HeadlessDisplay* display = nullptr;
  std::string boxTitle;
  RECT boxRect{};
};

TEST_F(Dialogs, TheSeamAnswersWithoutShowingAnything) {
  MessageBoxRequest seen;
  SetMessageBoxHook([&](const MessageBoxRequest& r) {
    seen = r;
    return IDYES;
  });
  EXPECT_EQ(MessageBoxA(nullptr, "Replace?", "File Exists Alert", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(seen.text, "Replace?");
  EXPECT_EQ(seen.caption, "File Exists Alert");
  EXPECT_EQ(seen.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_TRUE(GetTopLevelWindows().empty());
}

struct KeyCase {
  UINT type;
  std::vector<platform::Key> keys;
  int expected;
};

TEST_F(Dialogs, TheKeyboardAnswersARealBox) {
  using K = platform::Key;
  const KeyCase cases[] = {
      {MB_OK | MB_ICONERROR, {K::Return}, IDOK},
      {MB_OK, {K::Escape}, IDOK},
      {MB_YESNO | MB_ICONQUESTION, {K::Return}, IDYES},
      {MB_YESNO, {K::Escape}, IDNO},
      {MB_YESNO | MB_DEFBUTTON2, {K::Return}, IDNO},
      {MB_OKCANCEL, {K::Tab, K::Return}, IDCANCEL},
      {MB_OKCANCEL, {K::Tab, K::Tab, K::Space}, IDOK},
  };
  for (const KeyCase& c : cases) {
    PressLater(c.keys);
    EXPECT_EQ(MessageBoxA(nullptr, "解压失败！ 失败原因：Incomplete Zip File "_cp936, "错误"_cp936, c.type), c.expected)
        << "type " << c.type;
    EXPECT_TRUE(GetTopLevelWindows().empty()) << "the box is gone afterwards";
  }
  EXPECT_EQ(boxTitle, "错误");
  // Centred on the work area (the screen less its task bar).
  EXPECT_NEAR(boxRect.left + boxRect.Width() / 2, 640, 1);
  EXPECT_NEAR(boxRect.top + boxRect.Height() / 2, 380, 1);
}

TEST_F(Dialogs, OtherWindowsWaitWhileTheBoxIsUp) {
  WNDCLASS wc;
  wc.lpszClassName = "DialogsTestOwner";
  wc.lpfnWndProc = DefWindowProc;
  RegisterClass(wc);
  HWND owner = CreateWindowEx(0, "DialogsTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr);
  bool disabledMeanwhile = false;
  SetTimer(nullptr, 0, 50, [&](HWND, UINT, std::uintptr_t id, DWORD) {
    KillTimer(nullptr, id);
    disabledMeanwhile = !IsWindowEnabled(owner);
    display->PressKey(platform::Key::Return);
  });
  MessageBoxA(owner, "text", "caption", MB_OK);
  EXPECT_TRUE(disabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

TEST(GeneralErrorReport, AppendsAFullStopAfterCharactersThatSortAboveIt) {
  platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>());
  TApplication app(nullptr);
  app.SetTitle("Quelbo自动更新"_cp936);
  std::vector<MessageBoxRequest> shown;
  SetMessageBoxHook([&](const MessageBoxRequest& r) {
    shown.push_back(r);
    return IDOK;
  });
  const std::pair<const char*, std::string> cases[] = {
      {"List index out of bounds (3)", "List index out of bounds (3)"},  // ")" sorts below "."
      {"Unable to write to /x/xconfig.ini", "Unable to write to /x/xconfig.ini."},
      {"Already a sentence.", "Already a sentence."},
      {"Stop!", "Stop!"},      // "!" sorts below "."
      {"a - b -", "a - b -"},  // so does "-"
      {"", ""},
  };
  for (auto& [in, out] : cases) app.HandleException(&app, Exception(in));
  app.HandleException(&app, Exception("解压失败"_cp936));  // a double-byte last character sorts above
  ASSERT_EQ(shown.size(), std::size(cases) + 1);
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(shown[i].text, cases[i].second);
  EXPECT_EQ(shown.back().text, "解压失败"_cp936 + ".");
  EXPECT_EQ(shown[0].caption, "Quelbo自动更新"_cp936);
  EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  SetMessageBoxHook(nullptr);
  platform::SetDisplay(nullptr);
}

}  // namespace
