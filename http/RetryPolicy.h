#pragma once
// When a failed request is worth making again, and how long to wait first.
#include <cstdint>
#include <ctime>
#include <optional>

#include "core/SysUtils.h"
#include "http/HttpResponse.h"

struct TRetryPolicy {
  // Requests in all, whatever they bring: enough for a large package on a
  // line that drops every few minutes, not for a server that drips.
  int MaxAttempts = 100;
  // Failures one after another with not one new byte between them.
  int MaxFailuresInARow = 6;
  // The wait after a failure, doubled with each further one in a row, with
  // up to half as much again at random so that many clients cut off at once
  // do not come back at once.
  int FirstBackoffMs = 1000;
  int MaxBackoffMs = 60000;
  // A server that asks for a longer wait than this is given up at once.
  int MaxRetryAfterMs = 300000;
  // The bytes at the end of what is held that a resumed request asks for
  // again, to compare them with the ones held.
  int TailCheckBytes = 4096;
};

// What a failed request calls for.
enum class TFailureCourse {
  GiveUp,     // the same request would fail the same way, or the caller stopped it
  Retry,      // the connection failed, or the server is briefly unable to answer
  StartOver,  // the part offered does not fit the bytes held: begin again from the start
};

// The course after error E of a request that asked for a range (Ranged) or
// for the whole body.
TFailureCourse CourseAfter(const Exception& E, bool Ranged);

// The wait before the next request after Failures failures in a row (1 for
// the first); Random is a number from [0, 1).
std::int64_t BackoffMs(const TRetryPolicy& Policy, int Failures, double Random);

// For a 503 or 429 response: the wait in milliseconds its Retry-After asks
// for, a date counted from the response's Date (else from Now, seconds since
// 1970). Nothing for another status or without a usable Retry-After.
std::optional<std::int64_t> RetryAfterMs(const THttpResponse& Response, std::time_t Now);
