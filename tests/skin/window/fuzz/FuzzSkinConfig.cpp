// libFuzzer entry for the skin configuration reader.
#include "SkinConfigTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skintest::CheckSkinConfig(data, size);
  return 0;
}
