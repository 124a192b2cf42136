#pragma once
// A form on the headless display whose skin hands out a background where
// every pixel tells its own position, so a control that copies the wrong
// rectangle shows it; and the means to paint controls and read pixels.
#include <gtest/gtest.h>

#include "framework/controls/Forms.h"
#include "framework/windows/WindowRecord.h"
#include "graphics/Bitmap32.h"
#include "platform/Clock.h"
#include "platform/headless/HeadlessDisplay.h"
#include "skin/MlSkinRegistry.h"

namespace skintest {

// The background pixel at (x, y): red x, green y, blue (x + 3y).
inline TColor32 Backdrop(int x, int y) { return MakeColor32(x & 0xFF, y & 0xFF, (x + 3 * y) & 0xFF, 255); }

// The form's skin is a component the form owns.
class FakeFormSkin : public TComponent, public TMlFormSkinLink {
 public:
  explicit FakeFormSkin(TComponent* owner) : TComponent(owner) {
    background.Resize(454, 151);
    for (int y = 0; y < background.Height(); ++y)
      for (int x = 0; x < background.Width(); ++x) background.PixelAt(x, y) = Backdrop(x, y);
  }
  TBitmap32* ClientBackground(POINT& clientOrigin) override {
    clientOrigin = origin;
    return &background;
  }
  TBitmap32 background;
  POINT origin{2, 0};
};

class SkinControls : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(1280, 800, 40));
    display = static_cast<platform::HeadlessDisplay*>(platform::Display());
    app = new TApplication(nullptr);
    form = app->CreateForm<TForm>();
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(100, 100, 444, 141);
    skin = new FakeFormSkin(form);
  }
  void TearDown() override {
    delete app;
    platform::SetDisplay(nullptr);
  }

  void Show() {
    form->SetVisible(true);
    Pump(40);
  }
  void Pump(int ms) {
    const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(ms);
    do {
      WaitMessageTimeout(5);
      app->ProcessMessages();
    } while (platform::TickCount() < end);
  }
  // Paints the control's window now, whether or not its buffer is current.
  void PaintNow(TWinControl* c) {
    InvalidateRect(c->Handle(), nullptr, FALSE);
    UpdateWindow(c->Handle());
  }
  // The presented pixel at a client point of c ($AARRGGBB of the surface).
  TColor32 Screen(TControl* c, int x, int y) {
    GdiFlush();
    const auto* w = display->Window(R(form->Handle())->native);
    RECT wr;
    GetWindowRect(form->Handle(), &wr);
    const POINT p = c->ClientToScreen({x, y});
    return w->pixels[static_cast<size_t>(p.y - wr.top) * w->bounds.Width() + (p.x - wr.left)];
  }
  // Where the control's client pixel lies in the skin's background.
  TColor32 Behind(TControl* c, int x, int y) {
    const POINT p = form->ScreenToClient(c->ClientToScreen({x, y}));
    return skin->background.PixelAt(p.x + skin->origin.x, p.y + skin->origin.y);
  }

  platform::HeadlessDisplay* display = nullptr;
  TApplication* app = nullptr;
  TForm* form = nullptr;
  FakeFormSkin* skin = nullptr;
};

}  // namespace skintest
