#pragma once
// The registered implementation sets of the blend operations (internal to
// the graphics library and its tests).
#include "graphics/Blend32.h"

// Plain C++, usable on any processor.
extern const TBlendOperations PortableBlendOperations;
// Its functions by name, so that the bound pointers can start with them
// before any initialiser runs.
namespace portable_blend {
TColor32 PortableBlendOver(TColor32 F, TColor32 B);
void PortableBlendOverInPlace(TColor32 F, TColor32& B);
TColor32 PortableBlendOverWeighted(TColor32 F, TColor32 B, unsigned M);
void PortableBlendOverWeightedInPlace(TColor32 F, TColor32& B, unsigned M);
void PortableBlendRowOver(const TColor32* Src, TColor32* Dst, int N);
void PortableBlendRowOverWeighted(const TColor32* Src, TColor32* Dst, int N, unsigned M);
TColor32 PortableMixColors(TColor32 X, TColor32 Y, unsigned W);
void PortableMixColorsInPlace(TColor32 X, TColor32& Y, unsigned W);
TColor32 PortableMergeOver(TColor32 F, TColor32 B);
void PortableMergeOverInPlace(TColor32 F, TColor32& B);
TColor32 PortableMergeOverWeighted(TColor32 F, TColor32 B, unsigned M);
void PortableMergeOverWeightedInPlace(TColor32 F, TColor32& B, unsigned M);
void PortableMergeRowOver(const TColor32* Src, TColor32* Dst, int N);
void PortableMergeRowOverWeighted(const TColor32* Src, TColor32* Dst, int N, unsigned M);
}  // namespace portable_blend
// SSE2 vector code; provides the blend family, not the merge family.
extern const TBlendOperations Sse2BlendOperations;
