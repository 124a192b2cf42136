#pragma once
// Code page 936 (the ANSI and OEM code page of the systems the program is made
// for), UTF-16 and UTF-8 conversions with the Windows rules: a character that
// code page 936 cannot hold becomes "?", as does a byte sequence it cannot read.
//
// Names that must stay exact (files) may hold any character all the same: a
// character without a code page 936 code takes its GB18030 code, the standard
// extension of code page 936 that keeps every code page 936 code as it is.
// Every reader here understands those codes, which code page 936 itself never
// produces, so no code page 936 text reads differently for them.
#include <optional>
#include <string>

namespace platform {

// True for bytes that open a double-byte character in code page 936.
inline bool IsCp936LeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

std::u16string Cp936ToUtf16(const std::string& s);
std::string Utf16ToCp936(const std::u16string& s);

// Strict UTF-8 (RFC 3629) validity.
bool IsValidUtf8(const std::string& s);
// Decodes UTF-8; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& s);
// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& s);
std::u32string Utf16ToUtf32(const std::u16string& s);

std::string Cp936ToUtf8(const std::string& s);
std::string Utf8ToCp936(const std::string& s);

// Exact conversions: nullopt instead of a "?" for a byte sequence that reads
// as no character, for text that is not valid UTF-8, or for a character
// without a code.
std::optional<std::string> Cp936ToUtf8Exact(const std::string& s);
std::optional<std::string> Utf8ToCp936Exact(const std::string& s);

}  // namespace platform

namespace platform::literals {
// "文字"_cp936: a text written in the (UTF-8) source as the program's code page 936 text.
inline std::string operator""_cp936(const char* s, size_t n) { return Utf8ToCp936(std::string(s, n)); }
}  // namespace platform::literals
