// Updates that fetch only the changed members of a package from a real
// nginx: the installation ends exactly as unzip leaves the new package over
// the old one, the server sends only the ranges asked for, and every road
// that does not add up ends in the whole package.

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include "JobFixture.h"
#include "app/release/ReleaseSeal.h"
#include "app/update/InstalledFiles.h"
#include "app/update/PartialFetch.h"

namespace apptest {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// Bytes that do not compress, so that a member's share of the package is its size.
std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

Files Version1() {
  Files files;
  for (int i = 0; i < 40; ++i)
    files.push_back({"data/file" + std::to_string(i) + ".bin", Noise(16000 + static_cast<std::size_t>(i), i)});
  files.push_back({"readme.txt", "version 1"});
  return files;
}

// Two files changed, one added, the rest as they were.
Files Version2() {
  Files files = Version1();
  files[7].second = Noise(16007, 1007);
  files[8].second = Noise(9000, 1008);  // a neighbour of the first: one range for both
  files[30].second = Noise(16030, 1030);
  files.push_back({"data/new.bin", Noise(3000, 2000)});
  return files;
}

// Where a member's local header is, found in the bytes.
std::int64_t HeaderOf(const std::string& zip, const std::string& name) {
  for (std::size_t at = zip.find("PK\x03\x04"); at != std::string::npos; at = zip.find("PK\x03\x04", at + 1))
    if (zip.compare(at + 30, name.size(), name) == 0) return static_cast<std::int64_t>(at);
  ADD_FAILURE() << name;
  return -1;
}

std::filesystem::file_time_type Modified(const std::string& path) {
  return std::filesystem::last_write_time(std::filesystem::u8path(path));
}

// Equal trees, or the names that differ.
::testing::AssertionResult SameTree(const std::map<std::string, std::string>& got,
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
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the oracles (Info-ZIP zip and unzip) are called through the shell, which Wine does not have";
#endif
    Job::SetUp();
  }
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
    EXPECT_EQ(std::system(cmd.c_str()), 0);
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

TEST_F(PartialUpdates, OnlyTheChangedMembersAreFetchedAndTheResultIsUnzips) {
  InstallVersion1();
  const auto untouchedTime = Modified(Installed("data/file3.bin"));
  ServeReply("2.0|" + Base() + "|v2.zip|");
  Serve("v2.zip", v2);
  RunUpdate();
  ExpectInstalled();
  EXPECT_EQ(view.questions.size(), 3u) << "only about the files replaced";
  EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
  EXPECT_FALSE(Has("v2.zip"));
  EXPECT_EQ(Modified(Installed("data/file3.bin")), untouchedTime) << "an untouched file keeps its time";

  // The end, then file7 and file8 together, file30, and the new file that
  // follows readme.txt (unchanged) at the end.
  const std::int64_t size = static_cast<std::int64_t>(v2.size());
  const std::int64_t directory = static_cast<std::int64_t>(v2.find("PK\x01\x02"));
  auto range = [](std::int64_t first, std::int64_t end) {
    return "206 bytes=" + std::to_string(first) + "-" + std::to_string(end - 1);
  };
  const std::vector<std::string> expected = {
      "206 bytes=-65536",
      range(HeaderOf(v2, "data/file7.bin"), HeaderOf(v2, "data/file9.bin")),
      range(HeaderOf(v2, "data/file30.bin"), HeaderOf(v2, "data/file31.bin")),
      range(HeaderOf(v2, "data/new.bin"), directory),
  };
  EXPECT_EQ(RangesAsked("/v2.zip"), expected);
  EXPECT_LT(SentFor("/v2.zip"), size / 2);
  // The display counted the members' bytes against those planned.
  ASSERT_FALSE(view.progress.empty());
  EXPECT_EQ(view.progress.back().first, view.progress.back().second);
}

// A directory larger than the first guess at the package's end comes with
// a second range, just before the first.
TEST_F(PartialUpdates, ADirectoryLargerThanTheFirstGuessTakesASecondRange) {
  StartServer();
  Files v1files, v2files;
  for (int i = 0; i < 800; ++i)
    v1files.push_back({"data/" + std::string(60, 'n') + std::to_string(i) + ".bin", Noise(100, i)});
  v2files = v1files;
  v2files[400].second = Noise(120, 9999);
  const std::string v1 = MakeZip(v1files);
  v2 = MakeZip(v2files);
  testsupport::WriteFile(root / "v1.zip", v1);
  testsupport::WriteFile(root / "v2.zip", v2);
  Serve("v1.zip", v1);
  Serve("v2.zip", v2);
  PutIni("1.0");
  ServeReply("1.1|" + Base() + "|v1.zip|");
  RunUpdate();
  ExpectInstalled();
  ServeReply("2.0|" + Base() + "|v2.zip|");
  RunUpdate();
  ExpectInstalled();
  EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));

  const std::int64_t size = static_cast<std::int64_t>(v2.size());
  const std::int64_t directory = static_cast<std::int64_t>(v2.find("PK\x01\x02"));
  ASSERT_LT(directory, size - 65536) << "the directory must be larger than the first guess";
  const std::string changed = v2files[400].first, next = v2files[401].first;
  const std::vector<std::string> expected = {
      "206 bytes=-65536",
      "206 bytes=" + std::to_string(directory) + "-" + std::to_string(size - 65536 - 1),
      "206 bytes=" + std::to_string(HeaderOf(v2, changed)) + "-" + std::to_string(HeaderOf(v2, next) - 1),
  };
  EXPECT_EQ(RangesAsked("/v2.zip"), expected);
}

// A server that sends other bytes for a range under the same validator (the
// file changed in place, its size and time kept): the members fetched do not
// decode to their CRC-32, and the shortcut gives up before anything is installed.
TEST_F(PartialUpdates, OtherBytesUnderTheSameValidatorAreFoundBeforeAnythingIsInstalled) {
  InstallVersion1();
  Serve("v2.zip", v2);
  const std::string served = docroot / "v2.zip";
  const auto time = Modified(served);
  auto tamper = [&] {
    std::string bytes = testsupport::ReadFile(served);
    bytes[HeaderOf(v2, "data/file30.bin") + 200] ^= 0x55;
    testsupport::WriteFile(served, bytes);
    std::filesystem::last_write_time(std::filesystem::u8path(served), time);
  };
  THttpClient client(nullptr);
  bool tampered = false;
  const std::optional<TPartialPackage> fetched = FetchChangedMembers(client, Base() + "v2.zip", install + "/v2.zip",
                                                                     install + "/", [&](std::int64_t, std::int64_t) {
                                                                       if (!tampered) tamper(), tampered = true;
                                                                     });
  EXPECT_TRUE(tampered);
  EXPECT_FALSE(fetched);
  EXPECT_FALSE(Has("v2.zip")) << "nothing is left of the package";
  const std::vector<std::string> asked = RangesAsked("/v2.zip");
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "200 -"), 0) << "the server sent the ranges as asked";
  EXPECT_EQ(asked.size(), 4u) << ::testing::PrintToString(asked);
}

// The program to start comes unchanged in the new package: it is neither
// fetched nor replaced, and it stays to be started.
TEST_F(PartialUpdates, AProgramThePackageBringsUnchangedStaysAndIsStarted) {
  StartServer();
  Files v1files = Version1(), v2files = Version2();
  v1files.push_back({"run.sh", kMarkingScript});
  v2files.push_back({"run.sh", kMarkingScript});
  Serve("v1.zip", MakeZip(v1files, {"run.sh"}));
  Serve("v2.zip", MakeZip(v2files, {"run.sh"}));
  PutIni("1.0");
  ServeReply("1.1|" + Base() + "|v1.zip|run.sh");
  RunUpdate();
  ASSERT_TRUE(AppearsSoon(Installed("ran")));
  std::filesystem::remove(Installed("ran"));

  ServeReply("2.0|" + Base() + "|v2.zip|run.sh");
  RunUpdate();
  ExpectExited();
  EXPECT_TRUE(view.failures.empty());
  EXPECT_EQ(Read("run.sh"), kMarkingScript);
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  const std::vector<std::string> asked = RangesAsked("/v2.zip");
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "200 -"), 0) << "fetched in part";
}

// A signed release promises the whole package's SHA-256, which only the
// whole package can show: no range is asked for.
TEST_F(PartialUpdates, ASignedReleaseComesWhole) {
  InstallVersion1();
  const release::KeyPair pair = release::MakeKeyPair();
  constexpr std::int64_t kNow = 1800000000;
  env.publicKey = release::ToBase64(pair.publicKey);
  env.now = [] { return kNow; };
  Serve("v2.zip", v2);
  ServeReply(
      release::SignedReply(release::UnsignedReply("2.0", Base(), "v2.zip", "", release::Sha256Of(v2.data(), v2.size()),
                                                  static_cast<std::int64_t>(v2.size()), kNow + 3600, 5),
                           pair.secretKey));
  RunUpdate();
  ExpectInstalled();
  EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
  EXPECT_EQ(RangesAsked("/v2.zip"), std::vector<std::string>{"200 -"});
}

// Every way the shortcut does not apply ends as the whole package would.
TEST_F(PartialUpdates, WhatDoesNotAddUpFallsBackToTheWholePackage) {
  struct Case {
    const char* name;
    std::function<void()> before;
    const char* directory;  // of the package on the server
    std::function<void()> duringFetch;
    bool whole;  // the package fetched whole in the end
  };
  const Case cases[] = {
      {"a server that answers no ranges", nullptr, "whole/", nullptr, true},
      {"a damaged record of the installation",
       [this] { Put(kInstalledRecordName, "quelbo-installed 1\n5 5 00000000 broken\n"); }, "", nullptr, false},
      {"a package replaced between its requests", nullptr, "",
       [this] {
         // Another version, of another size, so that its validator differs too.
         Files files = Version2();
         files[0].second = Noise(12345, 3000);
         v2 = MakeZip(files);
         testsupport::WriteFile(root / "v2.zip", v2);
         Serve("v2.zip", v2);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpAgain();
    InstallVersion1();
    if (c.before) c.before();
    ServeReply("2.0|" + Base() + c.directory + "|v2.zip|");
    Serve(std::string(c.directory) + "v2.zip", v2);
    bool changed = false;
    view.onDownload = [&](std::int64_t) {
      if (c.duringFetch && !changed) c.duringFetch(), changed = true;
    };
    RunUpdate();
    view.onDownload = nullptr;
    ExpectInstalled();
    EXPECT_TRUE(SameTree(InstalledTree(), AsUnzipLeavesIt()));
    const std::vector<std::string> asked = RangesAsked("/" + std::string(c.directory) + "v2.zip");
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "200 -"), c.whole ? 1 : 0) << ::testing::PrintToString(asked);
  }
}

}  // namespace
}  // namespace apptest
