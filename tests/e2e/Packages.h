#pragma once
// Update packages for the end-to-end tests: real archives made by Info-ZIP
// `zip` from a directory tree, Info-ZIP `unzip`'s extraction of them as the
// oracle of what an installed package must look like, and small archives
// written by hand where a test needs member names or data no archiver would
// write (".." and absolute names, links, a wrong checksum).
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// Runs a command line through the shell; its exit status.
int Shell(const std::string& command);

// The package made by `zip -r` from the content of directory `tree`, with
// its directory entries, Unix permissions and extra fields.
std::string ZipTree(const std::string& tree);
// Extracts archive into directory `into` with `unzip`; true on success.
bool UnzipInto(const std::string& archive, const std::string& into);

struct HandMember {
  std::string name;             // stored as given, "/"-separated
  std::string data;             // stored without compression
  std::uint32_t unixMode = 0;   // st_mode bits with the file type; 0: none stored
  bool wrongCrc = false;        // store a checksum that does not match the data
};
// A valid archive of stored members.
std::string HandMadeZip(const std::vector<HandMember>& members);

}  // namespace e2e
