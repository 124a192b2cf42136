#include <openssl/evp.h>

#include <stdexcept>

#include "app/release/ReleaseCrypto.h"

namespace release {
namespace {
EVP_MD_CTX* Ctx(void* context) { return static_cast<EVP_MD_CTX*>(context); }
}  // namespace

// The package digest runs through OpenSSL's libcrypto, which uses the
// processor's SHA instructions: about five times libsodium's portable SHA-256
// here, so hashing hides inside the download. Signatures stay with libsodium.
Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
  if (!context_ || EVP_DigestInit_ex(Ctx(context_), EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 could not be initialised");
}

Sha256::~Sha256() { EVP_MD_CTX_free(Ctx(context_)); }

void Sha256::Update(const void* data, std::size_t size) {
  if (EVP_DigestUpdate(Ctx(context_), data, size) != 1) throw std::runtime_error("SHA-256 failed");
}

Sha256Digest Sha256::Final() {
  Sha256Digest digest;
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(Ctx(context_), digest.data(), &length) != 1 || length != digest.size())
    throw std::runtime_error("SHA-256 failed");
  return digest;
}

}  // namespace release
