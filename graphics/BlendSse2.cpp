// The blend operations with SSE2: each channel is widened to a 16-bit lane,
// two pixels per register. The lerp (Y * 256 + 128 + (X - Y) * W) >> 8 is
// computed modulo 2^16; its true value always lies in 0..65408, so the wrapped
// intermediate sums give the exact result.
#include <emmintrin.h>

#include "graphics/BlendImplementations.h"
#include "graphics/BlendTables.h"

namespace {

inline __m128i Widen(TColor32 c) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(c)), _mm_setzero_si128()); }
inline TColor32 Narrow(__m128i lanes) {
  return static_cast<TColor32>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
}
inline __m128i Weight(unsigned w) { return _mm_load_si128(reinterpret_cast<const __m128i*>(&WeightTable[w & 0xFF])); }
inline __m128i Bias() { return _mm_load_si128(reinterpret_cast<const __m128i*>(&RoundingBias())); }
// Each pixel's alpha lane copied into its four lanes.
inline __m128i AlphaLanes(__m128i px) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, 0xFF), 0xFF); }

inline __m128i LerpLanes(__m128i x, __m128i y, __m128i w) {
  __m128i r = _mm_add_epi16(_mm_slli_epi16(y, 8), Bias());
  r = _mm_add_epi16(r, _mm_mullo_epi16(_mm_sub_epi16(x, y), w));
  return _mm_srli_epi16(r, 8);
}

TColor32 Sse2BlendOver(TColor32 F, TColor32 B) {
  return Narrow(LerpLanes(Widen(F), Widen(B), Weight(AlphaComponent(F))));
}

void Sse2BlendOverInPlace(TColor32 F, TColor32& B) {
  unsigned fa = AlphaComponent(F);
  if (fa == 0) return;
  B = fa == 255 ? F : Narrow(LerpLanes(Widen(F), Widen(B), Weight(fa)));
}

TColor32 Sse2BlendOverWeighted(TColor32 F, TColor32 B, unsigned M) {
  unsigned w = ((M + 1) * AlphaComponent(F)) >> 8;
  return w == 0 ? B : Narrow(LerpLanes(Widen(F), Widen(B), Weight(w)));
}

void Sse2BlendOverWeightedInPlace(TColor32 F, TColor32& B, unsigned M) {
  unsigned w = ((M + 1) * AlphaComponent(F)) >> 8;
  if (w != 0) B = Narrow(LerpLanes(Widen(F), Widen(B), Weight(w)));
}

// Row blend of widened pixels: ((F * FA + 128) >> 8) + B - ((B * FA + 128) >> 8)
// per lane, where the foreground's alpha lane is taken as 256 so that the
// alpha comes out as FA + BA - ((BA * FA + 128) >> 8). packus saturates.
inline __m128i RowOverLanes(__m128i f, __m128i b) {
  const __m128i colourMask = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  const __m128i alpha256 = _mm_set_epi16(256, 0, 0, 0, 256, 0, 0, 0);
  __m128i fa = AlphaLanes(f);
  __m128i fx = _mm_or_si128(_mm_and_si128(f, colourMask), alpha256);
  __m128i scaledF = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(fx, fa), Bias()), 8);
  __m128i scaledB = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(b, fa), Bias()), 8);
  return _mm_sub_epi16(_mm_add_epi16(scaledF, b), scaledB);
}

void Sse2BlendRowOver(const TColor32* Src, TColor32* Dst, int N) {
  const __m128i zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 8 <= N; i += 8) {
    __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
    __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
    __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i + 4));
    __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i + 4));
    __m128i a = RowOverLanes(_mm_unpacklo_epi8(s0, zero), _mm_unpacklo_epi8(d0, zero));
    __m128i b = RowOverLanes(_mm_unpackhi_epi8(s0, zero), _mm_unpackhi_epi8(d0, zero));
    __m128i c = RowOverLanes(_mm_unpacklo_epi8(s1, zero), _mm_unpacklo_epi8(d1, zero));
    __m128i d = RowOverLanes(_mm_unpackhi_epi8(s1, zero), _mm_unpackhi_epi8(d1, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_packus_epi16(a, b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i + 4), _mm_packus_epi16(c, d));
  }
  for (; i + 4 <= N; i += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
    __m128i lo = RowOverLanes(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    __m128i hi = RowOverLanes(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < N; ++i) Dst[i] = Narrow(RowOverLanes(Widen(Src[i]), Widen(Dst[i])));
}

// Weight per pixel ((FA + 1) * M) >> 8; a weight of 0 reproduces the
// background exactly, which is what skipping the pixel would leave.
inline __m128i RowWeightedLanes(__m128i f, __m128i b, __m128i m) {
  const __m128i one = _mm_set1_epi16(1);
  __m128i w = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(AlphaLanes(f), one), m), 8);
  return LerpLanes(f, b, w);
}

void Sse2BlendRowOverWeighted(const TColor32* Src, TColor32* Dst, int N, unsigned M) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i m = Weight(M);
  int i = 0;
  for (; i + 4 <= N; i += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
    __m128i lo = RowWeightedLanes(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), m);
    __m128i hi = RowWeightedLanes(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), m);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < N; ++i) Dst[i] = Narrow(RowWeightedLanes(Widen(Src[i]), Widen(Dst[i]), m));
}

TColor32 Sse2MixColors(TColor32 X, TColor32 Y, unsigned W) {
  return Narrow(LerpLanes(Widen(X), Widen(Y), Weight(W)));
}

void Sse2MixColorsInPlace(TColor32 X, TColor32& Y, unsigned W) {
  if (W == 0) return;
  Y = W >= 255 ? X : Narrow(LerpLanes(Widen(X), Widen(Y), Weight(W)));
}

}  // namespace

const TBlendOperations Sse2BlendOperations = {
    Sse2BlendOver,        Sse2BlendOverInPlace, Sse2BlendOverWeighted, Sse2BlendOverWeightedInPlace,
    Sse2BlendRowOver,     Sse2BlendRowOverWeighted, Sse2MixColors,     Sse2MixColorsInPlace,
};
