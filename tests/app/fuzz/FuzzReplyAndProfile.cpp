// libFuzzer entry for the reply and profile-text rules.
#include "ReplyAndProfileTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  apptest::CheckReplyAndProfile(data, size);
  return 0;
}
