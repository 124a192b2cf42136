#pragma once
// What the code page conversions take from the system's own converter (iconv
// on Linux, MultiByteToWideChar on Windows): the characters of code page 936
// and the GB18030 codes beyond it.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Fills Single (256 entries) for the bytes 0x80..0xFF that are no lead byte,
// and Double (index (lead - 0x81) * 191 + (trail - 0x40)) with the UTF-16
// unit of each code; entries without a character are left as they are.
void ReadSystemCp936Codes(char16_t* single, std::vector<char16_t>& dbl);
// One GB18030 character to UTF-16, or nullopt when the bytes read as none.
std::optional<std::u16string> SystemGb18030ToUtf16(const char* bytes, std::size_t size);
// One character in UTF-8 to its GB18030 bytes, or nullopt.
std::optional<std::string> SystemUtf8ToGb18030(const char* utf8, std::size_t size);

}  // namespace platform
