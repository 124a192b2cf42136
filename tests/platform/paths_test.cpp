// Paths as each system reads them, and what the Windows half adds: long
// paths, both separators, names the system takes for devices.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/PathNames.h"
#include "tests/support/TestServers.h"

using namespace platform::literals;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct PathCase {
  const char* path;
  std::size_t root;
  const char* directory;
  const char* name;
};

TEST(PathNames, RootsDirectoriesAndNames) {
#ifdef _WIN32
  const PathCase cases[] = {
      {"C:\\Games\\Quelbo\\xconfig.ini", 3, "C:\\Games\\Quelbo", "xconfig.ini"},
      {"C:/Games/Quelbo/xconfig.ini", 3, "C:/Games/Quelbo", "xconfig.ini"},
      {"C:\\xconfig.ini", 3, "C:\\", "xconfig.ini"},
      {"C:xconfig.ini", 2, "C:", "xconfig.ini"},  // relative to the drive's own directory
      {"\\\\server\\share\\dir\\f.txt", 15, "\\\\server\\share\\dir", "f.txt"},
      {"\\\\server\\share\\f.txt", 15, "\\\\server\\share\\", "f.txt"},
      {"\\\\?\\C:\\long\\f.txt", 7, "\\\\?\\C:\\long", "f.txt"},
      {"\\top.txt", 1, "\\", "top.txt"},
      {"dir\\sub/f.txt", 0, "dir\\sub", "f.txt"},
      {"f.txt", 0, ".", "f.txt"},
  };
#else
  const PathCase cases[] = {
      {"/opt/quelbo/xconfig.ini", 1, "/opt/quelbo", "xconfig.ini"},
      {"/xconfig.ini", 1, "/", "xconfig.ini"},
      {"dir/sub/f.txt", 0, "dir/sub", "f.txt"},
      {"dir\\f.txt", 0, ".", "dir\\f.txt"},  // a backslash is part of a Linux name
      {"C:/x", 0, "C:", "x"},
      {"f.txt", 0, ".", "f.txt"},
  };
#endif
  for (const PathCase& c : cases) {
    EXPECT_EQ(platform::RootLength(c.path), c.root) << c.path;
    EXPECT_EQ(platform::DirectoryOf(c.path), c.directory) << c.path;
    EXPECT_EQ(platform::NameOf(c.path), c.name) << c.path;
  }
}

TEST(PathNames, NamesTheSystemTakesForDevicesOrStreams) {
  const char* reserved[] = {"CON", "nul", "Com1", "LPT9.txt", "aux.tar.gz", "PRN ", "a:b", "C:x", "name.", "name "};
  const char* plain[] = {"COM0", "COM10", "LPT", "console", "nul_", "a.b", ".hidden", ".", ".."};
  for (const char* n : reserved) EXPECT_EQ(platform::IsReservedFileName(n), platform::kBackslashSeparates) << n;
  for (const char* n : plain) EXPECT_FALSE(platform::IsReservedFileName(n)) << n;
}

TEST(Files, LongPathsAndBothSeparators) {
  TempDir dir;
  // Past the 260 characters of the plain Windows form.
  std::string deep = dir.Path();
  for (int i = 0; deep.size() < 400; ++i) deep += "/a-fairly-long-directory-name-" + std::to_string(i);
  ASSERT_TRUE(platform::ForceDirectories(deep));
  EXPECT_TRUE(platform::DirectoryExists(deep));
  const std::string file = deep + "/" + "开始游戏.exe"_cp936;
  ASSERT_TRUE(platform::ReplaceFileContent(file, std::string("program")));
  EXPECT_TRUE(platform::FileExists(file));
  platform::FileHandle h = platform::OpenFile(platform::ToOsPath(file), platform::FileAccess::Read,
                                              platform::FileCreation::OpenExisting);
  ASSERT_NE(h, platform::kNoFile);
  char buffer[16] = {};
  EXPECT_EQ(platform::ReadFromFile(h, buffer, sizeof buffer), 7);
  platform::CloseFile(h);
  EXPECT_TRUE(platform::DeleteFile(file));
  EXPECT_FALSE(platform::FileExists(file));
  if (platform::kBackslashSeparates) {
    std::string mixed = dir.Path() + "\\mixed/sub\\leaf";
    ASSERT_TRUE(platform::ForceDirectories(mixed));
    EXPECT_TRUE(platform::DirectoryExists(dir / "mixed/sub/leaf"));
  }
}

TEST(Files, OpeningADirectoryAsAFileSaysWhy) {
  TempDir dir;
  errno = 0;
  EXPECT_EQ(platform::OpenFile(dir.Path(), platform::FileAccess::Read, platform::FileCreation::OpenExisting),
            platform::kNoFile);
  EXPECT_EQ(errno, EISDIR);
  errno = 0;
  EXPECT_EQ(platform::OpenFile(dir / "missing", platform::FileAccess::Read, platform::FileCreation::OpenExisting),
            platform::kNoFile);
  EXPECT_EQ(errno, ENOENT);
  WriteFile(dir / "there", "x");
  errno = 0;
  EXPECT_EQ(platform::OpenFile(dir / "there", platform::FileAccess::Write, platform::FileCreation::CreateNew),
            platform::kNoFile);
  EXPECT_EQ(errno, EEXIST);
}

}  // namespace
