#include "http/SocketErrors.h"

#include "http/HttpErrors.h"
#include "platform/Socket.h"

ESocketError::ESocketError(int LastError, const AnsiString& Text) : ENetError(Text), last_error_(LastError) {}

AnsiString SocketErrorText(int wsaError) {
  switch (wsaError) {
    case WSAEINTR: return "Interrupted system call.";
    case WSAEBADF: return "Bad file number.";
    case WSAEACCES: return "Access denied.";
    case WSAEFAULT: return "Buffer fault.";
    case WSAEINVAL: return "Invalid argument.";
    case WSAEMFILE: return "Too many open files.";
    case WSAEWOULDBLOCK: return "Operation would block.";
    case WSAEINPROGRESS: return "Operation now in progress.";
    case WSAEALREADY: return "Operation already in progress.";
    case WSAENOTSOCK: return "Socket operation on non-socket.";
    case WSAEMSGSIZE: return "Message too long.";
    case WSAEAFNOSUPPORT: return "Address family not supported by protocol family.";
    case WSAEADDRINUSE: return "Address already in use.";
    case WSAEADDRNOTAVAIL: return "Cannot assign requested address.";
    case WSAENETDOWN: return "Network is down.";
    case WSAENETUNREACH: return "Network is unreachable.";
    case WSAENETRESET: return "Net dropped connection or reset.";
    case WSAECONNABORTED: return "Software caused connection abort.";
    case WSAECONNRESET: return "Connection reset by peer.";
    case WSAENOBUFS: return "No buffer space available.";
    case WSAEISCONN: return "Socket is already connected.";
    case WSAENOTCONN: return "Socket is not connected.";
    case WSAESHUTDOWN: return "Cannot send or receive after socket is closed.";
    case WSAETIMEDOUT: return "Connection timed out.";
    case WSAECONNREFUSED: return "Connection refused.";
    case WSAEHOSTDOWN: return "Host is down.";
    case WSAEHOSTUNREACH: return "No route to host.";
    case WSAHOST_NOT_FOUND: return "Host not found.";
    case WSATRY_AGAIN: return "Non-authoritative response: Host not found.";
    case WSANO_RECOVERY: return "Non-recoverable error.";
    case WSANO_DATA: return "Valid name, no data record of requested type.";
    default: return platform::SystemSocketErrorText(wsaError);
  }
}

AnsiString SocketErrorMessage(int wsaError) {
  return Format("Socket Error # %d\r\n", wsaError) + SocketErrorText(wsaError);
}

void RaiseSocketError(int wsaError) { throw ESocketError(wsaError, SocketErrorMessage(wsaError)); }
