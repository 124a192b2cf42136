// The name lookup: blank and padded names, letter case, files before
// built-in images, relative names in the program's directory, the cache;
// damaged and oversized files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "skin/MlSkinPng.h"
#include "skin/MlSkinResDM.h"
#include "skin/MlSkinResManager.h"
#include "tests/support/PictureFiles.h"
#include "SkinTestSupport.h"

namespace {

// A small 32-bit bitmap file whose first pixel tells it apart.
void WriteBitmapFile(const std::string& path, int w, int h, TColor32 first) {
  TBitmap32 b;
  b.Resize(w, h);
  b.Clear(0xFF102030);
  b.PixelAt(0, 0) = first;
  b.SaveToFile(path);
}

TBitmap32* BuiltInBitmap(const char* name) {
  int i = GetSkinResManager()->FindBuiltInIndex(name);
  return i < 0 ? nullptr : MlSkinResDM->MlSkinImageListMain->Bitmaps()->Items(i)->Bitmap();
}

// Removes a file of the program's directory when the test ends.
struct ProgramDirFile {
  explicit ProgramDirFile(const std::string& name) : path(SkinFilePath(name)) { std::remove(path.c_str()); }
  ~ProgramDirFile() { std::remove(path.c_str()); }
  std::string path;
};

}  // namespace

TEST(SkinLookup, NamesResolveByTheLookupRules) {
  // Only this test plants "MlSkinKeyboard" beside the test program.
  ProgramDirFile planted("MlSkinKeyboard");
  WriteBitmapFile(planted.path, 5, 4, 0xFFABCDEF);
  ScratchDir dir;
  const std::string absolute = dir / "MlSkinBar_cur";
  WriteBitmapFile(absolute, 3, 3, 0xFF010203);

  const int loadedBefore = GetSkinResManager()->LoadedList()->Bitmaps()->Count();
  TBitmap32* barCur = BuiltInBitmap("MlSkinBar_cur");
  ASSERT_NE(barCur, nullptr);
  enum Source { None, BuiltIn, File };
  struct Case {
    std::string name;
    Source source;
    int width;  // of the file's bitmap
  } cases[] = {
      {"", None, 0},
      {"   ", None, 0},
      {"\t\r\n", None, 0},
      {"MlSkinBar_cur", BuiltIn, 0},
      {"mlskinbar_CUR ", BuiltIn, 0},
      {" \tMLSKINBAR_CUR\x1F", BuiltIn, 0},
      {"MlSkinBar_cur_", None, 0},
      {"MlSkinNoSuchImage", None, 0},
      {"MlSkinKeyboard", File, 5},         // a file beside the program wins
      {absolute, File, 3},                 // an absolute path is taken as it is
      {dir / "missing.png", None, 0},
      {dir / "MlSkinBar_base", None, 0},   // a missing file: only a built-in name falls back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("name \"" + c.name + "\"");
    TBitmap32* b = GetSkinBitmap(c.name);
    switch (c.source) {
      case None: EXPECT_EQ(b, nullptr); break;
      case BuiltIn: EXPECT_EQ(b, barCur); break;
      case File:
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Width(), c.width);
        EXPECT_NE(GetSkinResManager()->FindLoadedIndex(c.name), -1);
        break;
    }
  }
  TBitmap32* keyboard = GetSkinBitmap("MlSkinKeyboard");
  EXPECT_EQ(keyboard->PixelAt(0, 0), 0xFFABCDEFu);
  EXPECT_NE(keyboard, BuiltInBitmap("MlSkinKeyboard"));
  // The built-in list is never changed by the lookup.
  EXPECT_EQ(MlSkinResDM->MlSkinImageListMain->Bitmaps()->Count(), 79);
  EXPECT_EQ(GetSkinResManager()->LoadedList()->Bitmaps()->Count(), loadedBefore + 2);
}

TEST(SkinLookup, RelativeNamesAreNotTakenFromTheCurrentDirectory) {
  ScratchDir dir;
  WriteBitmapFile(dir / "MlSkinBar_base", 2, 2, 0xFF00FF00);
  const int loadedBefore = GetSkinResManager()->LoadedList()->Bitmaps()->Count();
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.Path().c_str()), 0);
  TBitmap32* b = GetSkinBitmap("MlSkinBar_base");
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(b, BuiltInBitmap("MlSkinBar_base"));
  EXPECT_EQ(GetSkinResManager()->LoadedList()->Bitmaps()->Count(), loadedBefore);
}

TEST(SkinLookup, ALoadedFileIsReadOnceAndNeverReloaded) {
  ScratchDir dir;
  const std::string path = dir / "Picture.png";
  TBitmap32 source;
  source.Resize(4, 2);
  source.Clear(0x80FF0000);
  std::unique_ptr<TPngImage> png = BitmapToPng(&source);
  ASSERT_NE(png, nullptr);
  {
    TFileStream f(path, fmCreate);
    png->SaveToStream(f);
  }
  const int loadedBefore = GetSkinResManager()->LoadedList()->Bitmaps()->Count();
  TBitmap32* first = GetSkinBitmap(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->DrawMode(), dmBlend);
  EXPECT_EQ(first->PixelAt(3, 1), 0x80FF0000u);

  // A changed file is not read again; the same path in other letter case
  // and with padding finds the kept bitmap.
  WriteBitmapFile(path, 9, 9, 0xFF000000);
  EXPECT_EQ(GetSkinBitmap(path), first);
  EXPECT_EQ(GetSkinResManager()->LoadSkinFile(dir / "PICTURE.PNG"), first);
  EXPECT_EQ(GetSkinResManager()->LoadSkinFile(" " + path + " "), first);
  EXPECT_EQ(first->Width(), 4);
  ASSERT_EQ(GetSkinResManager()->LoadedList()->Bitmaps()->Count(), loadedBefore + 1);
  const TMlSkinBitmapItem* item = GetSkinResManager()->LoadedList()->Bitmaps()->Items(loadedBefore);
  EXPECT_EQ(item->ResID(), path);
  EXPECT_EQ(item->Description(), "");
}

TEST(SkinLookup, ADirectoryOfTheNameIsNoFile) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "Folder.png");
  EXPECT_EQ(GetSkinBitmap(dir / "Folder.png"), nullptr);
}

// A file that cannot be read never stops the caller: a skin image name finds
// its built-in image instead, a plain path finds nothing, and the file is
// not tried again. Planted under the names the updater's window uses.
TEST(SkinLookup, DamagedFilesGiveWayToTheBuiltInImages) {
  ScratchDir dir;
  WriteBitmapFile(dir / "whole.bmp", 40, 30, 0xFF112233);
  const std::vector<unsigned char> bitmap = ReadBytes(dir / "whole.bmp");
  const std::vector<unsigned char> png = testsupport::BlackPng(300, 200);
  const std::vector<unsigned char> huge = testsupport::BlackPng(16384, 16384);
  const std::vector<unsigned char> hugeHeader(huge.begin(), huge.begin() + 33);  // the header chunk alone
  const struct {
    const char* name;
    std::vector<unsigned char> bytes;
  } contents[] = {
      {"empty", {}},
      {"junk", std::vector<unsigned char>(5000, 'j')},
      {"PNG cut short", {png.begin(), png.begin() + static_cast<long>(png.size() / 2)}},
      {"bitmap cut short", {bitmap.begin(), bitmap.begin() + static_cast<long>(bitmap.size() / 2)}},
      {"PNG of 16384 x 16384, header only", hugeHeader},
      {"PNG of 16384 x 16384", huge},
  };
  int n = 0;
  for (const auto& c : contents) {
    SCOPED_TRACE(c.name);
    for (const char* extension : {"", ".png"}) {
      const std::string path = dir / ("case" + std::to_string(n++) + extension);
      WriteBytes(path, c.bytes);
      EXPECT_THROW(GetSkinResManager()->LoadSkinFile(path), Exception);
      const std::string again = dir / ("case" + std::to_string(n++) + extension);
      WriteBytes(again, c.bytes);
      EXPECT_NO_THROW(EXPECT_EQ(GetSkinBitmap(again), nullptr));
      EXPECT_NO_THROW(EXPECT_EQ(GetSkinBitmap(again), nullptr));
      EXPECT_EQ(GetSkinResManager()->FindLoadedIndex(again), -1);
    }
  }

  const struct {
    const char* name;
    std::vector<unsigned char> bytes;
  } planted[] = {
      {"MlSkinFlatBtn", std::vector<unsigned char>(64, 'j')},
      {"MlSkinBar_base", huge},
      {"MlSkinBar_cur", {png.begin(), png.begin() + 60}},
  };
  for (const auto& p : planted) {
    SCOPED_TRACE(p.name);
    ProgramDirFile file(p.name);
    WriteBytes(file.path, p.bytes);
    TBitmap32* found = nullptr;
    EXPECT_NO_THROW(found = GetSkinBitmap(p.name));
    EXPECT_EQ(found, BuiltInBitmap(p.name));
    EXPECT_NO_THROW(EXPECT_EQ(GetSkinBitmap(p.name), BuiltInBitmap(p.name)));
  }
}

// Pictures are refused by the size their header declares, before they are
// decoded: up to MaxSkinPicturePixels is used, one row more is not.
TEST(SkinLookup, PicturesLargerThanASkinNeedsAreRefusedUndecoded) {
  ScratchDir dir;
  const std::uint32_t width = 4096, rows = static_cast<std::uint32_t>(MaxSkinPicturePixels / width);
  ASSERT_EQ(static_cast<long long>(width) * rows, MaxSkinPicturePixels);
  for (const char* extension : {"", ".png"}) {
    SCOPED_TRACE(std::string("extension \"") + extension + "\"");
    const std::string fits = dir / (std::string("fits") + extension);
    WriteBytes(fits, testsupport::BlackPng(width, rows));
    TBitmap32* b = GetSkinBitmap(fits);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Width(), static_cast<int>(width));
    EXPECT_EQ(b->Height(), static_cast<int>(rows));

    const std::string over = dir / (std::string("over") + extension);
    WriteBytes(over, testsupport::BlackPng(width, rows + 1));
    std::string why;
    try {
      GetSkinResManager()->LoadSkinFile(over);
    } catch (const EInvalidGraphic& e) {
      why = e.Message();
    }
    EXPECT_NE(why.find("4096 x 2049 pixels is too large"), std::string::npos) << why;
    EXPECT_EQ(GetSkinBitmap(over), nullptr);
  }
  // A file larger than any picture within the cap is not read at all.
  const std::string bulky = dir / "bulky.bmp";
  std::filesystem::copy_file(dir / "fits", bulky);
  std::filesystem::resize_file(bulky, static_cast<std::uintmax_t>(MaxSkinFileBytes) + 1);
  EXPECT_THROW(GetSkinResManager()->LoadSkinFile(bulky), EInvalidGraphic);
}

// A name in other letter case than the file on disk finds the file, as the
// platform the program is made for finds it: beside the program, in a
// folder, by absolute path, and before a built-in image of that name.
TEST(SkinLookup, ANameInOtherLetterCaseFindsTheFile) {
  const std::string folder = SkinFilePath("QuelboCaseTest");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  WriteBitmapFile(folder + "/bg.bmp", 6, 2, 0xFF00AA00);
  TBitmap32 logo;
  logo.Resize(5, 5);
  logo.Clear(0x80FF0000);
  {
    std::unique_ptr<TPngImage> png = BitmapToPng(&logo);
    ASSERT_NE(png, nullptr);
    TFileStream f(folder + "/logo.png", fmCreate);
    png->SaveToStream(f);
  }
  ProgramDirFile planted("mlskinsearch_icon");
  WriteBitmapFile(planted.path, 7, 3, 0xFF0000BB);
  ScratchDir dir;
  WriteBitmapFile(dir / "Panel.Bmp", 8, 4, 0xFFCC0000);

  struct Case {
    std::string name;
    int width;  // of the file's bitmap
  } cases[] = {
      {"QuelboCaseTest/BG.BMP", 6},
      {"quelbocasetest/Bg.bmp", 6},
      {"QuelboCaseTest/LOGO.PNG", 5},
      {"MlSkinSearch_icon", 7},  // the file wins over the built-in image
      {dir / "PANEL.BMP", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap32* b = GetSkinBitmap(c.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Width(), c.width);
  }
  EXPECT_EQ(GetSkinBitmap("QuelboCaseTest/BG.BMP"), GetSkinBitmap("quelbocasetest/Bg.bmp")) << "read once";
  EXPECT_EQ(GetSkinBitmap(dir / "NoSuch.bmp"), nullptr);
  std::filesystem::remove_all(folder);
}
