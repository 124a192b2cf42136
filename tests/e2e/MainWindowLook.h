#pragma once
// The main window's reference pixels as the skin's formulas give them, checked
// on a screenshot: the gradient rows 0, 26, 27 and 140 with the frame lines
// over them, the frame lines down both sides, the four corner pixels the
// window's region cuts away, and the title's dark text in the caption band
// with nothing right of it. Shared by the tests of the program on X11 and of
// the Windows program under Wine, which must show the same pixels.
#include <string>
#include <vector>

#include "tests/e2e/XDriver.h"

namespace e2e {

// The main window's size.
constexpr int kMainWidth = 444, kMainHeight = 141;

// The window's pixels that differ from the reference, one line each
// ("(300, 26): 62bbd6 instead of 62bbd7"); empty when every one matches.
// (left, top) is the window's place on screen, which must leave a pixel of
// what lies below on each side for the cut corners.
std::vector<std::string> DifferencesFromTheReferenceLook(const ScreenImage& screen, int left, int top);

}  // namespace e2e
