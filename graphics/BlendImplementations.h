#pragma once
// The registered implementation sets of the blend operations (internal to
// the graphics library and its tests).
#include "graphics/Blend32.h"

// Plain C++, usable on any processor.
extern const TBlendOperations PortableBlendOperations;
// SSE2 vector code; provides the blend family, not the merge family.
extern const TBlendOperations Sse2BlendOperations;
