#include "zip/DecodeContext.h"

#include <libdeflate.h>

#include <algorithm>

#include "zip/ZipErrors.h"

namespace zip {

DecodeBuffers::DecodeBuffers() = default;
DecodeBuffers::~DecodeBuffers() {
  if (fastInflater) libdeflate_free_decompressor(static_cast<libdeflate_decompressor*>(fastInflater));
}

DecodeContext::DecodeContext(DecodeBuffers& buffers, CompressedSource& source, OutputSink& sink,
                             std::uint64_t compressedSize, std::uint64_t uncompressedSize)
    : buffers_(buffers),
      source_(source),
      sink_(sink),
      compressedSize_(compressedSize),
      remaining_(compressedSize),
      uncompressedSize_(uncompressedSize) {}

std::size_t DecodeContext::ReadBlockInto(std::uint8_t* dst, std::size_t max) {
  if (remaining_ == 0) return 0;
  if (blockHook_) blockHook_();
  std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>({remaining_, max, kBlockSize}));
  std::size_t got = source_.ReadBlock(dst, want);
  remaining_ -= got;
  return got;
}

std::size_t DecodeContext::NextBlock(const std::uint8_t*& data) {
  inPos_ = inLen_ = 0;
  std::size_t n = ReadBlockInto(buffers_.input.data(), kBlockSize);
  data = buffers_.input.data();
  return n;
}

int DecodeContext::RefillByte() {
  const std::uint8_t* data;
  std::size_t n = NextBlock(data);
  if (n == 0) return -1;
  inLen_ = n;
  inPos_ = 1;
  return data[0];
}

void DecodeContext::WriteBlock(const std::uint8_t* data, std::size_t length) {
  if (length == 0) return;
  if (length > uncompressedSize_ - std::min(written_, uncompressedSize_) || written_ > uncompressedSize_)
    throw EBiggerThanUncompressed(zipmsg::kTooBig);
  sink_.Write(data, length);
  crc_ = libdeflate_crc32(crc_, data, length);
  written_ += length;
  if (progressHook_) progressHook_(written_);
}

void DecodeContext::Flush() {
  std::size_t n = outCount_;
  outCount_ = 0;
  WriteBlock(buffers_.output.data(), n);
}

}  // namespace zip
