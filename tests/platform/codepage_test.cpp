// Code page 936 conversions with the Windows rules for what cannot be converted.
#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

using platform::Cp936ToUtf16;
using platform::Utf16ToCp936;

TEST(CodePage936, ConvertsBothWaysForTextItCanHold) {
  const std::u16string texts[] = {u"开始游戏.exe", u"Quelbo自动更新", u"解压失败！ 失败原因：", u"ASCII only", u"€", u""};
  for (const auto& t : texts) EXPECT_EQ(Cp936ToUtf16(Utf16ToCp936(t)), t);
  EXPECT_EQ(Utf16ToCp936(u"版本"), "\xB0\xE6\xB1\xBE");
  EXPECT_EQ(Utf16ToCp936(u"€"), "\x80");
}

TEST(CodePage936, CharactersItCannotHoldBecomeQuestionMarks) {
  struct Case {
    std::u16string in;
    std::string out;
  };
  const Case cases[] = {
      {u"\uFEFF2.0", "?2.0"},          // a byte order mark
      {u"a\u0E01b", "a?b"},            // Thai
      {u"x\U0001F600y", "x?y"},        // one character outside the BMP is one "?"
      {std::u16string(u"p\xD800q"), "p?q"},  // a lone surrogate
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToCp936(c.in), c.out);
}

TEST(CodePage936, BytesItCannotReadBecomeQuestionMarks) {
  EXPECT_EQ(Cp936ToUtf16("ab\xB0"), u"ab?");      // a lead byte cut off at the end
  EXPECT_EQ(Cp936ToUtf16("\xB0\x7F" "a"), u"?\x7F" u"a");  // 0x7F is no trail byte
  EXPECT_EQ(Cp936ToUtf16("\xFF"), u"?");
}

TEST(CodePage936, ExactNamesKeepEveryCharacter) {
  struct Case {
    std::string utf8;
    std::string cp936;  // what the program holds
  };
  const Case cases[] = {
      {"开始游戏.exe", "\xBF\xAA\xCA\xBC\xD3\xCE\xCF\xB7.exe"},  // code page 936 codes stay as they are
      {"한.txt", "\x83\x36\x84\x33.txt"},                        // GB18030 four-byte code
      {"x😀y", "x\x94\x39\xFC\x36y"},                             // beyond the BMP
      {"\xEF\xB8\x90", "\xA6\xD9"},                              // a two-byte code that code page 936 leaves free
      {"a?b", "a?b"},
  };
#ifdef _WIN32
  // Windows converts GB18030 as code page 54936, which Wine does not have.
  if (!platform::Utf8ToCp936Exact("한")) GTEST_SKIP() << "the system has no GB18030 converter (code page 54936)";
#endif
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Utf8ToCp936Exact(c.utf8), c.cp936) << c.utf8;
    EXPECT_EQ(platform::Cp936ToUtf8Exact(c.cp936), c.utf8) << c.utf8;
    EXPECT_EQ(platform::Cp936ToUtf8(c.cp936), c.utf8) << c.utf8;  // every reader understands them
  }
  // The Windows rule for other text is unchanged.
  EXPECT_EQ(platform::Utf8ToCp936("한"), "?");
  // What cannot be read or written exactly is refused instead of becoming "?".
  for (const char* unreadable : {"ab\xB0", "\xFF.txt", "\xB0\x7F", "\x81\x30"})
    EXPECT_EQ(platform::Cp936ToUtf8Exact(unreadable), std::nullopt) << unreadable;
  EXPECT_EQ(platform::Utf8ToCp936Exact("bad \xC0\x80"), std::nullopt);
}

TEST(Utf8, ValidityAndReplacement) {
  EXPECT_TRUE(platform::IsValidUtf8("开始游戏"));
  EXPECT_FALSE(platform::IsValidUtf8("\xB0\xE6\xB1\xBE"));  // code page 936 bytes
  EXPECT_FALSE(platform::IsValidUtf8("\xC0\x80"));          // overlong
  EXPECT_FALSE(platform::IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_EQ(platform::Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(platform::Cp936ToUtf8(platform::Utf8ToCp936("目录/文件.txt")), "目录/文件.txt");
}

}  // namespace
