#pragma once
// The progress display of the package download: the total announced by the
// last work-begin event and the percentage text.
#include <cstdint>

#include "framework/Types.h"

// The total announced by the last work-begin event of HttpClient2.
extern std::int32_t WorkTotal;

// Count of Total as a whole percentage, halves away from zero, with "%"
// appended: 1 of 3 gives "33%", 1 of 200 gives "1%". Total must be above 0.
AnsiString PercentText(std::int32_t Count, std::int32_t Total);
