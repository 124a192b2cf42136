#pragma once
// The progress display of the package download: the percentage text.
#include <cstdint>

#include "core/Types.h"

// Count of Total as a whole percentage, halves away from zero, with "%"
// appended: 1 of 3 gives "33%", 1 of 200 gives "1%". Total must be above 0.
AnsiString PercentText(std::int64_t Count, std::int64_t Total);
