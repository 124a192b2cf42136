#pragma once
// One input through the reply rules and the profile-text rules, checking the
// properties they promise. Shared by the libFuzzer target and the property
// test of the normal build; a broken property aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/VersionReply.h"
#include "platform/ProfileFile.h"

namespace apptest {

inline void CheckReplyAndProfile(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // The reply: decoding never fails loudly, and a name judged safe never
  // leaves the installation directory.
  const std::string reply = ReplyToAnsi(bytes);
  if (IsPlainFileName(reply) && (reply.find('/') != std::string::npos || reply == ".."))
    std::abort();
  if (IsInstallRelativeName(reply) && (reply[0] == '/' || reply.rfind("../", 0) == 0 || reply == ".."))
    std::abort();
  IsArchiveName(reply);

  // The profile text: after a write, the value reads back, and what any other
  // section holds is what it held before.
  const std::optional<std::string> before = platform::FindProfileValue(bytes, "other", "k");
  const std::optional<std::string> written = platform::WithProfileValue(bytes, "version", "ver", "2.0");
  if (!written) std::abort();
  if (platform::FindProfileValue(*written, "version", "ver") != std::optional<std::string>("2.0")) std::abort();
  if (platform::FindProfileValue(*written, "other", "k") != before) std::abort();
}

}  // namespace apptest
