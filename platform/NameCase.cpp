// Names that differ only in ASCII case. The platform the program is made for
// does not tell them apart, so where an exact name is missing the existing
// entry spelled in another case is the one meant.
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <functional>
#include <mutex>

#include "platform/Files.h"

namespace platform {

namespace {

using Names = std::map<std::string, std::string>;

// Names are compared in UTF-8, where no byte of a non-ASCII character can
// look like an ASCII letter (the second byte of a code page 936 character can).
std::string FoldAsciiCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

Names ReadNames(const std::string& os) {
  Names names;
  if (DIR* d = ::opendir(os.c_str())) {
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

// Directories read before, kept while they stay unchanged, so that a name
// asked for again and again (a skin image at every paint) costs a few file
// tests instead of a reading of its directory.
class ListingCache {
 public:
  // The names of dir (folded -> on disk), read now or kept from before.
  Names Get(const std::string& dir) {
    std::lock_guard<std::mutex> lock(mu_);
    return Current(dir);
  }
  // The spelling on disk of a folded name in dir.
  std::optional<std::string> Find(const std::string& dir, const std::string& folded) {
    std::lock_guard<std::mutex> lock(mu_);
    const Names& names = Current(dir);
    auto at = names.find(folded);
    return at == names.end() ? std::nullopt : std::optional<std::string>(at->second);
  }

 private:
  struct Entry {
    struct stat stamp;
    Names names;
  };
  static constexpr size_t kMaxEntries = 64;
  // Longer than the clock step of any file system's times.
  static constexpr long kSettleSeconds = 2;

  const Names& Current(const std::string& dir) {
    const std::string os = dir.empty() ? "." : dir;
    struct stat st;
    if (::stat(os.c_str(), &st) != 0) {
      entries_.erase(dir);
      return none_;
    }
    auto kept = entries_.find(dir);
    if (kept != entries_.end() && Same(kept->second.stamp, st)) return kept->second.names;
    timespec readAt{};
    clock_gettime(CLOCK_REALTIME, &readAt);
    if (kept == entries_.end() && entries_.size() >= kMaxEntries) entries_.erase(entries_.begin());
    Entry& e = entries_[dir];
    e.names = ReadNames(os);
    e.stamp = st;
    // A change within the clock step of the reading may leave the directory's
    // time as it was: such a listing is read again next time.
    if (st.st_mtim.tv_sec + kSettleSeconds >= readAt.tv_sec) e.stamp.st_ino = 0;
    return e.names;
  }
  static bool Same(const struct stat& a, const struct stat& b) {
    return a.st_ino != 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
  }

  std::mutex mu_;
  std::map<std::string, Entry> entries_;
  const Names none_{};
};

ListingCache& Listings() {
  static ListingCache cache;
  return cache;
}

// The path with each missing component replaced by the spelling find gives
// for it in its directory (UTF-8, the directory ending in "/").
using SpellingFinder = std::function<std::optional<std::string>(const std::string& dir, const std::string& folded)>;

std::string ResolveWith(const std::string& path, const SpellingFinder& find) {
  const std::optional<std::string> exact = ToOsPathExact(path);
  if (!exact) return path;
  const std::string& os = *exact;
  struct stat st;
  if (os.empty() || ::lstat(os.c_str(), &st) == 0) return path;
  // The longest leading part that exists stays as it is; the walk starts
  // below it.
  std::size_t from = 0;
  for (std::size_t slash = os.rfind('/'); slash != std::string::npos && slash > 0; slash = os.rfind('/', slash - 1))
    if (::lstat(os.substr(0, slash).c_str(), &st) == 0) {
      from = slash + 1;
      break;
    }
  std::string resolved = os.substr(0, from);
  bool missing = false;  // below a missing component nothing can exist
  while (from <= os.size()) {
    std::size_t slash = os.find('/', from);
    if (slash == std::string::npos) slash = os.size();
    const std::string part = os.substr(from, slash - from);
    std::string candidate = resolved + part;
    if (!part.empty() && part != "." && part != ".." && !missing && ::lstat(candidate.c_str(), &st) != 0) {
      const std::optional<std::string> variant = find(resolved, FoldAsciiCase(part));
      if (!variant) missing = true;
      else candidate = resolved + *variant;
    }
    resolved = candidate;
    if (slash < os.size()) resolved += '/';
    from = slash + 1;
  }
  return FromOsPath(resolved);
}

}  // namespace

const std::map<std::string, std::string>& NameCaseResolver::Listing(const std::string& dir) {
  auto found = listings_.find(dir);
  if (found != listings_.end()) return found->second;
  return listings_[dir] = Listings().Get(dir);
}

std::string NameCaseResolver::Resolve(const std::string& path) {
  return ResolveWith(path, [this](const std::string& dir, const std::string& folded) -> std::optional<std::string> {
    const auto& names = Listing(dir);
    auto at = names.find(folded);
    return at == names.end() ? std::nullopt : std::optional<std::string>(at->second);
  });
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

std::string ResolveNameCase(const std::string& path) {
  return ResolveWith(path,
                     [](const std::string& dir, const std::string& folded) { return Listings().Find(dir, folded); });
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(ToOsPath(a).c_str(), &sa) == 0 && ::stat(ToOsPath(b).c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace platform
