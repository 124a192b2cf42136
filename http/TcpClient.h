#pragma once
// The client side of a TCP connection: resolves the host and connects, with a
// time limit and message dispatching while the connect is under way.
#include "http/TcpConnection.h"

class TTcpClient : public TTcpConnection {
 public:
  explicit TTcpClient(TComponent* AOwner);

  const AnsiString& Host() const { return host_; }
  void SetHost(const AnsiString& v) { host_ = v; }
  int Port() const { return port_; }
  void SetPort(int v) { port_ = v; }

  // The connect time limit used when ReadTimeout sets none and a message pump
  // is at work (120000 ms); tests shorten it.
  int PumpedConnectLimit() const { return pumped_connect_limit_; }
  void SetPumpedConnectLimit(int ms) { pumped_connect_limit_ = ms; }

  // Connects to Host:Port. Any failure leaves the client disconnected.
  virtual void Connect();
  // While a connect is under way (a window procedure may ask for this during
  // its dispatching), the attempt is stopped instead and Connect fails.
  void Disconnect() override;

 private:
  void ConnectWithLimit(TSocketHandler& Socket, std::uint32_t Address, int LimitMs);

  AnsiString host_;
  int port_ = 0;
  int pumped_connect_limit_ = 120000;
  bool connecting_ = false;
  bool abort_connect_ = false;
};
