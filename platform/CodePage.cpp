#include "platform/CodePage.h"

#include <array>
#include <mutex>
#include <vector>

#include "platform/CodePageSystem.h"

namespace platform {
namespace {

// Both directions as tables built once from the system converter, so every
// conversion afterwards is a lookup and the default-character rule is exact.
struct Cp936Tables {
  // Index: lead byte 0x81..0xFE, trail 0x40..0xFE.
  std::vector<char16_t> dbcs = std::vector<char16_t>(126 * 191, u'?');
  std::array<char16_t, 256> sbcs{};
  // Unicode BMP code unit -> encoded bytes (0 = not representable).
  std::vector<std::uint16_t> to_cp = std::vector<std::uint16_t>(65536, 0);
};

const Cp936Tables& Tables() {
  static Cp936Tables t;
  static std::once_flag once;
  std::call_once(once, [] {
    for (int b = 0; b < 256; ++b) t.sbcs[b] = b < 0x80 ? static_cast<char16_t>(b) : u'?';
    ReadSystemCp936Codes(t.sbcs.data(), t.dbcs);
    for (int lead = 0x81; lead <= 0xFE; ++lead)
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        char16_t u = t.dbcs[(lead - 0x81) * 191 + (trail - 0x40)];
        if (u != u'?' && t.to_cp[u] == 0) t.to_cp[u] = static_cast<std::uint16_t>((lead << 8) | trail);
      }
    for (int b = 255; b >= 1; --b)
      if (t.sbcs[b] != u'?' || b == '?') t.to_cp[t.sbcs[b]] = static_cast<std::uint16_t>(b);
  });
  return t;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 character at s[i]; returns its length, 0 when malformed.
size_t DecodeUtf8(const std::string& s, size_t i, char32_t& cp) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len;
  char32_t min;
  if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07, min = 0x10000;
  else return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

bool IsGb18030Digit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

// The code page 936 reading of s, with the GB18030 codes that code page 936
// leaves free; exact is cleared where a byte sequence reads as no character.
std::u16string DecodeCp936(const std::string& s, bool& exact) {
  const Cp936Tables& t = Tables();
  auto extension = [&](size_t i, size_t n) { return SystemGb18030ToUtf16(s.data() + i, n); };
  std::u16string out;
  out.reserve(s.size());
  exact = true;
  for (size_t i = 0; i < s.size(); ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (IsCp936LeadByte(c) && i + 1 < s.size()) {
      auto trail = static_cast<unsigned char>(s[i + 1]);
      if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
        char16_t u = t.dbcs[(c - 0x81) * 191 + (trail - 0x40)];
        std::optional<std::u16string> x;
        if (u != u'?') out += u;
        else if ((x = extension(i, 2))) out += *x;
        else out += u'?', exact = false;
        ++i;
        continue;
      }
      if (IsGb18030Digit(trail) && i + 3 < s.size() && IsCp936LeadByte(static_cast<unsigned char>(s[i + 2])) &&
          IsGb18030Digit(static_cast<unsigned char>(s[i + 3]))) {
        if (auto x = extension(i, 4)) {
          out += *x;
          i += 3;
          continue;
        }
      }
    }
    char16_t u = IsCp936LeadByte(c) ? u'?' : t.sbcs[c];
    if (u == u'?' && c != '?') exact = false;
    out += u;
  }
  return out;
}

}  // namespace

std::u16string Cp936ToUtf16(const std::string& s) {
  bool exact;
  return DecodeCp936(s, exact);
}

std::string Utf16ToCp936(const std::u16string& s) {
  const Cp936Tables& t = Tables();
  std::string out;
  out.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      out += '?';  // a supplementary character is one character, one "?"
      ++i;
      continue;
    }
    std::uint16_t e = u == 0 ? 0 : t.to_cp[u];
    if (u == 0) out += '\0';
    else if (e == 0) out += '?';
    else if (e < 0x100) out += static_cast<char>(e);
    else {
      out += static_cast<char>(e >> 8);
      out += static_cast<char>(e & 0xFF);
    }
  }
  return out;
}

bool IsValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    size_t n = DecodeUtf8(s, i, cp);
    if (!n) return false;
    i += n;
  }
  return true;
}

std::u16string Utf8ToUtf16(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    size_t n = DecodeUtf8(s, i, cp);
    if (!n) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::u32string Utf16ToUtf32(const std::u16string& s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    out += c;
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (char32_t c : Utf16ToUtf32(s)) AppendUtf8(out, c);
  return out;
}

std::string Cp936ToUtf8(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return Utf16ToUtf8(Cp936ToUtf16(s));
  return s;
}

std::string Utf8ToCp936(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return Utf16ToCp936(Utf8ToUtf16(s));
  return s;
}

std::optional<std::string> Cp936ToUtf8Exact(const std::string& s) {
  bool exact;
  std::u16string u = DecodeCp936(s, exact);
  if (!exact) return std::nullopt;
  return Utf16ToUtf8(u);
}

std::optional<std::string> Utf8ToCp936Exact(const std::string& s) {
  if (!IsValidUtf8(s)) return std::nullopt;
  const Cp936Tables& t = Tables();
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    const size_t n = DecodeUtf8(s, i, cp);
    const std::uint16_t e = cp < 0x10000 ? t.to_cp[cp] : 0;
    if (cp == 0 || (e != 0 && e < 0x100)) {
      out += static_cast<char>(e);
    } else if (e != 0) {
      out += static_cast<char>(e >> 8);
      out += static_cast<char>(e & 0xFF);
    } else {
      auto g = SystemUtf8ToGb18030(s.data() + i, n);
      // A two-byte code counts only where code page 936 has none of its own.
      const bool twoByteFree =
          g && g->size() == 2 && IsCp936LeadByte(static_cast<unsigned char>((*g)[0])) &&
          t.dbcs[(static_cast<unsigned char>((*g)[0]) - 0x81) * 191 + (static_cast<unsigned char>((*g)[1]) - 0x40)] ==
              u'?';
      if (!g || !(g->size() == 4 || twoByteFree)) return std::nullopt;
      out += *g;
    }
    i += n;
  }
  return out;
}

}  // namespace platform
