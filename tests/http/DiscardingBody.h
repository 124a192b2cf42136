#pragma once
// The end of a body's chain that keeps nothing of what is written to it,
// only its count: a transfer's cost, or its length, without the memory.
#include <cstdint>

#include "http/BodyWriter.h"

namespace httptest {

struct DiscardingBody : TBodyWriter {
  std::int64_t size = 0;
  void Announce(std::int64_t) override {}
  void Write(const void*, std::size_t n) override { size += static_cast<std::int64_t>(n); }
  void Restart() override { size = 0; }
};

}  // namespace httptest
