// Temporary files that a later run can tell from those still being written,
// on every system: held files (FileHandle.h) with names of a known pattern.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/FileHandle.h"
#include "platform/PathNames.h"

namespace platform {
namespace {

// Six letters or digits, different in every call and every process.
std::string RandomSuffix() {
  static std::atomic<std::uint64_t> counter{0};
  thread_local std::mt19937_64 generator(std::random_device{}() ^
                                         std::hash<std::thread::id>()(std::this_thread::get_id()) ^
                                         static_cast<std::uint64_t>(
                                             std::chrono::steady_clock::now().time_since_epoch().count()));
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uint64_t bits = generator() ^ (counter++ * 0x9E3779B97F4A7C15ull);
  std::string s;
  for (int i = 0; i < 6; ++i, bits /= 62) s += kChars[bits % 62];
  return s;
}

}  // namespace

FileHandle CreateHeldTemporaryFile(const std::string& osDirectory, const char* prefix, std::string& osPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = osDirectory + prefix + RandomSuffix();
    const FileHandle file = OpenHeldFile(path, FileCreation::CreateNew);
    if (file != kNoFile) {
      osPath = path;
      return file;
    }
    if (errno != EEXIST) return kNoFile;
  }
  return kNoFile;
}

void RemoveUnheldTemporaryFiles(const std::string& dir, const std::function<bool(const char* name)>& ours) {
  ListDirectory(dir, [&](const std::string& name) {
    if (ours(name.c_str())) RemoveIfUnheld(JoinPath(dir, name));
  });
}

}  // namespace platform
