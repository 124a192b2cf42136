// The index beside a signed package: what reads, what is refused, that a text
// that reads writes back the same, and the seal's key for its digest.
#include <gtest/gtest.h>

#include "app/release/ReleaseIndex.h"
#include "app/release/ReleaseSeal.h"

namespace {

using release::IndexEntry;

const std::string kA = std::string(64, 'a'), kB = std::string(64, 'b');
const std::string kHeader = "quelbo-index 1\n";

TEST(ReleaseIndex, ReadsAndWritesBackTheSame) {
  const std::string texts[] = {
      kHeader,
      kHeader + "0 30 " + kA + " " + kB + " a.txt\n",
      kHeader + "0 30 " + kA + " " + kB + " a.txt\n30 90 " + kB + " " + kA + " data/with space.bin\n",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const auto entries = release::ParseReleaseIndex(text);
    ASSERT_TRUE(entries);
    EXPECT_EQ(release::ReleaseIndexText(*entries), text);
  }
  const auto two = release::ParseReleaseIndex(texts[2]);
  ASSERT_EQ(two->size(), 2u);
  EXPECT_EQ((*two)[1].name, "data/with space.bin");
  EXPECT_EQ((*two)[1].first, 30);
  EXPECT_EQ((*two)[1].end, 90);
  EXPECT_EQ((*two)[1].rangeSha256[0], 0xbb);
}

TEST(ReleaseIndex, RefusesWhatDoesNotFollowTheRules) {
  const std::string line = "0 30 " + kA + " " + kB + " a.txt\n";
  struct Case {
    const char* why;
    std::string text;
  } cases[] = {
      {"no header", line},
      {"other version", "quelbo-index 2\n" + line},
      {"last line without LF", kHeader + "0 30 " + kA + " " + kB + " a.txt"},
      {"CR in the name", kHeader + "0 30 " + kA + " " + kB + " a.txt\r\n"},
      {"NUL in the name", kHeader + "0 30 " + kA + " " + kB + " a" + std::string(1, '\0') + "\n"},
      {"empty name", kHeader + "0 30 " + kA + " " + kB + " \n"},
      {"missing name", kHeader + "0 30 " + kA + " " + kB + "\n"},
      {"upper-case digest", kHeader + "0 30 " + std::string(64, 'A') + " " + kB + " a\n"},
      {"short digest", kHeader + "0 30 " + kA.substr(1) + " " + kB + " a\n"},
      {"leading zero", kHeader + "00 30 " + kA + " " + kB + " a\n"},
      {"sign", kHeader + "+0 30 " + kA + " " + kB + " a\n"},
      {"too large", kHeader + "0 9223372036854775808 " + kA + " " + kB + " a\n"},
      {"empty range", kHeader + "30 30 " + kA + " " + kB + " a\n"},
      {"overlap", kHeader + line + "29 40 " + kA + " " + kB + " b\n"},
      {"out of order", kHeader + "30 40 " + kA + " " + kB + " b\n" + line},
      {"name twice", kHeader + line + "30 40 " + kA + " " + kB + " a.txt\n"},
      {"double space", kHeader + "0  30 " + kA + " " + kB + " a\n"},
  };
  for (const Case& c : cases) EXPECT_FALSE(release::ParseReleaseIndex(c.text)) << c.why;
}

TEST(ReleaseIndex, WritesNothingThatWouldNotRead) {
  IndexEntry a{"a", 0, 10, {}, {}};
  IndexEntry lineBreak{"b\nc", 10, 20, {}, {}};
  IndexEntry overlapping{"b", 5, 20, {}, {}};
  EXPECT_TRUE(release::ReleaseIndexText({a}));
  EXPECT_FALSE(release::ReleaseIndexText({a, lineBreak}));
  EXPECT_FALSE(release::ReleaseIndexText({a, overlapping}));
}

TEST(ReleaseIndex, SealCarriesItsDigestUnderTheSignature) {
  const release::Sha256Digest package = release::Sha256Of("p", 1), index = release::Sha256Of("i", 1);
  const std::string with = release::UnsignedReply("2.0", "http://h/", "a.zip", "", package, 1, 99, 3, index);
  const std::string without = release::UnsignedReply("2.0", "http://h/", "a.zip", "", package, 1, 99, 3);
  const std::string sig = std::string(86, 'A') + "==";
  const release::SealReading read = release::ReadReleaseSeal(with + sig);
  ASSERT_EQ(read.kind, release::SealReading::Kind::kPresent);
  EXPECT_EQ(read.seal.index, index);
  EXPECT_EQ(read.seal.signedLength, with.size());  // the index lies before the signature
  EXPECT_FALSE(release::ReadReleaseSeal(without + sig).seal.index);
  const std::string bad = "2.0|http://h/|a.zip||index=12;sig=" + sig;
  EXPECT_EQ(release::ReadReleaseSeal(bad).kind, release::SealReading::Kind::kMalformed);
}

}  // namespace
