#pragma once
// What the benchmarks of the whole update share: the package they serve (made
// once and kept beside them), its launcher, and the clock.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/Packages.h"
#include "tests/support/TestServers.h"

namespace benche2e {

namespace fs = std::filesystem;

inline constexpr const char* kPackage = "package.zip";
inline constexpr const char* kLauncher = "start.sh";
inline constexpr const char* kLauncherScript = "#!/bin/sh\nexit 0\n";

inline double Now() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

inline double Mb(double bytes) { return bytes / (1024.0 * 1024.0); }

// Text-like files (they deflate to about 42 per cent) and noise (it does not),
// 8 MB each, about as many bytes of each, plus many small files and the
// launcher; sized so that the package comes out near packageMb.
inline void WriteContent(const std::string& root, std::size_t packageMb) {
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    for (std::uint64_t n = 2 + next() % 8; n > 0; --n) w += static_cast<char>('a' + next() % 26);
    words.push_back(w);
  }
  // Each pair of 8 MB files adds about 11.4 MB to the package (the text
  // deflates to 42 per cent): rounded to the nearest pair.
  const std::size_t pairs = std::max<std::size_t>(1, (packageMb * 100 + 568) / 1136);
  for (std::size_t i = 0; i < pairs; ++i) {
    std::string noise(8u << 20, '\0'), text;
    for (std::size_t k = 0; k + 8 <= noise.size(); k += 8) {
      std::uint64_t v = next();
      std::memcpy(&noise[k], &v, 8);
    }
    text.reserve(noise.size() + 128);
    while (text.size() < noise.size()) {
      for (std::uint64_t n = 4 + next() % 10; n > 0; --n) text += words[next() % words.size()] + ' ';
      text.back() = '\n';
    }
    text.resize(noise.size());
    const std::string dir = root + "/data/pack" + std::to_string(i % 10);
    testsupport::WriteFile(dir + "/noise" + std::to_string(i) + ".bin", noise);
    testsupport::WriteFile(dir + "/text" + std::to_string(i) + ".txt", text);
  }
  for (int i = 0; i < 400; ++i)
    testsupport::WriteFile(root + "/ui/icons" + std::to_string(i % 8) + "/icon" + std::to_string(i) + ".cfg",
                           std::string(2048 + i * 8, static_cast<char>('A' + i % 26)));
  testsupport::WriteFile(root + "/" + kLauncher, kLauncherScript);
  fs::permissions(root + "/" + kLauncher, fs::perms(0755));
}

// The package, made once and kept beside the benchmark.
inline std::string Package(std::size_t packageMb) {
  const std::string path = std::string(BENCH_DATA_DIR) + "/package-" + std::to_string(packageMb) + "mb.zip";
  if (fs::exists(path)) return path;
  testsupport::TempDir content;
  std::printf("making the package (once) ...\n");
  std::fflush(stdout);
  WriteContent(content.Path(), packageMb);
  if (e2e::Shell("cd '" + content.Path() + "' && zip -q -r '" + path + ".part' .") != 0) {
    std::fprintf(stderr, "zip failed\n");
    std::exit(1);
  }
  fs::rename(path + ".part", path);
  return path;
}

inline std::uintmax_t TreeBytes(const std::string& root) {
  std::uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

}  // namespace benche2e
