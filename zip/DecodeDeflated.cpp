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
}  // namespace

void DecodeDeflated(DecodeContext& ctx) {
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
