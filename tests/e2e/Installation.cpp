#include "tests/e2e/Installation.h"

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

namespace {

void SetWritable(const std::string& root, bool writable) {
  // Back to writable for the owner is all the clean-up needs.
  const fs::perms bits = writable ? fs::perms::owner_write
                                  : fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  const auto option = writable ? fs::perm_options::add : fs::perm_options::remove;
  std::error_code ec;
  fs::permissions(root, bits, option, ec);
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
    if (!it->is_symlink()) fs::permissions(it->path(), bits, option, ec);
}

}  // namespace

Tree ReadTree(const std::string& root) {
  Tree tree;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
    FileState s;
    struct stat st;
    if (lstat(it->path().c_str(), &st) != 0) continue;
    s.permissions = st.st_mode & 07777;
    if (S_ISLNK(st.st_mode)) {
      s.symlink = true;
      s.bytes = fs::read_symlink(it->path(), ec).string();
    } else if (S_ISDIR(st.st_mode)) {
      s.directory = true;
    } else {
      s.bytes = testsupport::ReadFile(it->path().string());
    }
    tree[fs::relative(it->path(), root).string()] = s;
  }
  return tree;
}

TreeChanges Compare(const Tree& before, const Tree& after) {
  TreeChanges c;
  for (const auto& [path, state] : before) {
    auto it = after.find(path);
    if (it == after.end()) c.removed.push_back(path);
    else if (!(it->second == state)) c.changed.push_back(path);
  }
  for (const auto& [path, state] : after)
    if (!before.count(path)) c.added.push_back(path);
  return c;
}

std::string TreeChanges::Describe() const {
  std::ostringstream s;
  for (const auto& p : added) s << "  added   " << p << "\n";
  for (const auto& p : removed) s << "  removed " << p << "\n";
  for (const auto& p : changed) s << "  changed " << p << "\n";
  return None() ? std::string("  (no changes)\n") : s.str();
}

Installation::Installation(const std::string& updaterBinary, const std::string& name) {
  dir_ = root_ / "install";
  outside_ = root_ / "outside";
  fs::create_directories(dir_);
  fs::create_directories(outside_);
  fs::copy_file(updaterBinary, dir_ + "/" + name);
  fs::permissions(dir_ + "/" + name, fs::perms(0755));
}

Installation::~Installation() {
  // The temporary directory can only be removed with its permissions back.
  if (readOnly_) SetWritable(dir_, true);
}

void Installation::Put(const std::string& relative, const std::string& bytes, mode_t mode) {
  testsupport::WriteFile(Path(relative), bytes);
  fs::permissions(Path(relative), fs::perms(mode));
}

void Installation::WriteVersion(const std::string& version) { Put("xconfig.ini", "[version]\nver=" + version + "\n"); }

std::optional<std::string> Installation::RecordedVersion() const {
  if (!Has("xconfig.ini")) return std::nullopt;
  std::istringstream in(Read("xconfig.ini"));
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inSection = line == "[version]";
    } else if (inSection && line.rfind("ver=", 0) == 0) {
      return line.substr(4);
    }
  }
  return std::nullopt;
}

bool Installation::Has(const std::string& relative) const {
  std::error_code ec;
  return fs::is_regular_file(Path(relative), ec);
}

std::string Installation::Read(const std::string& relative) const { return testsupport::ReadFile(Path(relative)); }

void Installation::RemoveWritePermission() {
  SetWritable(dir_, false);
  readOnly_ = true;
}

}  // namespace e2e
