#pragma once
// The decoders, one per compression method. Each reads the member's compressed
// data through the context and writes what it decodes through it; malformed
// data of the older methods ends decoding quietly (the CRC check then fails),
// while the context raises for short archives, oversized output and failed writes.
#include <cstdint>
#include <functional>

#include "zip/DecodeContext.h"

namespace zip {

enum CompressionMethod : std::uint16_t {
  kStored = 0,
  kShrunk = 1,
  kReduced1 = 2,
  kReduced4 = 5,
  kImploded = 6,
  kDeflated = 8,
};

bool IsSupportedMethod(std::uint16_t method);

void DecodeStored(DecodeContext& ctx);
void DecodeShrunk(DecodeContext& ctx);
// factor is 1 to 4 (methods 2 to 5).
void DecodeReduced(DecodeContext& ctx, int factor);
// flags are the member's general purpose flags (dictionary size, tree count).
// outOfMemory is called when the lookup tables cannot be allocated.
void DecodeImploded(DecodeContext& ctx, std::uint16_t flags, const std::function<void()>& outOfMemory = {});
// Raises EZCompressionError "error" on invalid data.
void DecodeDeflated(DecodeContext& ctx);

// Lookup width of the distance tree of an imploded member.
unsigned ExplodeDistanceLookupBits(std::uint64_t compressedSize);

}  // namespace zip
