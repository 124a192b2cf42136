#pragma once
// One TCP socket of a connection, over the platform's sockets. Failures come
// back as Windows Sockets error numbers (SocketErrors.h) on every system, so
// the layers above report them alike.
#include <cstddef>
#include <cstdint>

#include "core/Types.h"
#include "platform/Socket.h"

// The IPv4 address (host byte order) of a host: "LOCALHOST" in any case is
// 127.0.0.1 and four dotted numbers are taken as they stand, without a
// lookup; other names are looked up and the first address is used. Failure
// raises ESocketError.
std::uint32_t ResolveHost(const AnsiString& Host);

class TSocketHandler {
 public:
  TSocketHandler() = default;
  TSocketHandler(const TSocketHandler&) = delete;
  TSocketHandler& operator=(const TSocketHandler&) = delete;

  // Creates a stream socket bound to any local address and port.
  void Open();
  // Takes over a socket that is already connected (one end of a socket pair).
  void Adopt(platform::SocketHandle Socket) { socket_.Adopt(Socket); }
  bool IsOpen() const { return socket_.IsOpen(); }
  platform::SocketHandle Handle() const { return socket_.Handle(); }
  std::uint16_t LocalPort() const { return socket_.LocalPort(); }

  // Blocking connect; 0 on success, else the error number. Safe to call from
  // the connect thread while the owner waits.
  int Connect(std::uint32_t Address, std::uint16_t Port) { return socket_.Connect(Address, Port); }
  // Makes a connect blocked in another thread return.
  void Interrupt() { socket_.Interrupt(); }

  // Waits up to Ms milliseconds (-1: without limit) for the socket to become
  // readable (data, end of stream or an error). Raises ESocketError when the
  // wait itself fails.
  bool WaitReadable(int Ms);
  // Both return the byte count, 0 at the end of stream, or -1 with the error
  // number in Error.
  std::ptrdiff_t Recv(void* Buffer, std::size_t Size, int& Error) { return socket_.Receive(Buffer, Size, Error); }
  std::ptrdiff_t Send(const void* Buffer, std::size_t Size, int& Error) { return socket_.Send(Buffer, Size, Error); }

  // Shuts down the sending side, then closes the socket.
  void Close() { socket_.Close(); }

 private:
  platform::TcpSocket socket_;
};
