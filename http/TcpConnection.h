#pragma once
// A TCP connection driven synchronously from the user-interface thread: lines
// and byte blocks are handed out of an input buffer, every wait is cut into
// slices between which the message pump dispatches window messages, a
// connection on which nothing arrives for too long counts as cut, and body
// reads report their progress through the work events and, in 64-bit bytes
// at a pace of their own, the progress event.
#include <cstdint>
#include <memory>

#include "core/Streams.h"
#include "http/BodyWriter.h"
#include "http/InputBuffer.h"
#include "http/ProgressPacer.h"
#include "http/SocketHandler.h"
#include "http/WorkEvents.h"

// What an over-long line does: raise EMaxLineLengthExceeded, or come back cut
// into pieces of the maximum length.
enum TMaxLineAction { maException, maSplit };

class TTcpConnection : public TComponent {
 public:
  explicit TTcpConnection(TComponent* AOwner);
  ~TTcpConnection() override;

  int RecvBufferSize() const { return recv_buffer_size_; }
  void SetRecvBufferSize(int v) { recv_buffer_size_ = v > 0 ? v : 1; }
  int SendBufferSize() const { return send_buffer_size_; }
  void SetSendBufferSize(int v) { send_buffer_size_ = v; }
  int MaxLineLength() const { return max_line_length_; }
  void SetMaxLineLength(int v) { max_line_length_ = v > 0 ? v : 1; }
  TMaxLineAction MaxLineAction() const { return max_line_action_; }
  void SetMaxLineAction(TMaxLineAction v) { max_line_action_ = v; }
  // Milliseconds a read may wait for data; 0 (or -1) waits without limit.
  int ReadTimeout() const { return read_timeout_; }
  void SetReadTimeout(int v) { read_timeout_ = v; }
  bool UseNagle() const { return use_nagle_; }
  void SetUseNagle(bool v) { use_nagle_ = v; }
  // The stall watchdog: a wait in which not one byte arrives for this many
  // milliseconds raises EConnectionStalled, whatever ReadTimeout allows (0:
  // no watchdog). A shorter ReadTimeout ends such a wait first.
  int StallTimeout() const { return stall_timeout_; }
  void SetStallTimeout(int v) { stall_timeout_ = v > 0 ? v : 0; }

  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;
  // The bytes of a body read so far and its announced length (-1: none):
  // once at its start, at most once per ProgressPacer().Interval() while it
  // comes, and at its end, also when it failed.
  TProgressEvent OnProgress;
  TProgressPacer& ProgressPacer() { return progress_pacer_; }

  // The socket is open (it closes when the peer's close is seen).
  bool Connected() const { return socket_ && socket_->IsOpen(); }
  bool ClosedGracefully() const { return closed_gracefully_; }
  std::size_t InputBufferSize() const { return input_.Size(); }
  virtual void Disconnect();

  // Sends all bytes, in as many pieces as the socket accepts.
  void WriteBuffer(const void* Buffer, std::size_t Count);
  void Write(const AnsiString& Bytes) { WriteBuffer(Bytes.data(), Bytes.size()); }

  // The next line, up to LF; the LF and one CR before it are dropped.
  AnsiString ReadLn() { return ReadLine(true); }
  // Reads ByteCount bytes into Body, or with ByteCount -1 everything until
  // the peer closes. A body that ends before ByteCount bytes raises
  // EConnClosedGracefully after every received byte has been written.
  void ReadStream(TBodyWriter& Body, std::int64_t ByteCount);

  // Receives what the socket has within ATimeout milliseconds (<= 0: no limit)
  // into the input buffer and returns the count; 0 when the peer closed. With
  // ARaiseOnTimeout False a wait that ends without data returns -1.
  std::ptrdiff_t ReadFromStack(int ATimeout, bool ARaiseOnTimeout = true);

  // Work accounting; events fire only for the outermost begin of a mode.
  void BeginWork(TWorkMode AWorkMode, std::int64_t ASize);
  void DoWork(TWorkMode AWorkMode, std::int64_t ACount);
  // Completed False: the work ended before it had everything (it failed).
  void EndWork(TWorkMode AWorkMode, bool Completed = true);
  // Whether every end inside the outermost work that ended last was
  // complete; an OnWorkEnd handler learns so whether the transfer failed.
  bool WorkCompleted(TWorkMode AWorkMode) const { return work_[AWorkMode].completed; }
  // The work events carry 32-bit counts. A transfer that announces more than
  // 2 GiB has its count and total both given in units of 2^WorkScale bytes,
  // the smallest that fits the total, so their ratio stays right; one of
  // unknown length switches to larger units as its count grows. 0 otherwise.
  int WorkScale(TWorkMode AWorkMode) const { return work_[AWorkMode].scale; }
  // While muted, work is still counted but no work event fires.
  bool WorkEventsMuted() const { return work_events_muted_; }
  void SetWorkEventsMuted(bool v) { work_events_muted_ = v; }

 protected:
  // ReadLn, with the line's bytes counted as work or not.
  AnsiString ReadLine(bool CountsAsWork);
  // A fresh socket for a new connection: empty input, ClosedGracefully cleared.
  TSocketHandler& NewSocket();
  TSocketHandler* Socket() const { return socket_.get(); }
  void CloseSocket();

 private:
  // Waits for data up to LimitMs (<= 0: no limit) or the stall watchdog,
  // whichever ends first; false when the limit ended it.
  bool WaitReadable(int LimitMs);
  bool WaitSliced(int LimitMs);
  void MoveToBody(TBodyWriter& Body, std::size_t Count, bool CountsAsWork);
  // Receives up to Want bytes straight into the room the body offers, each
  // piece written as it comes. Fewer come when the peer closes or the body
  // offers no more room.
  std::size_t ReceiveInPlace(TBodyWriter& Body, std::size_t Want);
  // One receive into room: bytes, 0 when the peer closed (or aborted while
  // holding received bytes), kWouldBlock to try again; other errors raise.
  static constexpr std::ptrdiff_t kWouldBlock = -2;
  std::ptrdiff_t RecvOnce(std::uint8_t* room, std::size_t n, bool holding);
  void ReportProgress(bool Final);

  std::unique_ptr<TSocketHandler> socket_;
  TInputBuffer input_;
  bool closed_gracefully_ = false;
  int recv_buffer_size_ = 32768;
  int send_buffer_size_ = 32768;
  int max_line_length_ = 16384;
  TMaxLineAction max_line_action_ = maException;
  int read_timeout_ = 0;
  int stall_timeout_ = 30000;
  bool use_nagle_ = true;

  struct WorkState {
    int level = 0;
    std::int64_t max = 0;
    std::int64_t count = 0;
    int scale = 0;
    bool completed = true;
  };
  WorkState work_[2];
  bool work_events_muted_ = false;
  TProgressPacer progress_pacer_;
};
