// The demo's game launcher as a program, for installations on Windows, where
// the shell script of scripts/demo/package cannot run: started by the
// updater once the new files are in place, it leaves the same note beside
// itself ("launcher-started.txt": that it ran, the version it found in
// data/version.txt, the time) and ends.
//
//   开始游戏.exe [--stay | --hold FILE]
//
// --stay leaves no note and runs until it is ended, as a launcher does while
// its game runs: what the updater must end before it updates. --hold opens
// FILE sharing nothing, says "holding FILE" on its output once it does, and
// runs until it is ended, as another program (a game's library loader, a
// scanner) holds a file of the installation; copied under another name, so
// that the updater does not end it with the launcher.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/Clock.h"
#include "platform/FileHolders.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace {

fs::path FromUtf8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  // As the shell's $(cat ...) gives it: without the line breaks it ends with.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--stay") == 0) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
  if (argc == 3 && std::strcmp(argv[1], "--hold") == 0) {
    if (platform::OpenFileUnshared(argv[2]) == platform::kNoFile) {
      std::fprintf(stderr, "cannot open %s: %s\n", argv[2], std::strerror(errno));
      return 1;
    }
    std::printf("holding %s\n", argv[2]);
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
  // The program's own path is in code page 936, as every path it holds.
  const fs::path here = FromUtf8(platform::ToOsPath(platform::ExecutablePath())).parent_path();
  std::tm now{};
  platform::LocalCalendarTime(std::time(nullptr), now);
  char time[32];
  std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", &now);
  {
    std::ofstream note(here / ".launcher-started.tmp", std::ios::binary | std::ios::trunc);
    note << "Quelbo launcher started\n"
         << "version: " << ReadText(here / "data" / "version.txt") << "\n"
         << "time: " << time << "\n";
    if (!note) return 1;
  }
  std::error_code ec;
  fs::remove(here / "launcher-started.txt", ec);
  fs::rename(here / ".launcher-started.tmp", here / "launcher-started.txt", ec);
  return ec ? 1 : 0;
}
