// Reading an archive's directory: the end record search, damaged directories
// and the rebuild scan, member names, orders and dates.
#include <gtest/gtest.h>

#include <random>

#include "ZipTestSupport.h"
#include "zip/DosDateTime.h"
#include "zip/ZipExtractor.h"

using namespace ziptest;

namespace {

class DirectoryTest : public ::testing::Test {
 protected:
  // Writes the bytes as an archive and loads its directory.
  TZipExtractor& Load(const std::string& bytes, const std::string& name = "a.zip") {
    path_ = dir_ / name;
    WriteFile(path_, bytes);
    z_.SetZipName(path_);
    z_.LoadDirectory();
    return z_;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> n;
    for (int i = 0; i < z_.MemberCount(); ++i) n.push_back(z_.Directory(i) + z_.FileName(i));
    return n;
  }
  ScratchDir dir_;
  std::string path_;
  TZipExtractor z_{nullptr};
  MessageBoxRecorder boxes_;
};

Member M(const std::string& name, const std::string& data) {
  Member m;
  m.name = name;
  m.data = data;
  return m;
}

TEST_F(DirectoryTest, EmptyFileIsAnArchiveWithNoMembers) {
  Load("");
  EXPECT_EQ(z_.MemberCount(), 0);
  z_.SetDestDir(dir_ / "out");
  z_.DoAll = true;
  EXPECT_EQ(z_.UnZip(), 0);
}

TEST_F(DirectoryTest, NoEndRecordIsIncompleteAtTheDefaultMode) {
  std::mt19937 rng(7);
  std::string noSignature(70000, 'x');
  for (char& c : noSignature) c = static_cast<char>('a' + rng() % 26);
  for (const std::string& bytes : {std::string(1, 'P'), std::string(21, 'P'), noSignature,
                                   BuildArchive({M("a.txt", "abc")}, {.writeEndRecord = false})}) {
    SCOPED_TRACE(bytes.size());
    Load(bytes);  // gives up without an error
    EXPECT_EQ(z_.MemberCount(), 0);
    z_.SetDestDir(dir_ / "out");
    z_.DoAll = true;
    try {
      z_.UnZip();
      ADD_FAILURE() << "no exception";
    } catch (const EIncompleteZip& e) {
      EXPECT_EQ(e.Message(), "Incomplete Zip File");
    }
    z_.SetZipName("");
  }
}

TEST_F(DirectoryTest, IncompleteZipModesAndTheirHandler) {
  std::string localsOnly = BuildArchive({M("a.txt", "abc"), M("b.txt", "defg")}, {.writeEndRecord = false});
  z_.IncompleteZipMode = izAssumeNotAZip;
  try {
    Load(localsOnly);
    ADD_FAILURE() << "no exception";
  } catch (const ENotAZipFile& e) {
    EXPECT_EQ(e.Message(), "Not a valid zip file!");
  }

  // The handler may change the mode before it is applied; the rebuild scan
  // then finds both members from their local headers.
  z_.SetZipName("");
  z_.IncompleteZipMode = izAssumeMulti;
  int calls = 0;
  z_.OnInCompleteZip = [&](TObject*, TIncompleteZipMode& mode) {
    ++calls;
    EXPECT_EQ(mode, izAssumeMulti);
    mode = izAssumeBad;
  };
  Load(localsOnly, "b.zip");
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(z_.Rebuilt());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt"}));

  z_.OnInCompleteZip = nullptr;
  z_.SetZipName("");
  try {
    Load(std::string(100, 'q'), "c.zip");
    ADD_FAILURE() << "no exception";
  } catch (const EBadZipFile& e) {
    EXPECT_EQ(e.Message(), "Not a valid zip file!");
  }
  EXPECT_EQ(z_.MemberCount(), 0);
}

TEST_F(DirectoryTest, TheLastEndRecordInTheFileWins) {
  std::string first = BuildArchive({M("old.txt", "old")});
  std::string both = BuildArchive({M("new.txt", "new")}, {.prefix = first});
  Load(both);
  EXPECT_EQ(Names(), std::vector<std::string>{"new.txt"});
}

TEST_F(DirectoryTest, EndRecordSignatureInsideTheCommentIsTakenAsTheEndRecord) {
  // The comment holds an end record that lists only the second member.
  std::vector<Member> members = {M("a.txt", "aaaa"), M("b.txt", "bb")};
  std::string plain = BuildArchive(members);
  std::uint32_t centralStart = 2 * 30 + 5 + 4 + 5 + 2;
  std::uint32_t secondCentral = centralStart + 46 + 5;
  std::string fake = "PK\x05\x06";
  auto put16 = [&](unsigned v) { fake += static_cast<char>(v & 0xFF), fake += static_cast<char>(v >> 8); };
  put16(0), put16(0), put16(1), put16(1);
  put16(46 + 5), put16(0), put16(secondCentral & 0xFFFF), put16(secondCentral >> 16), put16(0);
  Load(BuildArchive(members, {.comment = fake + "-- trailing words --"}));
  EXPECT_EQ(Names(), std::vector<std::string>{"b.txt"});
}

TEST_F(DirectoryTest, NamesSplitAtBothSeparators) {
  Load(BuildArchive({M("dir/sub/file.txt", "x"), M("win\\path\\f.txt", "y"), M("only/", "")}));
  ASSERT_EQ(z_.MemberCount(), 3);
  EXPECT_EQ(z_.Directory(0), "dir\\sub\\");
  EXPECT_EQ(z_.FileName(0), "file.txt");
  EXPECT_EQ(z_.Directory(1), "win\\path\\");
  EXPECT_EQ(z_.FileName(1), "f.txt");
  EXPECT_EQ(z_.Directory(2), "only\\");
  EXPECT_EQ(z_.FileName(2), "");
}

TEST_F(DirectoryTest, MemberNamesByHostAndFlag) {
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87.txt";  // 中文.txt
  const std::string gbk = "\xD6\xD0\xCE\xC4.txt";           // the same in code page 936
  Member flagged = M(utf8, "1"), unixRaw = M(utf8, "2"), dos = M(gbk, "3"), unixGbk = M(gbk, "4");
  flagged.flags = 0x0800;
  flagged.madeBy = 0x0014;
  dos.madeBy = 0x0014;
  Load(BuildArchive({flagged, unixRaw, dos, unixGbk}));
  ASSERT_EQ(z_.MemberCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(z_.FileName(i), gbk) << i;
}

TEST_F(DirectoryTest, ByNoneFollowsTheDataNotTheCentralDirectory) {
  Load(BuildArchive({M("a", "1"), M("b", "22"), M("c", "333")}, {.centralOrder = {2, 0, 1}}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(DirectoryTest, SortModes) {
  Member a = M("z/b.txt", std::string(10, 'x')), b = M("y/c.txt", std::string(30, 'y')), c = M("x/a.txt", "");
  a.dateTime = DosDateTime(2001, 1, 1, 0, 0, 0);
  b.dateTime = DosDateTime(2003, 1, 1, 0, 0, 0);
  c.dateTime = DosDateTime(2002, 1, 1, 0, 0, 0);
  Load(BuildArchive({a, b, c}));
  struct Case {
    TZipSortMode mode;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {TZipSortMode::ByName, {"x\\a.txt", "y\\c.txt", "z\\b.txt"}},
      {TZipSortMode::ByFileName, {"x\\a.txt", "z\\b.txt", "y\\c.txt"}},
      {TZipSortMode::ByDirectoryName, {"x\\a.txt", "y\\c.txt", "z\\b.txt"}},
      {TZipSortMode::ByDate, {"y\\c.txt", "x\\a.txt", "z\\b.txt"}},
      {TZipSortMode::ByCompressedSize, {"y\\c.txt", "z\\b.txt", "x\\a.txt"}},
      {TZipSortMode::ByUnCompressedSize, {"y\\c.txt", "z\\b.txt", "x\\a.txt"}},
      {TZipSortMode::ByNone, {"z\\b.txt", "y\\c.txt", "x\\a.txt"}},
  };
  for (const Case& k : cases) {
    z_.SetSortMode(k.mode);
    EXPECT_EQ(Names(), k.order) << static_cast<int>(k.mode);
  }
}

TEST_F(DirectoryTest, DatesAreClampedFieldByField) {
  struct Case {
    std::uint32_t in, out;
  };
  const std::uint32_t valid = DosDateTime(2024, 2, 29, 23, 59, 58);
  const Case cases[] = {
      {valid, valid},
      {0x00000000, DosDateTime(1980, 1, 1, 0, 0, 0)},
      {0x00000000 | (10u << 11), DosDateTime(1980, 1, 1, 10, 0, 0)},  // time part kept
      {(127u << 25) | (13u << 21) | (5u << 16) | (24u << 11) | (60u << 5) | 30u,
       (119u << 25) | (12u << 21) | (5u << 16) | (23u << 11) | (59u << 5) | 29u},
  };
  for (const Case& c : cases) EXPECT_EQ(zip::ClampDosDateTime(c.in), c.out) << std::hex << c.in;
  Member m = M("d.txt", "d");
  m.dateTime = 10u << 11;
  Load(BuildArchive({m}));
  EXPECT_EQ(z_.DateTime(0), DosDateTime(1980, 1, 1, 10, 0, 0));
}

TEST_F(DirectoryTest, DuplicateOffsetsStartTheRebuildScan) {
  Member a = M("a.txt", "first"), b = M("b.txt", "second");
  b.localOffsetOverride = 0;  // claims a's local header
  Load(BuildArchive({a, b}));
  EXPECT_TRUE(z_.Rebuilt());
  // Both local headers are found. The matching pass then gives the member at
  // offset 0 the values of the last central header naming that offset (b's),
  // so its data fails b's CRC and only the real b is written.
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.txt", "b.txt"}));
  z_.SetDestDir(dir_ / "out");
  z_.DoAll = true;
  EXPECT_EQ(z_.UnZip(), 1);
  EXPECT_EQ(ReadFile(dir_ / "out/b.txt"), "second");
}

TEST_F(DirectoryTest, DamagedCentralHeaderStartsTheRebuildScan) {
  std::string bytes = BuildArchive({M("a.txt", "first"), M("b.txt", "second")});
  std::size_t second = bytes.rfind("PK\x01\x02");
  bytes[second + 2] = 9;
  Load(bytes);
  EXPECT_TRUE(z_.Rebuilt());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(DirectoryTest, NeitherCentralDirectoryNorLocalHeaderIsNotAZip) {
  std::string bytes = std::string(200, 'z') + BuildArchive({}).substr(0, 22);
  bytes[bytes.size() - 12] = 1;  // one entry claimed
  bytes[bytes.size() - 14] = 1;
  try {
    Load(bytes);
    ADD_FAILURE() << "no exception";
  } catch (const EBadZipFile& e) {
    EXPECT_EQ(e.Message(), "Not a valid zip file!");
  }
}

TEST_F(DirectoryTest, WrongExtraLengthIsRecoveredWithoutRebuild) {
  Member a = M("a.txt", "first");
  a.centralExtraLengthOverride = 8;  // declares 8 bytes it does not have
  Load(BuildArchive({a, M("b.txt", "second")}));
  EXPECT_FALSE(z_.Rebuilt());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(DirectoryTest, IndexOutOfRange) {
  Load(BuildArchive({M("a.txt", "x")}));
  for (int i : {-1, 1, 5}) {
    try {
      z_.FileName(i);
      ADD_FAILURE() << "no exception";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "Index " + std::to_string(i) + " is out of range");
    }
  }
}

TEST_F(DirectoryTest, CompanionFileSuppliesTheDirectory) {
  std::string whole = BuildArchive({M("a.txt", "alpha"), M("b/c.txt", "gamma")});
  std::size_t central = whole.find("PK\x01\x02");
  WriteFile(dir_ / "split.zfc", whole.substr(central));
  Load(whole.substr(0, central), "split.zip");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b\\c.txt"}));
  z_.SetDestDir(dir_ / "out");
  z_.DoAll = z_.RecreateDirs = true;
  EXPECT_EQ(z_.UnZip(), 2);
  EXPECT_EQ(ReadFile(dir_ / "out/b/c.txt"), "gamma");
}

TEST_F(DirectoryTest, ChangedArchiveIsReadAgain) {
  Load(BuildArchive({M("a.txt", "one")}));
  WriteFile(path_, BuildArchive({M("a.txt", "two, longer")}));
  z_.SetDestDir(dir_ / "out");
  z_.DoAll = true;
  EXPECT_EQ(z_.UnZip(), 1);
  EXPECT_EQ(ReadFile(dir_ / "out/a.txt"), "two, longer");
}

TEST_F(DirectoryTest, SplitArchiveReadThroughThePartNames) {
  // Info-ZIP names its parts .z01, .z02, ...; the handler maps part numbers to them.
  ScratchDir src;
  std::string data;
  std::mt19937 rng(3);
  for (int i = 0; i < 150000; ++i) data += static_cast<char>(rng());
  WriteFile(src / "big.bin", data);
  WriteFile(src / "small.txt", "small");
  ASSERT_EQ(Shell("cd " + Quote(src.path()) + " && zip -q -X -0 -s 64k " + Quote(dir_ / "set.zip") + " big.bin small.txt"), 0);
  z_.OnFileNameForSplitPart = [&](TObject*, AnsiString& name, int part, TSplitPartType type) {
    name = type == spLast ? dir_ / "set.zip" : dir_ / ("set.z" + std::string(part < 10 ? "0" : "") + std::to_string(part));
  };
  z_.SetZipName(dir_ / "set.zip");
  z_.LoadDirectory();
  EXPECT_EQ(z_.MultiMode(), mmBlocks);
  z_.SetDestDir(dir_ / "out");
  z_.DoAll = true;
  EXPECT_EQ(z_.UnZip(), 2);
  EXPECT_EQ(ReadFile(dir_ / "out/big.bin"), data);
}

}  // namespace
