#pragma once
// The 32-bit ARGB colour of every bitmap pixel and its helpers.
#include <cstdint>

#include "core/Colors.h"
#include "core/Types.h"

// $AARRGGBB, not premultiplied; alpha 255 is opaque. In memory a pixel is the
// byte sequence blue, green, red, alpha.
using TColor32 = std::uint32_t;

constexpr TColor32 clBlack32 = 0xFF000000;
constexpr TColor32 clWhite32 = 0xFFFFFFFF;
constexpr TColor32 clTransparent32 = 0x00000000;

constexpr TColor32 MakeColor32(unsigned R, unsigned G, unsigned B, unsigned A = 255) {
  return (A << 24) | (R << 16) | (G << 8) | B;
}
constexpr unsigned AlphaComponent(TColor32 c) { return c >> 24; }
constexpr unsigned RedComponent(TColor32 c) { return (c >> 16) & 0xFF; }
constexpr unsigned GreenComponent(TColor32 c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueComponent(TColor32 c) { return c & 0xFF; }

// A negative alpha gives 0, one above 255 gives 255.
constexpr TColor32 SetAlpha(TColor32 c, int alpha) {
  unsigned a = alpha < 0 ? 0u : alpha > 255 ? 255u : static_cast<unsigned>(alpha);
  return (c & 0x00FFFFFF) | (a << 24);
}

// $00BBGGRR becomes $FFRRGGBB; a system colour is resolved first.
TColor32 ToColor32(TColor c);
// The RGB part of a TColor32 as a Windows colour (alpha dropped).
constexpr COLORREF ToWinColor(TColor32 c) {
  return RGB(static_cast<int>(RedComponent(c)), static_cast<int>(GreenComponent(c)), static_cast<int>(BlueComponent(c)));
}
