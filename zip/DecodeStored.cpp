#include "zip/Decoders.h"

namespace zip {

bool IsSupportedMethod(std::uint16_t method) {
  return method == kStored || (method >= kShrunk && method <= kImploded) || method == kDeflated;
}

void DecodeStored(DecodeContext& ctx) {
  // Blocks go straight from the archive into the output buffer.
  while (std::size_t n = ctx.ReadBlockInto(ctx.OutputBuffer(), kBlockSize)) {
    ctx.SetOutputCount(n);
    ctx.Flush();
  }
}

}  // namespace zip
