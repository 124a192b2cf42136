#pragma once
// A form of the main window's size with a skinned form on it, on the
// headless display, and the means to drive and read it.
#include <gtest/gtest.h>

#include <memory>

#include "framework/controls/Forms.h"
#include "framework/windows/WindowRecord.h"
#include "platform/Clock.h"
#include "platform/headless/HeadlessDisplay.h"
#include "skin/window/MlSkinForm.h"

namespace skintest {

// The main window's body colour: red 255, green 138, blue 0.
constexpr TColor kOrange = 35583;

class SkinnedForm : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(1280, 800, 40));
    display = static_cast<platform::HeadlessDisplay*>(platform::Display());
    app = new TApplication(nullptr);
    form = app->CreateForm<TForm>();
    form->SetBounds(200, 150, 444, 141);
    skin = new TMlSkinForm(form);
    skin->SetColor(kOrange);
  }
  void TearDown() override {
    delete app;
    platform::SetDisplay(nullptr);
  }

  void Show() {
    form->SetVisible(true);
    Pump(80);  // past the first-show transparency
  }
  // Dispatches messages for about ms milliseconds.
  void Pump(int ms) {
    const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(ms);
    do {
      WaitMessageTimeout(5);
      app->ProcessMessages();
    } while (platform::TickCount() < end);
  }
  HWND H() { return form->Handle(); }
  const platform::HeadlessDisplay::WindowState* Native() { return display->Window(R(H())->native); }
  // A window pixel as presented ($RRGGBB).
  std::uint32_t Pixel(int x, int y) {
    GdiFlush();
    const auto* w = Native();
    return w->pixels[static_cast<size_t>(y) * w->bounds.Width() + x] & 0xFFFFFF;
  }
  LRESULT HitTest(int x, int y) {
    return SendMessage(H(), WM_NCHITTEST, 0, MAKELPARAM(form->Left() + x, form->Top() + y));
  }
  RECT ClientInWindow() {
    RECT wr, cr;
    GetWindowRect(H(), &wr);
    GetClientRect(H(), &cr);
    POINT o{0, 0};
    ClientToScreen(H(), &o);
    return Bounds(o.x - wr.left, o.y - wr.top, cr.Width(), cr.Height());
  }

  platform::HeadlessDisplay* display = nullptr;
  TApplication* app = nullptr;
  TForm* form = nullptr;
  TMlSkinForm* skin = nullptr;
};

}  // namespace skintest
