#pragma once
// Files and directories. Paths are code page 936 byte strings, as the program
// holds them; they become UTF-8 where they reach the operating system.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace platform {

std::string ToOsPath(const std::string& cp936Path);
// The path exactly as the program holds it; nullopt when a byte sequence in it
// reads as no character or it holds a NUL, so a file is never made under a
// name with a "?" put in.
std::optional<std::string> ToOsPathExact(const std::string& cp936Path);
// Keeps every character of the name (see CodePage.h).
std::string FromOsPath(const std::string& osPath);
// The system's text for an errno value.
std::string ErrorText(int err);

// True only for an existing regular file (not for a directory).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool DeleteFile(const std::string& path);
// Creates the directory and every missing parent; true when it exists
// afterwards, else false with errno (EEXIST: a file stands there, ENOTDIR: a
// file stands on the way).
bool ForceDirectories(const std::string& path);
// The path as given where it exists; otherwise each missing component is
// replaced by an existing entry of its directory whose name differs from it
// only in ASCII case, as the platform the program is made for finds files.
// Components with no such entry stay as given. A directory is read again
// only when it has changed.
std::string ResolveNameCase(const std::string& path);

// The same for many paths: each directory is read once. Entries made after
// their directory was read are told with Added, or they are not found.
class NameCaseResolver {
 public:
  std::string Resolve(const std::string& path);
  // Path (as resolved) now exists, and every directory on the way.
  void Added(const std::string& path);

 private:
  // Folded name -> the spelling on disk, per directory (UTF-8, ending in "/").
  const std::map<std::string, std::string>& Listing(const std::string& dir);
  std::map<std::string, std::map<std::string, std::string>> listings_;
};
// True when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b);
// Full path of the running program file.
std::string ExecutablePath();

}  // namespace platform
