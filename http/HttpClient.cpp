#include "http/HttpClient.h"

#include <climits>

#include "http/HttpErrors.h"

namespace {

// The read time limit for the body of an error or redirect response.
constexpr int kErrorBodyReadTimeout = 2000;

bool IsDigits(const AnsiString& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// A port text as a number; 0 when it is none (connecting to 0 then fails).
int PortNumber(const AnsiString& port) {
  if (!IsDigits(port) || port.size() > 5) return 0;
  int v = std::stoi(port);
  return v <= 65535 ? v : 0;
}

// Sets a connection setting for a scope and restores it however the scope ends.
template <typename T, T (TTcpConnection::*Get)() const, void (TTcpConnection::*Set)(T)>
class TSettingScope {
 public:
  TSettingScope(TTcpConnection& c, T value) : c_(c), saved_((c.*Get)()) { (c_.*Set)(value); }
  ~TSettingScope() { (c_.*Set)(saved_); }
  TSettingScope(const TSettingScope&) = delete;
  TSettingScope& operator=(const TSettingScope&) = delete;

 private:
  TTcpConnection& c_;
  T saved_;
};
using TReadTimeoutScope = TSettingScope<int, &TTcpConnection::ReadTimeout, &TTcpConnection::SetReadTimeout>;
// Keeps the work events quiet while a body nobody asked for is read.
using TMutedWorkScope = TSettingScope<bool, &TTcpConnection::WorkEventsMuted, &TTcpConnection::SetWorkEventsMuted>;

}  // namespace

THttpClient::THttpClient(TComponent* AOwner) : TTcpClient(AOwner) {
  SetPort(80);
  url_.Port = "80";
}

THttpClient::~THttpClient() { Disconnect(); }

void THttpClient::Notification(TComponent* AComponent, TOperation Operation) {
  TTcpClient::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == cookie_manager_) cookie_manager_ = nullptr;
}

void THttpClient::PrepareRequest(const AnsiString& AURL) {
  TUri n = ParseUri(AURL);
  if (!n.UserName.empty()) {
    request_.Username = n.UserName;
    request_.Password = n.Password;
  }
  url_.UserName = request_.Username;
  url_.Password = request_.Password;

  if (!n.Path.empty() && n.Path[0] == '/') url_.Path = n.Path;
  else url_.Path = ResolveRelativePath(url_.Path, n.Path);
  url_.Document = n.Document;
  url_.Params = n.Params;
  url_.Bookmark = n.Bookmark;
  if (!n.Host.empty()) url_.Host = n.Host;
  url_.Protocol = n.Protocol.empty() ? "http" : n.Protocol;

  if (!n.Port.empty()) {
    url_.Port = n.Port;
  } else if (!IsDigits(url_.Port) || url_.Port == "0" || PortNumber(url_.Port) == 80 || PortNumber(url_.Port) == 443) {
    if (SameText(url_.Protocol, "http")) url_.Port = "80";
    else if (SameText(url_.Protocol, "https")) url_.Port = "443";
    else throw EUnknownProtocol(RSUnknownProtocol);
  }

  request_.URL = url_.Path + url_.Document + url_.Params;
  request_.ContentLength = -1;
  request_.Host = url_.Port == "80" ? url_.Host : url_.Host + ":" + url_.Port;

  const int port = PortNumber(url_.Port);
  if (!SameText(Host(), url_.Host) || Port() != port) {
    Disconnect();
    SetHost(url_.Host);
    SetPort(port);
  }
  // There is no TLS here, so an https URL cannot be fetched.
  if (SameText(url_.Protocol, "https")) throw ETransportInvalid(RSInvalidIOHandler);
}

bool THttpClient::ReuseOrConnect() {
  if (Connected()) {
    if (!keep_alive_) {
      Disconnect();
    } else {
      // A short read attempt notices a close by the server since the last
      // response. Bytes that arrive unasked belong to no request of ours and
      // would be taken for the next response, so such a connection is not
      // reused either.
      try {
        ReadFromStack(1, false);
      } catch (const Exception&) {
        Disconnect();
      }
      if (!Connected() || InputBufferSize() > 0) Disconnect();
    }
  }
  if (Connected()) return true;
  Connect();
  return false;
}

AnsiString THttpClient::RequestBytes() const {
  AnsiString out = request_.Method + " " + request_.URL + (protocol_version_ == pv1_1 ? " HTTP/1.1" : " HTTP/1.0");
  out += "\r\n";
  THeaderList headers = request_.ComposeHeaders();
  if (cookie_manager_) {
    AnsiString cookies = cookie_manager_->CookieHeader(url_.Host, url_.Path, false);
    if (!cookies.empty()) headers.Add("Cookie: " + cookies);
  }
  for (const AnsiString& line : headers.FoldedLines()) {
    if (line.empty()) continue;
    out += line;
    out += "\r\n";
  }
  out += "\r\n";
  return out;
}

void THttpClient::Get(const AnsiString& AURL, TBodyWriter& Body, const TResponseCheck& Check) {
  PrepareRequest(AURL);
  bool reused = ReuseOrConnect();
  for (;;) {
    answer_began_ = false;
    try {
      Write(RequestBytes());
      ReadResponse(Body, Check);
      return;
    } catch (const EHttpProtocolError&) {
      throw;  // the response was read whole; the keep-alive rule has decided
    } catch (const ENetError& e) {
      // A server may close a kept connection just as our request goes out on
      // it, and nothing shows that beforehand. Such a request is sent once
      // more on a new connection, as a GET may be, when no byte of an answer
      // came; anything else is the server's answer and is reported.
      const bool nothingCame = !answer_began_ && InputBufferSize() == 0;
      const bool closed = dynamic_cast<const EConnClosedGracefully*>(&e) || dynamic_cast<const ESocketError*>(&e);
      keep_alive_ = false;
      Disconnect();
      if (!reused || !nothingCame || !closed) throw;
      reused = false;
      Connect();
    } catch (...) {
      // After any other failure the connection is somewhere inside a response
      // and cannot carry the next one.
      keep_alive_ = false;
      Disconnect();
      throw;
    }
  }
}

void THttpClient::Get(const AnsiString& AURL, TMemoryStream& AStream) {
  TMemoryStore store(AStream);
  response_.ContentStream = &AStream;
  try {
    Get(AURL, store);
  } catch (...) {
    response_.ContentStream = nullptr;
    throw;
  }
  response_.ContentStream = nullptr;  // the caller's stream is the caller's again
}

AnsiString THttpClient::Get(const AnsiString& AURL) {
  TMemoryStream body;
  Get(AURL, body);
  return AnsiString(static_cast<const char*>(body.Memory()), static_cast<std::size_t>(body.Size()));
}

void THttpClient::ReadHeaderBlock() {
  for (;;) {
    AnsiString line;
    try {
      line = ReadLn();
    } catch (const EConnClosedGracefully&) {
      // The server closed inside the header block: the lines so far count.
      CloseSocket();
      return;
    }
    if (line.empty()) return;
    response_.RawHeaders.Add(line);
  }
}

void THttpClient::TakeInCookies() {
  if (!allow_cookies_) return;
  if (!cookie_manager_) {
    cookie_manager_ = new TCookieManager(this);
  }
  const AnsiString requestPath = url_.Path + url_.Document;
  for (const AnsiString& line : response_.RawHeaders.Lines()) {
    AnsiString name = THeaderList::NameOf(line);
    if (line.empty() || line[0] == ' ' || line[0] == '\t') continue;
    if (SameText(name, "Set-Cookie"))
      cookie_manager_->AddCookies(THeaderList::ValueOf(line), url_.Host, requestPath, false);
    else if (SameText(name, "Set-Cookie2"))
      cookie_manager_->AddCookies(THeaderList::ValueOf(line), url_.Host, requestPath, true);
  }
}

void THttpClient::ReadResponse(TBodyWriter& Body, const TResponseCheck& Check) {
  do {
    response_.Clear();
    response_.ResponseText = ReadLn();
    answer_began_ = true;
    ReadHeaderBlock();
    response_.InterpretHeaders(max_body_length_);
    TakeInCookies();
    response_.ParseStatusLine();
  } while (response_.ResponseCode == 100);

  const int code = response_.ResponseCode;
  const bool redirect = (code >= 300 && code <= 399 && code != 304) || !response_.Location.empty();
  if (redirect || code < 200 || code > 299) {
    AnsiString body = ReadErrorBody();
    FinishResponse();
    throw EHttpProtocolError(code, response_.ResponseText, body);
  }
  if (code == 206) CheckPartialContent();
  if (!Connected()) {
    FinishResponse();
    throw ENetError(RSUndefinedSituation);
  }
  if (Check) Check(response_);
  if (code != 204) ReadBody(Body);
  FinishResponse();
}

AnsiString THttpClient::ReadErrorBody() {
  TMemoryStream body;
  TMemoryStore store(body);
  TStream* callers = response_.ContentStream;
  response_.ContentStream = &body;
  try {
    TReadTimeoutScope limit(*this, kErrorBodyReadTimeout);
    // Only the body the caller asked for shows as progress.
    TMutedWorkScope quiet(*this, true);
    ReadBody(store);
  } catch (const EConnClosedGracefully&) {
    // A short error page is still the answer: the status is reported with
    // what of the page arrived.
  } catch (...) {
    response_.ContentStream = callers;
    throw;
  }
  response_.ContentStream = callers;
  return AnsiString(static_cast<const char*>(body.Memory()), static_cast<std::size_t>(body.Size()));
}

void THttpClient::FinishResponse() {
  const bool closeAsked =
      SameText(TrimBlanks(response_.Connection), "close") || SameText(TrimBlanks(response_.ProxyConnection), "close");
  const bool versionAllows = protocol_version_ == pv1_1 || SameText(TrimBlanks(response_.Connection), "keep-alive");
  keep_alive_ = Connected() && !closeAsked && versionAllows;
  response_.KeepAlive = keep_alive_;
  if (!keep_alive_) Disconnect();
}
