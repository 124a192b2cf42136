#pragma once
// The skinned form's colours as its stated formulas give them, for tests to
// compare painted pixels with. Colours are $RRGGBB; foregrounds $AARRGGBB.
#include <cstdint>
#include <initializer_list>

namespace skintest {

inline unsigned Ch(std::uint32_t rgb, int shift) { return (rgb >> shift) & 0xFF; }

// Gradient step i of n from a to b: A + ((B - A) * i * e mod 2^32) >> 24 with
// e = 2^24 / n rounded, the sum taken modulo 256.
inline std::uint32_t Step(std::uint32_t a, std::uint32_t b, int n, int i) {
  const std::uint32_t e = static_cast<std::uint32_t>((16777216.0 / n) + 0.5);
  std::uint32_t out = 0;
  for (int s : {16, 8, 0}) {
    std::uint32_t d = static_cast<std::uint32_t>(static_cast<int>(Ch(b, s)) - static_cast<int>(Ch(a, s)));
    out |= ((Ch(a, s) + ((d * static_cast<std::uint32_t>(i) * e) >> 24)) & 0xFF) << s;
  }
  return out;
}

// A translucent colour blended onto rgb: (B * 256 + 128 + (F - B) * alpha) >> 8.
inline std::uint32_t Over(std::uint32_t argb, std::uint32_t rgb) {
  const int a = static_cast<int>(argb >> 24);
  std::uint32_t out = 0;
  for (int s : {16, 8, 0}) {
    int f = static_cast<int>(Ch(argb, s)), b = static_cast<int>(Ch(rgb, s));
    out |= static_cast<std::uint32_t>((b * 256 + 128 + (f - b) * a) >> 8) << s;
  }
  return out;
}

constexpr std::uint32_t kCaption = 0x46C4FF;  // TitlerColor 16761926: red 70, green 196, blue 255
constexpr std::uint32_t kBody = 0xFF8A00;     // Color 35583: red 255, green 138, blue 0
constexpr std::uint32_t kOuterLine = 0x80000000, kInnerLine = 0xB0FFFFFF;

// Window row y of the main window's look: step y of the 168-row gradient.
inline std::uint32_t Row(int y) { return Step(kCaption, kBody, 168, y); }

}  // namespace skintest
