// An extraction into another target than the disk makes the same calls: the
// same members with the same bytes, times and modes, the same directories,
// and nothing on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/FileAttributes.h"
#include "platform/FileHandle.h"
#include "platform/PathNames.h"
#include "tests/zip/MemoryTarget.h"
#include "zip/ZipExtractor.h"
#include "ZipTestSupport.h"

namespace ziptest {
namespace {

int Extract(const std::string& archive, const std::string& dest, zip::ExtractionTarget* target) {
  TZipExtractor z(nullptr);
  z.DoProcessMessages = false;
  z.IncompleteZipMode = izAssumeBad;
  z.OnHandleMessage = [](TObject*, int, const AnsiString&, const AnsiString&, unsigned, int&) {};
  z.SetExtractionTarget(target);
  z.SetZipName(archive);
  z.SetDestDir(dest);
  z.DoAll = true;
  z.RecreateDirs = true;
  z.OverwriteMode = TUZOverwriteMode::Always;
  return z.UnZip();
}

TEST(ExtractionTarget, MemoryGetsWhatTheDiskGetsForEverySampleArchive) {
  int archives = 0;
  for (const auto& entry : fs::directory_iterator(DataFile(""))) {
    const std::string archive = entry.path().string();
    if (entry.path().extension() == ".tsv" || entry.path().extension() == ".md") continue;
    ScratchDir disk, memoryRoot;
    const std::string memoryDest = memoryRoot / "never-made";
    MemoryTarget memory(true);
    int onDisk = -1, inMemory = -1;
    try {
      onDisk = Extract(archive, disk.path(), nullptr);
    } catch (const Exception&) {
    }
    try {
      inMemory = Extract(archive, memoryDest, &memory);
    } catch (const Exception&) {
    }
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(inMemory, onDisk);
    EXPECT_FALSE(fs::exists(memoryDest)) << "the memory target wrote to disk";

    std::vector<std::string> files;
    for (const std::string& rel : ListTree(disk.path())) {
      const std::string path = disk / rel;
      if (fs::is_directory(path)) {
        // Made itself, or with a directory or member below it.
        const std::string prefix = memoryDest + "/" + rel;  // ends in "/"
        auto below = [&](const std::string& p) { return (p + "/").rfind(prefix, 0) == 0; };
        EXPECT_TRUE(std::any_of(memory.directories.begin(), memory.directories.end(), below) ||
                    std::any_of(memory.members.begin(), memory.members.end(), [&](const auto& m) { return below(m.first); }))
            << rel;
        continue;
      }
      files.push_back(rel);
      const auto it = memory.members.find(memoryDest + "/" + rel);
      ASSERT_NE(it, memory.members.end()) << rel;
      EXPECT_EQ(it->second.bytes, ReadFile(path)) << rel;
      EXPECT_EQ(it->second.size, it->second.bytes.size()) << rel;
      platform::PathStatus st;
      ASSERT_TRUE(platform::GetPathStatus(path, st));
      EXPECT_EQ(it->second.time, st.modifiedNs / 1000000000) << rel;
      // Linux keeps the mode's permission bits, Windows its owner's write bit.
      if (!platform::kBackslashSeparates) EXPECT_EQ(it->second.mode & 07777, st.permissions & 07777) << rel;
      else EXPECT_EQ((it->second.mode & 0200) == 0, platform::IsReadOnlyFile(path)) << rel;
    }
    EXPECT_EQ(memory.members.size(), files.size());
    ++archives;
  }
  EXPECT_GT(archives, 40);
}

}  // namespace
}  // namespace ziptest
