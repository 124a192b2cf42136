#pragma once
// One TCP socket over the POSIX socket calls. Failures come back as Windows
// Sockets error numbers (SocketErrors.h) so the layers above report them alike.
#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "core/Types.h"

// The IPv4 address of a host: "LOCALHOST" in any case is 127.0.0.1 and four
// dotted numbers are taken as they stand, without a lookup; other names are
// looked up and the first address is used. Failure raises ESocketError.
in_addr ResolveHost(const AnsiString& Host);

class TSocketHandler {
 public:
  TSocketHandler() = default;
  ~TSocketHandler();
  TSocketHandler(const TSocketHandler&) = delete;
  TSocketHandler& operator=(const TSocketHandler&) = delete;

  // Creates a stream socket bound to any local address and port.
  void Open();
  // Takes over a socket that is already connected (one end of a socket pair).
  void Adopt(int Fd);
  bool IsOpen() const { return fd_ >= 0; }
  int Handle() const { return fd_; }

  // Blocking connect; 0 on success, else the error number. Safe to call from
  // the connect thread while the owner waits.
  int Connect(const in_addr& Address, std::uint16_t Port);
  // Makes a connect blocked in another thread return.
  void Interrupt();

  // Waits up to Ms milliseconds (-1: without limit) for the socket to become
  // readable (data, end of stream or an error). Raises ESocketError when the
  // wait itself fails.
  bool WaitReadable(int Ms);
  // Both return the byte count, 0 at the end of stream, or -1 with the error
  // number in Error.
  std::ptrdiff_t Recv(void* Buffer, std::size_t Size, int& Error);
  std::ptrdiff_t Send(const void* Buffer, std::size_t Size, int& Error);

  // Shuts down the sending side, then closes the socket.
  void Close();

 private:
  int fd_ = -1;
};
