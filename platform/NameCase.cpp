// Names that differ only in ASCII case. The platform the program is made for
// does not tell them apart, so where an exact name is missing the existing
// entry spelled in another case is the one meant.
#include <dirent.h>
#include <sys/stat.h>

#include "platform/Files.h"

namespace platform {

namespace {

// Names are compared in UTF-8, where no byte of a non-ASCII character can
// look like an ASCII letter (the second byte of a code page 936 character can).
std::string FoldAsciiCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

const std::map<std::string, std::string>& NameCaseResolver::Listing(const std::string& dir) {
  auto found = listings_.find(dir);
  if (found != listings_.end()) return found->second;
  std::map<std::string, std::string>& names = listings_[dir];
  if (DIR* d = ::opendir(dir.empty() ? "." : dir.c_str())) {
    // Of several spellings the first in byte order, so the choice does not
    // depend on the order of the listing.
    while (dirent* e = ::readdir(d)) {
      auto [at, added] = names.emplace(FoldAsciiCase(e->d_name), e->d_name);
      if (!added && at->second.compare(e->d_name) > 0) at->second = e->d_name;
    }
    ::closedir(d);
  }
  return names;
}

std::string NameCaseResolver::Resolve(const std::string& path) {
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
      const auto& names = Listing(resolved);
      auto variant = names.find(FoldAsciiCase(part));
      if (variant == names.end()) missing = true;
      else candidate = resolved + variant->second;
    }
    resolved = candidate;
    if (slash < os.size()) resolved += '/';
    from = slash + 1;
  }
  return FromOsPath(resolved);
}

void NameCaseResolver::Added(const std::string& path) {
  const std::optional<std::string> exact = ToOsPathExact(path);
  if (!exact) return;
  const std::string& os = *exact;
  for (std::size_t from = 0; from < os.size();) {
    std::size_t slash = os.find('/', from);
    if (slash == std::string::npos) slash = os.size();
    const std::string dir = os.substr(0, from), part = os.substr(from, slash - from);
    auto listing = listings_.find(dir);
    if (!part.empty() && listing != listings_.end()) {
      auto [at, added] = listing->second.emplace(FoldAsciiCase(part), part);
      if (!added && at->second.compare(part) > 0) at->second = part;
    }
    from = slash + 1;
  }
}

std::string ResolveNameCase(const std::string& path) { return NameCaseResolver().Resolve(path); }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(ToOsPath(a).c_str(), &sa) == 0 && ::stat(ToOsPath(b).c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace platform
