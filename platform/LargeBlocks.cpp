// Large blocks on Linux: private anonymous mappings, grown by mremap.
#include "platform/LargeBlocks.h"

#include <sys/mman.h>

namespace platform {

void* AllocateLargeBlock(std::size_t bytes) {
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void* ResizeLargeBlock(void* block, std::size_t oldBytes, std::size_t newBytes) {
  void* p = ::mremap(block, oldBytes, newBytes, MREMAP_MAYMOVE);
  return p == MAP_FAILED ? nullptr : p;
}

void FreeLargeBlock(void* block, std::size_t bytes) { ::munmap(block, bytes); }

}  // namespace platform
