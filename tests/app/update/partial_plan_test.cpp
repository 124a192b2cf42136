// The plan of what to fetch of a package: the end records found from any
// tail, and the members left alone or fetched, merged where they meet.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include "UpdateFiles.h"
#include "app/update/PartialPlan.h"
#include "zip/ZipExtractor.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

const Files kFiles = {{"a.txt", std::string(3000, 'a')},
                      {"b.bin", std::string(2000, 'b') + "tail"},
                      {"sub/c.txt", "see"},
                      {"sub/d.dat", std::string(5000, 'd')}};

std::uint32_t Crc(const std::string& s) { return libdeflate_crc32(0, s.data(), s.size()); }

// Where a member's local header is, found in the bytes: its signature
// followed 26 bytes later by its name.
std::int64_t HeaderOf(const std::string& zip, const std::string& name) {
  for (std::size_t at = zip.find("PK\x03\x04"); at != std::string::npos; at = zip.find("PK\x03\x04", at + 1))
    if (zip.compare(at + 30, name.size(), name) == 0) return static_cast<std::int64_t>(at);
  ADD_FAILURE() << name;
  return -1;
}

std::int64_t DirectoryOf(const std::string& zip) { return static_cast<std::int64_t>(zip.find("PK\x01\x02")); }

std::vector<TPackageMember> MembersOf(const std::string& zip) {
  TZipExtractor reader(nullptr);
  reader.DoProcessMessages = false;
  reader.SetZipName("package.zip");
  reader.SetArchiveContent(zip.data(), zip.size());
  reader.LoadDirectory();
  return PackageMembers(reader);
}

TEST(PartialPlan, TheDirectoryIsFoundFromAnyTail) {
  const std::string zip = apptest::MakeZip(kFiles);
  ASSERT_FALSE(zip.empty());
  const std::int64_t size = static_cast<std::int64_t>(zip.size()), directory = DirectoryOf(zip);
  auto from = [&](std::int64_t start) { return DirectoryStart(zip.substr(start), start, size); };
  EXPECT_EQ(from(0), directory);
  EXPECT_EQ(from(directory), directory);
  EXPECT_EQ(from(directory + 10), directory) << "asks for the directory's start";
  EXPECT_EQ(from(size - 22), directory) << "the end record alone";
  EXPECT_EQ(from(size - 10), std::nullopt) << "no end record";

  std::string shifted = zip;
  shifted[size - 22 + 12] ^= 1;  // the directory's size
  EXPECT_EQ(DirectoryStart(shifted, 0, size), std::nullopt);
  std::string split = zip;
  split[size - 22 + 4] = 1;  // this disk
  EXPECT_EQ(DirectoryStart(split, 0, size), std::nullopt);
  EXPECT_EQ(DirectoryStart(zip.substr(10), 0, size), std::nullopt) << "a tail that is not the end";
}

TEST(PartialPlan, AZip64EndRecordIsFetchedBeforeTheDirectory) {
#ifdef _WIN32
  GTEST_SKIP() << "the archive is made by Info-ZIP zip through the shell, which Wine does not have";
#endif
  testsupport::TempDir scratch;
  testsupport::WriteFile(scratch / "a.txt", "alpha");
  const std::string cmd = "cd '" + scratch.Path() + "' && zip -q -X -fz out.zip a.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string zip = testsupport::ReadFile(scratch / "out.zip");
  const std::int64_t size = static_cast<std::int64_t>(zip.size());
  const std::int64_t record = static_cast<std::int64_t>(zip.find("PK\x06\x06"));
  ASSERT_GT(record, 0);
  EXPECT_EQ(DirectoryStart(zip.substr(size - 42), size - 42, size), record);
  EXPECT_EQ(DirectoryStart(zip.substr(record), record, size), DirectoryOf(zip));
  EXPECT_EQ(DirectoryStart(zip, 0, size), DirectoryOf(zip));
}

TEST(PartialPlan, OnlyTheFilesThatDifferAreFetchedNeighboursMerged) {
  const std::string zip = apptest::MakeZip(kFiles);
  const std::int64_t a = HeaderOf(zip, "a.txt"), b = HeaderOf(zip, "b.bin"), c = HeaderOf(zip, "sub/c.txt"),
                     d = HeaderOf(zip, "sub/d.dat"), end = DirectoryOf(zip);
  ASSERT_TRUE(a < b && b < c && c < d && d < end);
  const std::vector<TPackageMember> members = MembersOf(zip);

  struct Case {
    const char* name;
    std::map<std::string, std::string> installed;  // installed content by name
    std::vector<TByteSpan> spans;
    std::set<std::string> fetched;
  };
  std::map<std::string, std::string> same(kFiles.begin(), kFiles.end());
  auto with = [&](std::map<std::string, std::string> changes) {
    std::map<std::string, std::string> m = same;
    for (auto& [k, v] : changes)
      if (v == "-") m.erase(k);
      else m[k] = v;
    return m;
  };
  const Case cases[] = {
      {"nothing installed", {}, {{a, end}}, {"a.txt", "b.bin", "sub/c.txt", "sub/d.dat"}},
      {"all the same", same, {}, {}},
      {"one changed", with({{"b.bin", "other"}}), {{b, c}}, {"b.bin"}},
      {"same size, another CRC", with({{"b.bin", std::string(2000, 'b') + "TAIL"}}), {{b, c}}, {"b.bin"}},
      {"neighbours merged", with({{"a.txt", "x"}, {"b.bin", "-"}}), {{a, c}}, {"a.txt", "b.bin"}},
      {"apart", with({{"a.txt", "x"}, {"sub/c.txt", "-"}}), {{a, b}, {c, d}}, {"a.txt", "sub/c.txt"}},
      {"the last one", with({{"sub/d.dat", "x"}}), {{d, end}}, {"sub/d.dat"}},
  };
  for (const Case& k : cases) {
    const std::optional<TPartialPlan> plan =
        PlanPartial(members, end, [&](const std::string& name) -> std::optional<TInstalledFile> {
          auto it = k.installed.find(name);
          if (it == k.installed.end()) return std::nullopt;
          TInstalledFile f;
          f.size = static_cast<std::int64_t>(it->second.size());
          f.crc32 = Crc(it->second);
          return f;
        });
    ASSERT_TRUE(plan) << k.name;
    EXPECT_EQ(plan->spans, k.spans) << k.name;
    EXPECT_EQ(plan->fetched, k.fetched) << k.name;
    std::int64_t bytes = 0;
    for (const TByteSpan& s : k.spans) bytes += s.Length();
    EXPECT_EQ(plan->bytes, bytes) << k.name;
    EXPECT_EQ(plan->untouched.size() + plan->fetched.size(), kFiles.size()) << k.name;
  }
}

TEST(PartialPlan, MembersThatDoNotAddUpGiveNoPlan) {
  const std::string zip = apptest::MakeZip(kFiles);
  const std::vector<TPackageMember> members = MembersOf(zip);
  const std::int64_t end = DirectoryOf(zip);
  auto none = [](const std::string&) { return std::optional<TInstalledFile>(); };
  auto changed = [&](auto change) {
    std::vector<TPackageMember> m = members;
    change(m);
    return PlanPartial(m, end, none);
  };
  EXPECT_TRUE(changed([](auto&) {}));
  EXPECT_FALSE(changed([](auto& m) { m[1].offset = m[0].offset; })) << "two in the same bytes";
  EXPECT_FALSE(changed([&](auto& m) { m[3].offset = end + 5; })) << "beyond the directory";
  EXPECT_FALSE(changed([](auto& m) { m[0].offset = -1; })) << "before the package";
  EXPECT_FALSE(changed([](auto& m) { m[0].compressedSize += 100; })) << "data longer than its room";
  EXPECT_FALSE(PlanPartial(members, HeaderOf(zip, "sub/d.dat") + 10, none)) << "the directory inside the last member";
}

TEST(PartialPlan, SavesEnoughOnlyBelowThreeQuarters) {
  EXPECT_TRUE(SavesEnough(700, 50, 1000));
  EXPECT_TRUE(SavesEnough(0, 0, 1000));
  EXPECT_FALSE(SavesEnough(701, 50, 1000));
  EXPECT_FALSE(SavesEnough(0, 0, 0));
}

}  // namespace
