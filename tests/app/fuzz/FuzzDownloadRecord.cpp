// libFuzzer entry for the record beside a package's partial file: whatever
// the file holds, reading it never fails badly, and a record read from it is
// written back to a text that reads as the same record.
#include <cstdlib>
#include <string>

#include "app/update/DownloadRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<TDownloadRecord> record = ParseDownloadRecord(text);
  if (!record) return 0;
  const std::optional<std::string> again = DownloadRecordText(*record);
  if (!again || ParseDownloadRecord(*again) != record) std::abort();
  return 0;
}
