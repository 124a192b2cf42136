#pragma once
// An installation updated from a real nginx by the partial road: two
// versions of a package, the oracles (Info-ZIP unzip, nginx's log of
// ranges) and the checks the partial-update tests share.
#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include "JobFixture.h"
#include "app/update/InstalledFiles.h"

namespace apptest {
namespace partial {

using Files = std::vector<std::pair<std::string, std::string>>;

// Bytes that do not compress, so that a member's share of the package is its size.
inline std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

inline Files Version1() {
  Files files;
  for (int i = 0; i < 40; ++i)
    files.push_back({"data/file" + std::to_string(i) + ".bin", Noise(16000 + static_cast<std::size_t>(i), i)});
  files.push_back({"readme.txt", "version 1"});
  return files;
}

// Two files changed, one added, the rest as they were.
inline Files Version2() {
  Files files = Version1();
  files[7].second = Noise(16007, 1007);
  files[8].second = Noise(9000, 1008);  // a neighbour of the first: one range for both
  files[30].second = Noise(16030, 1030);
  files.push_back({"data/new.bin", Noise(3000, 2000)});
  return files;
}

// Where a member's local header is, found in the bytes.
inline std::int64_t HeaderOf(const std::string& zip, const std::string& name) {
  for (std::size_t at = zip.find("PK\x03\x04"); at != std::string::npos; at = zip.find("PK\x03\x04", at + 1))
    if (zip.compare(at + 30, name.size(), name) == 0) return static_cast<std::int64_t>(at);
  ADD_FAILURE() << name;
  return -1;
}

inline std::filesystem::file_time_type Modified(const std::string& path) {
  return std::filesystem::last_write_time(std::filesystem::u8path(path));
}

// Equal trees, or the names that differ.
inline ::testing::AssertionResult SameTree(const std::map<std::string, std::string>& got,
                                           const std::map<std::string, std::string>& want) {
  std::string differ;
  for (const auto& [name, bytes] : got)
    if (!want.count(name) || want.at(name) != bytes) differ += " " + name;
  for (const auto& [name, bytes] : want)
    if (!got.count(name)) differ += " missing:" + name;
  if (differ.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "differ:" << differ;
}

class PartialUpdates : public Job {
 protected:
  void SetUp() override { Job::SetUp(); }
  // Installs version 1 through a whole update.
  void InstallVersion1() {
    StartServer();
    const std::string v1 = MakeZip(Version1());
    ASSERT_FALSE(v1.empty());
    Serve("v1.zip", v1);
    testsupport::WriteFile(root / "v1.zip", v1);
    PutIni("1.0");
    ServeReply("1.1|" + Base() + "|v1.zip|");
    RunUpdate();
    ExpectInstalled();
    // Nothing of ours was recorded there: the whole package, and no range asked.
    EXPECT_EQ(RangesAsked("/v1.zip"), std::vector<std::string>{"200 -"});
    ASSERT_TRUE(Has(kInstalledRecordName));
    v2 = MakeZip(Version2());
    testsupport::WriteFile(root / "v2.zip", v2);
  }

  // A fresh installation directory for the next case.
  void SetUpAgain() {
    std::filesystem::remove_all(install);
    std::filesystem::create_directory(install);
  }

  // Installed, every existing file asked about (and replaced), nothing else told.
  void ExpectInstalled() {
    EXPECT_EQ(view.notices, std::vector<UpdateNotice>{UpdateNotice::kInstalled});
    EXPECT_TRUE(view.failures.empty());
    ExpectExited();
  }

  // The installation as unzip leaves the new package over the old one.
  std::map<std::string, std::string> AsUnzipLeavesIt() {
    testsupport::TempDir oracle;
    const std::string cmd = "unzip -q -o '" + root / "v1.zip" + "' -d '" + oracle.Path() + "' && unzip -q -o '" +
                            root / "v2.zip" + "' -d '" + oracle.Path() + "'";
    // Through the test support's runner: under Wine, the host's unzip.
    EXPECT_EQ(testsupport::RunCommand({"sh", "-c", cmd}).status, 0);
    return TreeOf(oracle.Path());
  }
  std::map<std::string, std::string> InstalledTree() {
    std::map<std::string, std::string> tree = TreeOf(install);
    tree.erase("xconfig.ini");
    tree.erase(kInstalledRecordName);
    return tree;
  }

  // The ranges nginx was asked for under a path, with their statuses, in order.
  // nginx logs a request after its answer has gone, so the last line may
  // come a moment after the client is done: the log is read once it stays.
  std::string SettledLog() {
    std::string log = nginx->RangeLog();
    for (int i = 0; i < 50; ++i) {
      platform::SleepMs(100);
      std::string again = nginx->RangeLog();
      if (again == log) break;
      log = std::move(again);
    }
    return log;
  }
  std::vector<std::string> RangesAsked(const std::string& uri) {
    std::vector<std::string> out;
    std::istringstream log(SettledLog());
    std::string status, path, bytes, range;
    while (log >> status >> path >> bytes >> range)
      if (path == uri) out.push_back(status + " " + range);
    return out;
  }
  long long SentFor(const std::string& uri) {
    long long total = 0;
    std::istringstream log(SettledLog());
    std::string status, path, range;
    long long bytes = 0;
    while (log >> status >> path >> bytes >> range)
      if (path == uri) total += bytes;
    return total;
  }

  std::string v2;
};

}  // namespace partial
}  // namespace apptest
