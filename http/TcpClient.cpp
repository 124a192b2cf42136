#include "http/TcpClient.h"

#include <algorithm>

#include "http/ConnectThread.h"
#include "http/HttpErrors.h"
#include "http/MessagePump.h"
#include "http/SocketErrors.h"
#include "platform/Clock.h"

TTcpClient::TTcpClient(TComponent* AOwner) : TTcpConnection(AOwner) {}

void TTcpClient::Connect() {
  if (Connected()) return;
  try {
    TSocketHandler& socket = NewSocket();
    const std::uint32_t address = ResolveHost(host_);
    if (port_ < 1 || port_ > 65535) RaiseSocketError(WSAEADDRNOTAVAIL);
    socket.Open();

    int limit = 0;
    if (ReadTimeout() != 0 && ReadTimeout() != -1)
      limit = ReadTimeout();
    else if (TMessagePump::Usable())
      limit = pumped_connect_limit_;

    if (limit > 0) {
      connecting_ = true;
      abort_connect_ = false;
      ConnectWithLimit(socket, address, limit);
      connecting_ = false;
    } else {
      int err = socket.Connect(address, static_cast<std::uint16_t>(port_));
      if (err) RaiseSocketError(err);
    }
  } catch (...) {
    connecting_ = false;
    Disconnect();
    throw;
  }
}

void TTcpClient::Disconnect() {
  if (connecting_) {
    abort_connect_ = true;
    return;
  }
  TTcpConnection::Disconnect();
}

void TTcpClient::ConnectWithLimit(TSocketHandler& Socket, std::uint32_t Address, int LimitMs) {
  TMessagePump* pump = TMessagePump::Instance();
  const int slice = std::min(pump && pump->IdleTimeOut() > 0 ? pump->IdleTimeOut() : 250, 125);
  TConnectThread thread(Socket, Address, static_cast<std::uint16_t>(port_));
  const std::uint64_t deadline = platform::TickCount() + static_cast<std::uint64_t>(LimitMs);
  bool finished = false;
  for (;;) {
    std::uint64_t now = platform::TickCount();
    if (now >= deadline) break;
    finished = thread.WaitFor(static_cast<int>(std::min<std::uint64_t>(slice, deadline - now)));
    TMessagePump::DispatchPoint(true);
    if (finished || abort_connect_) break;
  }
  if (!finished && !thread.Finished()) {
    thread.Stop();
    thread.Join();
    if (abort_connect_) throw ENotConnected(RSNotConnected);
    throw EConnectTimeout(RSConnectTimeout);
  }
  thread.Join();
  if (abort_connect_) throw ENotConnected(RSNotConnected);
  AnsiString error = thread.ErrorText();
  if (!error.empty()) throw EConnectError(error);
}
