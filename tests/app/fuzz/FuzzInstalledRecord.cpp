// libFuzzer entry for the record of installed files: whatever the file
// holds, reading it never fails badly, and a record read from it is written
// back to the same text.
#include <cstdlib>
#include <string>

#include "app/update/InstalledFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<TInstalledRecord> record = ParseInstalledRecord(text);
  if (!record) return 0;
  const std::optional<std::string> again = InstalledRecordText(*record);
  if (!again || *again != text) std::abort();
  return 0;
}
