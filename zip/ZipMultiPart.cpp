// Archives split over several files: naming the parts and switching to one.
#include "zip/ZipExtractor.h"

AnsiString TZipExtractor::PartFileName(std::uint32_t disk) {
  std::uint32_t last = endCentral_.ThisDisk();
  int part = static_cast<int>(disk) + 1;
  TSplitPartType type = disk == last ? spLast : disk == 0 ? spFirst : spMiddle;
  AnsiString name;
  if (BlockMode == bmClassic)
    name = baseName_ + Format(".%03d", part);
  else if (type == spLast)
    name = baseName_ + ".zip";
  else
    name = baseName_ + Format(".zip.z%02d", part);
  if (OnFileNameForSplitPart) OnFileNameForSplitPart(this, name, part, type);
  return name;
}

void TZipExtractor::OpenDisk(std::uint32_t disk) {
  if (multiMode_ == mmNone || disk == currentDisk_) return;
  AnsiString name = disk == endCentral_.ThisDisk() && !OnFileNameForSplitPart ? zipName_ : PartFileName(disk);
  archive_ = OpenArchiveFile(name);
  currentDisk_ = disk;
}
