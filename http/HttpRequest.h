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
  std::int64_t ContentRangeStart = 0, ContentRangeEnd = 0;
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

  // The header lines in their fixed order, each only when it has a value.
  // The cookie line is the client's to add last.
  THeaderList ComposeHeaders() const;
};

AnsiString Base64Encode(const AnsiString& Bytes);
