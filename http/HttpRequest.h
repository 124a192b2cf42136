#pragma once
// The header record of a request and the header lines it makes.
#include <cstdint>

#include "http/HeaderList.h"
#include "http/HttpDate.h"

class THttpRequest {
 public:
  AnsiString Method = "GET";
  AnsiString URL;  // the request target of the last preparation
  AnsiString CacheControl, Connection, ContentEncoding, ContentLanguage;
  std::int64_t ContentLength = -1;
  // A start or end other than 0 asks for part of the body: "Range:
  // bytes=start-end", the end left open when it is 0. A start below 0 asks
  // for the body's last -start bytes ("bytes=-count"), the end unused.
  std::int64_t ContentRangeStart = 0, ContentRangeEnd = 0;
  // With a range, the validator that the part must still belong to (an
  // entity tag or a date, as IfRangeValidator chooses); sent only with one.
  AnsiString IfRange;
  AnsiString ContentType = "text/html";
  AnsiString ContentVersion;
  THeaderList CustomHeaders;
  TDateTime Date = 0, Expires = 0, LastModified = 0;
  AnsiString Pragma;
  AnsiString Accept = "text/html, */*";
  AnsiString AcceptCharSet, AcceptEncoding, AcceptLanguage;
  bool BasicAuthentication = false;
  AnsiString Host, From, Referer, Username, Password;
  AnsiString UserAgent = "Mozilla/3.0 (compatible; Quelbo Updater)";
  AnsiString ProxyConnection;

  bool AsksForRange() const { return ContentRangeStart != 0 || ContentRangeEnd != 0; }

  // The header lines in their fixed order, each only when it has a value.
  // The cookie line is the client's to add last.
  THeaderList ComposeHeaders() const;
};

AnsiString Base64Encode(const AnsiString& Bytes);
