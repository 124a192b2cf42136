// The record beside a package's partial file: what it keeps comes back
// exactly, byte for byte, and a text that is not exactly a record is none.
#include <gtest/gtest.h>

#include "app/update/DownloadRecord.h"
#include "tests/support/TestServers.h"

namespace {

TDownloadRecord Sample() {
  TDownloadRecord r;
  r.url = "http://127.0.0.1:8080/p/包 a.zip";
  r.name = "包 a.zip";
  r.promisedSize = 123456789012;
  release::Sha256Digest d;
  for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(i * 37);
  r.promisedSha256 = d;
  r.held = 4096;
  r.total = 123456789012;
  // Entity tags are quoted, and may hold blanks: they come back as they were.
  r.validator = "\"5f3a-18 x\"";
  r.etag = "\"5f3a-18 x\"";
  r.lastModified = "Sun, 06 Nov 1994 08:49:37 GMT";
  return r;
}

TEST(DownloadRecord, KeepsEveryValueExactly) {
  testsupport::TempDir dir;
  for (const bool promised : {true, false}) {
    TDownloadRecord r = Sample();
    if (!promised) {
      r.promisedSize.reset();
      r.promisedSha256.reset();
      r.validator = r.etag = "";
      r.total = -1;
    }
    ASSERT_TRUE(WriteDownloadRecord(dir / "record", r));
    EXPECT_EQ(ReadDownloadRecord(dir / "record"), std::optional<TDownloadRecord>(r));
  }
  EXPECT_EQ(ReadDownloadRecord(dir / "none"), std::nullopt);
}

TEST(DownloadRecord, ATextThatIsNotExactlyARecordIsNone) {
  const std::string good = *DownloadRecordText(Sample());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"another first line", replaced("quelbo-download 1", "quelbo-download 2")},
      {"the last line cut", good.substr(0, good.size() - 1)},
      {"an item twice", good + "held 5\n"},
      {"an unknown item", good + "colour blue\n"},
      {"an item missing", replaced("etag \"5f3a-18 x\"\n", "")},
      {"a line without a value", replaced("held 4096", "held")},
      {"a negative count", replaced("held 4096", "held -4096")},
      {"a count that is no number", replaced("held 4096", "held 40x6")},
      {"a count too large", replaced("held 4096", "held 9999999999999999999")},
      {"a digest too short", replaced("sha256 00", "sha256 0")},
      {"a value with a zero byte", replaced("etag \"", std::string("etag \0\"", 7))},
      {"a value with a carriage return", replaced("etag \"5f3a-18 x\"", "etag \"5f3a-18 x\"\r")},
  };
  ASSERT_TRUE(ParseDownloadRecord(good));
  for (const auto& [name, text] : cases) EXPECT_EQ(ParseDownloadRecord(text), std::nullopt) << name;

  TDownloadRecord broken = Sample();
  broken.url += "\r\nheld 1";
  EXPECT_EQ(DownloadRecordText(broken), std::nullopt) << "a value must stay on its line";
}

}  // namespace
