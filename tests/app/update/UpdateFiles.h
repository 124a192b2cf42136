#pragma once
// What the tests of the update procedure lay out and wait for: archives made
// with Info-ZIP's zip, a program that leaves a mark when started, and a port
// nobody listens on.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "tests/support/TestServers.h"

// What the Windows build cannot do as these tests have it, skipped there
// with the reason measured under Wine.
#ifdef _WIN32
#define QUELBO_SKIP_ON_WINDOWS(why) GTEST_SKIP() << (why)
#else
#define QUELBO_SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif
// The programs these tests start are shell scripts.
inline constexpr const char* kScriptProgramsOnWindows =
    "the program started is a shell script, which Windows cannot start (\"Exec format error\" under Wine); "
    "the Wine end-to-end run starts a Windows program";
// The reply names the file with a "?", which a Windows file name cannot hold.
inline constexpr const char* kQuestionMarkNameOnWindows =
    "Windows file names cannot hold \"?\" (\"Cannot create file ... Invalid argument\" under Wine)";

namespace apptest {

// A port of 127.0.0.1 that was free a moment ago; nothing of this test listens
// on it. The host's own Python finds it, so that the Windows build under Wine
// asks the same network as the servers it talks to.
inline int ClosedPort() {
  static int port = [] {
    const testsupport::CommandResult found = testsupport::RunCommand(
        {"python3", "-c",
         "import socket; s = socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"});
    return std::stoi(found.out);
  }();
  return port;
}

// Waits up to 10 s for a file to appear (a started program's mark).
inline bool AppearsSoon(const std::string& path) {
  const std::uint64_t end = platform::TickCount() + 10000;
  while (platform::TickCount() < end && !std::filesystem::exists(path)) platform::SleepMs(20);
  return std::filesystem::exists(path);
}

// A program that leaves the mark "ran" beside itself when started.
inline constexpr const char* kMarkingScript =
    "#!/bin/sh\ncd \"$(dirname \"$0\")\"\necho ran > ran.tmp && mv ran.tmp ran\n";

// Builds a ZIP archive with Info-ZIP's zip from files laid out in a scratch directory.
inline std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& files,
                           const std::vector<std::string>& executables = {}) {
  testsupport::TempDir scratch;
  for (const auto& [name, bytes] : files) testsupport::WriteFile(scratch / name, bytes);
  for (const std::string& name : executables)
    std::filesystem::permissions(scratch / name, std::filesystem::perms::owner_all |
                                                     std::filesystem::perms::group_read |
                                                     std::filesystem::perms::group_exec);
  const std::string zipPath = scratch / "out.zip";
  std::string cmd = "cd '" + scratch.Path() + "' && zip -q -X -r out.zip";
  for (const auto& [name, bytes] : files) cmd += " '" + name + "'";
  // Through the test support's runner: under Wine, the host's zip.
  if (testsupport::RunCommand({"sh", "-c", cmd}).status != 0) return {};
  return testsupport::ReadFile(zipPath);
}

// Every entry below a directory with its content ("/" for a directory).
inline std::map<std::string, std::string> TreeOf(const std::string& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    out[testsupport::Utf8Of(std::filesystem::relative(e.path(), root))] =
        e.is_regular_file() ? testsupport::ReadFile(testsupport::Utf8Of(e.path())) : "/";
  return out;
}

}  // namespace apptest
