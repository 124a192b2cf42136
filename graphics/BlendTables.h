#pragma once
// Lookup tables of the blend arithmetic, built once at start-up.
#include <cstdint>

// Product table: ProductTable[a][b] = round(a * b / 255).
extern std::uint8_t ProductTable[256][256];
// Quotient table: QuotientTable[c][n] = round(n * 255 / c), halves to even,
// kept modulo 256; row 0 is all zero.
extern std::uint8_t QuotientTable[256][256];

// Weight table: entry i holds i in each of eight 16-bit lanes, so one aligned
// load gives the weight for every channel of two pixels. Entry 128 is the
// rounding bias of the blends.
struct alignas(16) TWeightEntry {
  std::uint16_t Lanes[8];
};
extern TWeightEntry WeightTable[256];
inline const TWeightEntry& RoundingBias() { return WeightTable[128]; }

// GAMMA[i] = round(255 * (i / 255) ^ gamma); gamma is 1.6 unless changed.
extern std::uint8_t GAMMA[256];
constexpr double DefaultGamma = 1.6;
void SetGamma(double Gamma);

// Builds every table; runs at start-up and may run again harmlessly.
void BuildBlendTables();
