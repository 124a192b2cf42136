#pragma once
// PNG files to and from $AARRGGBB pixels (not premultiplied).
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height, int stride);
// Decodes any PNG to 8-bit RGBA; false with a reason for a damaged file.
bool DecodePng(const std::uint8_t* data, size_t size, std::vector<std::uint32_t>& argb, int& width, int& height,
               std::string* error = nullptr);

}  // namespace platform
