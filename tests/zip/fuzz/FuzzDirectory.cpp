// Fuzz entry point: an archive as a whole, through the directory reader (with
// the rebuild scan allowed) and a full extraction into a scratch directory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "zip/ZipExtractor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string root = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string r = std::string(tmp && *tmp ? tmp : "/tmp") + "/quelbo-zip-fuzz-" + std::to_string(::getpid());
    std::filesystem::create_directories(r);
    return r;
  }();
  const std::string archive = root + "/input.zip", dest = root + "/out";
  if (FILE* f = std::fopen(archive.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  {
    TZipExtractor z(nullptr);
    z.IncompleteZipMode = izAssumeBad;
    z.DoProcessMessages = false;
    try {
      z.SetZipName(archive);
      z.LoadDirectory();
      for (int i = 0; i < z.MemberCount(); ++i) (void)z.Comment(i);
      z.SetSortMode(TZipSortMode::ByName);
      z.SetSortMode(TZipSortMode::ByNone);
      z.SetDestDir(dest);
      z.DoAll = true;
      z.RecreateDirs = true;
      z.OverwriteMode = TUZOverwriteMode::Always;
      z.UnZip();
    } catch (const Exception&) {
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dest, ec);
  return 0;
}
