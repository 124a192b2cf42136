#include "http/BodyWriter.h"

#include <algorithm>

#include "http/HttpErrors.h"

namespace {
// The smallest step by which a body's memory grows.
constexpr std::int64_t kMinMemoryGrowth = 64 << 10;
}  // namespace

void TLengthLimit::Announce(std::int64_t Total) {
  if (Total > limit_) throw EHttpFramingError(BodyTooLong(limit_));
  Next().Announce(Total);
}

void TLengthLimit::Write(const void* Data, std::size_t Count) {
  if (static_cast<std::uint64_t>(Count) > static_cast<std::uint64_t>(limit_ - written_))
    throw EHttpFramingError(BodyTooLong(limit_));
  written_ += static_cast<std::int64_t>(Count);
  Next().Write(Data, Count);
}

void TLengthLimit::Restart() {
  written_ = 0;
  Next().Restart();
}

void TStreamStore::Write(const void* Data, std::size_t Count) {
  stream_.WriteBuffer(Data, static_cast<std::int64_t>(Count));
}

void TStreamStore::Restart() {
  stream_.SetSize(start_);
  stream_.SetPosition(start_);
}

void TMemoryStore::Announce(std::int64_t Total) {
  end_ = Total >= 0 && Total <= INT64_MAX - start_ ? start_ + Total : INT64_MAX;
}

void* TMemoryStore::Room(std::size_t Count) {
  const std::int64_t at = stream_.Position();
  if (at + static_cast<std::int64_t>(Count) > stream_.Capacity()) return nullptr;
  return static_cast<std::uint8_t*>(stream_.Memory()) + at;
}

void TMemoryStore::Write(const void* Data, std::size_t Count) {
  const std::int64_t at = stream_.Position();
  const std::int64_t needed = at + static_cast<std::int64_t>(Count);
  if (Data == static_cast<std::uint8_t*>(stream_.Memory()) + at && needed <= stream_.Capacity()) {
    // Received in place: the bytes are where they belong.
    if (needed > stream_.Size()) stream_.SetSize(needed);
    stream_.SetPosition(needed);
    return;
  }
  const std::int64_t capacity = stream_.Capacity();
  if (needed > capacity)
    stream_.SetCapacity(
        std::min(std::max(end_, needed), std::max({needed, capacity + capacity / 2, kMinMemoryGrowth})));
  stream_.WriteBuffer(Data, static_cast<std::int64_t>(Count));
}

void TMemoryStore::Restart() {
  stream_.SetSize(start_);
  stream_.SetPosition(start_);
}
