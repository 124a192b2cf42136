#include "http/RangeHeaders.h"

#include <climits>

#include "http/HttpDate.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// 1*DIGIT at Text[At], moving At past it. Nothing when there is no digit or
// the number does not fit; with Saturate, such a number is INT64_MAX instead.
std::optional<std::int64_t> Digits(const AnsiString& Text, std::size_t& At, bool Saturate = false) {
  const std::size_t start = At;
  std::int64_t v = 0;
  bool overflow = false;
  for (; At < Text.size() && IsDigit(Text[At]); ++At) {
    const int d = Text[At] - '0';
    if (v > (INT64_MAX - d) / 10) overflow = true;
    else if (!overflow) v = v * 10 + d;
  }
  if (At == start) return std::nullopt;
  if (overflow) return Saturate ? std::optional<std::int64_t>(INT64_MAX) : std::nullopt;
  return v;
}

bool Expect(const AnsiString& Text, std::size_t& At, char C) {
  if (At >= Text.size() || Text[At] != C) return false;
  ++At;
  return true;
}

// Range units are compared without regard to case.
bool IsBytesUnit(const AnsiString& Text, std::size_t Length) {
  static const char kBytes[] = "bytes";
  if (Length != 5) return false;
  for (std::size_t i = 0; i < 5; ++i)
    if ((Text[i] | 0x20) != kBytes[i]) return false;
  return true;
}

}  // namespace

std::optional<TContentRange> ParseContentRange(const AnsiString& Value) {
  const std::size_t space = Value.find(' ');
  if (space == AnsiString::npos || !IsBytesUnit(Value, space)) return std::nullopt;
  std::size_t at = space + 1;
  TContentRange r;
  if (Expect(Value, at, '*')) {
    if (!Expect(Value, at, '/')) return std::nullopt;
    auto complete = Digits(Value, at);
    if (!complete || at != Value.size()) return std::nullopt;
    r.Complete = *complete;
    return r;
  }
  auto first = Digits(Value, at);
  if (!first || !Expect(Value, at, '-')) return std::nullopt;
  auto last = Digits(Value, at);
  if (!last || !Expect(Value, at, '/')) return std::nullopt;
  if (!Expect(Value, at, '*')) {
    auto complete = Digits(Value, at);
    if (!complete) return std::nullopt;
    r.Complete = *complete;
  }
  if (at != Value.size() || *last < *first || (r.Complete >= 0 && r.Complete <= *last)) return std::nullopt;
  r.Satisfied = true;
  r.First = *first;
  r.Last = *last;
  return r;
}

std::optional<TEntityTag> ParseEntityTag(const AnsiString& Value) {
  TEntityTag tag;
  std::size_t at = 0;
  if (Value.compare(0, 2, "W/") == 0) {
    tag.Weak = true;
    at = 2;
  }
  if (Value.size() < at + 2 || Value[at] != '"' || Value.back() != '"') return std::nullopt;
  for (std::size_t i = at + 1; i + 1 < Value.size(); ++i) {
    const auto c = static_cast<unsigned char>(Value[i]);
    // etagc: "!" and "#" to "~", and the octets above 127; no blank, no quote.
    if (c < 0x21 || c == '"' || c == 0x7F) return std::nullopt;
  }
  tag.Opaque = Value.substr(at);
  return tag;
}

std::optional<std::int64_t> ParseRetryAfter(const AnsiString& Value, std::time_t Now) {
  if (!Value.empty() && IsDigit(Value[0])) {
    std::size_t at = 0;
    auto seconds = Digits(Value, at, true);
    if (!seconds || at != Value.size()) return std::nullopt;
    return seconds;
  }
  auto when = ParseInternetDate(Value);
  if (!when) return std::nullopt;
  return *when > Now ? static_cast<std::int64_t>(*when - Now) : 0;
}

AnsiString IfRangeValidator(const AnsiString& ETag, const AnsiString& LastModified, const AnsiString& Date) {
  auto tag = ParseEntityTag(ETag);
  if (tag && !tag->Weak) return tag->Text();
  auto modified = ParseInternetDate(LastModified);
  auto date = ParseInternetDate(Date);
  if (modified && date && *date - *modified >= 1) return LastModified;
  return "";
}
