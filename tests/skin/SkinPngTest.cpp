// PNG files as skin images: the transparency classes on PngSuite files,
// broken files reported once and never cached, and the way back to PNG.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "skin/MlSkinPng.h"
#include "skin/MlSkinResManager.h"
#include "SkinTestSupport.h"

namespace {

// The chunks of a PNG file by type (the first of each type).
std::map<std::string, std::vector<unsigned char>> Chunks(const std::vector<unsigned char>& file) {
  std::map<std::string, std::vector<unsigned char>> out;
  for (size_t p = 8; p + 12 <= file.size();) {
    size_t n = size_t(file[p]) << 24 | size_t(file[p + 1]) << 16 | size_t(file[p + 2]) << 8 | file[p + 3];
    std::string type(reinterpret_cast<const char*>(&file[p + 4]), 4);
    out.emplace(type, std::vector<unsigned char>(file.begin() + long(p + 8), file.begin() + long(p + 8 + n)));
    p += 12 + n;
  }
  return out;
}

// The file's pixels as the decoder gives them, to compare colours with.
TPngImage Decoded(const std::string& file) {
  TPngImage png;
  png.LoadFromFile(SkinTestData(file));
  return png;
}

struct Loaded {
  TBitmap32* bitmap;
  bool alphaUsed;
};

Loaded Load(const std::string& file) {
  TMlSkinImage direct;
  bool alphaUsed = false;
  LoadPngFileToSkinImage(&direct, SkinTestData(file), alphaUsed);
  return {GetSkinResManager()->GetSkinBitmap(SkinTestData(file)), alphaUsed};
}

}  // namespace

// For each file: the expected alpha of a pixel, given the decoded colour
// and the file's own alpha sample.
TEST(SkinPng, TransparencyClasses) {
  struct Case {
    const char* file;
    bool alphaUsed;
    std::function<unsigned(TColor32 colour, unsigned fileAlpha)> alpha;
  };
  auto chunks = [](const char* f) { return Chunks(ReadBytes(SkinTestData(f))); };

  // Colour type 2, 8 bits: tRNS holds the transparent colour as three 16-bit samples.
  auto rgbKey = chunks("ps_tbrn2c08.png")["tRNS"];
  const TColor32 keyRgb = MakeColor32(rgbKey[1], rgbKey[3], rgbKey[5]);
  // Colour type 0, 4 bits: the grey sample scaled to 8 bits (x 17).
  auto greyKey = chunks("ps_tbbn0g04.png")["tRNS"];
  const unsigned g = (greyKey[1] & 0x0F) * 17;
  const TColor32 keyGrey = MakeColor32(g, g, g);
  // Palette with entries of alpha 0 or 255 only: entry 0 is the transparent one.
  auto palette = chunks("ps_tbbn3p08.png");
  ASSERT_EQ(palette["tRNS"], std::vector<unsigned char>{0});
  const auto& plte = palette["PLTE"];
  const TColor32 keyPal = MakeColor32(plte[0], plte[1], plte[2]);
  for (size_t i = 3; i < plte.size(); i += 3)
    ASSERT_NE(MakeColor32(plte[i], plte[i + 1], plte[i + 2]), keyPal) << "entry 0's colour must be unique";

  auto opaque = [](TColor32, unsigned) { return 255u; };
  auto keyed = [](TColor32 key) {
    return [key](TColor32 c, unsigned) { return (c | 0xFF000000u) == key ? 0u : 255u; };
  };
  auto fromFile = [](TColor32, unsigned a) { return a; };
  const Case cases[] = {
      {"ps_basn2c08.png", false, opaque},          // colour, no transparency
      {"ps_basn3p08.png", false, opaque},          // palette, no transparency
      {"ps_tbrn2c08.png", true, keyed(keyRgb)},    // colour with a transparent colour
      {"ps_tbbn0g04.png", true, keyed(keyGrey)},   // grey with a transparent grey
      {"ps_tbbn3p08.png", true, keyed(keyPal)},    // palette, alpha 0 or 255 only
      {"ps_tm3n3p02.png", false, opaque},          // palette with partial alpha stays opaque
      {"ps_basn4a08.png", true, fromFile},         // grey with alpha
      {"ps_basn6a08.png", true, fromFile},         // colour with alpha
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TPngImage reference = Decoded(c.file);
    Loaded got = Load(c.file);
    ASSERT_NE(got.bitmap, nullptr);
    EXPECT_EQ(got.alphaUsed, c.alphaUsed);
    EXPECT_EQ(got.bitmap->DrawMode(), c.alphaUsed ? dmBlend : dmOpaque);
    ASSERT_EQ(got.bitmap->Width(), reference.Width());
    ASSERT_EQ(got.bitmap->Height(), reference.Height());
    int transparent = 0;
    for (int i = 0; i < reference.Width() * reference.Height(); ++i) {
      TColor32 want = reference.Pixels()[size_t(i)], have = got.bitmap->Bits()[i];
      ASSERT_EQ(have & 0xFFFFFF, want & 0xFFFFFF) << "pixel " << i;
      ASSERT_EQ(AlphaComponent(have), c.alpha(want, AlphaComponent(want))) << "pixel " << i;
      transparent += AlphaComponent(have) == 0;
    }
    if (c.alpha.target_type() != typeid(opaque)) {
      EXPECT_GT(transparent, 0);
    }
  }
}

TEST(SkinPng, BrokenFilesRaiseTheDecodersErrorOnceAndAreNotCached) {
  struct Case {
    const char* file;
    const char* error;
  } cases[] = {
      {"ps_xs1n0g01.png", "EPNGInvalidFileHeader"}, {"ps_xs2n0g01.png", "EPNGInvalidFileHeader"},
      {"ps_xs4n0g01.png", "EPNGInvalidFileHeader"}, {"ps_xs7n0g01.png", "EPNGInvalidFileHeader"},
      {"ps_xcrn0g04.png", "EPNGInvalidFileHeader"}, {"ps_xlfn0g04.png", "EPNGInvalidFileHeader"},
      {"ps_xhdn0g08.png", "EPNGInvalidCRC"},        {"ps_xcsn0g01.png", "EPNGInvalidCRC"},
      {"ps_xc1n0g08.png", "EPNGError"},             {"ps_xc9n2c08.png", "EPNGError"},
      {"ps_xd0n2c08.png", "EPNGError"},             {"ps_xd3n2c08.png", "EPNGError"},
      {"ps_xd9n2c08.png", "EPNGError"},             {"ps_xdtn0g01.png", "EPNGError"},
  };
  const int loadedBefore = GetSkinResManager()->LoadedList()->Bitmaps()->Count();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = SkinTestData(c.file);
    std::string raised;
    try {
      GetSkinResManager()->LoadSkinFile(path);
    } catch (const EPNGError& e) {
      raised = e.ClassName();
      EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_EQ(raised, c.error);
    // Reported once: the name is now known to have no image.
    EXPECT_NO_THROW(EXPECT_EQ(GetSkinBitmap(path), nullptr));
    EXPECT_EQ(GetSkinResManager()->FindLoadedIndex(path), -1);
  }
  EXPECT_EQ(GetSkinResManager()->LoadedList()->Bitmaps()->Count(), loadedBefore);
}

TEST(SkinPng, AFailedReadLeavesTheTargetUsable) {
  TMlSkinImage target;
  target.Resize(2, 2);
  TMemoryStream junk;
  junk.WriteBuffer("not a PNG file at all", 21);
  junk.SetPosition(0);
  bool alphaUsed = true;
  EXPECT_THROW(LoadPngToSkinImage(&target, junk, alphaUsed), EPNGInvalidFileHeader);
  EXPECT_FALSE(alphaUsed);
  EXPECT_EQ(target.UpdateCount(), 0);
  EXPECT_EQ(target.Width(), 2);
}

TEST(SkinPng, UndecodableFilesOfAnyKindAreReportedOnce) {
  ScratchDir dir;
  const std::string path = dir / "fake.png";
  WriteBytes(path, {'B', 'M', 0, 0});
  EXPECT_THROW(GetSkinResManager()->LoadSkinFile(path), EPNGInvalidFileHeader);
  EXPECT_EQ(GetSkinResManager()->LoadSkinFile(path), nullptr);
  // Other files go through the general reader, with the same single report.
  const std::string other = dir / "garbage";
  WriteBytes(other, {'n', 'o', 'i', 's', 'e'});
  EXPECT_THROW(GetSkinResManager()->LoadSkinFile(other), EInvalidGraphic);
  EXPECT_EQ(GetSkinResManager()->LoadSkinFile(other), nullptr);
  // The lookup raises nothing, not even the first time.
  const std::string fresh = dir / "fresh.png";
  WriteBytes(fresh, {'B', 'M', 0, 0});
  EXPECT_NO_THROW(EXPECT_EQ(GetSkinBitmap(fresh), nullptr));
}

TEST(SkinPng, BitmapToPngKeepsColoursAndAlpha) {
  TBitmap32 b;
  b.Resize(3, 2);
  const TColor32 px[6] = {0x00000000, 0x80FF0000, 0xFF00FF00, 0x400000FF, 0xFFFFFFFF, 0x01020304};
  std::memcpy(b.Bits(), px, sizeof px);
  std::unique_ptr<TPngImage> png = BitmapToPng(&b);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->ColorType(), 6);
  ASSERT_EQ(png->Width(), 3);
  ASSERT_EQ(png->Height(), 2);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(png->Pixels()[size_t(i)], px[i]);
  TBitmap32 empty;
  EXPECT_EQ(BitmapToPng(&empty), nullptr);
  EXPECT_EQ(BitmapToPng(nullptr), nullptr);
}
