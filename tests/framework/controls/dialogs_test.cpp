// The message box (answered through the seam and, for real, with the keyboard)
// and the general error report's text rule.
#include <gtest/gtest.h>

#include <functional>

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
  // Shows a box; one left unanswered for five seconds is destroyed, so a
  // fault fails the test (MessageBoxA then answers 0) instead of hanging it.
  int ShowBox(const AnsiString& text, const AnsiString& caption, UINT type) {
    bool unanswered = false;
    const std::uintptr_t guard = SetTimer(nullptr, 0, 5000, [&unanswered](HWND, UINT, std::uintptr_t id, DWORD) {
      KillTimer(nullptr, id);
      unanswered = true;
      for (HWND t : GetTopLevelWindows())
        if (GetClassName(t) == "QuelboMessageBox") DestroyWindow(t);
    });
    const int answer = MessageBoxA(nullptr, text, caption, type);
    KillTimer(nullptr, guard);
    if (unanswered) {
      ADD_FAILURE() << "the box was still up after five seconds";
      return 0;
    }
    return answer;
  }
  // Does what is asked once the box is up and has the focus.
  void OnceTheBoxIsUp(std::function<void(HWND box)> action) {
    SetTimer(nullptr, 0, 50, [this, action](HWND, UINT, std::uintptr_t id, DWORD) {
      KillTimer(nullptr, id);
      HWND box = nullptr;
      for (HWND t : GetTopLevelWindows())
        if (GetClassName(t) == "QuelboMessageBox") {
          box = t;
          boxTitle = display->Window(R(t)->native)->title;
          RECT r;
          GetWindowRect(t, &r);
          boxRect = r;
        }
      action(box);
    });
  }
  // Presses the keys once the box is up, with Alt held down when asked, as
  // a keyboard does it: Alt first, the keys with the Alt modifier, Alt last.
  void PressLater(std::vector<platform::Key> keys, bool alt = false) {
    OnceTheBoxIsUp([this, keys, alt](HWND) {
      platform::Event e;
      e.window = display->FocusedWindow();
      e.key = platform::Key::Alt;
      e.type = platform::EventType::KeyDown;
      if (alt) display->Post(e);
      for (platform::Key k : keys) {
        if (!alt) {
          display->PressKey(k);
          continue;
        }
        e.key = k;
        e.modifiers = platform::kModAlt;
        e.type = platform::EventType::KeyDown;
        display->Post(e);
        e.type = platform::EventType::KeyUp;
        display->Post(e);
      }
      e.key = platform::Key::Alt;
      e.type = platform::EventType::KeyUp;
      if (alt) display->Post(e);
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
  bool alt = false;
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
      // The underlined letters of "是(Y)" and "否(N)", with and without Alt;
      // other letters answer nothing.
      {MB_YESNO | MB_ICONQUESTION, {K::Y}, IDYES},
      {MB_YESNO | MB_ICONQUESTION, {K::N}, IDNO},
      {MB_YESNO, {K::Y}, IDYES, true},
      {MB_YESNO, {K::N}, IDNO, true},
      {MB_YESNO | MB_DEFBUTTON2, {K::Q, K::Return}, IDNO},
      {MB_YESNOCANCEL, {K::N}, IDNO},
      {MB_OK, {K::Y, K::N, K::Return}, IDOK},
  };
  for (const KeyCase& c : cases) {
    PressLater(c.keys, c.alt);
    EXPECT_EQ(ShowBox("解压失败！ 失败原因：Incomplete Zip File "_cp936, "错误"_cp936, c.type), c.expected)
        << "type " << c.type;
    EXPECT_TRUE(GetTopLevelWindows().empty()) << "the box is gone afterwards";
  }
  EXPECT_EQ(boxTitle, "错误");
  // Centred on the work area (the screen less its task bar).
  EXPECT_NEAR(boxRect.left + boxRect.Width() / 2, 640, 1);
  EXPECT_NEAR(boxRect.top + boxRect.Height() / 2, 380, 1);
}

// A box closed without an answer gives its cancel answer, however it was
// closed: the window manager's close button (a close request from the
// display), or a close message from another part of the program.
TEST_F(Dialogs, ClosingTheBoxGivesItsCancelAnswer) {
  const std::pair<UINT, int> types[] = {
      {MB_YESNO | MB_ICONQUESTION, IDNO}, {MB_YESNOCANCEL, IDCANCEL}, {MB_OKCANCEL, IDCANCEL}, {MB_OK, IDOK}};
  const std::pair<const char*, std::function<void(platform::HeadlessDisplay*, HWND)>> ways[] = {
      {"close request from the display",
       [](platform::HeadlessDisplay* d, HWND box) {
         platform::Event e;
         e.type = platform::EventType::CloseRequest;
         e.window = R(box)->native;
         d->Post(e);
       }},
      {"WM_CLOSE posted", [](platform::HeadlessDisplay*, HWND box) { PostMessage(box, WM_CLOSE, 0, 0); }},
      {"WM_CLOSE sent", [](platform::HeadlessDisplay*, HWND box) { SendMessage(box, WM_CLOSE, 0, 0); }},
      {"SC_CLOSE", [](platform::HeadlessDisplay*, HWND box) { SendMessage(box, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      // As "xdotool windowclose" does on an X server.
      {"native window destroyed from outside",
       [](platform::HeadlessDisplay* d, HWND box) { d->DestroyFromOutside(R(box)->native); }},
      {"owner destroyed", [](platform::HeadlessDisplay*, HWND box) { DestroyWindow(box); }},
  };
  for (const auto& [how, close] : ways)
    for (const auto& [type, cancel] : types) {
      SCOPED_TRACE(std::string(how) + ", type " + std::to_string(type));
      bool found = false;
      OnceTheBoxIsUp([&, close = close](HWND box) {
        found = box != nullptr;
        if (box) close(display, box);
      });
      EXPECT_EQ(ShowBox("Replace existing file x?", "File Exists Alert", type), cancel);
      EXPECT_TRUE(found);
      EXPECT_TRUE(GetTopLevelWindows().empty()) << "the box is gone afterwards";
    }
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
