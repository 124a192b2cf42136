// quelbo-skin-gallery: a form showing the parts of the skin engine the
// updater does not use. Not installed with the updater; the tests drive it.
#include <cstdio>

#include "gallery/GalleryForm.h"
#include "platform/Display.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/MlSkinMenu.h"

int main() {
  std::string why;
  std::unique_ptr<platform::DisplayBackend> display = platform::OpenX11Display(&why);
  if (!display) {
    std::fprintf(stderr, "quelbo-skin-gallery: no usable display: %s\n", why.c_str());
    return 1;
  }
  platform::SetDisplay(std::move(display));
  InitializeSkinResources();
  InstallMenuSkinHook();
  auto* app = new TApplication(nullptr);
  app->SetTitle("Quelbo Skin Gallery");
  app->CreateForm<TGalleryForm>();
  app->Run();
  delete app;
  RemoveMenuSkinHook();
  FinalizeSkinResources();
  platform::SetDisplay(nullptr);
  return 0;
}
