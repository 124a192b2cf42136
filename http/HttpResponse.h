#pragma once
// The header record of a response, filled from its status line and headers.
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Streams.h"
#include "http/HeaderList.h"
#include "http/HttpErrors.h"
#include "http/HttpDate.h"
#include "http/RangeHeaders.h"

class THttpResponse {
 public:
  AnsiString ResponseText;  // the status line
  int ResponseCode = -1;
  AnsiString ResponseVersion;
  THeaderList RawHeaders;
  AnsiString Location, Server, ProxyConnection, Connection, ContentVersion, ContentEncoding, ContentLanguage,
      ContentType, TransferEncoding, Pragma;
  std::int64_t ContentLength = -1;
  std::int64_t ContentRangeStart = 0, ContentRangeEnd = 0;
  // The Content-Range field read strictly; nothing when absent or malformed.
  std::optional<TContentRange> ContentRange;
  // As the server wrote them: what a later request may send back or compare.
  AnsiString ETag, LastModifiedText, DateText, RetryAfter;
  TDateTime Date = 0, LastModified = 0, Expires = 0;
  std::vector<AnsiString> WWWAuthenticate, ProxyAuthenticate;
  bool KeepAlive = false;
  TStream* ContentStream = nullptr;

  bool HasContentLength() const { return ContentLength >= 0; }

  // Forgets the previous response.
  void Clear();
  // Takes ResponseText apart into ResponseVersion and ResponseCode.
  void ParseStatusLine();
  // Fills the fields from RawHeaders. A Content-Length too large to receive
  // raises EHttpFramingError.
  // A Content-Length above MaxBodyLength raises EHttpFramingError.
  void InterpretHeaders(std::int64_t MaxBodyLength = kMaxBodyLength);
};

// The status code of a status line: its second blank-separated token as a
// decimal number, -1 when there is none.
int StatusCodeOf(const AnsiString& StatusLine);
// Reads a decimal number (optional sign); false when the text is not one.
// Numbers outside 64 bits set Overflow.
bool ParseDecimal(const AnsiString& Text, std::int64_t& Value, bool& Overflow);
