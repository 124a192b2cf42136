#include "graphics/BlendTables.h"

#include <cmath>

std::uint8_t ProductTable[256][256];
std::uint8_t QuotientTable[256][256];
TWeightEntry WeightTable[256];
std::uint8_t GAMMA[256];

void SetGamma(double Gamma) {
  for (int i = 0; i < 256; ++i) GAMMA[i] = static_cast<std::uint8_t>(std::lround(255.0 * std::pow(i / 255.0, Gamma)));
}

void BuildBlendTables() {
  for (unsigned a = 0; a < 256; ++a) {
    for (unsigned b = 0; b < 256; ++b) {
      // a * b / 255 never ends in exactly one half, so rounding up at .5 is exact.
      ProductTable[a][b] = static_cast<std::uint8_t>((2 * a * b + 255) / 510);
      unsigned q = 0;
      if (a != 0) {
        unsigned num = b * 255;
        q = num / a;
        unsigned twiceRem = 2 * (num % a);
        if (twiceRem > a || (twiceRem == a && (q & 1))) ++q;
      }
      QuotientTable[a][b] = static_cast<std::uint8_t>(q & 0xFF);
    }
    for (auto& lane : WeightTable[a].Lanes) lane = static_cast<std::uint16_t>(a);
  }
  SetGamma(DefaultGamma);
}
