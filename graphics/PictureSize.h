#pragma once
// The size a picture file declares ahead of its pixels: what the readers of
// Picture.h allocate for it, found without decoding it, so that a caller can
// refuse a picture too large for its purpose before any pixel is made.
#include <cstddef>
#include <optional>

struct TPictureSize {
  long long Width = 0, Height = 0;
  long long Pixels() const { return Width * Height; }
};

// PNG (its header chunk), JPEG (its frame header, through libjpeg), Windows
// bitmap (its info header) and icon (the largest of the images it holds, by
// their own headers, which the reader trusts over its directory); nullopt
// for anything else, or for a header that cannot be read.
std::optional<TPictureSize> DeclaredPictureSize(const unsigned char* Data, std::size_t Size);
