#pragma once
// Large blocks of memory straight from the system: their pages take memory
// only once they are written, and on Linux a block grows without copying.
#include <cstddef>

namespace platform {

// Nullptr when the system refuses.
void* AllocateLargeBlock(std::size_t bytes);
// The block with its first OldBytes kept (perhaps moved); nullptr when the
// system refuses, the block then unchanged.
void* ResizeLargeBlock(void* block, std::size_t oldBytes, std::size_t newBytes);
void FreeLargeBlock(void* block, std::size_t bytes);

}  // namespace platform
