#include "zip/ZipTargetPath.h"

#include "core/SysUtils.h"
#include "zip/ZipNames.h"

namespace zip {

namespace {
bool StartsWithNoCase(const AnsiString& s, const AnsiString& prefix) {
  return s.size() >= prefix.size() && LowerCaseAscii(s.substr(0, prefix.size())) == LowerCaseAscii(prefix);
}
bool HasDrive(const AnsiString& s) { return s.size() > 1 && s[1] == ':'; }
}  // namespace

bool ReadsDifferentlyOnWindows(const AnsiString& name) {
  if (name.empty() || name == "." || name == "..") return false;
  // Code page 936 never has ":", "." or " " as the second byte of a
  // character, and the device names are ASCII through and through.
  if (name.find(':') != AnsiString::npos || name.back() == '.' || name.back() == ' ') return true;
  AnsiString stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  stem = UpperCaseAscii(stem);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (stem == device) return true;
  if (stem.size() < 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) return false;
  const AnsiString digit = stem.substr(3);
  if (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') return true;
  // Windows reads the superscript digits as port numbers too; code page 936
  // has none, so they stand in their GB18030 codes (see platform/CodePage.h).
  return digit == "\x81\x30\x86\x31" || digit == "\x81\x30\x85\x35" || digit == "\x81\x30\x85\x36";
}

bool IsUnsafeFileName(const AnsiString& name) {
  return name == "." || name == ".." || name.find('\0') != AnsiString::npos || ReadsDifferentlyOnWindows(name);
}

TargetDirectory ComputeTargetDirectory(const AnsiString& destDir, const AnsiString& storedDirectory, bool recreateDirs,
                                       const std::vector<AnsiString>& relativePaths) {
  TargetDirectory out;
  // An empty destination is the current directory, never the root.
  const AnsiString base = destDir.empty() ? AnsiString() : destDir + "/";
  if (!recreateDirs || storedDirectory.empty()) {
    out.path = base;
    return out;
  }
  AnsiString rel = storedDirectory;
  for (const AnsiString& p : relativePaths) {
    if (!p.empty() && StartsWithNoCase(rel, p)) {
      rel.erase(0, p.size());
      break;
    }
  }
  AnsiString joined;  // "\"-separated part below the destination
  bool unsafe = false;
  if (rel.empty() || (rel[0] != '\\' && !HasDrive(rel))) {
    joined = "\\" + rel;
  } else if (rel[0] == '\\') {
    joined = rel;
    // "\\server\share\" names another machine's files.
    unsafe = destDir.empty() || (rel.size() > 1 && rel[1] == '\\');
  } else {
    joined = rel.substr(2);
    // "C:x\" is relative to the current directory of drive C on Windows:
    // nobody can tell where it was meant to go.
    unsafe = destDir.empty() || joined.empty() || joined[0] != '\\';
  }
  out.safe = !unsafe;
  AnsiString tail;
  for (const AnsiString& part : SplitComponents(joined)) {
    if (part == ".." || part.find('\0') != AnsiString::npos || ReadsDifferentlyOnWindows(part)) out.safe = false;
    if (part.empty() || part == ".") continue;
    tail += part + "/";
  }
  out.path = base + tail;
  return out;
}

AnsiString ParentOf(const AnsiString& path) {
  std::size_t slash = path.rfind('/');
  if (slash == AnsiString::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace zip
