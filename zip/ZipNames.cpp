#include "zip/ZipNames.h"

#include "platform/CodePage.h"
#include "zip/ZipRecords.h"

namespace zip {

AnsiString DecodeStoredName(const std::string& raw, std::uint16_t flags, int host) {
  // Unix tools store the bytes of the author's own locale, UTF-8 today, with
  // no flag. Whatever is not UTF-8 after all is read as code page 936.
  const bool maybeUtf8 = (flags & kFlagUtf8Name) || host != kHostMsDos;
  if (maybeUtf8)
    if (auto text = platform::Utf8ToCp936Exact(raw)) return *text;
  return raw;
}

AnsiString ToBackslashes(AnsiString name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

namespace {
// Calls f(i) for every byte index that starts a character.
template <class F>
void ForEachCharStart(const AnsiString& s, F f) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    f(i);
    if (platform::IsCp936LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ++i;
  }
}
}  // namespace

std::size_t LastSeparator(const AnsiString& name) {
  std::size_t last = AnsiString::npos;
  ForEachCharStart(name, [&](std::size_t i) {
    if (name[i] == '\\') last = i;
  });
  return last;
}

std::vector<AnsiString> SplitComponents(const AnsiString& name) {
  std::vector<AnsiString> parts;
  std::size_t start = 0;
  ForEachCharStart(name, [&](std::size_t i) {
    if (name[i] == '\\') {
      parts.push_back(name.substr(start, i - start));
      start = i + 1;
    }
  });
  parts.push_back(name.substr(start));
  return parts;
}

}  // namespace zip
