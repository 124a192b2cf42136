#include "http/SocketHandler.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/SysUtils.h"
#include "http/SocketErrors.h"

namespace {

// Four decimal numbers of 0 to 255 separated by dots, nothing else.
bool ParseDottedQuad(const AnsiString& s, in_addr& out) {
  std::uint32_t parts[4];
  std::size_t i = 0;
  for (int k = 0; k < 4; ++k) {
    if (k > 0) {
      if (i >= s.size() || s[i] != '.') return false;
      ++i;
    }
    std::size_t start = i;
    std::uint32_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3) v = v * 10 + (s[i++] - '0');
    if (i == start || v > 255) return false;
    parts[k] = v;
  }
  if (i != s.size()) return false;
  out.s_addr = htonl(parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3]);
  return true;
}

}  // namespace

in_addr ResolveHost(const AnsiString& Host) {
  in_addr a{};
  AnsiString h = Host;
  if (UpperCaseAscii(h) == "LOCALHOST") h = "127.0.0.1";
  if (ParseDottedQuad(h, a)) return a;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  int rc = h.empty() ? EAI_NONAME : getaddrinfo(h.c_str(), nullptr, &hints, &res);
  if (rc != 0 || !res) {
    if (res) freeaddrinfo(res);
    RaiseSocketError(SocketErrorFromResolver(rc == 0 ? EAI_NONAME : rc));
  }
  a = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
  freeaddrinfo(res);
  return a;
}

TSocketHandler::~TSocketHandler() { Close(); }

void TSocketHandler::Open() {
  Close();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) RaiseSocketError(SocketErrorFromErrno(errno));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    int err = errno;
    ::close(fd);
    RaiseSocketError(SocketErrorFromErrno(err));
  }
  fd_ = fd;
}

void TSocketHandler::Adopt(int Fd) {
  Close();
  fd_ = Fd;
}

int TSocketHandler::Connect(const in_addr& Address, std::uint16_t Port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr = Address;
  to.sin_port = htons(Port);
  for (;;) {
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return 0;
    // An interrupted connect goes on in the background; wait for its outcome.
    if (errno != EINTR) return SocketErrorFromErrno(errno);
    pollfd p{fd_, POLLOUT, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
    return err ? SocketErrorFromErrno(err) : 0;
  }
}

void TSocketHandler::Interrupt() {
  // Shutting down a socket that is still connecting aborts the attempt and
  // wakes the thread blocked in connect.
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

bool TSocketHandler::WaitReadable(int Ms) {
  pollfd p{fd_, POLLIN, 0};
  for (;;) {
    int rc = ::poll(&p, 1, Ms);
    if (rc > 0) return true;
    if (rc == 0) return false;
    if (errno != EINTR) RaiseSocketError(SocketErrorFromErrno(errno));
  }
}

std::ptrdiff_t TSocketHandler::Recv(void* Buffer, std::size_t Size, int& Error) {
  for (;;) {
    ssize_t n = ::recv(fd_, Buffer, Size, 0);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    Error = SocketErrorFromErrno(errno);
    return -1;
  }
}

std::ptrdiff_t TSocketHandler::Send(const void* Buffer, std::size_t Size, int& Error) {
  for (;;) {
    ssize_t n = ::send(fd_, Buffer, Size, MSG_NOSIGNAL);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    Error = SocketErrorFromErrno(errno);
    return -1;
  }
}

void TSocketHandler::Close() {
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_WR);
  ::close(fd_);
  fd_ = -1;
}
