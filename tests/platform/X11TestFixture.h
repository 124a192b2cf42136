#pragma once
// A test against a private Xvfb: the backend under test on its own
// connection, and an observer connection that reads back what the server
// holds and injects input, as another client would.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11ErrorTrap.h"
#include "tests/support/XvfbServer.h"

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    server_ = std::make_unique<testsupport::XvfbServer>(1280, 800, ScreenDepth());
    ASSERT_TRUE(server_->Running()) << server_->Failure();
    setenv("DISPLAY", server_->Name().c_str(), 1);
    std::string error;
    backend_ = platform::OpenX11Display(&error);
    ASSERT_TRUE(backend_) << error;
    x11_ = static_cast<platform::x11::X11Display*>(backend_.get());
    observer_ = XOpenDisplay(server_->Name().c_str());
    ASSERT_TRUE(observer_);
  }

  void TearDown() override {
    backend_.reset();
    if (observer_) XCloseDisplay(observer_);
  }

  virtual int ScreenDepth() const { return 24; }

  Window Root() const { return DefaultRootWindow(observer_); }

  // A shown window, mapped and known to the observer.
  platform::NativeWindow ShowWindow(platform::NativeWindowParams p, bool activate = false) {
    platform::NativeWindow w = x11_->CreateWindow(p);
    x11_->Show(w, activate);
    Collect([](const platform::Event& e) { return e.type == platform::EventType::Expose; });
    return w;
  }

  // Reads events until one matches or a generous time passes; returns all read.
  std::vector<platform::Event> Collect(const std::function<bool(const platform::Event&)>& until,
                                       int timeoutMs = 5000) {
    std::vector<platform::Event> seen;
    x11_->Flush();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      platform::Event e;
      while (x11_->PollEvent(e)) {
        seen.push_back(e);
        if (until(e)) return seen;
      }
      x11_->WaitEvents(50);
    }
    return seen;
  }

  // Reads whatever arrives within a short moment.
  std::vector<platform::Event> Drain() {
    XSync(observer_, False);
    x11_->Sync();
    return Collect([](const platform::Event&) { return false; }, 200);
  }

  std::unique_ptr<testsupport::XvfbServer> server_;
  std::unique_ptr<platform::DisplayBackend> backend_;
  platform::x11::X11Display* x11_ = nullptr;
  ::Display* observer_ = nullptr;
};
