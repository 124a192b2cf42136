#include "http/ConnectThread.h"

#include <chrono>

#include "http/SocketErrors.h"

TConnectThread::TConnectThread(TSocketHandler& Socket, std::uint32_t Address, std::uint16_t Port)
    : socket_(Socket), thread_(&TConnectThread::Execute, this, Address, Port) {}

TConnectThread::~TConnectThread() { Join(); }

void TConnectThread::Execute(std::uint32_t Address, std::uint16_t Port) {
  int err = socket_.Connect(Address, Port);
  std::lock_guard<std::mutex> lock(mutex_);
  // An error caused by the socket being shut down under the connect only
  // says that the attempt was stopped.
  if (err != 0 && !stopped_) error_ = SocketErrorMessage(err);
  finished_ = true;
  done_.notify_all();
}

bool TConnectThread::WaitFor(int Ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return done_.wait_for(lock, std::chrono::milliseconds(Ms), [this] { return finished_; });
}

bool TConnectThread::Finished() {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

void TConnectThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finished_) return;
    stopped_ = true;
  }
  socket_.Interrupt();
}

void TConnectThread::Join() {
  if (thread_.joinable()) thread_.join();
}

AnsiString TConnectThread::ErrorText() {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}
