// File masks and target directories, as tables.
#include <gtest/gtest.h>

#include "zip/FileMask.h"
#include "zip/ZipTargetPath.h"

namespace {

TEST(FileMask, Table) {
  struct Case {
    const char* mask;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*", "anything\\at\\all", true},
      {"*.txt", "dir\\readme.TXT", true},
      {"*.txt", "readme.txt.bak", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"<a-c>1", "b1", true},
      {"<a-c>1", "d1", false},
      {"<!a-c>1", "d1", true},
      {"<^xyz>*", "x.dat", false},
      {"dir\\*\\*.dll", "dir\\sub\\a.dll", true},
      {"*a*b*c", "xxaxxbxxbxc", true},
      {"a<b", "a<b", true},  // an unterminated set stands for itself
      {"", "", true},
      {"", "x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(zip::MatchesMask(c.mask, c.name), c.match) << c.mask << " ~ " << c.name;
}

TEST(TargetDirectory, Table) {
  struct Case {
    const char* dest;
    const char* stored;
    bool recreate;
    const char* root;
    const char* path;
    bool safe;
  };
  const Case cases[] = {
      {"/d", "a\\b\\", true, "", "/d/a/b/", true},
      {"/d", "a\\b\\", false, "", "/d/", true},
      {"/d", "", true, "", "/d/", true},
      {"/d", "\\x\\", true, "", "/d/x/", true},
      {"/d", "C:\\x\\", true, "", "/d/x/", true},
      {"/d", "C:x\\", true, "", "/d/x/", false},
      {"/d", "\\\\server\\share\\", true, "", "/d/server/share/", false},
      {"/d", "a\\CON\\", true, "", "/d/a/CON/", false},
      {"/d", "a.\\", true, "", "/d/a./", false},
      {"/d", "ab:c\\", true, "", "/d/ab:c/", false},
      {"/d", "TOP\\x\\", true, "top\\", "/d/x/", true},
      {"/d", "..\\", true, "", "/d/../", false},
      {"/d", "a\\..\\..\\", true, "", "/d/a/../../", false},
      {"", "\\abs\\", true, "", "abs/", false},
      {"", "C:\\abs\\", true, "", "abs/", false},
      {"", "rel\\", true, "", "rel/", true},
  };
  for (const Case& c : cases) {
    std::vector<AnsiString> roots;
    if (*c.root) roots.push_back(c.root);
    zip::TargetDirectory t = zip::ComputeTargetDirectory(c.dest, c.stored, c.recreate, roots);
    EXPECT_EQ(t.path, c.path) << c.stored;
    EXPECT_EQ(t.safe, c.safe) << c.stored;
  }
}

}  // namespace
