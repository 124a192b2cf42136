#pragma once
// Helpers of the skin tests: sample files, scratch directories, and the
// blend rule that frame cutting follows.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/Bitmap32.h"
#include "tests/support/ScratchDirectory.h"

inline std::string SkinTestData(const std::string& name) { return std::string(QUELBO_TEST_DATA) + "/" + name; }

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh temporary directory, removed with its content.
class ScratchDir {
 public:
  ScratchDir() : path_(NewScratchDirectory("quelbo-skin-")) {}
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A frame pixel after n transformation passes of source pixel F onto a pixel
// that starts transparent: each pass is BlendOverWeightedInPlace with master
// alpha 255, so W = ((255 + 1) x FA) >> 8 = FA and every channel becomes
// (F.c x W + B.c x (256 - W) + 128) >> 8; FA = 0 leaves the pixel.
inline TColor32 FramePixel(TColor32 F, int passes = 8) {
  const unsigned W = F >> 24;
  TColor32 B = 0;
  if (W == 0) return B;
  for (int i = 0; i < passes; ++i) {
    TColor32 out = 0;
    for (int s = 0; s < 32; s += 8) {
      unsigned f = (F >> s) & 0xFF, b = (B >> s) & 0xFF;
      out |= ((f * W + b * (256 - W) + 128) >> 8) << s;
    }
    B = out;
  }
  return B;
}
