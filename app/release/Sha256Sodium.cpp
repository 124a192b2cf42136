#include <sodium.h>

#include <stdexcept>

#include "app/release/ReleaseCrypto.h"

namespace release {
namespace {
crypto_hash_sha256_state* State(void* context) { return static_cast<crypto_hash_sha256_state*>(context); }
}  // namespace

// Where OpenSSL's libcrypto is not built (Windows), libsodium hashes too.
Sha256::Sha256() : context_(new crypto_hash_sha256_state) {
  EnsureSodium();
  if (crypto_hash_sha256_init(State(context_)) != 0) throw std::runtime_error("SHA-256 could not be initialised");
}

Sha256::~Sha256() {
  sodium_memzero(context_, sizeof(crypto_hash_sha256_state));
  delete State(context_);
}

void Sha256::Update(const void* data, std::size_t size) {
  if (crypto_hash_sha256_update(State(context_), static_cast<const unsigned char*>(data), size) != 0)
    throw std::runtime_error("SHA-256 failed");
}

Sha256Digest Sha256::Final() {
  Sha256Digest digest;
  if (crypto_hash_sha256_final(State(context_), digest.data()) != 0) throw std::runtime_error("SHA-256 failed");
  return digest;
}

}  // namespace release
