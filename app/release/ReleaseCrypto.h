#pragma once
// The cryptography of signed releases: Ed25519 keys and signatures from
// libsodium, SHA-256 (OpenSSL's libcrypto on Linux, libsodium on Windows),
// the text forms of keys and digests (base64 with padding, lower-case
// hexadecimal), and comparison in constant time.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace release {

using Sha256Digest = std::array<std::uint8_t, 32>;
using Signature = std::array<std::uint8_t, 64>;
using PublicKey = std::array<std::uint8_t, 32>;
// The seed followed by the public key, as libsodium keeps it.
using SecretKey = std::array<std::uint8_t, 64>;

struct KeyPair {
  PublicKey publicKey;
  SecretKey secretKey;
};

// Raises std::runtime_error when libsodium cannot start; later calls are free.
void EnsureSodium();

KeyPair MakeKeyPair();
// The public key of the secret key's seed (not the copy stored beside it).
PublicKey PublicKeyOf(const SecretKey& secretKey);

Signature Sign(std::string_view message, const SecretKey& secretKey);
bool Verify(std::string_view message, const Signature& signature, const PublicKey& publicKey);

// SHA-256, fed piece by piece.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void Update(const void* data, std::size_t size);
  Sha256Digest Final();

 private:
  void* context_;  // the hashing library's own state
};
Sha256Digest Sha256Of(const void* data, std::size_t size);

// Equal contents, found in time that does not depend on where they differ.
bool ConstantTimeEqual(const void* a, const void* b, std::size_t size);
// Overwrites memory that held a secret, in a way the compiler keeps.
void Wipe(void* data, std::size_t size);

// Base64 with the standard alphabet and padding; nullopt unless text is
// exactly the encoding of N bytes (no blanks, no missing or extra padding).
std::string ToBase64(const std::uint8_t* data, std::size_t size);
template <std::size_t N>
std::string ToBase64(const std::array<std::uint8_t, N>& bytes) {
  return ToBase64(bytes.data(), N);
}
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> FromBase64(std::string_view text);

// Lower-case hexadecimal; FromHex takes either case and nothing else.
std::string ToHex(const std::uint8_t* data, std::size_t size);
template <std::size_t N>
std::string ToHex(const std::array<std::uint8_t, N>& bytes) {
  return ToHex(bytes.data(), N);
}
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> FromHex(std::string_view text);

}  // namespace release
