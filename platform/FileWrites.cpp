// What the file handles of both systems share: built on their own writes.
#include <cerrno>

#include "platform/FileHandle.h"

namespace platform {

bool WriteAllToFile(FileHandle file, const void* data, std::size_t size) {
  auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const std::ptrdiff_t w = WriteToFile(file, p, size);
    if (w < 0) return false;
    if (w == 0) {
      errno = ENOSPC;
      return false;
    }
    p += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace platform
