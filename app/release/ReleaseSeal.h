#pragma once
// The release information that a publisher may add to the version reply as
// its fifth field, with the signature over the reply. Older updaters read
// fields 1 to 4 only, so the field can be served before every player has an
// updater that reads it.
//
//   reply   = F0 "|" F1 "|" F2 "|" F3 "|" seal [ LF / CR LF ]
//   seal    = item *( ";" item )
//   item    = key "=" value          ; a value holds no ";" and no "|"
//   sha256  = 64 hexadecimal digits   the package's SHA-256
//   size    = 1*19 decimal digits     the package's length in bytes
//   expires = 1*19 decimal digits     Unix time after which the reply is refused
//   serial  = 1*19 decimal digits     raised by the publisher with every release
//   index   = 64 hexadecimal digits   SHA-256 of the package's index (see
//                                     ReleaseIndex.h); absent: no partial road
//   sig     = 88 base64 characters    the Ed25519 signature (standard alphabet,
//                                     with padding); the last item, and only a
//                                     line break may follow it
//
// The signed bytes are every byte of the reply before the signature itself:
// the body exactly as received, from its first byte up to and including the
// "=" of "sig=". Keys are lower case; other keys are allowed and ignored (the
// signature covers them); a key may appear once. A fifth field without any
// "=" is no seal: older servers may send free text there.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/release/ReleaseCrypto.h"

namespace release {

struct ReleaseSeal {
  std::optional<Sha256Digest> sha256;
  std::optional<std::int64_t> size;
  std::optional<std::int64_t> expires;
  std::optional<std::int64_t> serial;
  std::optional<Sha256Digest> index;
  std::optional<Signature> sig;
  // With sig: how many bytes of the reply it signs.
  std::size_t signedLength = 0;
};

struct SealReading {
  enum class Kind { kAbsent, kPresent, kMalformed };
  Kind kind = Kind::kAbsent;
  ReleaseSeal seal;
  std::string problem;  // with kMalformed: what is wrong, in English
};

// The seal of the reply bytes (the body as received, before any decoding).
SealReading ReadReleaseSeal(std::string_view reply);

// What a publisher puts in front of the signature: the four fields, the items
// in the order of the grammar above (index only when given), and "sig=". Appending the base64 of the
// signature of these bytes completes the reply.
std::string UnsignedReply(std::string_view f0, std::string_view f1, std::string_view f2, std::string_view f3,
                          const Sha256Digest& sha256, std::int64_t size, std::int64_t expires, std::int64_t serial,
                          const std::optional<Sha256Digest>& index = std::nullopt);
std::string SignedReply(std::string_view unsignedReply, const SecretKey& secretKey);

// Whether the seal's signature over the reply is the key's.
bool SignatureIsValid(std::string_view reply, const ReleaseSeal& seal, const PublicKey& key);

}  // namespace release
