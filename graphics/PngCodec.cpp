// PNG pictures through libpng: every colour type read as 8-bit BGRA with
// the stored values as they stand (no gamma conversion).
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "graphics/Backends.h"
#include "graphics/Picture.h"

namespace {

struct TMemoryReader {
  const unsigned char* data;
  size_t size, pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* r = static_cast<TMemoryReader*>(png_get_io_ptr(png));
  if (count > r->size - r->pos) png_error(png, "truncated");
  std::memcpy(out, r->data + r->pos, count);
  r->pos += count;
}

void WriteToStream(png_structp png, png_bytep data, png_size_t count) {
  auto* s = static_cast<TStream*>(png_get_io_ptr(png));
  if (s->Write(data, static_cast<std::int64_t>(count)) != static_cast<std::int64_t>(count)) png_error(png, "write");
}
void FlushStream(png_structp) {}

// Errors leave through the library's long jump without printing; the caller
// reports them as an invalid picture.
void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

struct TDecoded {
  png_uint_32 width = 0, height = 0;
  int colorType = 0;
  bool hasTrns = false;
};

// Kept free of C++ objects with destructors: libpng leaves by longjmp.
bool Decode(const TMemoryReader& src, TDecoded& out, std::vector<TColor32>& px) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  png_bytep* volatile rows = nullptr;
  TMemoryReader reader = src;
  if (!info || setjmp(png_jmpbuf(png))) {
    delete[] rows;
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(png, info);
  out.width = png_get_image_width(png, info);
  out.height = png_get_image_height(png, info);
  out.colorType = png_get_color_type(png, info);
  out.hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (out.width == 0 || out.height == 0 ||
      static_cast<long long>(out.width) * out.height > MaxSurfacePixels)
    png_error(png, "size");
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(out.width) * 4) png_error(png, "layout");
  px.resize(static_cast<size_t>(out.width) * out.height);
  rows = new png_bytep[out.height];
  for (png_uint_32 y = 0; y < out.height; ++y) rows[y] = reinterpret_cast<png_bytep>(px.data() + size_t(y) * out.width);
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  delete[] rows;
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool Encode(TStream& s, const TColor32* bits, int w, int h, std::vector<png_byte>& row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &s, WriteToStream, FlushStream);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  for (int y = 0; y < h; ++y) {
    std::memcpy(row.data(), bits + static_cast<size_t>(y) * w, static_cast<size_t>(w) * 4);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void TPngImage::LoadFromStream(TStream& S) {
  std::vector<unsigned char> data = ReadRestOfStream(S, MaxEncodedPictureSize);
  TDecoded d;
  std::vector<TColor32> px;
  if (!Decode({data.data(), data.size(), 0}, d, px)) throw EInvalidGraphic("PNG image is not valid");
  colorType_ = d.colorType;
  hasTrns_ = d.hasTrns;
  int bpp = d.colorType == 6 ? 32 : d.colorType == 2 ? 24 : d.colorType == 4 ? 16 : 8;
  SetImage({static_cast<int>(d.width), static_cast<int>(d.height), bpp, std::move(px)});
}

void TPngImage::SavePixels(TStream& S, const TColor32* Bits, int W, int H) {
  if (W <= 0 || H <= 0 || !Bits) throw EInvalidGraphic("PNG image is empty");
  std::vector<png_byte> row(static_cast<size_t>(W) * 4);
  if (!Encode(S, Bits, W, H, row)) throw EWriteError("Stream write error");
}
