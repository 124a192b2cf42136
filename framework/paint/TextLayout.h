#pragma once
// Turning a text and DrawText flags into the lines to draw: "&" prefixes,
// line breaks, word wrapping (at blanks and between CJK characters) and the
// three kinds of ellipsis. Pure: widths come from the caller, so the rules can
// be checked without a font.
#include "platform/CodePage.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Types.h"

// Characters with a mark per character: a marked character is drawn
// underlined (the one after an "&" prefix).
struct TextRun {
  std::u32string chars;
  std::vector<std::uint8_t> marks;

  static TextRun Plain(std::u32string s);
  TextRun Slice(size_t from, size_t to) const;
  void Append(const TextRun& other);
  size_t size() const { return chars.size(); }
};

// Pen advances of one font: character advances, and tab stops every
// `tabWidth` pixels from the line start when tabs are expanded (0: a tab is a
// control character without width).
struct TextMeasure {
  std::function<int(char32_t)> advance;
  int tabWidth = 0;

  int Next(int pen, char32_t ch) const {
    if (ch == U'\t' && tabWidth > 0) return (pen / tabWidth + 1) * tabWidth;
    return pen + advance(ch);
  }
  int Width(const std::u32string& s) const;
};

// The text with "&" prefixes resolved: "&x" marks x, "&&" is one "&", a
// lone "&" at the end is dropped. The last prefix wins when there are several.
TextRun StripPrefixes(const std::u32string& text);

// The lines DrawText draws for `text` in a rectangle `maxWidth` wide.
std::vector<TextRun> LayoutText(const std::u32string& text, UINT flags, int maxWidth, const TextMeasure& m);

// Shortening of one line that is wider than `maxWidth` (exposed for tests).
TextRun EndEllipsis(const TextRun& line, int maxWidth, const TextMeasure& m);
TextRun WordEllipsis(const TextRun& line, int maxWidth, const TextMeasure& m);
TextRun PathEllipsis(const TextRun& line, int maxWidth, const TextMeasure& m);

// Whether a line may break before position i (0 < i < size): after a run of
// blanks, or next to a CJK character, unless a closing mark would start the
// line or an opening mark would end it.
bool CanBreakBefore(const std::u32string& s, size_t i);

using platform::Utf16ToUtf32;
