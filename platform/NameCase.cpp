// Names that differ only in ASCII case. The platform the program is made for
// does not tell them apart, so where an exact name is missing the existing
// entry spelled in another case is the one meant.
#include <dirent.h>
#include <sys/stat.h>

#include "platform/Files.h"

namespace platform {

namespace {

bool SameIgnoringAsciiCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

// The entry of dir spelled like name in another case; of several, the first
// in byte order, so the choice does not depend on the listing's order.
std::string FindCaseVariant(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string best;
  while (dirent* e = ::readdir(d)) {
    if (SameIgnoringAsciiCase(name, e->d_name) && (best.empty() || best.compare(e->d_name) > 0)) best = e->d_name;
  }
  ::closedir(d);
  return best;
}

}  // namespace

std::string ResolveNameCase(const std::string& path) {
  // Names are compared in UTF-8, where no byte of a non-ASCII character can
  // look like an ASCII letter (the second byte of a code page 936 character can).
  const std::optional<std::string> exact = ToOsPathExact(path);
  if (!exact) return path;
  const std::string& os = *exact;
  struct stat st;
  if (os.empty() || ::lstat(os.c_str(), &st) == 0) return path;
  std::string resolved;
  bool missing = false;  // below a missing component nothing can exist
  std::size_t from = 0;
  while (from <= os.size()) {
    std::size_t slash = os.find('/', from);
    if (slash == std::string::npos) slash = os.size();
    const std::string part = os.substr(from, slash - from);
    std::string candidate = resolved + part;
    if (!part.empty() && part != "." && part != ".." && !missing && ::lstat(candidate.c_str(), &st) != 0) {
      const std::string variant = FindCaseVariant(resolved, part);
      if (variant.empty()) missing = true;
      else candidate = resolved + variant;
    }
    resolved = candidate;
    if (slash < os.size()) resolved += '/';
    from = slash + 1;
  }
  return FromOsPath(resolved);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(ToOsPath(a).c_str(), &sa) == 0 && ::stat(ToOsPath(b).c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace platform
