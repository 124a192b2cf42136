#pragma once
// Dates of the internet formats: RFC 1123 ("Sun, 06 Nov 1994 08:49:37 GMT"),
// RFC 850 ("Sunday, 06-Nov-94 08:49:37 GMT"), asctime ("Sun Nov  6 08:49:37
// 1994") and the cookie form ("Sun, 06-Nov-1994 08:49:37 GMT").
#include <ctime>
#include <optional>

#include "core/Types.h"

// Days since 1899-12-30 with the time of day as the fraction; 0 is no date.
using TDateTime = double;

// The moment a date text names, in seconds since 1970 UTC.
std::optional<std::time_t> ParseInternetDate(const AnsiString& Text);
// The same moment as a local date and time; 0 when the text is not a date.
TDateTime GMTToLocalDateTime(const AnsiString& Text);
TDateTime UnixToLocalDateTime(std::time_t T);
// "Sun, 06 Nov 1994 08:49:37 GMT" for a local date and time.
AnsiString LocalDateTimeToGMT(TDateTime D);
