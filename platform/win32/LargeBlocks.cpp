// Large blocks on Windows: committed pages, which take memory only once they
// are written. A block grows into a new one.
#include "platform/LargeBlocks.h"

#include <windows.h>

#include <cstring>

namespace platform {

void* AllocateLargeBlock(std::size_t bytes) { return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }

void* ResizeLargeBlock(void* block, std::size_t oldBytes, std::size_t newBytes) {
  void* p = AllocateLargeBlock(newBytes);
  if (!p) return nullptr;
  std::memcpy(p, block, oldBytes < newBytes ? oldBytes : newBytes);
  FreeLargeBlock(block, oldBytes);
  return p;
}

void FreeLargeBlock(void* block, std::size_t) { VirtualFree(block, 0, MEM_RELEASE); }

}  // namespace platform
