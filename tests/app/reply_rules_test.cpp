// The version reply's decoding, the pause reply, the names it carries, and the
// text helpers of the support operations.
#include <gtest/gtest.h>

#include "app/ProgressDisplay.h"
#include "app/update/SupportText.h"
#include "app/update/VersionReply.h"
#include "platform/CodePage.h"

using namespace platform::literals;

namespace {

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::string expected;  // code page 936
};

TEST(ReplyDecoding, Utf8WithTheBitFiveLengthRule) {
  const DecodeCase cases[] = {
      {"ascii", "2.0|http://h/p/|a.zip|run.exe", "2.0|http://h/p/|a.zip|run.exe"},
      {"chinese", "1.0|x|y|\xE5\xBC\x80\xE5\xA7\x8B\xE6\xB8\xB8\xE6\x88\x8F.exe", "1.0|x|y|开始游戏.exe"_cp936},
      {"byte order mark becomes ?", "\xEF\xBB\xBF" "2.0", "?2.0"},
      {"two-byte sequence in code page 936", "\xC3\xA9", "\xA8\xA6"},
      {"two-byte sequence outside it", "\xC3\x80", "?"},
      {"0x9F leads two bytes", std::string("\x9F\x80") + "a", "?a"},
      {"0xA1 leads three bytes", std::string("\xA1\x80\x80") + "a", "?a"},
      {"0xF0 leads three bytes, not four", "\xF0\x9F\x98\x80", ""},
      {"overlong form kept as its value", "\xC1\x81", "A"},
      {"GBK bytes are no UTF-8", "\xB0\xE6\xB1\xBE", ""},
      {"cut off at the end", "2.0\xE5\xBC", ""},
      {"bad continuation in the middle", "ab\xC3" "cd", ""},
      {"empty", "", ""},
  };
  for (const DecodeCase& c : cases) EXPECT_EQ(ReplyToAnsi(c.bytes), c.expected) << c.name;
}

TEST(ReplyDecoding, ThreeByteSequencesKeepSixteenBits) {
  EXPECT_EQ(DecodeReplyUtf8("\xEF\xBF\xBF"), std::u16string(1, u'\xFFFF'));
  EXPECT_EQ(DecodeReplyUtf8("\xBF\xBF\xBF"), std::u16string(1, u'\xFFFF'));
  EXPECT_EQ(DecodeReplyUtf8("\xC0\x80").size(), 1u);
}

TEST(ReplyRules, PauseArchiveAndNames) {
  EXPECT_TRUE(IsPauseReply(""));
  EXPECT_TRUE(IsPauseReply("0"));
  EXPECT_FALSE(IsPauseReply("0\r\n"));
  EXPECT_FALSE(IsPauseReply(" 0"));

  EXPECT_TRUE(IsArchiveName("a.zip"));
  EXPECT_TRUE(IsArchiveName("a.ZIP"));
  EXPECT_TRUE(IsArchiveName("b.zip.txt"));
  EXPECT_FALSE(IsArchiveName("patch.dat"));
  EXPECT_FALSE(IsArchiveName("azip"));

  for (const char* ok : {"a.zip", "patch.dat", "..a", "a b.zip", "a?.zip"}) EXPECT_TRUE(IsPlainFileName(ok)) << ok;
  EXPECT_TRUE(IsPlainFileName("更新包.zip"_cp936));
  // 0x5C as the second byte of a double-byte character is no backslash.
  EXPECT_TRUE(IsPlainFileName("\x95\x5C.zip"));
  for (const char* bad : {"", ".", "..", "../a.zip", "a/b.zip", "a\\b.zip", "http://h/a.zip", "c:a.zip",
                          "a.zip\r\n", "/etc/passwd"})
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;

  for (const char* ok : {"run.exe", "bin/run.exe", "bin\\run.exe", "a..b/run", "./run.sh"})
    EXPECT_TRUE(IsInstallRelativeName(ok)) << ok;
  for (const char* bad : {"", "/bin/sh", "\\x\\run.exe", "C:\\run.exe", "../run.sh", "bin/../../run.sh",
                          "bin\\..\\..\\run.exe", "..", "run.exe\r\n"})
    EXPECT_FALSE(IsInstallRelativeName(bad)) << bad;
}

TEST(SupportText, FormatSizeText) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "0 KB"},          {512, "0 KB"},           {1023, "1 KB"},          {1536, "2 KB"},
      {2560, "2 KB"},       {100000, "98 KB"},       {1024000, "1000 KB"},    {1024001, "1000 KB"},
      {1025024, "0.98 MB"}, {1536000, "1.46 MB"},    {1152 * 1024, "1.13 MB"}, {2147483647, "2048.00 MB"},
      {-2048, "-2 KB"},
      // Packages past 2 GiB: 3 GiB and 5 GiB are 3145728 and 5242880 KB.
      {3ll << 30, "3072.00 MB"}, {5ll << 30, "5120.00 MB"}, {(5ll << 30) + 5 * 1024 * 1024 + 512, "5125.00 MB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSizeText(bytes), text) << bytes;
}

TEST(SupportText, SplitText) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"a||b", {"a", "", "b"}},
      {"a|", {"a", ""}},
      {"abc", {"abc"}},
      {"", {""}},
      {"|", {"", ""}},
      {"2.1|http://h/p/|a.zip|run.exe|x|y", {"2.1", "http://h/p/", "a.zip", "run.exe", "x", "y"}},
  };
  for (const auto& [text, pieces] : cases) {
    std::unique_ptr<TStringList> list = SplitText(text, '|');
    std::vector<std::string> got;
    for (int i = 0; i < list->Count(); ++i) got.push_back(list->Strings(i));
    EXPECT_EQ(got, pieces) << text;
  }
}

TEST(SupportText, GbkToWide) {
  EXPECT_EQ(GbkToWide("开始游戏.exe"_cp936), u"开始游戏.exe");
  EXPECT_EQ(GbkToWide(""), u"");
}

TEST(ProgressText, PercentRoundsHalvesAwayFromZero) {
  EXPECT_EQ(PercentText(1, 3), "33%");
  EXPECT_EQ(PercentText(2, 3), "67%");
  EXPECT_EQ(PercentText(1, 200), "1%");
  EXPECT_EQ(PercentText(0, 200), "0%");
  EXPECT_EQ(PercentText(100000, 100000), "100%");
  EXPECT_EQ(PercentText(2147483647, 2147483647), "100%");
}

}  // namespace
