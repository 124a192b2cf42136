#include "http/HttpRequest.h"

#include "core/SysUtils.h"

namespace {
void AddIf(THeaderList& h, const char* name, const AnsiString& value) {
  if (!value.empty()) h.Add(AnsiString(name) + ": " + value);
}
void AddDateIf(THeaderList& h, const char* name, TDateTime value) {
  if (value > 0) h.Add(AnsiString(name) + ": " + LocalDateTimeToGMT(value));
}
}  // namespace

AnsiString Base64Encode(const AnsiString& Bytes) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  AnsiString out;
  std::size_t i = 0;
  for (; i + 2 < Bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(Bytes[i]) << 16 | static_cast<unsigned char>(Bytes[i + 1]) << 8 |
                 static_cast<unsigned char>(Bytes[i + 2]);
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += kAlphabet[v >> 6 & 63];
    out += kAlphabet[v & 63];
  }
  if (i < Bytes.size()) {
    unsigned v = static_cast<unsigned char>(Bytes[i]) << 16;
    if (i + 1 < Bytes.size()) v |= static_cast<unsigned char>(Bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += i + 1 < Bytes.size() ? kAlphabet[v >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

THeaderList THttpRequest::ComposeHeaders() const {
  THeaderList h;
  AddIf(h, "Connection", Connection);
  AddIf(h, "Content-Version", ContentVersion);
  AddIf(h, "Content-Encoding", ContentEncoding);
  AddIf(h, "Content-Language", ContentLanguage);
  AddIf(h, "Content-Type", ContentType);
  if (ContentLength >= 0) h.Add("Content-Length: " + IntToStr(ContentLength));
  AddIf(h, "Cache-control", CacheControl);
  AddDateIf(h, "Date", Date);
  AddDateIf(h, "Expires", Expires);
  AddIf(h, "Pragma", Pragma);
  for (const AnsiString& line : CustomHeaders.Lines()) h.Add(line);
  AddIf(h, "Proxy-Connection", ProxyConnection);
  AddIf(h, "Host", Host);
  AddIf(h, "Accept", Accept);
  AddIf(h, "Accept-Charset", AcceptCharSet);
  AddIf(h, "Accept-Encoding", AcceptEncoding);
  AddIf(h, "Accept-Language", AcceptLanguage);
  AddIf(h, "From", From);
  AddIf(h, "Referer", Referer);
  AddIf(h, "User-Agent", UserAgent);
  AddDateIf(h, "If-Modified-Since", LastModified);
  if (AsksForRange()) {
    if (ContentRangeStart < 0) h.Add("Range: bytes=-" + IntToStr(-ContentRangeStart));
    else
      h.Add("Range: bytes=" + IntToStr(ContentRangeStart) + "-" +
            (ContentRangeEnd != 0 ? IntToStr(ContentRangeEnd) : AnsiString()));
    AddIf(h, "If-Range", IfRange);
  }
  if (BasicAuthentication) h.Add("Authorization: Basic " + Base64Encode(Username + ":" + Password));
  return h;
}
