#include "app/update/ReleaseCheck.h"

#include <ctime>

#include "app/release/ReleaseSeal.h"
#include "core/SysUtils.h"
#include "platform/Clock.h"

namespace {

// The recorded serial; none (0) when absent or not a number.
std::int64_t HighestSerial(const AnsiString& recorded) {
  std::int64_t value = 0;
  for (char c : recorded) {
    if (c < '0' || c > '9' || value > (INT64_MAX - 9) / 10) return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

AnsiString UtcText(std::int64_t unixTime) {
  const std::time_t t = static_cast<std::time_t>(unixTime);
  std::tm tm{};
  char text[32];
  if (!platform::UtcCalendarTime(t, tm) || !std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm))
    return IntToStr(unixTime);
  return text;
}

}  // namespace

Result<ReleaseTerms> CheckReleaseReply(const AnsiString& ReplyBytes, const AnsiString& RecordedSerial, std::int64_t Now,
                                       const AnsiString& PublicKey) {
  const release::SealReading reading = release::ReadReleaseSeal(ReplyBytes);
  if (reading.kind == release::SealReading::Kind::kMalformed)
    return Refused{"The release information in the update reply is malformed: " + reading.problem};
  const release::ReleaseSeal& seal = reading.seal;

  if (PublicKey.empty()) return ReleaseTerms{seal.sha256, seal.size, std::nullopt, std::nullopt};
  const std::optional<release::PublicKey> key = release::FromBase64<32>(PublicKey);
  if (!key) return Refused{"The update key built into this program is not valid"};
  if (!seal.sig) return Refused{"The update reply is not signed"};
  if (!release::SignatureIsValid(ReplyBytes, seal, *key))
    return Refused{"The update reply's signature is not the publisher's"};
  // Signed, but a reply that leaves out any of these promises too little.
  const std::pair<const char*, bool> required[] = {{"sha256", seal.sha256.has_value()},
                                                   {"size", seal.size.has_value()},
                                                   {"expires", seal.expires.has_value()},
                                                   {"serial", seal.serial.has_value()}};
  for (const auto& [name, present] : required)
    if (!present) return Refused{Format("The signed update reply has no \"%s\"", name)};
  if (Now > *seal.expires) return Refused{"The update reply expired at " + UtcText(*seal.expires)};
  const std::int64_t highest = HighestSerial(RecordedSerial);
  if (*seal.serial < highest)
    return Refused{Format("The update reply's serial %lld is lower than %lld, the serial already installed",
                          static_cast<long long>(*seal.serial), static_cast<long long>(highest))};
  return ReleaseTerms{seal.sha256, seal.size, seal.serial, seal.index};
}
