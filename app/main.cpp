// quelbo-updater: the automatic updater of the Quelbo game client.
#include "app/Unit1.h"
#include "platform/CodePage.h"
#include "startup/SkinnedProgram.h"

using namespace platform::literals;

int main() {
  return RunSkinnedProgram("quelbo-updater", "Quelbo自动更新"_cp936,
                           [](TApplication& app) { app.CreateForm<TForm1>(); });
}
