#pragma once
// One input through the skin configuration reader, checking what it
// promises. Shared by the libFuzzer target and the property test of the
// normal build; a broken promise aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skin/window/MlSkinConfig.h"

namespace skintest {

inline void CheckSkinConfig(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TMlSkinConfig c;
  if (!ParseSkinConfig(text, c) && !(c == TMlSkinConfig{})) std::abort();

  // Whatever the text, every value that comes out lies in its range.
  auto within = [](const std::optional<int>& v, long long lo, long long hi) { return !v || (*v >= lo && *v <= hi); };
  if (!within(c.Style, 0, 1) || !within(c.HitTestWidth, 0, kMaxConfigSize) ||
      !within(c.TitleHeight, 0, kMaxConfigSize) || !within(c.FramWidth, 0, kMaxConfigSize) ||
      !within(c.GradientHeight, INT32_MIN, kMaxConfigSize) || !within(c.Hue, -360, 360) ||
      !within(c.Saturation, -100, 100) || !within(c.Brightness, -100, 100))
    std::abort();
  for (const auto& color : {c.TitlerColor, c.Color})
    if (color && static_cast<std::uint32_t>(*color) > 0xFFFFFF && (*color & 0xFFFFFF00) != clSystemColor) std::abort();
  if (c.FormBg && (c.FormBg->empty() || c.FormBg->find('/') != std::string::npos || *c.FormBg == ".."))
    std::abort();

  // Written and read again, the values come back (absent ones as written: 0).
  TMlSkinConfig again;
  if (!ParseSkinConfig(WriteSkinConfig(c), again)) std::abort();
  TMlSkinConfig expected;
  for (auto [from, to] : {std::pair{&c.Style, &expected.Style}, {&c.DefaultSkinOrder, &expected.DefaultSkinOrder},
                          {&c.HitTestWidth, &expected.HitTestWidth}, {&c.GradientHeight, &expected.GradientHeight},
                          {&c.TitleHeight, &expected.TitleHeight}, {&c.TitlerColor, &expected.TitlerColor},
                          {&c.Color, &expected.Color}, {&c.FramWidth, &expected.FramWidth}, {&c.Hue, &expected.Hue},
                          {&c.Saturation, &expected.Saturation}, {&c.Brightness, &expected.Brightness}})
    *to = from->value_or(0);
  expected.FormBg = c.FormBg;
  if (!(again == expected)) std::abort();
}

}  // namespace skintest
