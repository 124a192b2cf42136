// Reducing: a byte stream drawn from follower sets (the likely successors of
// each byte), which then expands run references through escape byte 144.
#include <array>

#include "zip/Decoders.h"
#include "zip/SlidingWindow.h"

namespace zip {

namespace {
constexpr std::size_t kWindow = 16384;
constexpr std::uint8_t kEscape = 144;

unsigned IndexBits(unsigned n) {
  unsigned bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

struct FollowerSets {
  std::array<std::array<std::uint8_t, 64>, 256> values{};
  std::array<std::uint8_t, 256> count{};
};
}  // namespace

void DecodeReduced(DecodeContext& ctx, int factor) {
  static const std::uint8_t kLengthMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
  const std::uint8_t mask = kLengthMask[factor];
  FollowerSets sets;
  for (int b = 255; b >= 0; --b) {
    sets.count[b] = static_cast<std::uint8_t>(ctx.Bits(6));
    for (unsigned i = 0; i < sets.count[b]; ++i) sets.values[b][i] = static_cast<std::uint8_t>(ctx.Bits(8));
    if (ctx.EndOfData()) return ctx.Flush();
  }

  SlidingWindow out(ctx, kWindow);

  std::uint8_t last = 0;
  auto next = [&]() -> std::uint8_t {
    unsigned n = sets.count[last];
    std::uint8_t c;
    if (n == 0 || ctx.Bits(1) == 1) {
      c = static_cast<std::uint8_t>(ctx.Bits(8));
    } else {
      unsigned idx = ctx.Bits(IndexBits(n));
      c = idx < n ? sets.values[last][idx] : 0;
      if (idx >= n) ctx.SetEndOfData();  // an index beyond the set: corrupt, end here
    }
    last = c;
    return c;
  };

  while (!out.Done()) {
    std::uint8_t c = next();
    if (ctx.EndOfData()) break;
    if (c != kEscape) {
      out.Put(c);
      continue;
    }
    std::uint8_t v = next();
    if (ctx.EndOfData()) break;
    if (v == 0) {
      out.Put(kEscape);
      continue;
    }
    unsigned length = v & mask;
    if (length == mask) {
      length += next();
      if (ctx.EndOfData()) break;
    }
    std::uint8_t low = next();
    if (ctx.EndOfData()) break;
    std::size_t distance = (static_cast<std::size_t>(v >> (8 - factor)) << 8) + low + 1;
    out.Copy(distance, length + 3);
  }
  out.Finish();
}

}  // namespace zip
