#include "graphics/Blend32.h"

#include <cstring>

#include "graphics/BlendImplementations.h"
#include "graphics/BlendTables.h"

// Constant-initialised, before any initialiser runs, so early callers get
// the portable code rather than a null pointer, and the start-up binding
// below is never overwritten by a later initialiser.
constinit TBlendOverProc BlendOver = &portable_blend::PortableBlendOver;
constinit TBlendOverInPlaceProc BlendOverInPlace = &portable_blend::PortableBlendOverInPlace;
constinit TBlendOverWeightedProc BlendOverWeighted = &portable_blend::PortableBlendOverWeighted;
constinit TBlendOverWeightedInPlaceProc BlendOverWeightedInPlace = &portable_blend::PortableBlendOverWeightedInPlace;
constinit TBlendRowOverProc BlendRowOver = &portable_blend::PortableBlendRowOver;
constinit TBlendRowOverWeightedProc BlendRowOverWeighted = &portable_blend::PortableBlendRowOverWeighted;
constinit TMixColorsProc MixColors = &portable_blend::PortableMixColors;
constinit TMixColorsInPlaceProc MixColorsInPlace = &portable_blend::PortableMixColorsInPlace;
constinit TBlendOverProc MergeOver = &portable_blend::PortableMergeOver;
constinit TBlendOverInPlaceProc MergeOverInPlace = &portable_blend::PortableMergeOverInPlace;
constinit TBlendOverWeightedProc MergeOverWeighted = &portable_blend::PortableMergeOverWeighted;
constinit TBlendOverWeightedInPlaceProc MergeOverWeightedInPlace = &portable_blend::PortableMergeOverWeightedInPlace;
constinit TBlendRowOverProc MergeRowOver = &portable_blend::PortableMergeRowOver;
constinit TBlendRowOverWeightedProc MergeRowOverWeighted = &portable_blend::PortableMergeRowOverWeighted;

namespace {

struct TRegisteredImplementation {
  const char* Name;
  unsigned Requires;
  const TBlendOperations* Operations;
};

// In order of preference, least first: binding takes the last one that fits.
const TRegisteredImplementation kRegistry[] = {
    {"portable", 0, &PortableBlendOperations},
    {"sse2", isSSE2, &Sse2BlendOperations},
};

const char* boundName = "portable";

// Each slot of the bound table paired with the same slot of an implementation.
template <class Proc>
void BindSlot(Proc& slot, Proc TBlendOperations::*member, unsigned features) {
  for (const auto& impl : kRegistry)
    if ((impl.Requires & ~features) == 0 && impl.Operations->*member) slot = impl.Operations->*member;
}

void BindAll(unsigned features) {
  BindSlot(BlendOver, &TBlendOperations::BlendOver, features);
  BindSlot(BlendOverInPlace, &TBlendOperations::BlendOverInPlace, features);
  BindSlot(BlendOverWeighted, &TBlendOperations::BlendOverWeighted, features);
  BindSlot(BlendOverWeightedInPlace, &TBlendOperations::BlendOverWeightedInPlace, features);
  BindSlot(BlendRowOver, &TBlendOperations::BlendRowOver, features);
  BindSlot(BlendRowOverWeighted, &TBlendOperations::BlendRowOverWeighted, features);
  BindSlot(MixColors, &TBlendOperations::MixColors, features);
  BindSlot(MixColorsInPlace, &TBlendOperations::MixColorsInPlace, features);
  BindSlot(MergeOver, &TBlendOperations::MergeOver, features);
  BindSlot(MergeOverInPlace, &TBlendOperations::MergeOverInPlace, features);
  BindSlot(MergeOverWeighted, &TBlendOperations::MergeOverWeighted, features);
  BindSlot(MergeOverWeightedInPlace, &TBlendOperations::MergeOverWeightedInPlace, features);
  BindSlot(MergeRowOver, &TBlendOperations::MergeRowOver, features);
  BindSlot(MergeRowOverWeighted, &TBlendOperations::MergeRowOverWeighted, features);
  for (const auto& impl : kRegistry)
    if ((impl.Requires & ~features) == 0 && impl.Operations->BlendRowOver == BlendRowOver) boundName = impl.Name;
}

}  // namespace

unsigned ProcessorFeatures() {
  static const unsigned features = [] {
    unsigned f = 0;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("mmx")) f |= isMMX;
    if (__builtin_cpu_supports("sse")) f |= isSSE | isExMMX;
    if (__builtin_cpu_supports("sse2")) f |= isSSE2;
#endif
    return f;
  }();
  return features;
}

const TBlendOperations* FindBlendImplementation(const char* Name) {
  for (const auto& impl : kRegistry)
    if (std::strcmp(impl.Name, Name) == 0) return impl.Operations;
  return nullptr;
}

void BindBlendOperations(unsigned Features) { BindAll(Features); }

bool BindBlendImplementation(const char* Name) {
  for (const auto& impl : kRegistry) {
    if (std::strcmp(impl.Name, Name) != 0) continue;
    if ((impl.Requires & ~ProcessorFeatures()) != 0) return false;
    BindAll(impl.Requires);
    return true;
  }
  return false;
}

const char* BoundBlendImplementation() { return boundName; }

void InitializeBlending() {
  BuildBlendTables();
  BindBlendOperations(ProcessorFeatures());
}

namespace {
// Process-wide set-up ahead of every other static initialiser of the program,
// so no bitmap ever blends with unbuilt tables.
struct TBlendingStartup {
  TBlendingStartup() { InitializeBlending(); }
} blendingStartup __attribute__((init_priority(200)));
}  // namespace
