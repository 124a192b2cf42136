#pragma once
// The publisher's secret key file: one line, the base64 of libsodium's 64-byte
// Ed25519 secret key (seed, then public key). Created new with permissions for
// its owner only; refused for signing when others may read it.
#include <string>

#include "app/release/ReleaseCrypto.h"

namespace publish {

// Writes the key to a file that must not exist yet; "" or why it failed.
std::string WriteSecretKeyFile(const std::string& path, const release::SecretKey& key);
// Reads and checks the key; "" or why it cannot be used.
std::string ReadSecretKeyFile(const std::string& path, release::SecretKey& key);

}  // namespace publish
