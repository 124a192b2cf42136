#pragma once
// TCP over IPv4. Failures are Windows Sockets error numbers (10061 for a
// refused connection, 11001 for an unknown host) on every system: Windows
// reports them as they are and Linux maps its own numbers to them, so the
// layers above report both alike.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A socket descriptor, or on Windows a SOCKET; kNoSocket is none.
using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// The first IPv4 address (host byte order) the system's resolver gives for
// Name; 0, or the error number.
int LookUpIpv4(const std::string& name, std::uint32_t& address);

class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket() { Close(); }
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // A stream socket bound to any local address and port; 0 or the error number.
  int Open();
  // Takes over a socket that is already connected.
  void Adopt(SocketHandle socket);
  bool IsOpen() const { return handle_ != kNoSocket; }
  SocketHandle Handle() const { return handle_; }
  // The local port the socket is bound to; 0 when it has none.
  std::uint16_t LocalPort() const;

  // Connects to the address (host byte order), waiting until that succeeds,
  // fails or Interrupt (from another thread) stops it; 0 or the error number.
  int Connect(std::uint32_t address, std::uint16_t port);
  void Interrupt();

  // Waits up to Ms milliseconds (-1: without limit) for data, the end of the
  // stream or an error: 1 readable, 0 time out, -1 with the error number.
  int WaitReadable(int ms, int& error);
  // The byte count, 0 at the end of the stream, or -1 with the error number.
  std::ptrdiff_t Receive(void* buffer, std::size_t size, int& error);
  std::ptrdiff_t Send(const void* data, std::size_t size, int& error);

  // Shuts down the sending side, then closes the socket.
  void Close();

 private:
  SocketHandle handle_ = kNoSocket;
  std::intptr_t wake_ = 0;  // what Interrupt signals, where the system needs one
};

// The system's text for an error number that has no text of our own.
std::string SystemSocketErrorText(int error);

}  // namespace platform
