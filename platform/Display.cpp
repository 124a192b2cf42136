#include "platform/Display.h"

namespace platform {

namespace {
std::unique_ptr<DisplayBackend>& Current() {
  static std::unique_ptr<DisplayBackend> d;
  return d;
}
}  // namespace

DisplayBackend* Display() { return Current().get(); }
void SetDisplay(std::unique_ptr<DisplayBackend> backend) { Current() = std::move(backend); }

}  // namespace platform
