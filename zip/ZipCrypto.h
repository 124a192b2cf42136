#pragma once
// Traditional PKWARE encryption: three 32-bit keys updated by every plain byte.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zip {

class TraditionalCipher {
 public:
  static constexpr std::size_t kHeaderSize = 12;

  explicit TraditionalCipher(const std::string& password);
  void Decrypt(std::uint8_t* data, std::size_t length);
  // Decrypts the 12-byte encryption header and returns its last byte, the check byte.
  std::uint8_t DecryptHeader(const std::uint8_t* header);

 private:
  void Update(std::uint8_t plain);
  std::uint8_t StreamByte() const {
    std::uint32_t t = (k2_ | 2) & 0xFFFF;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
  }
  std::uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

}  // namespace zip
