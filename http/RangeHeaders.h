#pragma once
// The header fields a resumed transfer relies on, read strictly: the range a
// partial response carries (Content-Range), the entity tag that names the
// representation (ETag), the wait a server asks for (Retry-After), and the
// choice of the validator a request for the rest of a body sends (If-Range).
#include <cstdint>
#include <ctime>
#include <optional>

#include "core/Types.h"

// "bytes First-Last/Complete", or "bytes */Complete" for a range the server
// could not satisfy. Complete is -1 when the server wrote "*".
struct TContentRange {
  bool Satisfied = false;
  std::int64_t First = -1, Last = -1;
  std::int64_t Complete = -1;

  std::int64_t Length() const { return Satisfied ? Last - First + 1 : 0; }
};

// The field's value, or nothing when it is malformed, names a unit other than
// bytes, ends before it begins, or claims a complete length that does not
// reach past its last byte.
std::optional<TContentRange> ParseContentRange(const AnsiString& Value);

// An entity tag: its opaque part with the quotes, and whether it is weak.
struct TEntityTag {
  bool Weak = false;
  AnsiString Opaque;

  AnsiString Text() const { return Weak ? "W/" + Opaque : Opaque; }
  // The same representation for certain: both strong and identical.
  bool StrongMatch(const TEntityTag& Other) const { return !Weak && !Other.Weak && Opaque == Other.Opaque; }
  bool operator==(const TEntityTag& Other) const { return Weak == Other.Weak && Opaque == Other.Opaque; }
};

std::optional<TEntityTag> ParseEntityTag(const AnsiString& Value);

// The seconds to wait that a Retry-After value asks for: a number of seconds,
// or a date, counted from Now (a date already past asks for none). Seconds
// beyond 64 bits are the most there are. Nothing when the value is neither.
std::optional<std::int64_t> ParseRetryAfter(const AnsiString& Value, std::time_t Now);

// What a request for the rest of a body sends as If-Range, given the first
// response's ETag, Last-Modified and Date values: a strong entity tag; else
// the modification date as the server wrote it, when it is strong, that is at
// least a second older than the response; else "" (no validator to send).
AnsiString IfRangeValidator(const AnsiString& ETag, const AnsiString& LastModified, const AnsiString& Date);
