#include "app/release/ReleaseCrypto.h"

#include <sodium.h>

#include <stdexcept>

namespace release {

static_assert(crypto_sign_PUBLICKEYBYTES == 32 && crypto_sign_SECRETKEYBYTES == 64 && crypto_sign_BYTES == 64);

void EnsureSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw std::runtime_error("libsodium could not be initialised");
}

KeyPair MakeKeyPair() {
  EnsureSodium();
  KeyPair pair;
  crypto_sign_keypair(pair.publicKey.data(), pair.secretKey.data());
  return pair;
}

PublicKey PublicKeyOf(const SecretKey& secretKey) {
  EnsureSodium();
  // Worked out from the seed: the public half stored beside it may be damaged,
  // and libsodium's sk_to_pk would only copy it.
  PublicKey key;
  SecretKey again;
  crypto_sign_seed_keypair(key.data(), again.data(), secretKey.data());
  sodium_memzero(again.data(), again.size());
  return key;
}

Signature Sign(std::string_view message, const SecretKey& secretKey) {
  EnsureSodium();
  Signature signature;
  crypto_sign_detached(signature.data(), nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                       message.size(), secretKey.data());
  return signature;
}

bool Verify(std::string_view message, const Signature& signature, const PublicKey& publicKey) {
  EnsureSodium();
  return crypto_sign_verify_detached(signature.data(), reinterpret_cast<const unsigned char*>(message.data()),
                                     message.size(), publicKey.data()) == 0;
}

Sha256Digest Sha256Of(const void* data, std::size_t size) {
  Sha256 hash;
  hash.Update(data, size);
  return hash.Final();
}

bool ConstantTimeEqual(const void* a, const void* b, std::size_t size) {
  EnsureSodium();
  return sodium_memcmp(a, b, size) == 0;
}

void Wipe(void* data, std::size_t size) { sodium_memzero(data, size); }

std::string ToBase64(const std::uint8_t* data, std::size_t size) {
  EnsureSodium();
  constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL;
  std::string text(sodium_base64_ENCODED_LEN(size, kVariant), '\0');
  sodium_bin2base64(text.data(), text.size(), data, size, kVariant);
  text.resize(text.size() - 1);  // the terminating zero
  return text;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> FromBase64(std::string_view text) {
  EnsureSodium();
  constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL;
  // Only the one canonical spelling of N bytes: its exact length, and the
  // decoder must use every character.
  if (text.size() != sodium_base64_ENCODED_LEN(N, kVariant) - 1) return std::nullopt;
  std::array<std::uint8_t, N> bytes;
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes.data(), N, text.data(), text.size(), nullptr, &length, &end, kVariant) != 0 ||
      length != N || end != text.data() + text.size())
    return std::nullopt;
  // Padding bits that are not zero would give a second spelling of the same bytes.
  if (ToBase64(bytes) != text) return std::nullopt;
  return bytes;
}

std::string ToHex(const std::uint8_t* data, std::size_t size) {
  EnsureSodium();
  std::string text(size * 2 + 1, '\0');
  sodium_bin2hex(text.data(), text.size(), data, size);
  text.pop_back();
  return text;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> FromHex(std::string_view text) {
  EnsureSodium();
  if (text.size() != 2 * N) return std::nullopt;
  std::array<std::uint8_t, N> bytes;
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_hex2bin(bytes.data(), N, text.data(), text.size(), nullptr, &length, &end) != 0 || length != N ||
      end != text.data() + text.size())
    return std::nullopt;
  return bytes;
}

template std::optional<std::array<std::uint8_t, 32>> FromBase64<32>(std::string_view);
template std::optional<std::array<std::uint8_t, 64>> FromBase64<64>(std::string_view);
template std::optional<std::array<std::uint8_t, 32>> FromHex<32>(std::string_view);

}  // namespace release
