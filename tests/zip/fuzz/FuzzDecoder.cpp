// Fuzz entry point for one decoder (FUZZ_METHOD): the first byte picks the
// flags or factor (its top bit: whole-member deflate), the next four the claimed uncompressed size, the rest is
// the compressed data.
#include <cstdint>
#include <cstring>

#include "zip/Decoders.h"
#include "zip/ZipErrors.h"

namespace {
class Source : public zip::CompressedSource {
 public:
  Source(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  std::size_t ReadBlock(std::uint8_t* buffer, std::size_t max) override {
    std::size_t k = max < n_ - pos_ ? max : n_ - pos_;
    std::memcpy(buffer, d_ + pos_, k);
    pos_ += k;
    return k;
  }
  // Known length lets the deflate decoder take its whole-member path.
  std::uint64_t Available() const override { return whole ? n_ - pos_ : 0; }
  bool whole = false;

 private:
  const std::uint8_t* d_;
  std::size_t n_, pos_ = 0;
};

class Sink : public zip::OutputSink {
 public:
  void Write(const std::uint8_t*, std::size_t) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  static zip::DecodeBuffers buffers;
  std::uint8_t select = data[0];
  std::uint32_t claimed = static_cast<std::uint32_t>(data[1] | (data[2] << 8) | (data[3] << 16) | (static_cast<std::uint32_t>(data[4]) << 24));
  Source source(data + 5, size - 5);
  source.whole = select & 0x80;
  Sink sink;
  zip::DecodeContext ctx(buffers, source, sink, size - 5, claimed & 0xFFFFF);
  try {
#if FUZZ_METHOD == 1
    zip::DecodeShrunk(ctx);
#elif FUZZ_METHOD == 2
    zip::DecodeReduced(ctx, 1 + (select & 3));
#elif FUZZ_METHOD == 6
    zip::DecodeImploded(ctx, select & 6);
#elif FUZZ_METHOD == 8
    zip::DecodeDeflated(ctx);
#else
#error "FUZZ_METHOD must name a decoder"
#endif
  } catch (const EZipError&) {
  }
  return 0;
}
