// quelbo-updater: the automatic updater of the Quelbo game client.
#include <cstdio>

#include "app/Unit1.h"
#include "platform/CodePage.h"
#include "platform/Display.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/MlSkinMenu.h"

using namespace platform::literals;

int main() {
  std::string why;
  std::unique_ptr<platform::DisplayBackend> display = platform::OpenX11Display(&why);
  if (!display) {
    std::fprintf(stderr, "quelbo-updater: no usable display: %s\n", why.c_str());
    return 1;
  }
  platform::SetDisplay(std::move(display));
  // The built-in skin images are decoded once, before any window exists.
  InitializeSkinResources();
  InstallMenuSkinHook();
  auto* app = new TApplication(nullptr);
  app->SetTitle("Quelbo自动更新"_cp936);
  app->CreateForm<TForm1>();
  app->Run();
  delete app;
  RemoveMenuSkinHook();
  FinalizeSkinResources();
  platform::SetDisplay(nullptr);
  return 0;
}
