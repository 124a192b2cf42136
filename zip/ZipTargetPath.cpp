#include "zip/ZipTargetPath.h"

#include "core/SysUtils.h"
#include "platform/PathNames.h"
#include "zip/ZipNames.h"

namespace zip {

namespace {
bool StartsWithNoCase(const AnsiString& s, const AnsiString& prefix) {
  return s.size() >= prefix.size() && LowerCaseAscii(s.substr(0, prefix.size())) == LowerCaseAscii(prefix);
}
bool HasDrive(const AnsiString& s) { return s.size() > 1 && s[1] == ':'; }
}  // namespace

// Code page 936 bytes can stand for the system's test: ":", "." and " " are
// never the second byte of a double-byte character, and a device name is
// ASCII through and through.
bool IsUnsafeFileName(const AnsiString& name) {
  return name == "." || name == ".." || name.find('\0') != AnsiString::npos || platform::IsReservedFileName(name);
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
  bool absolute = false;
  if (rel.empty() || (rel[0] != '\\' && !HasDrive(rel))) {
    joined = "\\" + rel;
  } else if (rel[0] == '\\') {
    joined = rel;
    absolute = destDir.empty();
  } else {
    joined = rel.substr(2);
    // "C:x\" names a directory relative to a drive: it still goes below the
    // destination, never glued onto the destination's last component.
    if (joined.empty() || joined[0] != '\\') joined = "\\" + joined;
    absolute = destDir.empty();
  }
  out.safe = !absolute;
  AnsiString tail;
  for (const AnsiString& part : SplitComponents(joined)) {
    if (part == ".." || part.find('\0') != AnsiString::npos || platform::IsReservedFileName(part)) out.safe = false;
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
