// A file that another program holds open without sharing it, as a game holds
// its libraries or a scanner what it scans: Windows refuses to rename it. A
// journaled run waits for it a while; a file let go of meanwhile is replaced,
// one held on leaves every old file in place, a message naming it, and the
// new files waiting for the next start, which completes the installation.
// Linux has no such locks, so there is nothing to wait for.
#include <thread>

#include "ExtractFixture.h"
#include "platform/Clock.h"
#include "platform/FileHolders.h"
#include "platform/PathNames.h"
#include "zip/InstallJournal.h"
#include "zip/ZipErrors.h"

namespace {

using namespace ziptest;

TEST_F(ExtractTest, AFileInUseIsWaitedForThenLeftToTheNextStart) {
  if (!platform::kBackslashSeparates) GTEST_SKIP() << "Linux has no locks that keep a file from being renamed";
  const std::string journal = dest_ + "/.journal";
  const std::string held = dest_ + "/sub/b.txt";
  const std::vector<Member> package = {M("a.txt", "new a"), M("sub/b.txt", "new b"), M("c.txt", "new c")};
  auto content = [&](const std::string& name) {
    return fs::is_regular_file(dest_ + "/" + name) ? ReadFile(dest_ + "/" + name) : "-";
  };
  auto installation = [&] { return content("a.txt") + "|" + content("sub/b.txt") + "|" + content("c.txt"); };
  auto complete = [&] {
    return zip::CompleteInstall(journal, [](const std::string&, const std::vector<std::string>&) {});
  };

  struct Case {
    const char* name;
    std::uint32_t holdMs;  // 0: beyond the run
  };
  for (const Case& c : {Case{"let go of within the wait", 300}, Case{"held beyond the wait", 0}}) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dest_);
    fs::create_directories(dest_ + "/sub");
    WriteFile(dest_ + "/a.txt", "old a");
    WriteFile(held, "old b");
    z_.SetInstallJournal(journal, "version 2.0");
    z_.OverwriteMode = TUZOverwriteMode::Always;
    z_.InUseWaitMs = 2000;

    platform::FileHandle holder = platform::OpenFileUnshared(platform::ToOsPath(held));
    ASSERT_NE(holder, platform::kNoFile);
    std::thread letGo;
    if (c.holdMs)
      letGo = std::thread([&] {
        platform::SleepMs(c.holdMs);
        platform::CloseFile(holder);
      });
    std::string failure;
    try {
      Extract(package);
    } catch (const EFCreateError& e) {
      failure = e.Message();
    }
    if (letGo.joinable()) letGo.join();
    else platform::CloseFile(holder);

    if (c.holdMs) {
      EXPECT_EQ(failure, "");
      EXPECT_EQ(installation(), "new a|new b|new c");
    } else {
      EXPECT_NE(failure.find("b.txt\" is in use"), std::string::npos) << failure;
      EXPECT_NE(failure.find("completed at the next start"), std::string::npos) << failure;
      EXPECT_EQ(installation(), "old a|old b|-");
      EXPECT_TRUE(fs::exists(journal));
    }
    // The next start (or the run itself) completes it, with nothing left over.
    EXPECT_EQ(complete(), zip::JournalOutcome::kCompleted);
    EXPECT_EQ(installation(), "new a|new b|new c");
    EXPECT_EQ(DestTree(), (std::vector<std::string>{"a.txt", "c.txt", "sub/", "sub/b.txt"}));
  }
}

}  // namespace
