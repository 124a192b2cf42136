#pragma once
// A private X server for one test: Xvfb on a display number it picks itself,
// stopped when the object goes. Tests that need an X server skip when Xvfb
// is not installed.
#include <sys/types.h>

#include <string>

namespace testsupport {

class XvfbServer {
 public:
  // Starts Xvfb with one screen of the given size and depth and waits until
  // it accepts clients.
  explicit XvfbServer(int width = 1280, int height = 800, int depth = 24);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  static bool Installed();
  bool Running() const { return pid_ > 0 && !name_.empty(); }
  // The display name (":N") for XOpenDisplay or $DISPLAY.
  const std::string& Name() const { return name_; }
  // Why it is not running.
  const std::string& Failure() const { return failure_; }

 private:
  void Stop();

  pid_t pid_ = -1;
  std::string name_;
  std::string failure_;
};

}  // namespace testsupport
