#include "graphics/PictureSize.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "graphics/BmpFormat.h"

// After the project's headers: the library's TRUE and FALSE macros would
// otherwise collide with the framework's constants.
#include <jpeglib.h>

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t GetBE32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// The header chunk comes first in every PNG file the decoder accepts.
std::optional<TPictureSize> PngSize(const unsigned char* d, std::size_t n) {
  if (n < 24 || std::memcmp(d, kPngSignature, 8) != 0 || std::memcmp(d + 12, "IHDR", 4) != 0) return std::nullopt;
  return TPictureSize{GetBE32(d + 16), GetBE32(d + 20)};
}

// The info header of a device-independent bitmap; an icon's bitmap states
// the height of its colour image and mask together.
std::optional<TPictureSize> DibSize(const unsigned char* p, std::size_t n, bool iconHeight) {
  if (n < 4) return std::nullopt;
  const std::uint32_t headerSize = GetLE32(p);
  long long w = 0, h = 0;
  if (headerSize == BitmapCoreHeaderSize && n >= BitmapCoreHeaderSize) {
    w = GetLE16(p + 4);
    h = static_cast<std::int16_t>(GetLE16(p + 6));
  } else if (headerSize >= BitmapInfoHeaderSize && n >= BitmapInfoHeaderSize) {
    w = static_cast<std::int32_t>(GetLE32(p + 4));
    h = static_cast<std::int32_t>(GetLE32(p + 8));
  } else {
    return std::nullopt;
  }
  if (h < 0) h = -h;
  if (iconHeight) h /= 2;
  return TPictureSize{w, h};
}

std::optional<TPictureSize> BitmapFileSize(const unsigned char* d, std::size_t n) {
  if (n < BitmapFileHeaderSize || GetLE16(d) != BitmapFileSignature) return std::nullopt;
  return DibSize(d + BitmapFileHeaderSize, n - BitmapFileHeaderSize, false);
}

// Every image the directory lists within the file, as the reader may pick any.
std::optional<TPictureSize> IconSize(const unsigned char* d, std::size_t n) {
  constexpr std::size_t kHeader = 6, kEntry = 16;
  if (n < kHeader || GetLE16(d) != 0 || GetLE16(d + 2) != 1) return std::nullopt;
  const std::size_t count = GetLE16(d + 4);
  if (count == 0 || count > (n - kHeader) / kEntry) return std::nullopt;
  std::optional<TPictureSize> largest;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* e = d + kHeader + i * kEntry;
    const std::uint32_t size = GetLE32(e + 8), offset = GetLE32(e + 12);
    if (offset > n || size > n - offset || size == 0) continue;
    std::optional<TPictureSize> s = PngSize(d + offset, size);
    if (!s) s = DibSize(d + offset, size, true);
    if (s && (!largest || s->Pixels() > largest->Pixels())) largest = s;
  }
  return largest;
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void OnJpegMessage(j_common_ptr) {}

// Kept free of C++ objects with destructors: errors leave by longjmp.
bool ReadJpegHeader(const unsigned char* d, std::size_t n, long long& w, long long& h) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.output_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, d, static_cast<unsigned long>(n));
  const bool read = jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK;
  w = cinfo.image_width;
  h = cinfo.image_height;
  jpeg_destroy_decompress(&cinfo);
  return read;
}

std::optional<TPictureSize> JpegSize(const unsigned char* d, std::size_t n) {
  long long w = 0, h = 0;
  if (n < 3 || d[0] != 0xFF || d[1] != 0xD8 || d[2] != 0xFF || !ReadJpegHeader(d, n, w, h)) return std::nullopt;
  return TPictureSize{w, h};
}

}  // namespace

std::optional<TPictureSize> DeclaredPictureSize(const unsigned char* Data, std::size_t Size) {
  if (!Data) return std::nullopt;
  if (std::optional<TPictureSize> s = PngSize(Data, Size)) return s;
  if (std::optional<TPictureSize> s = JpegSize(Data, Size)) return s;
  if (std::optional<TPictureSize> s = BitmapFileSize(Data, Size)) return s;
  return IconSize(Data, Size);
}
