// Extracts an archive the way the updater does (every member, stored
// directories recreated, existing files replaced): the benchmark's subject.
// Usage: zip_extract_tool ARCHIVE DESTDIR [PASSWORD]
#include <cstdio>

#include "core/UserInterface.h"
#include "zip/ZipExtractor.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s ARCHIVE DESTDIR [PASSWORD]\n", argv[0]);
    return 2;
  }
  TUserInterface ui;
  ui.Ask = [](const AnsiString& text, const AnsiString& caption, UINT) {
    std::fprintf(stderr, "box: %s: %s\n", caption.c_str(), text.c_str());
    return IDOK;
  };
  SetUserInterface(ui);
  TZipExtractor z(nullptr);
  try {
    z.SetZipName(argv[1]);
    if (argc > 3) z.Password = argv[3];
    z.LoadDirectory();
    z.SetDestDir(argv[2]);
    z.DoAll = true;
    z.RecreateDirs = true;
    z.OverwriteMode = TUZOverwriteMode::Always;
    z.OnSkippingFile = [](TObject*, TSkipReason r, const AnsiString& n, int, bool&) {
      std::fprintf(stderr, "skipped (%d): %s\n", static_cast<int>(r), n.c_str());
    };
    z.OnBadCRC = [&](TObject*, std::uint32_t calc, std::uint32_t stored, int i) {
      std::fprintf(stderr, "bad crc: %s %08x %08x\n", z.FileName(i).c_str(), calc, stored);
    };
    int n = z.UnZip();
    std::printf("%d\n", n);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.Message().c_str());
    return 1;
  }
  return 0;
}
