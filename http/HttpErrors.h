#pragma once
// The errors of the HTTP client and its TCP connection. Each carries the
// message text that callers show or compare.
#include <climits>
#include <cstdint>

#include "core/SysUtils.h"

// Base of every network error, and itself the error of a 2xx response whose
// connection was gone before its body could be read ("Undefined situation").
QUELBO_DECLARE_EXCEPTION(ENetError, Exception);

QUELBO_DECLARE_EXCEPTION(EConnClosedGracefully, ENetError);  // "Connection Closed Gracefully."
QUELBO_DECLARE_EXCEPTION(EReadTimeout, ENetError);           // "Read Timeout"
// Nothing arrived for as long as the stall watchdog allows: the connection
// counts as cut.
QUELBO_DECLARE_EXCEPTION(EConnectionStalled, EReadTimeout);
QUELBO_DECLARE_EXCEPTION(ENotConnected, ENetError);           // "Not Connected"
QUELBO_DECLARE_EXCEPTION(EMaxLineLengthExceeded, ENetError);  // "Max line length exceeded."
QUELBO_DECLARE_EXCEPTION(EConnectError, ENetError);           // the text of the failed connect
QUELBO_DECLARE_EXCEPTION(EConnectTimeout, EConnectError);     // "Connect timed out."
QUELBO_DECLARE_EXCEPTION(EUnknownProtocol, ENetError);        // "Unknown Protocol"
QUELBO_DECLARE_EXCEPTION(ETransportInvalid, ENetError);       // "IOHandler value is not valid"
// A Content-Length or chunk size that is malformed where it must be read, or
// too large to be received here.
QUELBO_DECLARE_EXCEPTION(EHttpFramingError, ENetError);
// A partial response (206) that is not the part asked for, or that came to a
// request that asked for no part.
QUELBO_DECLARE_EXCEPTION(EHttpRangeError, ENetError);

// A socket call failed: "Socket Error # n" CR LF and the error's text, with
// the error numbers of Windows Sockets so reports read the same everywhere.
class ESocketError : public ENetError {
 public:
  ESocketError(int LastError, const AnsiString& Text);
  int LastError() const { return last_error_; }
  const char* ClassName() const override { return "ESocketError"; }

 private:
  int last_error_;
};

// A response status the client does not accept. The message is the status
// line; the code and the body that came with it travel along.
class EHttpProtocolError : public ENetError {
 public:
  EHttpProtocolError(int ErrorCode, const AnsiString& StatusLine, const AnsiString& Body)
      : ENetError(StatusLine), code_(ErrorCode), body_(Body) {}
  int ErrorCode() const { return code_; }
  const AnsiString& ErrorMessage() const { return body_; }
  const char* ClassName() const override { return "EHttpProtocolError"; }

 private:
  int code_;
  AnsiString body_;
};

// The largest body (and chunk) a client receives by default, however the
// body is framed; a client whose bodies go to a file may allow more.
inline constexpr std::int64_t kMaxBodyLength = INT32_MAX;
inline AnsiString BodyTooLong(std::int64_t limit) {
  return Format("Body of more than %lld bytes is out of range.", static_cast<long long>(limit));
}

// Message texts that more than one file raises.
inline constexpr const char* RSConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* RSReadTimeout = "Read Timeout";
inline constexpr const char* RSConnectionStalled = "Connection stalled: no data received for %d ms.";
inline constexpr const char* RSNotConnected = "Not Connected";
inline constexpr const char* RSMaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr const char* RSConnectTimeout = "Connect timed out.";
inline constexpr const char* RSUndefinedSituation = "Undefined situation";
inline constexpr const char* RSUnknownProtocol = "Unknown Protocol";
inline constexpr const char* RSInvalidIOHandler = "IOHandler value is not valid";
