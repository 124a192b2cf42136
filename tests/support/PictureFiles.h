#pragma once
// Picture files for tests, made with zlib alone (no picture code of ours).
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace testsupport {

// A PNG file of w x h black grey pixels: a few kilobytes even for a picture
// of many millions of pixels, which decodes to four bytes a pixel.
inline std::vector<unsigned char> BlackPng(std::uint32_t w, std::uint32_t h) {
  std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto be32 = [](std::vector<unsigned char>& v, std::uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<unsigned char>(x >> s));
  };
  auto chunk = [&](const char* type, const std::vector<unsigned char>& data) {
    be32(file, static_cast<std::uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    be32(file, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
  };
  std::vector<unsigned char> header;
  be32(header, w), be32(header, h);
  header.insert(header.end(), {8, 0, 0, 0, 0});  // 8-bit grey, no interlace
  chunk("IHDR", header);
  // Row by row, each a filter byte and w black pixels, all zero.
  const std::vector<unsigned char> row(static_cast<std::size_t>(w) + 1, 0);
  std::vector<unsigned char> packed;
  std::vector<unsigned char> out(1 << 16);
  z_stream z{};
  deflateInit(&z, 9);
  for (std::uint32_t y = 0; y <= h; ++y) {
    z.next_in = const_cast<unsigned char*>(row.data());
    z.avail_in = y < h ? static_cast<uInt>(row.size()) : 0;
    const int flush = y < h ? Z_NO_FLUSH : Z_FINISH;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, flush);
      packed.insert(packed.end(), out.data(), z.next_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  chunk("IDAT", packed);
  chunk("IEND", {});
  return file;
}

}  // namespace testsupport
