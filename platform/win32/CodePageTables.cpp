// The system converter of the code page conversions on Windows:
// MultiByteToWideChar and back, with code page 936 named outright (the ANSI
// and OEM code pages follow the user's settings) and 54936 for GB18030.
#include <windows.h>

#include "platform/CodePage.h"
#include "platform/CodePageSystem.h"

namespace platform {
namespace {

constexpr UINT kCp936 = 936;
constexpr UINT kGb18030 = 54936;

// The UTF-16 of the bytes when they read as characters without a default one.
std::optional<std::u16string> Decode(UINT codePage, const char* bytes, std::size_t size) {
  wchar_t out[8];
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), out, 8);
  if (n <= 0) return std::nullopt;
  return std::u16string(out, out + n);
}

}  // namespace

void ReadSystemCp936Codes(char16_t* single, std::vector<char16_t>& dbl) {
  for (int b = 0x80; b < 256; ++b) {
    if (IsCp936LeadByte(static_cast<unsigned char>(b))) continue;
    const char c = static_cast<char>(b);
    if (auto u = Decode(kCp936, &c, 1); u && u->size() == 1) single[b] = (*u)[0];
  }
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (auto u = Decode(kCp936, in, 2); u && u->size() == 1) dbl[(lead - 0x81) * 191 + (trail - 0x40)] = (*u)[0];
    }
}

std::optional<std::u16string> SystemGb18030ToUtf16(const char* bytes, std::size_t size) {
  return Decode(kGb18030, bytes, size);
}

std::optional<std::string> SystemUtf8ToGb18030(const char* utf8, std::size_t size) {
  wchar_t wide[4];
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, static_cast<int>(size), wide, 4);
  if (units <= 0) return std::nullopt;
  char out[16];
  // GB18030 holds every character, so no default character can be asked of it.
  const int n = WideCharToMultiByte(kGb18030, 0, wide, units, out, sizeof out, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  return std::string(out, static_cast<std::size_t>(n));
}

}  // namespace platform
