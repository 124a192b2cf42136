#include "platform/FileHolders.h"

#include <fcntl.h>

namespace platform {

// Nothing holds a file against a rename here, so nobody is to blame.
std::string ProgramsHoldingFile(const std::string&) { return {}; }

FileHandle OpenFileUnshared(const std::string& osPath) {
  const int fd = ::open(osPath.c_str(), O_RDONLY | O_CLOEXEC);
  return fd < 0 ? kNoFile : fd;
}

}  // namespace platform
