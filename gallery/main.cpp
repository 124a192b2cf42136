// quelbo-skin-gallery: a form showing the parts of the skin engine the
// updater does not use. Not installed with the updater; the tests drive it.
//
//   quelbo-skin-gallery [--quick-minimise MS]
//
// --quick-minimise minimises the form as soon as it has been shown and
// restores it MS milliseconds later, quicker than a hand could.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gallery/GalleryForm.h"
#include "startup/SkinnedProgram.h"

int main(int argc, char** argv) {
  int quickMinimiseMs = -1;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    if (std::strcmp(argv[i], "--quick-minimise") == 0 && i + 1 < argc &&
        (quickMinimiseMs = static_cast<int>(std::strtol(argv[i + 1], &end, 10)), *end == '\0') &&
        quickMinimiseMs >= 0) {
      ++i;
      continue;
    }
    std::fprintf(stderr, "usage: quelbo-skin-gallery [--quick-minimise MS]\n");
    return 2;
  }
  return RunSkinnedProgram("quelbo-skin-gallery", "Quelbo Skin Gallery", [quickMinimiseMs](TApplication& app) {
    auto* form = app.CreateForm<TGalleryForm>();
    if (quickMinimiseMs >= 0) form->QuickMinimise(quickMinimiseMs);
  });
}
