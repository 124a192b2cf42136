// Packages too large for memory: they go straight into their file and install
// exactly as small ones do, and a disk that fills while one arrives changes
// nothing.
#include <signal.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "JobFixture.h"

namespace {

using apptest::kMarkingScript;
using apptest::MakeZip;
using apptest::TreeOf;
using Large = apptest::Job;

TEST_F(Large, BothRoadsInstallAlike) {
  QUELBO_SKIP_ON_WINDOWS(kScriptProgramsOnWindows);
  StartServer();
  const std::string zip = MakeZip({{"run.sh", kMarkingScript}, {"data/file.txt", "new data"}}, {"run.sh"});
  Serve("a.zip", zip);
  Serve("tool.sh", kMarkingScript);
  for (const bool viaFile : {false, true}) {
    SCOPED_TRACE(viaFile ? "via the package's file" : "in memory");
    env.packageMemoryLimit = viaFile ? 0 : kPackageMemoryLimit;
    std::filesystem::remove_all(install);
    std::filesystem::create_directory(install);

    // An archive: unpacked, recorded, its program started, the package gone.
    PutIni("1.0");
    ServeReply("2.0|" + Base() + "|a.zip|run.sh");
    RunUpdate();
    ExpectNoMessage();
    ExpectExited();
    EXPECT_TRUE(apptest::AppearsSoon(Installed("ran")));
    std::filesystem::remove(Installed("ran"));
    auto tree = TreeOf(install);
    EXPECT_EQ(tree.erase("xconfig.installed"), 1u) << "the record of the installed files";
    EXPECT_EQ(
        tree,
        (std::map<std::string, std::string>{
            {"data", "/"}, {"data/file.txt", "new data"}, {"run.sh", kMarkingScript}, {"xconfig.ini", Ini("2.0")}}));

    // A plain file that is itself the program: kept under its name.
    ServeReply("3.0|" + Base() + "|tool.sh|tool.sh");
    RunUpdate();
    ExpectExited();
    EXPECT_TRUE(apptest::AppearsSoon(Installed("ran")));
    std::filesystem::remove(Installed("ran"));
    EXPECT_EQ(Read("tool.sh"), kMarkingScript);
    EXPECT_EQ(TreeOf(install).size(), tree.size() + 2) << "nothing but the new file beside the record";
  }
}

TEST_F(Large, AFullDiskWhileThePackageArrivesChangesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no limit on the size of a process's files to stand in for a full disk";
#else
  StartServer();
  // Noise: the package is as large as its content.
  std::string noise(400000, '\0');
  std::uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  Serve("a.zip", MakeZip({{"data/file.txt", noise}}));
  ServeReply("2.0|" + Base() + "|a.zip|");
  PutIni("1.0");
  Put("data/file.txt", "old data");
  env.packageMemoryLimit = 0;
  const auto before = TreeOf(install);
  // A limit on the size of files written stands in for a full disk.
  struct rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = {100000, old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  RunUpdate();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  ASSERT_EQ(view.failures.size(), 1u) << ::testing::PrintToString(view.messages);
  EXPECT_EQ(view.failures[0].kind, UpdateFailure::kDownload);
  EXPECT_EQ(view.failures[0].why.rfind("Cannot write file", 0), 0u) << view.failures[0].why;
  ExpectStopped();
  EXPECT_EQ(TreeOf(install), before) << "no part of the package is left behind";
#endif
}

}  // namespace
