#pragma once
// A stream that keeps nothing of what is written to it, only its position and
// size: a transfer's cost, or its length, without the memory.
#include <algorithm>
#include <cstdint>

#include "core/Streams.h"

namespace httptest {

struct DiscardingStream : TStream {
  std::int64_t position = 0, size = 0;
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t n) override {
    position += n;
    size = std::max(size, position);
    return n;
  }
  std::int64_t Seek(std::int64_t o, TSeekOrigin w) override {
    position = w == TSeekOrigin::soBeginning ? o : w == TSeekOrigin::soCurrent ? position + o : size + o;
    return position;
  }
  void SetSize(std::int64_t s) override { size = s; }
};

}  // namespace httptest
