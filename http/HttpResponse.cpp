#include "http/HttpResponse.h"

#include <climits>
#include <cstdio>
#include <ctime>

#include "http/HttpErrors.h"

bool ParseDecimal(const AnsiString& Text, std::int64_t& Value, bool& Overflow) {
  Overflow = false;
  std::size_t i = 0;
  bool negative = false;
  if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) negative = Text[i++] == '-';
  if (i == Text.size()) return false;
  std::int64_t v = 0;
  for (; i < Text.size(); ++i) {
    char c = Text[i];
    if (c < '0' || c > '9') return false;
    if (v > (INT64_MAX - (c - '0')) / 10) Overflow = true;
    else v = v * 10 + (c - '0');
  }
  Value = negative ? -v : v;
  return true;
}

int StatusCodeOf(const AnsiString& StatusLine) {
  std::size_t i = 0, n = StatusLine.size();
  auto blank = [&](std::size_t k) { return StatusLine[k] == ' ' || StatusLine[k] == '\t'; };
  while (i < n && blank(i)) ++i;
  while (i < n && !blank(i)) ++i;  // the version
  while (i < n && blank(i)) ++i;
  std::size_t start = i;
  while (i < n && !blank(i)) ++i;
  std::int64_t v = 0;
  bool overflow = false;
  if (!ParseDecimal(StatusLine.substr(start, i - start), v, overflow) || overflow || v < INT_MIN || v > INT_MAX)
    return -1;
  return static_cast<int>(v);
}

void THttpResponse::Clear() {
  TStream* stream = ContentStream;
  *this = THttpResponse();
  ContentStream = stream;
}

void THttpResponse::ParseStatusLine() {
  std::size_t sp = ResponseText.find(' ');
  ResponseVersion = ResponseText.substr(0, sp);
  ResponseCode = StatusCodeOf(ResponseText);
}

void THttpResponse::InterpretHeaders(std::int64_t MaxBodyLength) {
  const THeaderList& h = RawHeaders;
  Location = h.Values("Location");
  Server = h.Values("Server");
  ProxyConnection = h.Values("Proxy-Connection");
  Connection = h.Values("Connection");
  ContentVersion = h.Values("Content-Version");
  ContentEncoding = h.Values("Content-Encoding");
  ContentLanguage = h.Values("Content-Language");
  ContentType = h.Values("Content-Type");
  TransferEncoding = h.Values("Transfer-Encoding");
  Pragma = h.Values("Pragma");
  WWWAuthenticate = h.AllValues("WWW-Authenticate");
  ProxyAuthenticate = h.AllValues("Proxy-Authenticate");

  ContentRangeStart = ContentRangeEnd = 0;
  AnsiString range = h.Values("Content-Range");
  long long s = 0, e = 0;
  if (std::sscanf(range.c_str(), "bytes %lld-%lld", &s, &e) == 2) {
    ContentRangeStart = s;
    ContentRangeEnd = e;
  }
  ContentRange = ParseContentRange(range);
  ETag = h.Values("ETag");
  RetryAfter = h.Values("Retry-After");
  LastModifiedText = h.Values("Last-Modified");
  DateText = h.Values("Date");

  ContentLength = -1;
  AnsiString length = h.Values("Content-Length");
  std::int64_t v = 0;
  bool overflow = false;
  if (ParseDecimal(length, v, overflow)) {
    if (overflow || v > MaxBodyLength) throw EHttpFramingError("Content-Length " + length + " is out of range.");
    ContentLength = v;
  }

  Date = GMTToLocalDateTime(DateText);
  LastModified = GMTToLocalDateTime(LastModifiedText);
  AnsiString expires = h.Values("Expires");
  std::int64_t secs = 0;
  if (ParseDecimal(expires, secs, overflow) && !overflow && secs > -(1LL << 40) && secs < (1LL << 40))
    Expires = UnixToLocalDateTime(std::time(nullptr) + static_cast<std::time_t>(secs));
  else
    Expires = GMTToLocalDateTime(expires);
}
