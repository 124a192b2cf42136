#pragma once
// The skin configuration file "Skin/Config.xml" as values: what a document
// says (each value present only when its element is there and sound) and the
// document written for given values.
//
//   <MlSkinRes><Config><Custom><Form>
//     <Style>0</Style><FormBg>leaf.jpg</FormBg><DefaultSkinOrder>0</DefaultSkinOrder>
//     <HitTestWidth>5</HitTestWidth><GradientHeight>168</GradientHeight>
//     <TitleHeight>27</TitleHeight><TitlerColor>16761926</TitlerColor>
//     <Color>15920353</Color><FramWidth>2</FramWidth>
//     <HSB_H>0</HSB_H><HSB_S>0</HSB_S><HSB_B>0</HSB_B>
//   </Form></Custom></Config></MlSkinRes>
#include <optional>
#include <string>

#include "core/Colors.h"
#include "core/Types.h"

// The largest size in pixels a file may give; larger values are refused.
constexpr int kMaxConfigSize = 4096;
// The largest file that is read at all.
constexpr std::size_t kMaxConfigFileBytes = 1 << 20;

struct TMlSkinConfig {
  std::optional<int> Style;  // 0 colour, 1 picture
  std::optional<AnsiString> FormBg;  // a plain file name
  std::optional<int> DefaultSkinOrder, HitTestWidth, GradientHeight, TitleHeight;
  std::optional<TColor> TitlerColor, Color;
  std::optional<int> FramWidth;
  std::optional<int> Hue, Saturation, Brightness;  // degrees, percent, percent
  friend bool operator==(const TMlSkinConfig&, const TMlSkinConfig&) = default;
};

// Reads the values of a document. Element names count without regard to
// case, each found depth-first below the one before (Config, Custom, Form,
// then the values). A value that is not a strict decimal integer in its
// range (sizes 0 to kMaxConfigSize, GradientHeight also 0 or less, colours
// $000000 to $FFFFFF or a system colour, hue -360 to 360, saturation and
// brightness -100 to 100, Style 0 or 1), or a FormBg that is not a plain
// file name, is left out. False, with nothing read, for text that is not
// well-formed XML.
bool ParseSkinConfig(const std::string& text, TMlSkinConfig& out);

// The document for the values, every element written (absent values as 0 or
// empty), in the order of the layout above.
std::string WriteSkinConfig(const TMlSkinConfig& values);
