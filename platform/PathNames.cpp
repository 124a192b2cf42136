#include "platform/PathNames.h"

#include <cctype>

namespace platform {
namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// End of the component that starts at From.
std::size_t ComponentEnd(const std::string& s, std::size_t from) {
  while (from < s.size() && !IsPathSeparator(s[from])) ++from;
  return from;
}

}  // namespace

std::size_t RootLength(const std::string& p) {
  if (p.empty()) return 0;
  if (!kBackslashSeparates) return p[0] == '/' ? 1 : 0;
  if (p.size() >= 2 && IsDriveLetter(p[0]) && p[1] == ':') return p.size() > 2 && IsPathSeparator(p[2]) ? 3 : 2;
  if (p.size() >= 2 && IsPathSeparator(p[0]) && IsPathSeparator(p[1])) {
    // "\\server\share\" (and "\\?\C:\", whose "server" is "?").
    std::size_t server = ComponentEnd(p, 2);
    if (p.compare(2, 2, "?\\") == 0 && p.size() >= 6 && IsDriveLetter(p[4]) && p[5] == ':')
      return p.size() > 6 && IsPathSeparator(p[6]) ? 7 : 6;
    if (server >= p.size()) return p.size();
    std::size_t share = ComponentEnd(p, server + 1);
    return share < p.size() ? share + 1 : share;
  }
  return IsPathSeparator(p[0]) ? 1 : 0;
}

std::size_t LastSeparator(const std::string& p) {
  const std::size_t root = RootLength(p);
  for (std::size_t i = p.size(); i > root; --i)
    if (IsPathSeparator(p[i - 1])) return i - 1;
  return std::string::npos;
}

std::string DirectoryOf(const std::string& p) {
  const std::size_t root = RootLength(p);
  const std::size_t last = LastSeparator(p);
  if (last == std::string::npos) return root ? p.substr(0, root) : ".";
  return p.substr(0, last);
}

std::string NameOf(const std::string& p) {
  const std::size_t last = LastSeparator(p);
  return p.substr(last == std::string::npos ? RootLength(p) : last + 1);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return IsPathSeparator(dir.back()) ? dir + name : dir + kPathSeparator + name;
}

bool IsReservedFileName(const std::string& name) {
  if (!kBackslashSeparates || name.empty()) return false;
  if (name.find(':') != std::string::npos || name.back() == '.' || name.back() == ' ') return name != "." && name != "..";
  // A device name counts with any extension and blanks before it.
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : kDevices)
    if (stem == d) return true;
  // COM1-COM9 and LPT1-LPT9, and the superscript digits Windows also reads as
  // ports (UTF-8 of "¹", "²", "³").
  if (stem.size() >= 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)) {
    const std::string digit = stem.substr(3);
    if (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') return true;
    if (digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3") return true;
  }
  return false;
}

}  // namespace platform
