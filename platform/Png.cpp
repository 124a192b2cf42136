#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Png.h"

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

namespace {
struct Reader {
  const std::uint8_t* data;
  size_t size, pos;
};
void ReadFn(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (n > r->size - r->pos) png_error(png, "unexpected end of data");
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
}
void ErrorFn(png_structp png, png_const_charp msg) {
  auto* err = static_cast<std::string*>(png_get_error_ptr(png));
  if (err) *err = msg;
  png_longjmp(png, 1);
}
void WarnFn(png_structp, png_const_charp) {}
}  // namespace

bool DecodePng(const std::uint8_t* data, size_t size, std::vector<std::uint32_t>& argb, int& width, int& height,
               std::string* error) {
  std::string err;
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    if (error) *error = "not a PNG file";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, ErrorFn, WarnFn);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  Reader rd{data, size, 0};
  std::vector<png_bytep> rows;
  std::vector<std::uint8_t> rgba;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    if (error) *error = err.empty() ? "damaged PNG file" : err;
    return false;
  }
  png_set_read_fn(png, &rd, ReadFn);
  png_set_user_limits(png, 16384, 16384);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  rgba.resize(static_cast<size_t>(w) * h * 4);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = rgba.data() + static_cast<size_t>(y) * w * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  argb.resize(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < argb.size(); ++i) {
    const std::uint8_t* p = &rgba[i * 4];
    argb[i] = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
  }
  return true;
}

}  // namespace platform
