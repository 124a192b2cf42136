// Line layout rules with a font of fixed advances: every character 10
// pixels, so the expected lines can be worked out by hand.
#include <gtest/gtest.h>

#include "framework/paint/Gdi.h"
#include "framework/paint/TextLayout.h"

namespace {

TextMeasure Fixed(int tabWidth = 0) {
  TextMeasure m;
  m.advance = [](char32_t c) { return c < 0x20 ? 0 : 10; };
  m.tabWidth = tabWidth;
  return m;
}

std::vector<std::u32string> Lines(const std::u32string& text, UINT flags, int width, const TextMeasure& m = Fixed()) {
  std::vector<std::u32string> out;
  for (const TextRun& r : LayoutText(text, flags, width, m)) out.push_back(r.chars);
  return out;
}

using L = std::vector<std::u32string>;

struct LayoutCase {
  const char* name;
  std::u32string text;
  UINT flags;
  int width;
  L lines;
};

TEST(TextLayout, BreaksLinesAndWrapsWords) {
  const LayoutCase cases[] = {
      {"CR, LF and CR LF each break", U"a\rb\nc\r\nd", DT_LEFT, 100, {U"a", U"b", U"c", U"d"}},
      {"a final break opens no line", U"ab\r\n", DT_LEFT, 100, {U"ab"}},
      {"empty lines count", U"a\n\nb", DT_LEFT, 100, {U"a", U"", U"b"}},
      {"single line ignores breaks", U"a\r\nb", DT_SINGLELINE, 100, {U"a\r\nb"}},
      {"wrap at the blank before the word that overflows", U"one two three", DT_WORDBREAK, 70,
       {U"one two", U"three"}},
      {"blanks at the break are dropped", U"ab   cd", DT_WORDBREAK, 30, {U"ab", U"cd"}},
      {"a word wider than the line is kept whole", U"abcdefgh ij", DT_WORDBREAK, 30, {U"abcdefgh", U"ij"}},
      {"edit control splits such a word", U"abcdefgh", DT_WORDBREAK | DT_EDITCONTROL, 30, {U"abc", U"def", U"gh"}},
      {"zero width puts each word on a line", U"a b c", DT_WORDBREAK, 0, {U"a", U"b", U"c"}},
      {"CJK breaks between characters", U"正在检测版本", DT_WORDBREAK, 40, {U"正在检测", U"版本"}},
      {"CJK and Latin break at their junction", U"更新abc", DT_WORDBREAK, 40, {U"更新", U"abc"}},
      {"a closing mark does not start a line", U"检测版本。完", DT_WORDBREAK, 40, {U"检测版", U"本。完"}},
      {"single line does not wrap", U"one two three", DT_SINGLELINE | DT_WORDBREAK, 30, {U"one two three"}},
      {"paragraphs wrap on their own", U"aa bb\ncc", DT_WORDBREAK, 30, {U"aa", U"bb", U"cc"}},
  };
  for (const LayoutCase& c : cases) EXPECT_EQ(Lines(c.text, c.flags, c.width), c.lines) << c.name;
}

TEST(TextLayout, PrefixesMarkTheNextCharacter) {
  TextRun r = StripPrefixes(U"&File && &Edit&");
  EXPECT_EQ(r.chars, U"File & Edit");
  // The last prefix wins; "&&" marks nothing; a trailing "&" vanishes.
  EXPECT_EQ(r.marks, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(Lines(U"a&&b", DT_NOPREFIX, 100), L{U"a&&b"});
  EXPECT_EQ(Lines(U"a&&b", DT_LEFT, 100), L{U"a&b"});
}

TEST(TextLayout, TabsExpandToStopsFromTheLineStart) {
  TextMeasure m = Fixed(80);
  EXPECT_EQ(m.Width(U"a\tb"), 90);
  EXPECT_EQ(m.Width(U"abcdefgh\tb"), 170);
  EXPECT_EQ(Fixed().Width(U"a\tb"), 20);
}

struct EllipsisCase {
  const char* name;
  std::u32string text;
  UINT flags;
  int width;
  std::u32string shown;
};

TEST(TextLayout, EachEllipsisKindShortensTheLineToFit) {
  const EllipsisCase cases[] = {
      {"fitting text is left alone", U"abc", DT_END_ELLIPSIS, 30, U"abc"},
      {"end: characters give way to dots", U"abcdefgh", DT_END_ELLIPSIS, 70, U"abcd..."},
      {"word: cut after the last whole word", U"one two three", DT_WORD_ELLIPSIS, 110, U"one two..."},
      {"word: a first word too long is cut like an end", U"abcdefgh ij", DT_WORD_ELLIPSIS, 60, U"abc..."},
      {"path: the last element stays whole", U"C:\\dir\\sub\\file.txt", DT_PATH_ELLIPSIS, 160, U"C:\\d...\\file.txt"},
      {"path: forward slashes separate too", U"/usr/share/quelbo/a.zip", DT_PATH_ELLIPSIS, 150, U"/usr/s.../a.zip"},
      {"path without separator: the middle goes", U"abcdefghij", DT_PATH_ELLIPSIS, 70, U"ab...ij"},
      {"nothing fits: only the dots", U"abcdef", DT_END_ELLIPSIS, 10, U"..."},
  };
  for (const EllipsisCase& c : cases) {
    L lines = Lines(c.text, c.flags | DT_SINGLELINE, c.width);
    ASSERT_EQ(lines.size(), 1u) << c.name;
    EXPECT_EQ(lines[0], c.shown) << c.name;
    if (c.shown.size() > 3) EXPECT_LE(Fixed().Width(lines[0]), c.width) << c.name;
  }
}

TEST(TextLayout, EllipsisKeepsThePrefixMarkOfAKeptCharacter) {
  std::vector<TextRun> lines = LayoutText(U"&abcdefgh", DT_END_ELLIPSIS, 50, Fixed());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].chars, U"ab...");
  EXPECT_EQ(lines[0].marks, (std::vector<std::uint8_t>{1, 0, 0, 0, 0}));
}

TEST(TextLayout, SurrogatePairsBecomeOneCharacter) {
  EXPECT_EQ(Utf16ToUtf32(u"a\U00020000b"), U"a\U00020000b");
  EXPECT_EQ(Utf16ToUtf32(std::u16string{u'a', char16_t(0xD800), u'b'}), U"a\uFFFDb");
}

}  // namespace
