#pragma once
// Replacing a file's whole content so that a crash, a full disk or a failed
// write never leaves it half written: the bytes go to a temporary file in the
// same directory, reach the disk, and only then take the file's name.
#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Writes Size bytes as the new content of the file at Path (a code page 936
// path). An existing file keeps its permission bits; a file that exists but may
// not be written, or that is not a regular file, is left alone and the call
// fails. Returns false on any failure, with errno telling why; the old content
// is then unchanged and no temporary file is left behind.
bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size);

// The same, but the bytes take the file's name only if Commit, called once
// they are on disk under the temporary name, returns true; otherwise the
// temporary file is removed, the old content stays and errno is ECANCELED.
// (Commit may finish work that ran while the bytes were written.)
bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size,
                        const std::function<bool()>& commit);

inline bool ReplaceFileContent(const std::string& path, const std::string& bytes) {
  return ReplaceFileContent(path, bytes.data(), bytes.size());
}

}  // namespace platform
