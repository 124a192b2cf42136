#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/headless/HeadlessDisplay.h"

namespace platform {

bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height, int stride) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* src = pixels + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      row[x * 4 + 0] = (src[x] >> 16) & 0xFF;
      row[x * 4 + 1] = (src[x] >> 8) & 0xFF;
      row[x * 4 + 2] = src[x] & 0xFF;
      row[x * 4 + 3] = (src[x] >> 24) & 0xFF;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace platform
