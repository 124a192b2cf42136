#pragma once
// Whether a version reply may be used, judged by its fifth field (see
// app/release/ReleaseSeal.h) and the publisher's key the program trusts.
//
// With a key, the reply must carry sha256, size, expires and serial, signed
// by that key; it is refused when its signature is missing or wrong, when it
// has expired, or when its serial is lower than the highest one recorded in
// "xconfig.ini". Without a key only a present sha256 and size count. A fifth
// field that is malformed is refused either way.
#include <cstdint>
#include <optional>

#include "app/release/ReleaseCrypto.h"
#include "app/update/Result.h"
#include "core/Types.h"

// What the reply promises about the package, and the serial to record with
// the version once the package is installed.
struct ReleaseTerms {
  std::optional<release::Sha256Digest> sha256;
  std::optional<std::int64_t> size;
  std::optional<std::int64_t> serial;
  // The SHA-256 of the package's index, only from a reply signed by the
  // key: the index of an unsigned reply would vouch for nothing.
  std::optional<release::Sha256Digest> index;
};

// The terms of the reply (its body bytes as received) when it may be used;
// otherwise refused with the reason, in English. RecordedSerial is the value
// of "serial" in "xconfig.ini", Now the Unix time, PublicKey the publisher's
// key in base64 ("" for none).
Result<ReleaseTerms> CheckReleaseReply(const AnsiString& ReplyBytes, const AnsiString& RecordedSerial, std::int64_t Now,
                                       const AnsiString& PublicKey);
