#pragma once
// One input through the reply's fifth field and the judgement of the reply,
// checking the properties they promise. Shared by the libFuzzer target and
// the property test of the normal build; a broken property aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/update/ReleaseCheck.h"
#include "app/release/ReleaseSeal.h"

namespace apptest {

// A key nobody holds the secret of (the public half of a pair made once).
inline const std::string& FuzzTrustedKey() {
  static const std::string key = release::ToBase64(release::MakeKeyPair().publicKey);
  return key;
}

inline void CheckReleaseSeal(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  const release::SealReading r = release::ReadReleaseSeal(reply);
  using Kind = release::SealReading::Kind;
  if ((r.kind == Kind::kMalformed) == r.problem.empty()) std::abort();
  if (r.kind == Kind::kPresent && r.seal.sig) {
    // The signature is the text after "sig=" that ends the reply, but for a line break.
    const std::size_t n = r.seal.signedLength;
    if (n < 4 || n > reply.size() || reply.compare(n - 4, 4, "sig=") != 0) std::abort();
    const std::string after = reply.substr(n);
    if (after.size() < 88) std::abort();
    const std::string tail = after.substr(88);
    if (!tail.empty() && tail != "\n" && tail != "\r\n") std::abort();
    if (release::ToBase64(*r.seal.sig) != after.substr(0, 88)) std::abort();
  }

  // Without a key only a malformed field is refused; with one, nothing that
  // was not signed by it is ever accepted.
  const bool refused = !CheckReleaseReply(reply, "", 0, "").Ok();
  if (refused != (r.kind == Kind::kMalformed)) std::abort();
  if (CheckReleaseReply(reply, "", 0, FuzzTrustedKey()).Ok()) std::abort();
}

}  // namespace apptest
