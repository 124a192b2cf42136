// The blend operations in plain C++, channel by channel.
#include "graphics/BlendImplementations.h"

namespace {

inline unsigned Channel(TColor32 c, int shift) { return (c >> shift) & 0xFF; }

inline unsigned LerpChannel(unsigned x, unsigned y, unsigned w) {
  return (y * 256 + 128 + (static_cast<int>(x) - static_cast<int>(y)) * static_cast<int>(w)) >> 8;
}

inline TColor32 Lerp(TColor32 x, TColor32 y, unsigned w) {
  TColor32 r = 0;
  for (int shift = 0; shift < 32; shift += 8) r |= LerpChannel(Channel(x, shift), Channel(y, shift), w) << shift;
  return r;
}

inline unsigned Clamp255(int v) { return v < 0 ? 0u : v > 255 ? 255u : static_cast<unsigned>(v); }

}  // namespace

namespace portable_blend {

TColor32 PortableBlendOver(TColor32 F, TColor32 B) { return Lerp(F, B, AlphaComponent(F)); }

void PortableBlendOverInPlace(TColor32 F, TColor32& B) {
  unsigned fa = AlphaComponent(F);
  if (fa == 0) return;
  B = fa == 255 ? F : Lerp(F, B, fa);
}

TColor32 PortableBlendOverWeighted(TColor32 F, TColor32 B, unsigned M) {
  unsigned w = ((M + 1) * AlphaComponent(F)) >> 8;
  return w == 0 ? B : Lerp(F, B, w);
}

void PortableBlendOverWeightedInPlace(TColor32 F, TColor32& B, unsigned M) {
  unsigned w = ((M + 1) * AlphaComponent(F)) >> 8;
  if (w != 0) B = Lerp(F, B, w);
}

// The row blend scales the foreground by its alpha and takes the same share
// out of the background; the alpha channel accumulates coverage.
static inline TColor32 RowOverPixel(TColor32 F, TColor32 B) {
  int fa = static_cast<int>(AlphaComponent(F));
  TColor32 r = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    int fc = static_cast<int>(Channel(F, shift)), bc = static_cast<int>(Channel(B, shift));
    r |= Clamp255(((fc * fa + 128) >> 8) + bc - ((bc * fa + 128) >> 8)) << shift;
  }
  int ba = static_cast<int>(AlphaComponent(B));
  return r | Clamp255(fa + ba - ((ba * fa + 128) >> 8)) << 24;
}

void PortableBlendRowOver(const TColor32* Src, TColor32* Dst, int N) {
  for (int i = 0; i < N; ++i) Dst[i] = RowOverPixel(Src[i], Dst[i]);
}

void PortableBlendRowOverWeighted(const TColor32* Src, TColor32* Dst, int N, unsigned M) {
  for (int i = 0; i < N; ++i) {
    unsigned fa = AlphaComponent(Src[i]);
    if (fa == 0) continue;
    unsigned w = ((fa + 1) * M) >> 8;
    if (w != 0) Dst[i] = Lerp(Src[i], Dst[i], w);
  }
}

TColor32 PortableMixColors(TColor32 X, TColor32 Y, unsigned W) { return Lerp(X, Y, W); }

void PortableMixColorsInPlace(TColor32 X, TColor32& Y, unsigned W) {
  if (W == 0) return;
  Y = W >= 255 ? X : Lerp(X, Y, W);
}

// ---- The merge family: Porter-Duff "over" of colours that are not premultiplied.

static TColor32 MergeWithAlpha(TColor32 F, unsigned fa, TColor32 B) {
  unsigned ba = AlphaComponent(B);
  if (fa == 0) return B;
  if (fa == 255 || ba == 0) return (F & 0x00FFFFFF) | (fa << 24);
  // Background coverage left visible under the foreground, scaled to 0..65025.
  unsigned bShare = ba * (255 - fa);
  unsigned ra255 = fa * 255 + bShare;  // result alpha times 255
  TColor32 r = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    unsigned c = (Channel(F, shift) * fa * 255 + Channel(B, shift) * bShare + ra255 / 2) / ra255;
    r |= (c > 255 ? 255u : c) << shift;
  }
  return r | ((ra255 + 127) / 255) << 24;
}

TColor32 PortableMergeOver(TColor32 F, TColor32 B) { return MergeWithAlpha(F, AlphaComponent(F), B); }
void PortableMergeOverInPlace(TColor32 F, TColor32& B) { B = MergeWithAlpha(F, AlphaComponent(F), B); }
TColor32 PortableMergeOverWeighted(TColor32 F, TColor32 B, unsigned M) {
  return MergeWithAlpha(F, (AlphaComponent(F) * M + 127) / 255, B);
}
void PortableMergeOverWeightedInPlace(TColor32 F, TColor32& B, unsigned M) { B = PortableMergeOverWeighted(F, B, M); }
void PortableMergeRowOver(const TColor32* Src, TColor32* Dst, int N) {
  for (int i = 0; i < N; ++i) Dst[i] = PortableMergeOver(Src[i], Dst[i]);
}
void PortableMergeRowOverWeighted(const TColor32* Src, TColor32* Dst, int N, unsigned M) {
  for (int i = 0; i < N; ++i) Dst[i] = PortableMergeOverWeighted(Src[i], Dst[i], M);
}

}  // namespace portable_blend

using namespace portable_blend;
const TBlendOperations PortableBlendOperations = {
    PortableBlendOver,         PortableBlendOverInPlace,     PortableBlendOverWeighted,
    PortableBlendOverWeightedInPlace, PortableBlendRowOver,  PortableBlendRowOverWeighted,
    PortableMixColors,         PortableMixColorsInPlace,     PortableMergeOver,
    PortableMergeOverInPlace,  PortableMergeOverWeighted,    PortableMergeOverWeightedInPlace,
    PortableMergeRowOver,      PortableMergeRowOverWeighted,
};
