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

// The store of a caller that hands a stream: the stream may name another
// one to take the body once the body's length is known.
class TStreamTargetStore : public TBodyWriter {
 public:
  explicit TStreamTargetStore(TStream& stream) : stream_(stream) {}
  void Announce(std::int64_t Total) override { target_ = &stream_.TargetFor(Total); }
  void Write(const void* Data, std::size_t Count) override {
    (target_ ? *target_ : stream_).WriteBuffer(Data, static_cast<std::int64_t>(Count));
  }
  void Restart() override {}  // a single request never starts again

 private:
  TStream& stream_;
  TStream* target_ = nullptr;
};

// A partial body framed by chunks must still be exactly the part announced.
class TExactLength : public TBodyFilter {
 public:
  TExactLength(TBodyWriter& next, std::int64_t length) : TBodyFilter(next), length_(length) {}
  void Write(const void* Data, std::size_t Count) override {
    if (static_cast<std::uint64_t>(Count) > static_cast<std::uint64_t>(length_ - written_))
      throw EHttpRangeError("The partial content is longer than its Content-Range.");
    written_ += static_cast<std::int64_t>(Count);
    TBodyFilter::Write(Data, Count);
  }
  void CheckComplete() const {
    if (written_ != length_) throw EHttpRangeError("The partial content is shorter than its Content-Range.");
  }

 private:
  std::int64_t length_;
  std::int64_t written_ = 0;
};

}  // namespace

std::int64_t ParseChunkSize(const AnsiString& Line, std::int64_t Limit) {
  std::size_t i = 0;
  while (i < Line.size() && (Line[i] == ' ' || Line[i] == '\t')) ++i;
  const std::size_t start = i;
  std::int64_t size = 0;
  for (; i < Line.size(); ++i) {
    char c = Line[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) break;
    if (digit > Limit || size > (Limit - digit) / 16) throw EHttpFramingError("Chunk size " + Line + " is out of range.");
    size = size * 16 + digit;
  }
  const bool endsWell = i == Line.size() || Line[i] == ';' || Line[i] == ' ' || Line[i] == '\t';
  if (i == start || !endsWell) throw EHttpFramingError("Invalid chunk size: " + Line);
  return size;
}

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

  if (!n.Path.empty() && n.Path[0] == '/')
    url_.Path = n.Path;
  else
    url_.Path = ResolveRelativePath(url_.Path, n.Path);
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

void THttpClient::ReuseOrConnect() {
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
  if (!Connected()) Connect();
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
  ReuseOrConnect();
  try {
    Write(RequestBytes());
    ReadResponse(Body, Check);
  } catch (const EHttpProtocolError&) {
    throw;  // the response was read whole; the keep-alive rule has decided
  } catch (...) {
    // After any other failure the connection is somewhere inside a response
    // and cannot carry the next one.
    keep_alive_ = false;
    Disconnect();
    throw;
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

void THttpClient::Get(const AnsiString& AURL, TStream& AStream) {
  TStreamTargetStore store(AStream);
  response_.ContentStream = &AStream;
  try {
    Get(AURL, store);
  } catch (...) {
    response_.ContentStream = nullptr;
    throw;
  }
  response_.ContentStream = nullptr;
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

void THttpClient::CheckPartialContent() const {
  if (!request_.AsksForRange()) throw EHttpRangeError("Partial content (206) to a request that asked for no range.");
  const std::optional<TContentRange>& r = response_.ContentRange;
  if (!r || !r->Satisfied) throw EHttpRangeError("Partial content (206) without a usable Content-Range.");
  // "bytes=N-" asks for everything from N; with an end, for N to the end.
  const bool startMatches = r->First == request_.ContentRangeStart;
  const bool endMatches = request_.ContentRangeEnd != 0 ? r->Last == request_.ContentRangeEnd
                                                        : r->Complete < 0 || r->Last == r->Complete - 1;
  if (!startMatches || !endMatches)
    throw EHttpRangeError("The partial content is not the range asked for: " + response_.RawHeaders.Values("Content-Range"));
  if (response_.ContentLength >= 0 && response_.ContentLength != r->Length())
    throw EHttpRangeError("The partial content's length is not its Content-Range's.");
}

void THttpClient::ReadBody(TBodyWriter& Body) {
  const bool chunked = response_.TransferEncoding.find("chunked") != AnsiString::npos;
  if (response_.ResponseCode == 206 && response_.ContentRange) {
    // Only ever the part the Content-Range names, however it is framed.
    const std::int64_t length = response_.ContentRange->Length();
    Body.Announce(length);
    if (response_.ContentLength < 0 && chunked) {
      TExactLength exact(Body, length);
      ReadChunkedBody(exact);
      exact.CheckComplete();
    } else {
      ReadStream(Body, length);
    }
  } else if (response_.ContentLength >= 1) {
    Body.Announce(response_.ContentLength);
    ReadStream(Body, response_.ContentLength);
  } else if (chunked) {
    Body.Announce(-1);
    ReadChunkedBody(Body);
  } else if (response_.ContentLength < 0) {
    // Until the server closes: held to the length a Content-Length may have.
    TLengthLimit limited(Body, max_body_length_);
    limited.Announce(-1);
    ReadStream(limited, -1);
  }
}

void THttpClient::ReadChunkedBody(TBodyWriter& Body) {
  // The chunks are one transfer of unknown length: progress counts on from
  // chunk to chunk and ends once, after the last. The framing lines are no
  // part of the body and do not count. Together the chunks are held to the
  // length limit of a Content-Length body.
  BeginWork(wmRead, 0);
  try {
    std::int64_t total = 0;
    const std::int64_t limit = max_body_length_;
    for (std::int64_t size = ParseChunkSize(ReadLine(false), limit); size > 0;
         size = ParseChunkSize(ReadLine(false), limit)) {
      if (size > limit - total)
        throw EHttpFramingError(BodyTooLong(limit));
      total += size;
      ReadStream(Body, size);
      ReadLine(false);  // the line end after the chunk's data
    }
    // Trailer lines, if any, up to the empty line that ends the body.
    while (!ReadLine(false).empty()) {
    }
  } catch (...) {
    EndWork(wmRead, false);
    throw;
  }
  EndWork(wmRead);
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
