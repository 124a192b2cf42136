#include "http/RetryPolicy.h"

#include <algorithm>
#include <climits>

#include "http/HttpErrors.h"

TFailureCourse CourseAfter(const Exception& E, bool Ranged) {
  if (auto* status = dynamic_cast<const EHttpProtocolError*>(&E)) {
    const int code = status->ErrorCode();
    // 416: the range asked for lies outside the body the server has now.
    if (code == 416) return Ranged ? TFailureCourse::StartOver : TFailureCourse::GiveUp;
    if (code == 429 || (code >= 500 && code <= 599)) return TFailureCourse::Retry;
    return TFailureCourse::GiveUp;
  }
  // A partial answer that is not the part asked for; to a request that asked
  // for no part it is a server fault that asking again would not mend.
  if (dynamic_cast<const EHttpRangeError*>(&E)) return Ranged ? TFailureCourse::StartOver : TFailureCourse::GiveUp;
  // Our own side closed the connection: the caller has stopped the transfer.
  if (dynamic_cast<const ENotConnected*>(&E)) return TFailureCourse::GiveUp;
  if (dynamic_cast<const EConnClosedGracefully*>(&E) || dynamic_cast<const EReadTimeout*>(&E) ||
      dynamic_cast<const ESocketError*>(&E) || dynamic_cast<const EConnectError*>(&E))
    return TFailureCourse::Retry;
  // A 2xx whose connection closed while its headers came.
  if (E.ClassName() == AnsiString("ENetError")) return TFailureCourse::Retry;
  return TFailureCourse::GiveUp;
}

std::int64_t BackoffMs(const TRetryPolicy& Policy, int Failures, double Random) {
  std::int64_t wait = std::max(Policy.FirstBackoffMs, 0);
  for (int i = 1; i < Failures && wait < Policy.MaxBackoffMs; ++i) wait *= 2;
  wait = std::min<std::int64_t>(wait, Policy.MaxBackoffMs);
  return wait + static_cast<std::int64_t>(static_cast<double>(wait) / 2 * std::clamp(Random, 0.0, 1.0));
}

std::optional<std::int64_t> RetryAfterMs(const THttpResponse& Response, std::time_t Now) {
  if (Response.ResponseCode != 503 && Response.ResponseCode != 429) return std::nullopt;
  const auto date = ParseInternetDate(Response.DateText);
  const auto seconds = ParseRetryAfter(Response.RetryAfter, date ? *date : Now);
  if (!seconds) return std::nullopt;
  return *seconds > INT64_MAX / 1000 ? INT64_MAX : *seconds * 1000;
}
