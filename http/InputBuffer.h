#pragma once
// The bytes received from a socket and not yet taken by a reader. Readers take
// from the front and the socket appends at the back; the consumed front is
// reclaimed when room is needed, so a long transfer moves each byte only once
// within the buffer at most.
#include <cstdint>
#include <cstring>
#include <memory>

class TInputBuffer {
 public:
  std::size_t Size() const { return tail_ - head_; }
  const std::uint8_t* Data() const { return data_.get() + head_; }

  // Room for at least N more bytes at the back; Commit says how many were used.
  std::uint8_t* PrepareAppend(std::size_t N) {
    if (capacity_ - tail_ < N) {
      std::size_t size = Size();
      if (capacity_ - size >= N && head_ > 0) {
        std::memmove(data_.get(), data_.get() + head_, size);
      } else {
        std::size_t cap = capacity_ ? capacity_ : 4096;
        while (cap - size < N) cap *= 2;
        std::unique_ptr<std::uint8_t[]> bigger(new std::uint8_t[cap]);
        if (size) std::memcpy(bigger.get(), data_.get() + head_, size);
        data_ = std::move(bigger);
        capacity_ = cap;
      }
      head_ = 0;
      tail_ = size;
    }
    return data_.get() + tail_;
  }
  void Commit(std::size_t N) { tail_ += N; }

  void Consume(std::size_t N) {
    head_ += N;
    if (head_ == tail_) head_ = tail_ = 0;
  }
  void Clear() { head_ = tail_ = 0; }

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t capacity_ = 0;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
};
