#include "startup/SkinnedProgram.h"

#include <cstdio>
#include <string>

#include "framework/controls/Forms.h"
#include "platform/Display.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/MlSkinMenu.h"

int RunSkinnedProgram(const char* Name, const AnsiString& Title,
                      const std::function<void(TApplication&)>& CreateForms) {
  std::string why;
  std::unique_ptr<platform::DisplayBackend> display = platform::OpenSystemDisplay(&why);
  if (!display) {
    std::fprintf(stderr, "%s: no usable display: %s\n", Name, why.c_str());
    return 1;
  }
  platform::SetDisplay(std::move(display));
  // The built-in skin images are decoded once, before any window exists.
  InitializeSkinResources();
  InstallMenuSkinHook();
  auto* app = new TApplication(nullptr);
  app->SetTitle(Title);
  CreateForms(*app);
  app->Run();
  delete app;
  RemoveMenuSkinHook();
  FinalizeSkinResources();
  platform::SetDisplay(nullptr);
  return 0;
}
