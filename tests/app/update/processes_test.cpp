// Ending the game launcher by name and starting a program without waiting,
// on throw-away processes of this test only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "ThrowawayProcess.h"
#include "app/update/Installation.h"
#include "app/update/Processes.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Processes.h"
#include "tests/support/TestServers.h"

using namespace platform::literals;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using apptest::Sleeper;

namespace {

TEST(KillProcessByName, EndsEveryLauncherHoweverItsNameIsSpelled) {
  TempDir dir;
  const std::string copy = dir / "开始游戏.exe";
  std::filesystem::copy_file("/bin/sleep", copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_all);

  Sleeper byPath(copy, copy);                                       // a full path ending in the name
  Sleeper windowsPath("/bin/sleep", "C:\\Games\\开始游戏.EXE");    // as a compatibility layer shows it
  Sleeper mixedCase("/bin/sleep", "开始游戏.Exe");
  Sleeper bare("/bin/sleep", "开始游戏.exe");
  Sleeper longer("/bin/sleep", "开始游戏.exe.bak");
  Sleeper prefixed("/bin/sleep", "旧开始游戏.exe");
  Sleeper otherDir("/bin/sleep", "/opt/开始游戏.exe/other");
  for (Sleeper* s : {&byPath, &windowsPath, &mixedCase, &bare, &longer, &prefixed, &otherDir})
    ASSERT_GT(s->Pid(), 0);

  EXPECT_EQ(KillProcessByName("开始游戏.exe"_cp936), 1);

  EXPECT_TRUE(byPath.EndedByKill());
  EXPECT_TRUE(windowsPath.EndedByKill());
  EXPECT_TRUE(mixedCase.EndedByKill());
  EXPECT_TRUE(bare.EndedByKill());
  EXPECT_TRUE(longer.Running());
  EXPECT_TRUE(prefixed.Running());
  EXPECT_TRUE(otherDir.Running());
}

TEST(KillProcessByName, NothingToEndGivesZero) {
  EXPECT_EQ(KillProcessByName("no-such-program-" + std::to_string(getpid()) + ".exe"), 0);
}

TEST(KillProcessByName, ProcessListShowsTheFirstWordInCodePage936) {
  Sleeper s("/bin/sleep", "开始游戏.exe");
  bool found = false;
  for (const platform::ProcessEntry& p : platform::ListProcesses())
    if (p.pid == s.Pid()) found = p.exeName == "开始游戏.exe"_cp936;
  EXPECT_TRUE(found);
}

TEST(RunAppFile, StartsTheProgramInItsOwnSessionWithoutWaiting) {
  TempDir dir;
  const UpdateEnvironment env = SystemEnvironment(dir.Path() + "/", "", "");
  // The program records itself, then lives on; RunAppFile must be back long before.
  WriteFile(dir / "运行.sh",
            "#!/bin/sh\ncd \"$(dirname \"$0\")\"\ncat /proc/$$/stat > started.tmp && mv started.tmp started\n"
            "exec sleep 30\n");
  std::filesystem::permissions(dir / "运行.sh", std::filesystem::perms::owner_all);

  ASSERT_TRUE(RunAppFile(env, "运行.sh"_cp936).Ok());

  const std::uint64_t end = platform::TickCount() + 10000;
  while (platform::TickCount() < end && !std::filesystem::exists(dir / "started"))
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::string stat = ReadFile(dir / "started");
  ASSERT_FALSE(stat.empty());
  // Fields after the command name: state, parent, group, session.
  std::istringstream rest(stat.substr(stat.rfind(')') + 2));
  std::string state;
  int parent = 0, group = 0, session = 0;
  rest >> state >> parent >> group >> session;
  const int pid = std::stoi(stat);
  // A session apart from ours, and not our child: nothing here waits for it.
  EXPECT_NE(session, getsid(0));
  EXPECT_NE(parent, getpid());
  EXPECT_NE(pid, 0);
  // Still running: the call did not wait for the program.
  EXPECT_EQ(kill(pid, 0), 0);
  kill(pid, SIGKILL);
}

TEST(RunAppFile, ReportsWhetherTheProgramCouldBeExecuted) {
  TempDir dir;
  const UpdateEnvironment env = SystemEnvironment(dir.Path() + "/", "", "");
  struct Case {
    const char* name;
    std::string content;
    std::string why;  // "" when it starts
  };
  const Case cases[] = {
      {"run.sh", "#!/bin/sh\ncd \"$(dirname \"$0\")\"\necho ran > ran.tmp && mv ran.tmp ran\n", ""},
      {"garbage.exe", "MZ this is no program of this system", "Exec format error"},
      {"orphan.sh", "#!/no/such/interpreter\n", "No such file or directory"},
  };
  for (const Case& c : cases) {
    WriteFile(dir / c.name, c.content);
    std::filesystem::permissions(dir / c.name, std::filesystem::perms::owner_all);
    const Result<> started = RunAppFile(env, c.name);
    EXPECT_EQ(started.Ok(), c.why.empty()) << c.name;
    EXPECT_EQ(started.Why(), c.why) << c.name;
  }
  const std::uint64_t end = platform::TickCount() + 10000;
  while (platform::TickCount() < end && !std::filesystem::exists(dir / "ran"))
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(std::filesystem::exists(dir / "ran"));
}

TEST(RunAppFile, AMissingFileIsNotAnError) {
  TempDir dir;
  (void)RunAppFile(SystemEnvironment(dir.Path() + "/", "", ""), "missing.exe");
  SUCCEED();
}

TEST(GetAppDir, DirectoryOfTheRunningProgramWithItsSeparator) {
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(GetAppDir(), exe.substr(0, exe.rfind('/') + 1));
}

}  // namespace
