#pragma once
// One input through the reply rules and the profile-text rules, checking the
// properties they promise. Shared by the libFuzzer target and the property
// test of the normal build; a broken property aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/update/VersionReply.h"
#include "platform/ProfileFile.h"

namespace apptest {

// The reply: decoding never fails loudly, and a name judged safe never
// leaves the installation directory.
inline void CheckName(const std::string& name) {
  if (IsPlainFileName(name) && (name.find('/') != std::string::npos || name == ".."))
    std::abort();
  if (IsInstallRelativeName(name) && (name[0] == '/' || name.rfind("../", 0) == 0 || name == ".."))
    std::abort();
  IsArchiveName(name);
}

inline void CheckReply(const std::string& bytes) {
  const std::string reply = ReplyToAnsi(bytes);
  IsPauseReply(reply);
  CheckName(reply);
  // Each field as the procedure takes it apart at "|".
  for (std::size_t start = 0;;) {
    const std::size_t end = reply.find(kFieldSeparator, start);
    CheckName(reply.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

// The profile text: after a write, the value reads back, and what any other
// section holds is what it held before.
inline void CheckProfile(const std::string& bytes) {
  const std::optional<std::string> before = platform::FindProfileValue(bytes, "other", "k");
  const std::optional<std::string> written = platform::WithProfileValue(bytes, "version", "ver", "2.0");
  if (!written) std::abort();
  if (platform::FindProfileValue(*written, "version", "ver") != std::optional<std::string>("2.0")) std::abort();
  if (platform::FindProfileValue(*written, "other", "k") != before) std::abort();
}

inline void CheckReplyAndProfile(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckReply(bytes);
  CheckProfile(bytes);
}

}  // namespace apptest
