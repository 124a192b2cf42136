#pragma once
// MS-DOS date-time values as the archive stores them: date in the high word,
// time in the low word.
#include <cstdint>

namespace zip {

// Keeps a valid value as it is; otherwise clamps each field into its range.
std::uint32_t ClampDosDateTime(std::uint32_t dosDateTime);
// Seconds since 1980-01-01 00:00 counted on the calendar, for ordering; 0 for a
// value that names no real day (such as 31 February).
std::int64_t DosDateTimeToCalendar(std::uint32_t dosDateTime);

}  // namespace zip
