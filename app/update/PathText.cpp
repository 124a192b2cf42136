#include "app/update/PathText.h"

#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"

namespace {

// Calls f(position) for each single-byte character of s.
template <class F>
void ForEachSingleByte(const AnsiString& s, F f) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (platform::IsCp936LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      ++i;
      continue;
    }
    f(i);
  }
}

}  // namespace

std::size_t LastSeparator(const AnsiString& s, const char* separators) {
  std::size_t last = AnsiString::npos;
  ForEachSingleByte(s, [&](std::size_t i) {
    if (s[i] != '\0' && std::strchr(separators, s[i])) last = i;
  });
  return last;
}

std::vector<AnsiString> PathComponents(const AnsiString& s) {
  std::vector<AnsiString> parts;
  std::size_t start = 0;
  ForEachSingleByte(s, [&](std::size_t i) {
    if (s[i] == '/' || s[i] == '\\') {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  });
  parts.push_back(s.substr(start));
  return parts;
}

bool SameNameIgnoringAsciiCase(const AnsiString& Name, const AnsiString& Own) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return Name.size() == Own.size() &&
         std::equal(Name.begin(), Name.end(), Own.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}
