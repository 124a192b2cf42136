#pragma once
// What the tests of the update procedure lay out and wait for: archives made
// with Info-ZIP's zip, a program that leaves a mark when started, and a port
// nobody listens on.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "tests/support/TestServers.h"

namespace apptest {

// A port of 127.0.0.1 that was free a moment ago; nothing of this test listens on it.
inline int ClosedPort() {
  static int port = [] {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return static_cast<int>(ntohs(a.sin_port));
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
  if (std::system(cmd.c_str()) != 0) return {};
  return testsupport::ReadFile(zipPath);
}

// Every entry below a directory with its content ("/" for a directory).
inline std::map<std::string, std::string> TreeOf(const std::string& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    out[std::filesystem::relative(e.path(), root)] = e.is_regular_file() ? testsupport::ReadFile(e.path()) : "/";
  return out;
}

}  // namespace apptest
