#include "app/release/ReleaseIndex.h"

#include <charconv>
#include <set>

namespace release {
namespace {

constexpr std::string_view kHeader = "quelbo-index 1\n";
constexpr std::size_t kHexDigits = 64;

// Digits only, no sign, no leading zero but for "0" itself, so that a number
// has one spelling and a text that reads writes back the same.
std::optional<std::int64_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Lower case only, for the same reason.
std::optional<Sha256Digest> LowerHex(std::string_view text) {
  if (text.size() != kHexDigits) return std::nullopt;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
  return FromHex<32>(text);
}

bool UsableName(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// Whether the entries are in the order of their bytes, apart, with one name each.
bool WellFormed(const std::vector<IndexEntry>& entries) {
  std::set<std::string_view> names;
  std::int64_t last = 0;
  for (const IndexEntry& e : entries) {
    if (!UsableName(e.name) || e.first < last || e.end <= e.first) return false;
    if (!names.insert(e.name).second) return false;
    last = e.end;
  }
  return true;
}

// The next space-ended word of Line from At; nothing without a space.
std::optional<std::string_view> Word(std::string_view line, std::size_t& at) {
  const std::size_t space = line.find(' ', at);
  if (space == std::string_view::npos) return std::nullopt;
  const std::string_view word = line.substr(at, space - at);
  at = space + 1;
  return word;
}

}  // namespace

std::optional<std::vector<IndexEntry>> ParseReleaseIndex(std::string_view text) {
  if (!text.starts_with(kHeader)) return std::nullopt;
  std::vector<IndexEntry> entries;
  for (std::size_t at = kHeader.size(); at < text.size();) {
    const std::size_t lineEnd = text.find('\n', at);
    if (lineEnd == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(at, lineEnd - at);
    at = lineEnd + 1;
    std::size_t pos = 0;
    const auto first = Word(line, pos), end = Word(line, pos), range = Word(line, pos), content = Word(line, pos);
    if (!content) return std::nullopt;
    IndexEntry e;
    const auto firstValue = Decimal(*first), endValue = Decimal(*end);
    const auto rangeDigest = LowerHex(*range), contentDigest = LowerHex(*content);
    if (!firstValue || !endValue || !rangeDigest || !contentDigest) return std::nullopt;
    e.first = *firstValue;
    e.end = *endValue;
    e.rangeSha256 = *rangeDigest;
    e.contentSha256 = *contentDigest;
    e.name = std::string(line.substr(pos));
    entries.push_back(std::move(e));
  }
  if (!WellFormed(entries)) return std::nullopt;
  return entries;
}

std::optional<std::string> ReleaseIndexText(const std::vector<IndexEntry>& entries) {
  if (!WellFormed(entries)) return std::nullopt;
  std::string out(kHeader);
  for (const IndexEntry& e : entries)
    out += std::to_string(e.first) + ' ' + std::to_string(e.end) + ' ' + ToHex(e.rangeSha256) + ' ' +
           ToHex(e.contentSha256) + ' ' + e.name + '\n';
  return out;
}

}  // namespace release
