#include "http/TcpConnection.h"

#include <algorithm>
#include <climits>

#include "http/HttpErrors.h"
#include "http/MessagePump.h"
#include "http/SocketErrors.h"
#include "platform/Clock.h"

TTcpConnection::TTcpConnection(TComponent* AOwner) : TComponent(AOwner) {}

TTcpConnection::~TTcpConnection() { CloseSocket(); }

TSocketHandler& TTcpConnection::NewSocket() {
  CloseSocket();
  input_.Clear();
  closed_gracefully_ = false;
  socket_ = std::make_unique<TSocketHandler>();
  return *socket_;
}

void TTcpConnection::CloseSocket() {
  if (socket_) socket_->Close();
}

void TTcpConnection::Disconnect() {
  CloseSocket();
  socket_.reset();
}

bool TTcpConnection::WaitReadable(int LimitMs) {
  if (!Connected()) throw EConnClosedGracefully(RSConnectionClosedGracefully);
  // The watchdog bounds every wait; only a shorter limit of the caller's own
  // ends a wait as a timeout instead.
  const bool watched = stall_timeout_ > 0 && (LimitMs <= 0 || stall_timeout_ < LimitMs);
  if (WaitSliced(watched ? stall_timeout_ : LimitMs)) return true;
  if (watched) throw EConnectionStalled(Format(RSConnectionStalled, stall_timeout_));
  return false;
}

bool TTcpConnection::WaitSliced(int LimitMs) {
  if (!TMessagePump::Usable()) return socket_->WaitReadable(LimitMs > 0 ? LimitMs : -1);

  int slice = TMessagePump::Instance()->IdleTimeOut();
  if (slice <= 0) slice = 250;
  const std::uint64_t deadline = platform::TickCount() + static_cast<std::uint64_t>(LimitMs > 0 ? LimitMs : 0);
  for (;;) {
    int wait = slice;
    if (LimitMs > 0) {
      std::uint64_t now = platform::TickCount();
      wait = now >= deadline ? 0 : static_cast<int>(std::min<std::uint64_t>(slice, deadline - now));
    }
    bool readable = socket_->WaitReadable(wait);
    TMessagePump::DispatchPoint(!readable);
    // A window procedure run by the dispatch may have closed this connection.
    if (!Connected()) throw ENotConnected(RSNotConnected);
    if (readable) return true;
    if (LimitMs > 0 && platform::TickCount() >= deadline) return false;
  }
}

std::ptrdiff_t TTcpConnection::RecvOnce(std::uint8_t* room, std::size_t n, bool holding) {
  int err = 0;
  std::ptrdiff_t got = socket_->Recv(room, n, err);
  if (got > 0) return got;
  if (got == 0) {
    closed_gracefully_ = true;
    CloseSocket();
    return 0;
  }
  if (err == WSAEWOULDBLOCK) return kWouldBlock;
  if (err == WSAECONNABORTED || err == WSAESHUTDOWN) {
    CloseSocket();
    if (holding) return 0;
  }
  RaiseSocketError(err);
}

std::ptrdiff_t TTcpConnection::ReadFromStack(int ATimeout, bool ARaiseOnTimeout) {
  for (;;) {
    if (!WaitReadable(ATimeout)) {
      if (ARaiseOnTimeout) throw EReadTimeout(RSReadTimeout);
      return -1;
    }
    // The room is taken after the wait: messages dispatched there may have used the buffer.
    std::uint8_t* room = input_.PrepareAppend(static_cast<std::size_t>(recv_buffer_size_));
    std::ptrdiff_t n = RecvOnce(room, static_cast<std::size_t>(recv_buffer_size_), input_.Size() > 0);
    if (n == kWouldBlock) continue;
    if (n > 0) input_.Commit(static_cast<std::size_t>(n));
    return n;
  }
}

void TTcpConnection::WriteBuffer(const void* Buffer, std::size_t Count) {
  auto* p = static_cast<const std::uint8_t*>(Buffer);
  while (Count > 0) {
    if (!Connected()) throw ENotConnected(RSNotConnected);
    int err = 0;
    std::ptrdiff_t n = socket_->Send(p, Count, err);
    TMessagePump::DispatchPoint(false);
    if (n > 0) {
      DoWork(wmWrite, n);
      p += n;
      Count -= static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) {
      CloseSocket();
      throw EConnClosedGracefully(RSConnectionClosedGracefully);
    }
    if (err == WSAECONNABORTED || err == WSAECONNRESET || err == WSAESHUTDOWN) CloseSocket();
    RaiseSocketError(err);
  }
}

AnsiString TTcpConnection::ReadLine(bool CountsAsWork) {
  const auto limit = static_cast<std::size_t>(max_line_length_);
  std::size_t searched = 0;
  for (;;) {
    const std::uint8_t* d = input_.Data();
    const std::size_t n = input_.Size();
    const void* lf = n > searched ? std::memchr(d + searched, '\n', n - searched) : nullptr;
    if (lf) {
      std::size_t end = static_cast<std::size_t>(static_cast<const std::uint8_t*>(lf) - d);
      std::size_t len = end > 0 && d[end - 1] == '\r' ? end - 1 : end;
      if (len > limit) {
        if (max_line_action_ == maException) throw EMaxLineLengthExceeded(RSMaxLineLengthExceeded);
        AnsiString part(reinterpret_cast<const char*>(d), limit);
        input_.Consume(limit);
        if (CountsAsWork) DoWork(wmRead, static_cast<std::int64_t>(limit));
        return part;
      }
      AnsiString line(reinterpret_cast<const char*>(d), len);
      input_.Consume(end + 1);
      if (CountsAsWork) DoWork(wmRead, static_cast<std::int64_t>(end + 1));
      return line;
    }
    // Without an LF the whole buffer belongs to this line; allow for its CR.
    if (n > limit + 1) {
      if (max_line_action_ == maException) throw EMaxLineLengthExceeded(RSMaxLineLengthExceeded);
      AnsiString part(reinterpret_cast<const char*>(d), limit);
      input_.Consume(limit);
      if (CountsAsWork) DoWork(wmRead, static_cast<std::int64_t>(limit));
      return part;
    }
    searched = n;
    // A line that is still open when the peer has closed never completes.
    if (!Connected()) throw EConnClosedGracefully(RSConnectionClosedGracefully);
    ReadFromStack(read_timeout_);
  }
}

void TTcpConnection::MoveToBody(TBodyWriter& Body, std::size_t Count, bool CountsAsWork) {
  if (Count == 0) return;
  Body.Write(input_.Data(), Count);
  input_.Consume(Count);
  if (CountsAsWork) DoWork(wmRead, static_cast<std::int64_t>(Count));
}

std::size_t TTcpConnection::ReceiveInPlace(TBodyWriter& Body, std::size_t Want) {
  std::size_t got = 0;
  while (got < Want && Connected()) {
    if (!WaitReadable(read_timeout_)) throw EReadTimeout(RSReadTimeout);
    // Asked after the wait, which may have run other code.
    auto* room = static_cast<std::uint8_t*>(Body.Room(Want - got));
    if (!room) break;
    const std::ptrdiff_t n = RecvOnce(room, Want - got, got > 0);
    if (n == kWouldBlock) continue;
    if (n <= 0) break;
    Body.Write(room, static_cast<std::size_t>(n));
    got += static_cast<std::size_t>(n);
  }
  return got;
}

void TTcpConnection::ReadStream(TBodyWriter& Body, std::int64_t ByteCount) {
  const bool untilClose = ByteCount < 0;
  const auto block = static_cast<std::size_t>(recv_buffer_size_);
  std::int64_t missing = untilClose ? INT64_MAX : ByteCount;

  BeginWork(wmRead, untilClose ? 0 : ByteCount);
  try {
    if (missing > 0 && input_.Size() > 0) {
      std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(missing, input_.Size()));
      MoveToBody(Body, n, true);
      missing -= static_cast<std::int64_t>(n);
    }
    while (missing > 0) {
      std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(missing, static_cast<std::int64_t>(block)));
      // A body of known length whose store has the room is received there,
      // block by block, without passing through the input buffer.
      if (!untilClose && input_.Size() == 0 && Body.Room(want)) {
        const std::size_t got = ReceiveInPlace(Body, want);
        if (got > 0) DoWork(wmRead, static_cast<std::int64_t>(got));
        missing -= static_cast<std::int64_t>(got);
        if (got == want) continue;
        if (!Connected()) throw EConnClosedGracefully(RSConnectionClosedGracefully);
        if (got > 0) continue;
      }
      try {
        while (input_.Size() < want && Connected()) ReadFromStack(read_timeout_);
      } catch (...) {
        // A silence or a failed read: what did arrive of the block is the
        // body's all the same, and a later request need not ask for it.
        MoveToBody(Body, static_cast<std::size_t>(std::min<std::int64_t>(missing, input_.Size())), true);
        throw;
      }
      if (input_.Size() < want) {
        // The peer closed: keep what did arrive.
        if (untilClose) {
          MoveToBody(Body, input_.Size(), false);
          break;
        }
        MoveToBody(Body, input_.Size(), true);
        throw EConnClosedGracefully(RSConnectionClosedGracefully);
      }
      MoveToBody(Body, want, true);
      if (!untilClose) missing -= static_cast<std::int64_t>(want);
    }
  } catch (...) {
    EndWork(wmRead, false);
    throw;
  }
  EndWork(wmRead);
}

void TTcpConnection::BeginWork(TWorkMode AWorkMode, std::int64_t ASize) {
  WorkState& w = work_[AWorkMode];
  if (++w.level == 1) {
    w.max = ASize;
    w.count = 0;
    w.scale = 0;
    w.completed = true;
    while ((ASize >> w.scale) > INT32_MAX) ++w.scale;
    if (OnWorkBegin && !work_events_muted_) OnWorkBegin(this, AWorkMode, static_cast<std::int32_t>(ASize >> w.scale));
    if (AWorkMode == wmRead) {
      progress_pacer_.Reset();
      ReportProgress(false);
    }
  }
}

void TTcpConnection::DoWork(TWorkMode AWorkMode, std::int64_t ACount) {
  WorkState& w = work_[AWorkMode];
  if (w.level == 0) return;
  w.count += ACount;
  // Only a transfer without a total can outgrow its units: nothing shows
  // them but the count itself.
  while ((w.count >> w.scale) > INT32_MAX) ++w.scale;
  if (OnWork && !work_events_muted_) OnWork(this, AWorkMode, static_cast<std::int32_t>(w.count >> w.scale));
  if (AWorkMode == wmRead) ReportProgress(false);
}

void TTcpConnection::EndWork(TWorkMode AWorkMode, bool Completed) {
  WorkState& w = work_[AWorkMode];
  if (w.level == 0) return;
  if (!Completed) w.completed = false;
  if (w.level == 1 && AWorkMode == wmRead) ReportProgress(true);
  if (w.level == 1 && OnWorkEnd && !work_events_muted_) {
    w.level = 0;
    OnWorkEnd(this, AWorkMode);
    return;
  }
  --w.level;
}

void TTcpConnection::ReportProgress(bool Final) {
  const WorkState& w = work_[wmRead];
  if (!OnProgress || work_events_muted_ || !progress_pacer_.Due(w.count, Final)) return;
  OnProgress(this, w.count, w.max > 0 ? w.max : -1);
}
