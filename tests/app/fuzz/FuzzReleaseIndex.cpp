// libFuzzer entry for the index beside a signed package: whatever the file
// holds, reading it never fails badly, and an index read from it is written
// back as the very same text.
#include <cstdlib>
#include <string>

#include "app/release/ReleaseIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto entries = release::ParseReleaseIndex(text);
  if (!entries) return 0;
  const std::optional<std::string> again = release::ReleaseIndexText(*entries);
  if (!again || *again != text) std::abort();
  return 0;
}
