#pragma once
// The HTTP/1.1 client: GET requests over its own TCP connection, kept open
// between requests while the server allows, with cookies and progress events.
// A body is written into a chain of writers (BodyWriter.h); a request may ask
// for the rest of a body (Request().ContentRangeStart, Request().IfRange),
// and a partial response is taken only when it is the part asked for.
#include <functional>
#include <memory>

#include "http/CookieManager.h"
#include "http/HttpRequest.h"
#include "http/HttpResponse.h"
#include "http/HttpUri.h"
#include "http/TcpClient.h"

enum TProtocolVersion { pv1_0, pv1_1 };

enum THttpOption : unsigned {
  hoInProcessAuth = 1u << 0,
  hoKeepOrigProtocol = 1u << 1,
  hoForceEncodeParams = 1u << 2,
};
using THttpOptions = unsigned;

// Proxy settings are kept as stored settings; requests always go direct.
struct TProxyConnectionInfo {
  AnsiString ProxyServer;
  int ProxyPort = 0;
  bool BasicAuthentication = false;
  AnsiString ProxyUsername, ProxyPassword;
};

class THttpClient : public TTcpClient {
 public:
  explicit THttpClient(TComponent* AOwner);
  ~THttpClient() override;

  TProtocolVersion ProtocolVersion() const { return protocol_version_; }
  void SetProtocolVersion(TProtocolVersion v) { protocol_version_ = v; }
  THttpOptions HTTPOptions() const { return http_options_; }
  void SetHTTPOptions(THttpOptions v) { http_options_ = v; }
  // Redirects are reported as EHttpProtocolError; these two are stored only.
  bool HandleRedirects() const { return handle_redirects_; }
  void SetHandleRedirects(bool v) { handle_redirects_ = v; }
  int RedirectMaximum() const { return redirect_maximum_; }
  void SetRedirectMaximum(int v) { redirect_maximum_ = v; }
  int AuthRetries() const { return auth_retries_; }
  void SetAuthRetries(int v) { auth_retries_ = v; }
  bool AllowCookies() const { return allow_cookies_; }
  void SetAllowCookies(bool v) { allow_cookies_ = v; }
  TProxyConnectionInfo& ProxyParams() { return proxy_params_; }
  // The longest body accepted, however it is framed (kMaxBodyLength unless
  // set); a longer one raises EHttpFramingError.
  std::int64_t MaxBodyLength() const { return max_body_length_; }
  void SetMaxBodyLength(std::int64_t v) { max_body_length_ = v > 0 ? v : 0; }

  THttpRequest& Request() { return request_; }
  THttpResponse& Response() { return response_; }
  // The URL the client is at; relative URLs and URLs without a port build on it.
  const TUri& URL() const { return url_; }
  // Created at the first response while AllowCookies is True.
  TCookieManager* CookieManager() const { return cookie_manager_; }

  int ResponseCode() const { return response_.ResponseCode; }
  const AnsiString& ResponseText() const { return response_.ResponseText; }

  // Sees the headers of a response the client accepts, before any byte of
  // its body; raising refuses the response (its connection is closed).
  using TResponseCheck = std::function<void(const THttpResponse&)>;

  // Fetches AURL and writes its body into Body.
  void Get(const AnsiString& AURL, TBodyWriter& Body, const TResponseCheck& Check = nullptr);
  // Fetches AURL into memory at the stream's position (TMemoryStore).
  void Get(const AnsiString& AURL, TMemoryStream& AStream);
  // Fetches AURL and returns its body bytes unchanged.
  AnsiString Get(const AnsiString& AURL);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void PrepareRequest(const AnsiString& AURL);
  // True when the connection of an earlier request carries this one.
  bool ReuseOrConnect();
  AnsiString RequestBytes() const;
  void ReadResponse(TBodyWriter& Body, const TResponseCheck& Check);
  void ReadHeaderBlock();
  void TakeInCookies();
  // Raises EHttpRangeError unless a partial response is the part asked for.
  void CheckPartialContent() const;
  void ReadBody(TBodyWriter& Body);
  void ReadChunkedBody(TBodyWriter& Body);
  AnsiString ReadErrorBody();
  void FinishResponse();

  TProtocolVersion protocol_version_ = pv1_1;
  THttpOptions http_options_ = hoForceEncodeParams;
  bool handle_redirects_ = false;
  int redirect_maximum_ = 15;
  int auth_retries_ = 3;
  bool allow_cookies_ = true;
  TProxyConnectionInfo proxy_params_;
  THttpRequest request_;
  THttpResponse response_;
  TUri url_;
  TCookieManager* cookie_manager_ = nullptr;
  bool keep_alive_ = false;
  bool answer_began_ = false;  // a line of the current response was read
  std::int64_t max_body_length_ = kMaxBodyLength;
};

// The size on a chunk-size line: hexadecimal digits up to ";" or a blank.
// Anything else, or a size above Limit, raises EHttpFramingError.
std::int64_t ParseChunkSize(const AnsiString& Line, std::int64_t Limit = kMaxBodyLength);
