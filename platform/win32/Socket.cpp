// TCP over IPv4 with Windows Sockets 2, whose error numbers are already the
// ones the layers above report. A connect runs non-blocking and waits on two
// events, the socket's and the one Interrupt sets, so another thread can stop
// it at once; afterwards the socket blocks again for reading and writing.
#include "platform/Socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <mutex>

#include "platform/win32/Win32Text.h"

namespace platform {
namespace {

int StartWinsock() {
  static int result = -1;
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    result = WSAStartup(MAKEWORD(2, 2), &data);
  });
  return result;
}

SOCKET S(SocketHandle s) { return static_cast<SOCKET>(s); }
HANDLE Event(std::intptr_t e) { return reinterpret_cast<HANDLE>(e); }
int Clamp(std::size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

}  // namespace

int LookUpIpv4(const std::string& name, std::uint32_t& address) {
  if (const int error = StartWinsock()) return error;
  if (name.empty()) return WSAHOST_NOT_FOUND;
  addrinfoW hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfoW* res = nullptr;
  const int rc = GetAddrInfoW(win32::Widen(name).c_str(), nullptr, &hints, &res);
  if (rc != 0 || !res) {
    if (res) FreeAddrInfoW(res);
    return rc != 0 ? rc : WSAHOST_NOT_FOUND;
  }
  address = ntohl(reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr);
  FreeAddrInfoW(res);
  return 0;
}

int TcpSocket::Open() {
  Close();
  if (const int error = StartWinsock()) return error;
  SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return WSAGetLastError();
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  WSAEVENT wake = WSACreateEvent();
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || wake == WSA_INVALID_EVENT) {
    const int error = WSAGetLastError();
    if (wake != WSA_INVALID_EVENT) WSACloseEvent(wake);
    closesocket(s);
    return error;
  }
  handle_ = static_cast<SocketHandle>(s);
  wake_ = reinterpret_cast<std::intptr_t>(wake);
  return 0;
}

std::uint16_t TcpSocket::LocalPort() const {
  sockaddr_in a{};
  int len = sizeof a;
  if (handle_ == kNoSocket || getsockname(S(handle_), reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return ntohs(a.sin_port);
}

void TcpSocket::Adopt(SocketHandle socket) {
  Close();
  handle_ = socket;
}

int TcpSocket::Connect(std::uint32_t address, std::uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(address);
  to.sin_port = htons(port);
  WSAEVENT connected = WSACreateEvent();
  if (connected == WSA_INVALID_EVENT) return WSAGetLastError();
  int error = 0;
  // Selecting an event makes the socket non-blocking.
  if (WSAEventSelect(S(handle_), connected, FD_CONNECT) != 0) {
    error = WSAGetLastError();
  } else if (connect(S(handle_), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
      HANDLE events[2] = {connected, Event(wake_)};
      const DWORD which = wake_ ? WaitForMultipleObjects(2, events, FALSE, INFINITE)
                                : WaitForSingleObject(connected, INFINITE);
      WSANETWORKEVENTS happened{};
      if (which == WAIT_OBJECT_0 + 1) error = WSAEINTR;
      else if (which != WAIT_OBJECT_0) error = static_cast<int>(GetLastError());
      else if (WSAEnumNetworkEvents(S(handle_), connected, &happened) != 0) error = WSAGetLastError();
      else error = (happened.lNetworkEvents & FD_CONNECT) ? happened.iErrorCode[FD_CONNECT_BIT] : WSAEINTR;
    }
  }
  WSAEventSelect(S(handle_), nullptr, 0);
  u_long blocking = 0;
  ioctlsocket(S(handle_), FIONBIO, &blocking);
  WSACloseEvent(connected);
  return error;
}

void TcpSocket::Interrupt() {
  if (wake_) WSASetEvent(Event(wake_));
}

int TcpSocket::WaitReadable(int ms, int& error) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(S(handle_), &readable);
  timeval limit{ms / 1000, (ms % 1000) * 1000};
  const int rc = select(0, &readable, nullptr, nullptr, ms < 0 ? nullptr : &limit);
  if (rc == SOCKET_ERROR) {
    error = WSAGetLastError();
    return -1;
  }
  return rc > 0 ? 1 : 0;
}

std::ptrdiff_t TcpSocket::Receive(void* buffer, std::size_t size, int& error) {
  const int n = recv(S(handle_), static_cast<char*>(buffer), Clamp(size), 0);
  if (n != SOCKET_ERROR) return n;
  error = WSAGetLastError();
  return -1;
}

std::ptrdiff_t TcpSocket::Send(const void* data, std::size_t size, int& error) {
  const int n = send(S(handle_), static_cast<const char*>(data), Clamp(size), 0);
  if (n != SOCKET_ERROR) return n;
  error = WSAGetLastError();
  return -1;
}

void TcpSocket::Close() {
  if (wake_) WSACloseEvent(Event(wake_));
  wake_ = 0;
  if (handle_ == kNoSocket) return;
  shutdown(S(handle_), SD_SEND);
  closesocket(S(handle_));
  handle_ = kNoSocket;
}

std::string SystemSocketErrorText(int error) { return win32::WindowsErrorText(static_cast<unsigned long>(error)); }

}  // namespace platform
