// quelbo-skin-gallery: a form showing the parts of the skin engine the
// updater does not use. Not installed with the updater; the tests drive it.
#include "gallery/GalleryForm.h"
#include "startup/SkinnedProgram.h"

int main() {
  return RunSkinnedProgram("quelbo-skin-gallery", "Quelbo Skin Gallery",
                           [](TApplication& app) { app.CreateForm<TGalleryForm>(); });
}
