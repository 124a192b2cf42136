#pragma once
// The thread that performs one blocking connect while the user-interface
// thread sleeps in short slices and keeps dispatching window messages.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "http/SocketHandler.h"

class TConnectThread {
 public:
  TConnectThread(TSocketHandler& Socket, std::uint32_t Address, std::uint16_t Port);
  // Waits for the thread; a running connect must have been stopped first.
  ~TConnectThread();
  TConnectThread(const TConnectThread&) = delete;
  TConnectThread& operator=(const TConnectThread&) = delete;

  // Waits up to Ms milliseconds; true once the connect has finished.
  bool WaitFor(int Ms);
  bool Finished();
  // Aborts a connect still in progress; its error is then not reported.
  void Stop();
  void Join();
  // The error message of a failed connect, empty after success or a stop.
  AnsiString ErrorText();

 private:
  void Execute(std::uint32_t Address, std::uint16_t Port);

  TSocketHandler& socket_;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  bool stopped_ = false;
  AnsiString error_;
  std::thread thread_;
};
