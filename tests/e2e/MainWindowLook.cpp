#include "tests/e2e/MainWindowLook.h"

#include <cstdint>
#include <cstdio>

#include "tests/support/SkinFormulas.h"

namespace e2e {

namespace {

using skintest::Over;
using skintest::Row;

std::string Hex(std::uint32_t rgb) {
  char s[8];
  std::snprintf(s, sizeof s, "%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
  return s;
}

}  // namespace

std::vector<std::string> DifferencesFromTheReferenceLook(const ScreenImage& screen, int left, int top) {
  std::vector<std::string> out;
  if (left < 1 || top < 0 || left + kMainWidth >= screen.width || top + kMainHeight > screen.height)
    return {"the window is not wholly on the screen with a pixel beside it on each side"};
  auto at = [&](int x, int y) { return screen.At(left + x, top + y) & 0xFFFFFF; };
  auto expect = [&](int x, int y, std::uint32_t want) {
    if (at(x, y) != want)
      out.push_back("(" + std::to_string(x) + ", " + std::to_string(y) + "): " + Hex(at(x, y)) + " instead of " +
                    Hex(want));
  };
  constexpr std::uint32_t kOuter = skintest::kOuterLine, kInner = skintest::kInnerLine;
  // The gradient's reference rows across the middle, with the outer frame
  // line on rows 0 and 140 and the inner one on rows 1 and 139.
  expect(300, 0, Over(kOuter, Row(0)));
  expect(300, 1, Over(kInner, Row(1)));
  expect(300, 26, Row(26));
  expect(300, 27, Row(27));
  expect(300, 139, Over(kInner, Row(139)));
  expect(300, 140, Over(kOuter, Row(140)));
  // The frame lines down both sides.
  for (int y : {10, 80}) {
    expect(0, y, Over(kOuter, Row(y)));
    expect(1, y, Over(kInner, Row(y)));
    expect(kMainWidth - 1, y, Over(kOuter, Row(y)));
    expect(kMainWidth - 2, y, Over(kInner, Row(y)));
  }
  // The region cuts the corner pixels: they show what lies beside them
  // outside the window; their neighbours inside are the window's.
  for (int y : {0, kMainHeight - 1}) {
    const char* edge = y == 0 ? "top" : "bottom";
    if (at(0, y) != (screen.At(left - 1, top + y) & 0xFFFFFF))
      out.push_back(std::string("the ") + edge + " left corner pixel is not cut: " + Hex(at(0, y)));
    if (at(kMainWidth - 1, y) != (screen.At(left + kMainWidth, top + y) & 0xFFFFFF))
      out.push_back(std::string("the ") + edge + " right corner pixel is not cut: " + Hex(at(kMainWidth - 1, y)));
  }
  expect(1, 1, Over(kOuter, Over(kInner, Over(kInner, Row(1)))));
  expect(kMainWidth - 2, kMainHeight - 1, Over(kOuter, Row(kMainHeight - 1)));
  // The title: dark text from (5, 5) in the caption band, nothing right of it.
  int dark = 0;
  for (int y = 5; y < 20; ++y)
    for (int x = 5; x < 120; ++x) dark += (at(x, y) & 0xFF) < 0x40;
  if (dark <= 20) out.push_back("no dark title text at (5, 5): " + std::to_string(dark) + " dark pixels");
  expect(200, 12, Row(12));
  expect(300, 12, Row(12));
  return out;
}

}  // namespace e2e
