// libFuzzer entry for the reply's fifth field and the judgement of a reply.
#include "ReleaseSealTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  apptest::CheckReleaseSeal(data, size);
  return 0;
}
