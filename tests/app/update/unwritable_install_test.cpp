// An installation directory the person running the updater may not write
// (on Windows, a game under Program Files without elevation): the procedure
// says so before it fetches anything, changes nothing and does not crash.
// The directory belongs to another user here, so the system itself refuses
// the writes: the procedure runs in a child that has given up root.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "JobFixture.h"

namespace {

using apptest::Job;
using apptest::MakeZip;

constexpr uid_t kNobody = 65534;

class UnwritableInstall : public Job {
 protected:
  void SetUp() override {
    Job::SetUp();
    if (::geteuid() != 0 && ::getuid() != 0) {
      // Without root the directory can simply be made read-only for us.
      unwritable_ = [this] { ::chmod(install.c_str(), 0555); };
    } else {
      unwritable_ = [] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0)
          ::_exit(99);
      };
    }
    // The child must reach the installation through the temporary folders.
    ::chmod(root.Path().c_str(), 0755);
  }
  void TearDown() override {
    ::chmod(install.c_str(), 0755);
    Job::TearDown();
  }

  // Runs one pass of the procedure as someone who may not write the
  // installation; the expectations run in that process too.
  void RunUnwritable(const std::function<void()>& expectations) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      unwritable_();
      RunUpdate();
      expectations();
      std::fflush(nullptr);
      ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the procedure crashed";
    EXPECT_NE(WEXITSTATUS(status), 99) << "could not give up root";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see the child's failures above";
  }

  std::function<void()> unwritable_;
};

TEST_F(UnwritableInstall, AnUpdateIsRefusedBeforeAnythingIsFetched) {
  StartServer();
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}, {"run.sh", "new program"}}));
  ServeReply("2.0|" + Base() + "|a.zip|run.sh");
  struct Case {
    const char* name;
    const char* packageMemoryLimit;  // the package in memory, or to its file as it arrives
  };
  for (const Case& c : {Case{"in memory", "1099511627776"}, Case{"through its file", "0"}}) {
    SCOPED_TRACE(c.name);
    setenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT", c.packageMemoryLimit, 1);
    PutIni("1.0");
    Put("data/file.txt", "old data");
    Put("run.sh", "old program");
    const auto before = apptest::TreeOf(install);
    const std::size_t requestsBefore = nginx->AccessLog().size();
    RunUnwritable([&] {
      ASSERT_EQ(view.failures.size(), 1u) << ::testing::PrintToString(view.messages);
      EXPECT_EQ(view.failures[0].kind, UpdateFailure::kInstallDirectory);
      EXPECT_NE(view.failures[0].why.find(install), std::string::npos) << view.failures[0].why;
      EXPECT_EQ(view.messages.size(), 1u) << ::testing::PrintToString(view.messages);
      ExpectStopped();
    });
    unsetenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT");
    EXPECT_EQ(apptest::TreeOf(install), before);
    std::istringstream log(nginx->AccessLog().substr(requestsBefore));
    for (std::string msec, time, status, uri, bytes; log >> msec >> time >> status >> uri >> bytes;)
      EXPECT_EQ(uri, "/version/version.php") << "no package is fetched";
  }
}

// Where nothing is to be written the run ends as anywhere else; a first run
// cannot record its version and says so as it always has.
TEST_F(UnwritableInstall, RunsThatWriteNothingEndAsUsual) {
  StartServer();
  ServeReply("2.0|" + Base() + "|a.zip|run.sh");
  PutIni("2.0");
  RunUnwritable([&] {
    ExpectOnly(UpdateNotice::kCurrent);
    ExpectExited();
  });
  EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));

  std::filesystem::remove(Installed("xconfig.ini"));
  RunUnwritable([&] {
    ExpectNoMessage();
    ExpectEscaped("Unable to write to " + Installed("xconfig.ini"));
  });
  EXPECT_FALSE(Has("xconfig.ini"));
}

}  // namespace
