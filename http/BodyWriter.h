#pragma once
// The one way a response body travels: the client writes it into the first
// of a chain of writers, each of which does one thing with the bytes (holds
// them to a length, works out a digest, stores them) and hands them on to the
// next, knowing nothing of the others. Bytes only ever go forward; a body
// that has to come again from its start is announced as a restart, which
// every writer passes on after forgetting what it had.
#include <cstddef>
#include <cstdint>

#include "core/Streams.h"

class TBodyWriter {
 public:
  virtual ~TBodyWriter() = default;
  // The body that follows is Total bytes long (-1: not announced). Comes
  // before its first byte, and again after a restart.
  virtual void Announce(std::int64_t Total) = 0;
  // The next Count bytes of the body. A writer that refuses them raises.
  virtual void Write(const void* Data, std::size_t Count) = 0;
  // Everything written so far is void: the body comes again from its start.
  virtual void Restart() = 0;
  // Where the next Count bytes may be received in place, when the store at
  // the end of the chain keeps the body in memory and has the room already
  // (nullptr: receive them elsewhere). Bytes received there are then written
  // as any others, from that room; the store finds them in place and keeps
  // them without a copy. A writer that changes the bytes offers no room.
  virtual void* Room(std::size_t Count) { return nullptr; }
};

// A link of the chain: passes everything on to the next writer.
class TBodyFilter : public TBodyWriter {
 public:
  explicit TBodyFilter(TBodyWriter& Next) : next_(Next) {}
  void Announce(std::int64_t Total) override { next_.Announce(Total); }
  void Write(const void* Data, std::size_t Count) override { next_.Write(Data, Count); }
  void Restart() override { next_.Restart(); }
  void* Room(std::size_t Count) override { return next_.Room(Count); }

 protected:
  TBodyWriter& Next() { return next_; }

 private:
  TBodyWriter& next_;
};

// Refuses a body of more than Limit bytes with EHttpFramingError, as soon as
// it is announced or its bytes reach past the limit.
class TLengthLimit : public TBodyFilter {
 public:
  TLengthLimit(TBodyWriter& Next, std::int64_t Limit) : TBodyFilter(Next), limit_(Limit) {}
  void Announce(std::int64_t Total) override;
  void Write(const void* Data, std::size_t Count) override;
  void Restart() override;
  std::int64_t Written() const { return written_; }

 private:
  std::int64_t limit_;
  std::int64_t written_ = 0;
};

// Stores the body in a stream (a file, say) from the position the stream
// has when the store is made; a restart cuts the stream back to there.
class TStreamStore : public TBodyWriter {
 public:
  explicit TStreamStore(TStream& Stream) : stream_(Stream), start_(Stream.Position()) {}
  void Announce(std::int64_t) override {}
  void Write(const void* Data, std::size_t Count) override;
  void Restart() override;

 private:
  TStream& stream_;
  std::int64_t start_;
};

// Stores the body in memory from the stream's position on. Room is made as
// the bytes come, growing by half again so a long body is copied seldom, and
// never beyond the announced length: an announcement is only a claim, and
// memory is committed for bytes that have arrived. The room already made is
// offered for receiving in place.
class TMemoryStore : public TBodyWriter {
 public:
  explicit TMemoryStore(TMemoryStream& Stream) : stream_(Stream), start_(Stream.Position()) {}
  void Announce(std::int64_t Total) override;
  void Write(const void* Data, std::size_t Count) override;
  void Restart() override;
  void* Room(std::size_t Count) override;

 private:
  TMemoryStream& stream_;
  std::int64_t start_;
  std::int64_t end_ = INT64_MAX;
};
