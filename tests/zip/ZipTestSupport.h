#pragma once
// Shared helpers of the archive tests: scratch directories, running the
// Info-ZIP oracle, comparing extracted trees, and a small writer of archives
// whose every field a test can set.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/UserInterface.h"
#include "tests/support/TestServers.h"

namespace ziptest {

namespace fs = std::filesystem;
using testsupport::FsPath;
using testsupport::Utf8Of;

std::string DataFile(const std::string& name);

// A directory under the system's temporary directory, removed with everything
// in it (read-only parts included) when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

// Runs a shell command; returns its exit status.
int Shell(const std::string& command);
std::string Quote(const std::string& s);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

// Differences between two trees (names, kinds, contents, modification times
// and permission bits); empty when they are the same.
struct CompareOptions {
  bool times = true;
  bool modes = true;
};
std::string CompareTrees(const std::string& a, const std::string& b, CompareOptions options = {});
// Names of the regular files and directories below root, "/"-separated, sorted.
std::vector<std::string> ListTree(const std::string& root);

// Records every question the extractor asks and answers each with a fixed button.
struct MessageBoxRequest {
  std::string text;
  std::string caption;
  UINT type = 0;
};
class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(int answer = IDOK);
  ~MessageBoxRecorder();
  std::vector<MessageBoxRequest> requests;
  int answer;

 private:
  TUserInterface previous_;
};

// Writes archives byte by byte.
struct Member {
  std::string name;
  std::string data;      // stored as it is unless `compressed` is set
  std::string compressed;
  bool useCompressed = false;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint16_t madeBy = 0x0314;  // Unix, 2.0
  std::uint32_t dateTime = 0x5A210000 | (12u << 11);  // 2025-01-01 12:00
  std::uint32_t externalAttributes = 0100644u << 16;
  std::int64_t crcOverride = -1;
  std::int64_t sizeOverride = -1;  // uncompressed size recorded
  std::string centralExtra;
  std::int64_t localOffsetOverride = -1;
  std::int64_t compressedSizeOverride = -1;  // in both headers
  int centralExtraLengthOverride = -1;
};

struct ArchiveOptions {
  std::string prefix;                // bytes before the first local header
  std::vector<int> centralOrder;     // order of central headers (default: member order)
  std::string comment;
  bool writeEndRecord = true;
};

std::string BuildArchive(const std::vector<Member>& members, const ArchiveOptions& options = {});
std::uint32_t Crc32(const std::string& data);
std::string Deflate(const std::string& data);
std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace ziptest
