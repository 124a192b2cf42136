#pragma once
// The output of the window-based methods (reduced, imploded): bytes go into a
// zeroed window over the work area, which is written out each time it fills,
// so back references before the first byte give zeros.
#include <cstdint>
#include <cstring>

#include "zip/DecodeContext.h"

namespace zip {

class SlidingWindow {
 public:
  SlidingWindow(DecodeContext& ctx, std::size_t size)
      : ctx_(ctx), window_(ctx.WorkArea()), size_(size), total_(ctx.UncompressedSize()) {
    std::memset(window_, 0, size_);
  }

  // True once the member's whole uncompressed size has been produced.
  bool Done() const { return produced_ >= total_; }

  void Put(std::uint8_t b) {
    window_[pos_++] = b;
    ++produced_;
    if (pos_ == size_) {
      ctx_.WriteBlock(window_, size_);
      pos_ = 0;
    }
  }

  // Repeats length bytes from distance back, never past the member's size.
  void Copy(std::size_t distance, unsigned length) {
    for (unsigned i = 0; i < length && !Done(); ++i) Put(window_[(pos_ + size_ - distance) % size_]);
  }

  // Writes what the window still holds.
  void Finish() { ctx_.WriteBlock(window_, pos_); }

 private:
  DecodeContext& ctx_;
  std::uint8_t* window_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::uint64_t produced_ = 0;
  const std::uint64_t total_;
};

}  // namespace zip
