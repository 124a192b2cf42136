// JPEG pictures through libjpeg-turbo, decoded straight into BGRA pixels.
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include "graphics/Backends.h"
#include "graphics/Picture.h"

// After the project's headers: the library's TRUE and FALSE macros would
// otherwise collide with the framework's constants.
#include <jpeglib.h>

namespace {

struct TJpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
  std::longjmp(err->jump, 1);
}
void OnJpegMessage(j_common_ptr) {}

// Kept free of C++ objects with destructors: errors leave by longjmp.
bool Decode(const unsigned char* data, size_t size, std::vector<TColor32>& px, int& w, int& h) {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.output_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  w = static_cast<int>(cinfo.output_width);
  h = static_cast<int>(cinfo.output_height);
  if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > MaxSurfacePixels || cinfo.output_components != 4) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  px.resize(static_cast<size_t>(w) * h);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(px.data() + static_cast<size_t>(cinfo.output_scanline) * w);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

void TJPEGImage::LoadFromStream(TStream& S) {
  std::vector<unsigned char> data = ReadRestOfStream(S, MaxEncodedPictureSize);
  std::vector<TColor32> px;
  int w = 0, h = 0;
  if (data.empty() || !Decode(data.data(), data.size(), px, w, h)) throw EInvalidGraphic("JPEG image is not valid");
  SetImage({w, h, 24, std::move(px)});
}
