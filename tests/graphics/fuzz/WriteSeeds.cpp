// Seeds for the picture entries that have no sample files: Windows bitmaps
// of every bit count (run lengths too), icons, JPEGs and the stored "Data"
// form, all small and made here. Run as "fuzz_seeds_graphics DIR".
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/Bitmap32.h"
#include "graphics/Picture.h"

// After the project's headers, as in the library (its TRUE/FALSE macros).
#include <jpeglib.h>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Le16(Bytes& v, unsigned x) { v.push_back(x & 0xFF), v.push_back((x >> 8) & 0xFF); }
void Le32(Bytes& v, std::uint32_t x) { Le16(v, x & 0xFFFF), Le16(v, x >> 16); }

void WriteFile(const fs::path& p, const Bytes& b) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// A BITMAPINFOHEADER, its palette of `colours` entries and the pixel data.
Bytes Dib(int w, int h, int bpp, std::uint32_t compression, int colours, const Bytes& pixels) {
  Bytes d;
  Le32(d, 40), Le32(d, static_cast<std::uint32_t>(w)), Le32(d, static_cast<std::uint32_t>(h));
  Le16(d, 1), Le16(d, static_cast<unsigned>(bpp)), Le32(d, compression), Le32(d, static_cast<std::uint32_t>(pixels.size()));
  Le32(d, 0), Le32(d, 0), Le32(d, static_cast<std::uint32_t>(colours)), Le32(d, 0);
  for (int i = 0; i < colours; ++i) d.insert(d.end(), {std::uint8_t(i * 37), std::uint8_t(i * 91), std::uint8_t(255 - i * 13), 0});
  if (compression == 3) Le32(d, 0xF800), Le32(d, 0x07E0), Le32(d, 0x001F);
  d.insert(d.end(), pixels.begin(), pixels.end());
  return d;
}

Bytes BitmapFile(const Bytes& dib, int colours, bool masks) {
  Bytes f = {'B', 'M'};
  const std::uint32_t off = 14 + 40 + static_cast<std::uint32_t>(colours) * 4 + (masks ? 12 : 0);
  Le32(f, 14 + static_cast<std::uint32_t>(dib.size())), Le32(f, 0), Le32(f, off);
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

// Rows of w pixels of bpp bits, each padded to four bytes, with a pattern.
Bytes Rows(int w, int h, int bpp) {
  const int stride = ((w * bpp + 31) / 32) * 4;
  Bytes p(static_cast<std::size_t>(stride) * h);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<std::uint8_t>(i * 29 + 7);
  return p;
}

void Bitmaps(const fs::path& out) {
  for (int bpp : {1, 4, 8, 24, 32}) {
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    WriteFile(out / ("rgb" + std::to_string(bpp) + ".bmp"), BitmapFile(Dib(5, 3, bpp, 0, colours, Rows(5, 3, bpp)), colours, false));
    WriteFile(out / ("topdown" + std::to_string(bpp) + ".bmp"),
              BitmapFile(Dib(3, -2, bpp, 0, colours, Rows(3, 2, bpp)), colours, false));
  }
  WriteFile(out / "fields16.bmp", BitmapFile(Dib(4, 2, 16, 3, 0, Rows(4, 2, 16)), 0, true));
  // Runs, literal runs, a line end, a jump and the end, for 8 and 4 bits.
  const Bytes rle8 = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 1, 1, 2, 5, 0, 0, 0, 1};
  const Bytes rle4 = {4, 0x12, 0, 4, 0x34, 0x56, 0, 0, 0, 2, 1, 0, 3, 0x78, 0, 1};
  WriteFile(out / "rle8.bmp", BitmapFile(Dib(6, 3, 8, 1, 8, rle8), 8, false));
  WriteFile(out / "rle4.bmp", BitmapFile(Dib(6, 3, 4, 2, 16, rle4), 16, false));
}

// An icon directory of the given images (width, height, image bytes).
Bytes Icon(const std::vector<std::pair<int, Bytes>>& images) {
  Bytes f;
  Le16(f, 0), Le16(f, 1), Le16(f, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (const auto& [size, data] : images) {
    f.push_back(static_cast<std::uint8_t>(size)), f.push_back(static_cast<std::uint8_t>(size)), f.push_back(0), f.push_back(0);
    Le16(f, 1), Le16(f, 32), Le32(f, static_cast<std::uint32_t>(data.size())), Le32(f, offset);
    offset += static_cast<std::uint32_t>(data.size());
  }
  for (const auto& image : images) f.insert(f.end(), image.second.begin(), image.second.end());
  return f;
}

Bytes PngOf(int w, int h) {
  std::vector<TColor32> pixels(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<TColor32>(0x80000000u | (i * 0x10305u));
  TMemoryStream s;
  TPngImage::SavePixels(s, pixels.data(), w, h);
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

void Icons(const fs::path& out) {
  // Icon bitmaps are twice their height: the colours, then the 1-bit mask.
  auto iconDib = [](int size, int bpp) {
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    Bytes pixels = Rows(size, size, bpp), mask = Rows(size, size, 1);
    pixels.insert(pixels.end(), mask.begin(), mask.end());
    return Dib(size, size * 2, bpp, 0, colours, pixels);
  };
  WriteFile(out / "icon32.ico", Icon({{4, iconDib(4, 32)}}));
  WriteFile(out / "icon8and4.ico", Icon({{3, iconDib(3, 8)}, {4, iconDib(4, 4)}}));
  WriteFile(out / "iconpng.ico", Icon({{2, iconDib(2, 1)}, {5, PngOf(5, 5)}}));
}

Bytes Jpeg(int w, int h, int components, bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&c, &mem, &memSize);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 80, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  Bytes row(static_cast<std::size_t>(w) * components);
  while (c.next_scanline < c.image_height) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * 11 + c.next_scanline * 23);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes b(mem, mem + memSize);
  std::free(mem);
  return b;
}

void Jpegs(const fs::path& out) {
  WriteFile(out / "rgb.jpg", Jpeg(16, 8, 3, false));
  WriteFile(out / "grey.jpg", Jpeg(9, 7, 1, false));
  WriteFile(out / "progressive.jpg", Jpeg(17, 9, 3, true));
}

void StoredData(const fs::path& out) {
  for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {3, 2}}) {
    TBitmap32 b;
    b.Resize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.PixelAt(x, y) = static_cast<TColor32>(0xFF000000u | (x * 0x4050u + y * 0x30u));
    TMemoryStream s;
    b.WriteData(s);
    const auto* p = static_cast<const std::uint8_t*>(s.Memory());
    WriteFile(out / ("data" + std::to_string(w) + "x" + std::to_string(h)), Bytes(p, p + s.Size()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  Bitmaps(out / "bmp");
  Icons(out / "icon");
  Jpegs(out / "jpeg");
  StoredData(out / "bitmap_data");
  WriteFile(out / "png" / "made.png", PngOf(7, 3));
  return 0;
}
