#include <libdeflate.h>
#include <zlib.h>

#include "zip/Decoders.h"
#include "zip/ZipErrors.h"

namespace zip {

namespace {
// Releases the inflate state on every way out.
struct InflateStream {
  z_stream s{};
  bool live = false;
  ~InflateStream() {
    if (live) inflateEnd(&s);
  }
};

// Members that fit in memory are inflated in one call by a faster inflater.
// The result is the same as the streaming path's: the same bytes, the same
// errors, and the data read and written in the same blocks, so message
// dispatch, cancel and the percent events happen as they would there.
constexpr std::uint64_t kWholeInputLimit = 64u << 20;
constexpr std::uint64_t kWholeOutputLimit = 256u << 20;
// Deflate cannot expand by more than this factor (a 258-byte match per bit or so).
constexpr std::uint64_t kMaxExpansion = 1032;

bool InflateWhole(DecodeContext& ctx) {
  const std::uint64_t in = ctx.RemainingInput(), out = ctx.UncompressedSize();
  if (in > kWholeInputLimit || out > kWholeOutputLimit || out > in * kMaxExpansion + 65536 ||
      ctx.SourceAvailable() < in || ctx.OutputCount() != 0)
    return false;
  DecodeBuffers& b = ctx.Buffers();
  if (!b.fastInflater) b.fastInflater = libdeflate_alloc_decompressor();
  if (!b.fastInflater) return false;
  b.wholeInput.resize(static_cast<std::size_t>(in));
  b.wholeOutput.resize(static_cast<std::size_t>(out));
  std::size_t have = 0;
  while (std::size_t n = ctx.ReadBlockInto(b.wholeInput.data() + have, b.wholeInput.size() - have)) have += n;
  std::size_t produced = 0;
  libdeflate_result r =
      libdeflate_deflate_decompress_ex(static_cast<libdeflate_decompressor*>(b.fastInflater), b.wholeInput.data(), have,
                                       b.wholeOutput.data(), b.wholeOutput.size(), nullptr, &produced);
  if (r == LIBDEFLATE_BAD_DATA) throw EZCompressionError(zipmsg::kInflateError);
  if (r == LIBDEFLATE_INSUFFICIENT_SPACE) throw EBiggerThanUncompressed(zipmsg::kTooBig);
  for (std::size_t at = 0; at < produced; at += kBlockSize)
    ctx.WriteBlock(b.wholeOutput.data() + at, std::min(kBlockSize, produced - at));
  return true;
}
}  // namespace

void DecodeDeflated(DecodeContext& ctx) {
  if (InflateWhole(ctx)) return;
  InflateStream z;
  if (inflateInit2(&z.s, -MAX_WBITS) != Z_OK) throw EZCompressionError(zipmsg::kInflateError);
  z.live = true;
  std::uint8_t* out = ctx.OutputBuffer();
  while (true) {
    if (z.s.avail_in == 0) {
      const std::uint8_t* data;
      std::size_t n = ctx.NextBlock(data);
      z.s.next_in = const_cast<Bytef*>(data);
      z.s.avail_in = static_cast<uInt>(n);
    }
    std::size_t before = ctx.OutputCount();
    z.s.next_out = out + before;
    z.s.avail_out = static_cast<uInt>(kBlockSize - before);
    int rc = inflate(&z.s, Z_NO_FLUSH);
    if (rc < 0 || rc == Z_NEED_DICT) throw EZCompressionError(zipmsg::kInflateError);
    ctx.SetOutputCount(kBlockSize - z.s.avail_out);
    if (rc == Z_STREAM_END) {
      ctx.Flush();
      return;
    }
    if (ctx.OutputCount() == kBlockSize) ctx.Flush();
  }
}

}  // namespace zip
