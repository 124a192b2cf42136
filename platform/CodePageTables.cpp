// The system converter of the code page conversions on Linux: iconv.
#include <iconv.h>

#include "platform/CodePage.h"
#include "platform/CodePageSystem.h"

namespace platform {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Converts all of In; nullopt when the converter has no reading of it.
std::optional<std::string> Convert(iconv_t cd, const char* in, std::size_t n) {
  char out[16];
  char* ip = const_cast<char*>(in);
  char* op = out;
  std::size_t il = n, ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0 || op == out) return std::nullopt;
  return std::string(out, static_cast<std::size_t>(op - out));
}

std::optional<std::string> ConvertOnce(const char* to, const char* from, const char* in, std::size_t n) {
  iconv_t cd = iconv_open(to, from);
  if (cd == kNoConverter) return std::nullopt;
  auto out = Convert(cd, in, n);
  iconv_close(cd);
  return out;
}

// One UTF-16 unit from two little-endian bytes; -1 for anything else.
int SingleUnit(const std::optional<std::string>& le) {
  if (!le || le->size() != 2) return -1;
  return static_cast<unsigned char>((*le)[0]) | (static_cast<unsigned char>((*le)[1]) << 8);
}

}  // namespace

void ReadSystemCp936Codes(char16_t* single, std::vector<char16_t>& dbl) {
  iconv_t cd = iconv_open("UTF-16LE", "CP936");
  if (cd == kNoConverter) return;
  for (int b = 0x80; b < 256; ++b) {
    if (IsCp936LeadByte(static_cast<unsigned char>(b))) continue;
    const char c = static_cast<char>(b);
    if (const int u = SingleUnit(Convert(cd, &c, 1)); u >= 0) single[b] = static_cast<char16_t>(u);
  }
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (const int u = SingleUnit(Convert(cd, in, 2)); u >= 0)
        dbl[(lead - 0x81) * 191 + (trail - 0x40)] = static_cast<char16_t>(u);
    }
  iconv_close(cd);
}

std::optional<std::u16string> SystemGb18030ToUtf16(const char* bytes, std::size_t size) {
  auto u = ConvertOnce("UTF-16LE", "GB18030", bytes, size);
  if (!u || u->size() % 2) return std::nullopt;
  std::u16string units;
  for (std::size_t k = 0; k < u->size(); k += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>((*u)[k]) | (static_cast<unsigned char>((*u)[k + 1]) << 8));
  return units;
}

std::optional<std::string> SystemUtf8ToGb18030(const char* utf8, std::size_t size) {
  return ConvertOnce("GB18030", "UTF-8", utf8, size);
}

}  // namespace platform
