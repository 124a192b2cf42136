#pragma once
// The per-pixel blend operations. Each operation is a pointer bound once at
// start-up to the best implementation the processor runs; every
// implementation gives the same results.
//
// Weights and master alphas are 0 to 255. Lerp(X, Y, W) of one channel is
// (Y * 256 + 128 + (X - Y) * W) >> 8.
#include "graphics/Color32.h"

using TBlendOverProc = TColor32 (*)(TColor32 F, TColor32 B);
using TBlendOverInPlaceProc = void (*)(TColor32 F, TColor32& B);
using TBlendOverWeightedProc = TColor32 (*)(TColor32 F, TColor32 B, unsigned M);
using TBlendOverWeightedInPlaceProc = void (*)(TColor32 F, TColor32& B, unsigned M);
using TBlendRowOverProc = void (*)(const TColor32* Src, TColor32* Dst, int N);
using TBlendRowOverWeightedProc = void (*)(const TColor32* Src, TColor32* Dst, int N, unsigned M);
using TMixColorsProc = TColor32 (*)(TColor32 X, TColor32 Y, unsigned W);
using TMixColorsInPlaceProc = void (*)(TColor32 X, TColor32& Y, unsigned W);

// One implementation of every operation; a null entry means "not provided".
struct TBlendOperations {
  TBlendOverProc BlendOver = nullptr;
  TBlendOverInPlaceProc BlendOverInPlace = nullptr;
  TBlendOverWeightedProc BlendOverWeighted = nullptr;
  TBlendOverWeightedInPlaceProc BlendOverWeightedInPlace = nullptr;
  TBlendRowOverProc BlendRowOver = nullptr;
  TBlendRowOverWeightedProc BlendRowOverWeighted = nullptr;
  TMixColorsProc MixColors = nullptr;
  TMixColorsInPlaceProc MixColorsInPlace = nullptr;
  // The merge family, used for bitmaps whose combine mode is cmMerge.
  TBlendOverProc MergeOver = nullptr;
  TBlendOverInPlaceProc MergeOverInPlace = nullptr;
  TBlendOverWeightedProc MergeOverWeighted = nullptr;
  TBlendOverWeightedInPlaceProc MergeOverWeightedInPlace = nullptr;
  TBlendRowOverProc MergeRowOver = nullptr;
  TBlendRowOverWeightedProc MergeRowOverWeighted = nullptr;
};

// The bound operations.
extern TBlendOverProc BlendOver;
extern TBlendOverInPlaceProc BlendOverInPlace;
extern TBlendOverWeightedProc BlendOverWeighted;
extern TBlendOverWeightedInPlaceProc BlendOverWeightedInPlace;
extern TBlendRowOverProc BlendRowOver;
extern TBlendRowOverWeightedProc BlendRowOverWeighted;
extern TMixColorsProc MixColors;
extern TMixColorsInPlaceProc MixColorsInPlace;
extern TBlendOverProc MergeOver;
extern TBlendOverInPlaceProc MergeOverInPlace;
extern TBlendOverWeightedProc MergeOverWeighted;
extern TBlendOverWeightedInPlaceProc MergeOverWeightedInPlace;
extern TBlendRowOverProc MergeRowOver;
extern TBlendRowOverWeightedProc MergeRowOverWeighted;

// Instruction sets an implementation may need.
enum TInstructionSet : unsigned {
  isMMX = 1u << 0,
  isExMMX = 1u << 1,
  isSSE = 1u << 2,
  isSSE2 = 1u << 3,
  is3DNow = 1u << 4,
  isEx3DNow = 1u << 5,
};
// The instruction sets of this processor, examined once.
unsigned ProcessorFeatures();

// The registered implementation named Name ("portable", "sse2"), or null.
const TBlendOperations* FindBlendImplementation(const char* Name);
// Binds every operation to the implementation registered last among those
// whose instruction sets are all in Features.
void BindBlendOperations(unsigned Features);
// Binds every operation to the named implementation (operations it lacks stay
// with the portable one). False, binding nothing, when the name is unknown or
// the processor lacks what it needs.
bool BindBlendImplementation(const char* Name);
// The name of the implementation the row blend is bound to.
const char* BoundBlendImplementation();

// Builds the tables and binds for this processor; done once at start-up.
void InitializeBlending();
