// Fuzz entry for the version reply's rules (FUZZ_PROFILE 0) or the profile
// text's rules (FUZZ_PROFILE 1).
#include "ReplyAndProfileTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
#if FUZZ_PROFILE
  apptest::CheckProfile(bytes);
#else
  apptest::CheckReply(bytes);
#endif
  return 0;
}
