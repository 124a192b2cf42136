#include "platform/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/FileHandle.h"

namespace platform {
namespace {

struct MemoryReader {
  const std::uint8_t* data;
  size_t size, pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > r->size - r->pos) png_error(png, "the data ends early");
  std::memcpy(out, r->data + r->pos, count);
  r->pos += count;
}

void AppendToVector(png_structp png, png_bytep data, png_size_t count) {
  auto* v = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  v->insert(v->end(), data, data + count);
}
void NoFlush(png_structp) {}

// Errors leave through the library's long jump; the message is kept for the caller.
void OnError(png_structp png, png_const_charp msg) {
  if (auto* err = static_cast<std::string*>(png_get_error_ptr(png))) *err = msg;
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

}  // namespace

// Kept free of objects with destructors between setjmp and the long jump.
bool DecodePng(const std::uint8_t* data, size_t size, std::vector<std::uint32_t>& argb, int& width, int& height,
               std::string* error, PngInfo* info, long long maxPixels) {
  std::string why;
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    if (error) *error = "not a PNG file";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &why, OnError, OnWarning);
  if (!png) return false;
  png_infop pi = png_create_info_struct(png);
  png_bytep* volatile rows = nullptr;
  MemoryReader reader{data, size, 0};
  if (!pi || setjmp(png_jmpbuf(png))) {
    delete[] rows;
    png_destroy_read_struct(&png, &pi, nullptr);
    if (error) *error = why.empty() ? "damaged PNG file" : why;
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(png, pi);
  png_uint_32 w = png_get_image_width(png, pi), h = png_get_image_height(png, pi);
  if (info) {
    info->colorType = png_get_color_type(png, pi);
    info->hasTransparency = png_get_valid(png, pi, PNG_INFO_tRNS) != 0;
    png_bytep alphas = nullptr;
    int count = 0;
    if (info->hasTransparency && info->colorType == PNG_COLOR_TYPE_PALETTE &&
        png_get_tRNS(png, pi, &alphas, &count, nullptr) && alphas)
      for (int i = 0; i < count; ++i) info->partialPaletteAlpha |= alphas[i] != 0 && alphas[i] != 255;
  }
  if (w == 0 || h == 0 || static_cast<long long>(w) * h > maxPixels) png_error(png, "the picture is too large");
  // Every kind becomes 8-bit blue, green, red, alpha: one $AARRGGBB word a pixel.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, pi);
  if (png_get_rowbytes(png, pi) != static_cast<size_t>(w) * 4) png_error(png, "unexpected row layout");
  argb.resize(static_cast<size_t>(w) * h);
  rows = new png_bytep[h];
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = reinterpret_cast<png_bytep>(argb.data() + static_cast<size_t>(y) * w);
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  delete[] rows;
  png_destroy_read_struct(&png, &pi, nullptr);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

bool EncodePng(const std::uint32_t* pixels, int width, int height, int stride, std::vector<std::uint8_t>& out) {
  if (!pixels || width <= 0 || height <= 0) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, AppendToVector, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  for (int y = 0; y < height; ++y)
    png_write_row(png, reinterpret_cast<png_const_bytep>(pixels + static_cast<size_t>(y) * stride));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height, int stride) {
  std::vector<std::uint8_t> bytes;
  if (!EncodePng(pixels, width, height, stride, bytes)) return false;
  FileHandle file = OpenFile(path, FileAccess::Write, FileCreation::CreateAlways);
  if (file == kNoFile) return false;
  const bool ok = WriteAllToFile(file, bytes.data(), bytes.size());
  CloseFile(file);
  return ok;
}

}  // namespace platform
