#include "app/release/ReleaseSeal.h"

#include <charconv>
#include <set>

namespace release {
namespace {

constexpr char kFieldSeparator = '|';
constexpr char kItemSeparator = ';';
constexpr std::string_view kSigItem = "sig=";
constexpr std::size_t kSealField = 4;

// The reply without one line break at its end.
std::string_view WithoutLineBreak(std::string_view reply) {
  if (reply.ends_with("\r\n")) return reply.substr(0, reply.size() - 2);
  if (reply.ends_with('\n')) return reply.substr(0, reply.size() - 1);
  return reply;
}

std::optional<std::int64_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

SealReading Malformed(std::string problem) {
  SealReading r;
  r.kind = SealReading::Kind::kMalformed;
  r.problem = std::move(problem);
  return r;
}

}  // namespace

SealReading ReadReleaseSeal(std::string_view reply) {
  // The seal starts after the fourth "|" and runs to the next one, or to the
  // end of the reply less its line break.
  std::size_t start = 0;
  for (std::size_t field = 0; field < kSealField; ++field) {
    std::size_t bar = reply.find(kFieldSeparator, start);
    if (bar == std::string_view::npos) return {};
    start = bar + 1;
  }
  const std::string_view rest = reply.substr(start);
  const std::size_t bar = rest.find(kFieldSeparator);
  const std::string_view field = bar == std::string_view::npos ? WithoutLineBreak(rest) : rest.substr(0, bar);
  if (field.find('=') == std::string_view::npos) return {};

  SealReading reading;
  reading.kind = SealReading::Kind::kPresent;
  ReleaseSeal& seal = reading.seal;
  std::set<std::string_view> seen;
  for (std::size_t at = 0;;) {
    const std::size_t semicolon = field.find(kItemSeparator, at);
    const std::string_view item = field.substr(at, semicolon == std::string_view::npos ? semicolon : semicolon - at);
    const std::size_t equals = item.find('=');
    if (item.empty()) return Malformed("an empty item");
    if (equals == std::string_view::npos || equals == 0) return Malformed("an item without a key");
    const std::string_view key = item.substr(0, equals), value = item.substr(equals + 1);
    if (!seen.insert(key).second) return Malformed("\"" + std::string(key) + "\" given twice");
    auto bad = [&] { return Malformed("a malformed \"" + std::string(key) + "\""); };
    if (key == "sha256") {
      if (!(seal.sha256 = FromHex<32>(value))) return bad();
    } else if (key == "size") {
      if (!(seal.size = Decimal(value))) return bad();
    } else if (key == "expires") {
      if (!(seal.expires = Decimal(value))) return bad();
    } else if (key == "serial") {
      if (!(seal.serial = Decimal(value))) return bad();
    } else if (key == "index") {
      if (!(seal.index = FromHex<32>(value))) return bad();
    } else if (key == "sig") {
      // The signature ends the reply: nothing it does not cover may follow.
      if (semicolon != std::string_view::npos || bar != std::string_view::npos)
        return Malformed("data after the signature");
      if (!(seal.sig = FromBase64<64>(value))) return bad();
      seal.signedLength = start + at + kSigItem.size();
    }
    if (semicolon == std::string_view::npos) break;
    at = semicolon + 1;
  }
  return reading;
}

std::string UnsignedReply(std::string_view f0, std::string_view f1, std::string_view f2, std::string_view f3,
                          const Sha256Digest& sha256, std::int64_t size, std::int64_t expires, std::int64_t serial,
                          const std::optional<Sha256Digest>& index) {
  std::string out;
  for (std::string_view field : {f0, f1, f2, f3}) (out += field) += kFieldSeparator;
  out += "sha256=" + ToHex(sha256) + ";size=" + std::to_string(size) + ";expires=" + std::to_string(expires) +
         ";serial=" + std::to_string(serial) + ";";
  if (index) out += "index=" + ToHex(*index) + ";";
  out += kSigItem;
  return out;
}

std::string SignedReply(std::string_view unsignedReply, const SecretKey& secretKey) {
  return std::string(unsignedReply) + ToBase64(Sign(unsignedReply, secretKey));
}

bool SignatureIsValid(std::string_view reply, const ReleaseSeal& seal, const PublicKey& key) {
  if (!seal.sig || seal.signedLength > reply.size()) return false;
  return Verify(reply.substr(0, seal.signedLength), *seal.sig, key);
}

}  // namespace release
