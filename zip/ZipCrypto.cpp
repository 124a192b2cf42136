#include "zip/ZipCrypto.h"

#include <zlib.h>

namespace zip {

namespace {
// One step of the CRC-32 register, as the key schedule defines it.
std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t b) {
  static const z_crc_t* table = get_crc_table();
  return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}
}  // namespace

TraditionalCipher::TraditionalCipher(const std::string& password) {
  for (unsigned char c : password) Update(c);
}

void TraditionalCipher::Update(std::uint8_t plain) {
  k0_ = Crc32Step(k0_, plain);
  k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
  k2_ = Crc32Step(k2_, static_cast<std::uint8_t>(k1_ >> 24));
}

void TraditionalCipher::Decrypt(std::uint8_t* data, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    std::uint8_t plain = data[i] ^ StreamByte();
    Update(plain);
    data[i] = plain;
  }
}

std::uint8_t TraditionalCipher::DecryptHeader(const std::uint8_t* header) {
  std::uint8_t copy[kHeaderSize];
  for (std::size_t i = 0; i < kHeaderSize; ++i) copy[i] = header[i];
  Decrypt(copy, kHeaderSize);
  return copy[kHeaderSize - 1];
}

}  // namespace zip
