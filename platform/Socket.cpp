// TCP over IPv4 on Linux, its errno values mapped to Windows Sockets numbers.
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"

namespace platform {
namespace {

int FromErrno(int err) {
  switch (err) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
    case EAGAIN: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EMSGSIZE: return 10040;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    // Writing to a connection the peer has reset is reported as a reset.
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    default: return err;
  }
}

int FromResolver(int gaiCode) {
  switch (gaiCode) {
    case EAI_AGAIN: return 11002;  // try again
    case EAI_FAIL: return 11003;   // no recovery
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;  // no data
#endif
    case EAI_SYSTEM: return FromErrno(errno);
    default: return 11001;  // host not found
  }
}

int Fd(SocketHandle s) { return static_cast<int>(s); }

}  // namespace

int LookUpIpv4(const std::string& name, std::uint32_t& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  const int rc = name.empty() ? EAI_NONAME : ::getaddrinfo(name.c_str(), nullptr, &hints, &res);
  if (rc != 0 || !res) {
    if (res) ::freeaddrinfo(res);
    return FromResolver(rc == 0 ? EAI_NONAME : rc);
  }
  address = ntohl(reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(res);
  return 0;
}

int TcpSocket::Open() {
  Close();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return FromErrno(errno);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    const int err = errno;
    ::close(fd);
    return FromErrno(err);
  }
  handle_ = fd;
  return 0;
}

std::uint16_t TcpSocket::LocalPort() const {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (handle_ == kNoSocket || ::getsockname(Fd(handle_), reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
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
  if (::connect(Fd(handle_), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) return 0;
  // An interrupted connect goes on in the background; wait for its outcome.
  if (errno != EINTR) return FromErrno(errno);
  pollfd p{Fd(handle_), POLLOUT, 0};
  while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
  }
  int err = 0;
  socklen_t len = sizeof err;
  ::getsockopt(Fd(handle_), SOL_SOCKET, SO_ERROR, &err, &len);
  return err ? FromErrno(err) : 0;
}

void TcpSocket::Interrupt() {
  // Shutting down a socket that is still connecting aborts the attempt and
  // wakes the thread blocked in connect.
  if (handle_ != kNoSocket) ::shutdown(Fd(handle_), SHUT_RDWR);
}

int TcpSocket::WaitReadable(int ms, int& error) {
  pollfd p{Fd(handle_), POLLIN, 0};
  for (;;) {
    const int rc = ::poll(&p, 1, ms);
    if (rc >= 0) return rc > 0 ? 1 : 0;
    if (errno != EINTR) {
      error = FromErrno(errno);
      return -1;
    }
  }
}

std::ptrdiff_t TcpSocket::Receive(void* buffer, std::size_t size, int& error) {
  for (;;) {
    const ssize_t n = ::recv(Fd(handle_), buffer, size, 0);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = FromErrno(errno);
    return -1;
  }
}

std::ptrdiff_t TcpSocket::Send(const void* data, std::size_t size, int& error) {
  for (;;) {
    const ssize_t n = ::send(Fd(handle_), data, size, MSG_NOSIGNAL);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = FromErrno(errno);
    return -1;
  }
}

void TcpSocket::Close() {
  if (handle_ == kNoSocket) return;
  ::shutdown(Fd(handle_), SHUT_WR);
  ::close(Fd(handle_));
  handle_ = kNoSocket;
}

std::string SystemSocketErrorText(int error) { return ErrorText(error); }

}  // namespace platform
