// quelbo-x-driver: the demo's hands on the X display named by $DISPLAY.
//
//   quelbo-x-driver find TITLE                exit 0 when a window titled TITLE is shown
//   quelbo-x-driver answer TITLE KEY [SECS]   waits for it, makes sure it has the
//                                             keyboard focus and presses KEY
//   quelbo-x-driver answer-here TITLE KEY [SECS]
//                                             the same for Wine's windows without a
//                                             window manager: with the pointer over it;
//                                             waits for the window to close
//   quelbo-x-driver close TITLE               asks that window to close
//   quelbo-x-driver screenshot FILE.png       saves the whole screen
//   quelbo-x-driver titles                    lists the titled windows shown
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/XDriver.h"

namespace {

int Usage() {
  std::fputs(
      "usage: quelbo-x-driver find TITLE | answer TITLE KEY [SECONDS] | answer-here TITLE KEY [SECONDS] | close TITLE "
      "| screenshot FILE | titles\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const char* display = std::getenv("DISPLAY");
  e2e::XDriver x(display ? display : "");
  if (!x.Connected()) {
    std::fprintf(stderr, "quelbo-x-driver: cannot open display \"%s\"\n", display ? display : "");
    return 1;
  }
  const std::string command = argv[1];
  if (command == "find" && argc == 3) return x.Find(argv[2]) ? 0 : 1;
  if (command == "answer" && (argc == 4 || argc == 5)) {
    const int timeoutMs = argc == 5 ? std::atoi(argv[4]) * 1000 : 10000;
    e2e::XWindowId w = x.WaitFor(argv[2], timeoutMs);
    // A window manager may keep the focus elsewhere until asked.
    if (w && !x.WaitForFocus(w, 1000)) x.Activate(w);
    std::string why;
    if (!x.Answer(argv[2], argv[3], timeoutMs, &why)) {
      std::fprintf(stderr, "quelbo-x-driver: %s\n", why.c_str());
      return 1;
    }
    return 0;
  }
  if (command == "answer-here" && (argc == 4 || argc == 5)) {
    std::string why;
    const e2e::XWindowId w =
        x.AnswerUnderPointer(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) * 1000 : 10000, &why);
    if (!w) {
      std::fprintf(stderr, "quelbo-x-driver: %s\n", why.c_str());
      return 1;
    }
    // Wine takes a moment to take the box off the screen; until then it
    // would be found, and answered, again.
    return x.WaitClosed(w, 5000) ? 0 : 1;
  }
  if (command == "close" && argc == 3) {
    e2e::XWindowId w = x.Find(argv[2]);
    if (!w) return 1;
    x.RequestClose(w);
    return 0;
  }
  if (command == "screenshot" && argc == 3) return e2e::XDriver::SavePng(x.CaptureScreen(), argv[2]) ? 0 : 1;
  if (command == "titles" && argc == 2) {
    for (const std::string& t : x.Titles()) std::printf("%s\n", t.c_str());
    return 0;
  }
  return Usage();
}
