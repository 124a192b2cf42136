// Fuzz entry for one decoder (FUZZ_METHOD). The first byte picks the flags
// or factor, its top bit the whole-member path of the deflate decoder; the
// next four are the claimed uncompressed size, the rest is the compressed
// data. The size is held to twice the decoder's window (of 16 KiB reducing,
// 32 KiB imploding and deflating): long enough for copies across the window's
// wrap and, shrinking, for many fills of its 8192 codes, short enough
// that millions of inputs do not spend their time on long outputs. Every input
// ends in decoded bytes or a ZIP error.
#include <cstdint>
#include <cstring>

#include "zip/Decoders.h"
#include "zip/ZipErrors.h"
#include "zip/ZipRecords.h"

namespace {
#if FUZZ_METHOD == 1 || FUZZ_METHOD == 2
constexpr std::uint32_t kLargestOutput = 2 * 16384;
#else
constexpr std::uint32_t kLargestOutput = 2 * 32768;
#endif

class Source : public zip::CompressedSource {
 public:
  Source(const std::uint8_t* d, std::size_t n, bool whole) : d_(d), n_(n), whole_(whole) {}
  std::size_t ReadBlock(std::uint8_t* buffer, std::size_t max) override {
    if (max > n_ - pos_) throw EFatalUnzipError(zipmsg::kPrematureEnd);
    std::memcpy(buffer, d_ + pos_, max);
    pos_ += max;
    return max;
  }
  std::uint64_t Available() const override { return whole_ ? n_ - pos_ : 0; }

 private:
  const std::uint8_t* d_;
  std::size_t n_, pos_ = 0;
  bool whole_;
};

class Sink : public zip::OutputSink {
 public:
  void Write(const std::uint8_t*, std::size_t) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  static zip::DecodeBuffers buffers;
  const std::uint8_t select = data[0];
  const std::uint32_t claimed = zip::Get32(data + 1) % (kLargestOutput + 1);
  Source source(data + 5, size - 5, select & 0x80);
  Sink sink;
  zip::DecodeContext ctx(buffers, source, sink, size - 5, claimed);
  try {
#if FUZZ_METHOD == 0
    zip::DecodeStored(ctx);
#elif FUZZ_METHOD == 1
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
