// Imploding: LZ77 over a 4 KB or 8 KB dictionary whose literals, lengths and
// distance high bits are coded with Shannon-Fano trees stored at the start of
// the member as run-length-coded bit lengths.
#include <array>
#include <new>
#include <vector>

#include "zip/Decoders.h"
#include "zip/SlidingWindow.h"

namespace zip {

unsigned ExplodeDistanceLookupBits(std::uint64_t compressedSize) { return compressedSize > 200000 ? 8 : 7; }

namespace {
constexpr std::size_t kWindow = 32768;
constexpr unsigned kMaxCodeBits = 16;

// A prefix code read least significant bit first. Codes up to lookupBits long
// decode through one table look-up; longer ones bit by bit.
class ShannonFanoTree {
 public:
  // Reads the run-length-coded bit lengths and builds the code; false when the
  // tree is malformed (wrong symbol count or lengths that form no prefix code).
  bool Read(DecodeContext& ctx, unsigned symbols, unsigned lookupBits) {
    std::vector<std::uint8_t> lengths;
    unsigned bytes = ctx.Bits(8) + 1;
    for (unsigned i = 0; i < bytes; ++i) {
      unsigned b = ctx.Bits(8);
      unsigned run = (b >> 4) + 1, len = (b & 0x0F) + 1;
      if (lengths.size() + run > symbols) return false;
      lengths.insert(lengths.end(), run, static_cast<std::uint8_t>(len));
    }
    if (ctx.EndOfData() || lengths.size() != symbols) return false;
    return Build(lengths, lookupBits);
  }

  // The next symbol, or -1 when the bits name no code.
  int Decode(DecodeContext& ctx) const {
    std::uint32_t bits = ctx.PeekBits(kMaxCodeBits);
    const Entry& e = table_[bits & ((1u << lookupBits_) - 1)];
    if (e.length != 0) {
      ctx.DropBits(e.length);
      return e.symbol;
    }
    for (const Code& c : long_) {
      if ((bits & ((1u << c.length) - 1)) == c.reversed) {
        ctx.DropBits(c.length);
        return c.symbol;
      }
    }
    return -1;
  }

 private:
  struct Entry {
    std::uint16_t symbol = 0;
    std::uint8_t length = 0;
  };
  struct Code {
    std::uint16_t symbol;
    std::uint8_t length;
    std::uint32_t reversed;
  };

  bool Build(const std::vector<std::uint8_t>& lengths, unsigned lookupBits) {
    // Shannon-Fano codes: order by length (stable; lengths are 1 to 16, so
    // counted, not compared), then hand out codes from the longest down, each
    // length stepping by its own increment.
    std::array<std::size_t, kMaxCodeBits + 2> start{};
    for (std::uint8_t len : lengths) ++start[len + 1];
    for (std::size_t len = 1; len < start.size(); ++len) start[len] += start[len - 1];
    std::vector<std::uint16_t> order(lengths.size());
    for (std::size_t i = 0; i < lengths.size(); ++i) order[start[lengths[i]]++] = static_cast<std::uint16_t>(i);
    lookupBits_ = lookupBits;
    table_.assign(std::size_t(1) << lookupBits, Entry{});
    std::uint32_t code = 0, increment = 0;
    unsigned lastLength = 0;
    for (std::size_t k = order.size(); k-- > 0;) {
      std::uint16_t sym = order[k];
      unsigned len = lengths[sym];
      code += increment;
      if (code > 0xFFFF) return false;  // over-subscribed: no prefix code
      if (len != lastLength) {
        lastLength = len;
        increment = 1u << (16 - len);
      }
      std::uint32_t msbFirst = code >> (16 - len);
      std::uint32_t reversed = 0;
      for (unsigned i = 0; i < len; ++i) reversed |= ((msbFirst >> i) & 1u) << (len - 1 - i);
      if (len <= lookupBits) {
        for (std::uint32_t fill = reversed; fill < table_.size(); fill += 1u << len)
          table_[fill] = Entry{sym, static_cast<std::uint8_t>(len)};
      } else {
        long_.push_back(Code{sym, static_cast<std::uint8_t>(len), reversed});
      }
    }
    return true;
  }

  unsigned lookupBits_ = 0;
  std::vector<Entry> table_;
  std::vector<Code> long_;
};
}  // namespace

void DecodeImploded(DecodeContext& ctx, std::uint16_t flags, const std::function<void()>& outOfMemory) {
  const bool bigDictionary = flags & 0x0002;
  const bool literalTree = flags & 0x0004;
  const unsigned lowDistanceBits = bigDictionary ? 7 : 6;
  const unsigned minMatch = literalTree ? 3 : 2;

  ShannonFanoTree literals, lengths, distances;
  try {
    if (literalTree && !literals.Read(ctx, 256, 9)) return ctx.Flush();
    if (!lengths.Read(ctx, 64, 7)) return ctx.Flush();
    if (!distances.Read(ctx, 64, ExplodeDistanceLookupBits(ctx.CompressedSize()))) return ctx.Flush();
  } catch (const std::bad_alloc&) {
    if (outOfMemory) outOfMemory();
    return ctx.Flush();
  }

  SlidingWindow out(ctx, kWindow);

  while (!out.Done()) {
    if (ctx.Bits(1)) {
      int lit = literalTree ? literals.Decode(ctx) : static_cast<int>(ctx.Bits(8));
      if (lit < 0 || ctx.EndOfData()) break;
      out.Put(static_cast<std::uint8_t>(lit));
      continue;
    }
    unsigned low = ctx.Bits(lowDistanceBits);
    int high = distances.Decode(ctx);
    int len = lengths.Decode(ctx);
    if (high < 0 || len < 0 || ctx.EndOfData()) break;
    unsigned length = static_cast<unsigned>(len);
    if (length == 63) length += ctx.Bits(8);
    if (ctx.EndOfData()) break;
    length += minMatch;
    std::size_t distance = ((static_cast<std::size_t>(high) << lowDistanceBits) | low) + 1;
    out.Copy(distance, length);
  }
  out.Finish();
}

}  // namespace zip
