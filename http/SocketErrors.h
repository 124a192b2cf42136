#pragma once
// Socket error numbers and texts as Windows Sockets reports them, so error
// messages read "Socket Error # 10061" CR LF "Connection refused." here too.
#include "core/Types.h"

enum : int {
  WSAEINTR = 10004,
  WSAEBADF = 10009,
  WSAEACCES = 10013,
  WSAEFAULT = 10014,
  WSAEINVAL = 10022,
  WSAEMFILE = 10024,
  WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036,
  WSAEALREADY = 10037,
  WSAENOTSOCK = 10038,
  WSAEMSGSIZE = 10040,
  WSAEAFNOSUPPORT = 10047,
  WSAEADDRINUSE = 10048,
  WSAEADDRNOTAVAIL = 10049,
  WSAENETDOWN = 10050,
  WSAENETUNREACH = 10051,
  WSAENETRESET = 10052,
  WSAECONNABORTED = 10053,
  WSAECONNRESET = 10054,
  WSAENOBUFS = 10055,
  WSAEISCONN = 10056,
  WSAENOTCONN = 10057,
  WSAESHUTDOWN = 10058,
  WSAETIMEDOUT = 10060,
  WSAECONNREFUSED = 10061,
  WSAEHOSTDOWN = 10064,
  WSAEHOSTUNREACH = 10065,
  WSAHOST_NOT_FOUND = 11001,
  WSATRY_AGAIN = 11002,
  WSANO_RECOVERY = 11003,
  WSANO_DATA = 11004,
};

// "Connection refused." and the like; the system's text for numbers without one.
AnsiString SocketErrorText(int wsaError);
// "Socket Error # n" CR LF text.
AnsiString SocketErrorMessage(int wsaError);
[[noreturn]] void RaiseSocketError(int wsaError);
