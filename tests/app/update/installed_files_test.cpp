// The record of what is installed: it comes back exactly, it is trusted only
// while a file's size and time still match, and a damaged one is rebuilt.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <filesystem>

#include "app/update/InstalledFiles.h"
#include "tests/support/TestServers.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

TInstalledFile Expected(const std::string& bytes) {
  TInstalledFile f;
  f.size = static_cast<std::int64_t>(bytes.size());
  f.crc32 = libdeflate_crc32(0, bytes.data(), bytes.size());
  f.sha256 = release::Sha256Of(bytes.data(), bytes.size());
  return f;
}

// Size and hashes, the time apart (the file system's to give).
void ExpectContent(const std::optional<TInstalledFile>& got, const std::string& bytes) {
  ASSERT_TRUE(got);
  const TInstalledFile want = Expected(bytes);
  EXPECT_EQ(got->size, want.size);
  EXPECT_EQ(got->crc32, want.crc32);
  EXPECT_EQ(got->sha256, want.sha256);
}

TEST(InstalledFiles, TheRecordsTextReadsBackAsTheSameRecord) {
  TInstalledRecord r;
  r["a.txt"] = Expected("hello");
  r["a.txt"].modified = 1700000000123456789;
  r["目录/名 with blanks.dat"] = Expected("");
  r["目录/名 with blanks.dat"].modified = -5;  // before 1970
  const std::optional<std::string> text = InstalledRecordText(r);
  ASSERT_TRUE(text);
  EXPECT_EQ(ParseInstalledRecord(*text), std::optional<TInstalledRecord>(r));

  TInstalledRecord bad;
  bad["line\nbreak"] = Expected("x");
  EXPECT_EQ(InstalledRecordText(bad), std::nullopt);
}

TEST(InstalledFiles, ATextThatIsNotExactlyARecordIsNone) {
  TInstalledRecord r;
  r["a"] = Expected("hello");
  const std::string good = *InstalledRecordText(r);
  const std::string line = good.substr(good.find('\n') + 1);
  const std::string sha = release::ToHex(r["a"].sha256);
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"another first line", replaced("quelbo-installed 1", "quelbo-installed 2")},
      {"the last line cut", good.substr(0, good.size() - 1)},
      {"a file twice", good + line},
      {"files out of order", good + replaced(" a\n", " 0\n").substr(good.find('\n') + 1)},
      {"a name missing", replaced(" a\n", " \n")},
      {"a field missing", replaced(sha + " ", "")},
      {"a size that is no number", replaced("5 0 ", "5x 0 ")},
      {"a size with a leading zero", replaced("5 0 ", "05 0 ")},
      {"a CRC in capitals", replaced("3610a686", "3610A686")},
      {"a short digest", replaced(sha, sha.substr(2))},
      {"a carriage return", replaced(" a\n", " a\r\n")},
      {"a zero byte in a name", replaced(" a\n", std::string(" a\0b\n", 5))},
  };
  ASSERT_NE(good.find("3610a686"), std::string::npos);  // crc32("hello")
  for (const auto& [what, text] : cases) EXPECT_EQ(ParseInstalledRecord(text), std::nullopt) << what;
}

// Files written an hour ago, as an installation's files usually are (a file
// written just now is another case, below).
void WriteOld(const std::string& path, const std::string& bytes) {
  WriteFile(path, bytes);
  std::filesystem::last_write_time(testsupport::FsPath(path),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

TEST(InstalledFiles, AFileIsHashedAgainOnlyWhenItsSizeOrTimeChanged) {
  TempDir dir;
  WriteOld(dir / "a.txt", "first");
  WriteOld(dir / "sub/b.bin", "second");
  const std::string app = dir.Path() + "/";
  {
    TInstalledFiles files(app);
    EXPECT_FALSE(files.WasRecorded());
    ExpectContent(files.Current("a.txt"), "first");
    ExpectContent(files.Current("sub/b.bin"), "second");
    EXPECT_EQ(files.Current("missing"), std::nullopt);
    EXPECT_EQ(files.Hashed(), 2);
    ASSERT_TRUE(files.Save());
  }
  // Same size, other bytes, another time: read again.
  WriteFile(dir / "a.txt", "FIRST");
  std::filesystem::last_write_time(dir / "a.txt",
                                   std::filesystem::last_write_time(dir / "a.txt") + std::chrono::seconds(5));
  TInstalledFiles files(app);
  EXPECT_TRUE(files.WasRecorded());
  ExpectContent(files.Current("sub/b.bin"), "second");
  EXPECT_EQ(files.Hashed(), 0);
  ExpectContent(files.Current("a.txt"), "FIRST");
  EXPECT_EQ(files.Hashed(), 1);
}

// A file written just before it was recorded may be written again within
// the same tick of the file system's clock and keep its time, size and CRC
// alike: it is read again, not taken from the record.
TEST(InstalledFiles, AFileWrittenJustBeforeItWasRecordedIsReadAgain) {
  TempDir dir;
  const std::string app = dir.Path() + "/";
  const std::string path = dir / "a.bin";
  WriteFile(path, "first");
  const auto written = std::filesystem::last_write_time(testsupport::FsPath(path));
  {
    TInstalledFiles files(app);
    ExpectContent(files.Current("a.bin"), "first");
    ASSERT_TRUE(files.Save());
  }
  WriteFile(path, "FIRST");
  std::filesystem::last_write_time(testsupport::FsPath(path), written);  // the same tick
  TInstalledFiles files(app);
  ExpectContent(files.Current("a.bin"), "FIRST");
  EXPECT_EQ(files.Hashed(), 1);
}

TEST(InstalledFiles, ADamagedRecordIsRebuiltNotTrusted) {
  TempDir dir;
  const std::string app = dir.Path() + "/";
  WriteFile(dir / "a.txt", "content");
  {
    TInstalledFiles files(app);
    files.Current("a.txt");
    ASSERT_TRUE(files.Save());
  }
  // A record that lies about the content while size and time match is one
  // nobody wrote: the line is changed by hand, and its text breaks.
  std::string text = testsupport::ReadFile(dir / kInstalledRecordName);
  text.back() = 'X';
  WriteFile(dir / kInstalledRecordName, text);
  TInstalledFiles files(app);
  EXPECT_FALSE(files.WasRecorded());
  ExpectContent(files.Current("a.txt"), "content");
  EXPECT_EQ(files.Hashed(), 1);
}

}  // namespace
