// Updates that fetch only the changed members of a package from a real
// nginx: the installation ends exactly as unzip leaves the new package over
// the old one, the server sends only the ranges asked for, and every road
// that does not add up ends in the whole package.

#include "PartialFixture.h"
#include "app/release/ReleaseSeal.h"
#include "app/update/PartialFetch.h"

namespace apptest {
namespace {

using namespace partial;

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
  QUELBO_SKIP_ON_WINDOWS(kScriptProgramsOnWindows);
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
