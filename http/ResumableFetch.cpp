#include "http/ResumableFetch.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

#include "http/HttpErrors.h"
#include "http/MessagePump.h"
#include "platform/Clock.h"

namespace {

// The longest sleep of a wait between two dispatches of window messages.
constexpr std::int64_t kWaitSlice = 125;

// The range and validator of one request, cleared again however it ends.
class TRangeScope {
 public:
  TRangeScope(THttpRequest& request, std::int64_t from, const AnsiString& validator) : request_(request) {
    request_.ContentRangeStart = from;
    request_.ContentRangeEnd = 0;
    request_.IfRange = from > 0 ? validator : AnsiString();
  }
  ~TRangeScope() {
    request_.ContentRangeStart = request_.ContentRangeEnd = 0;
    request_.IfRange.clear();
  }
  TRangeScope(const TRangeScope&) = delete;
  TRangeScope& operator=(const TRangeScope&) = delete;

 private:
  THttpRequest& request_;
};

}  // namespace

// What the client writes an answer's body into.
class TResumableFetch::Front : public TBodyWriter {
 public:
  explicit Front(TResumableFetch& fetch) : fetch_(fetch) {}
  // The fetch announces the whole body itself, not each answer's part.
  void Announce(std::int64_t) override {}
  void Write(const void* Data, std::size_t Count) override {
    fetch_.received_ += static_cast<std::int64_t>(Count);
    fetch_.Hold(static_cast<const std::uint8_t*>(Data), Count);
  }
  void Restart() override {}
  // Bytes to be compared with those held are no part of the body's store.
  void* Room(std::size_t Count) override { return fetch_.compare_ > 0 ? nullptr : fetch_.body_.Room(Count); }

 private:
  TResumableFetch& fetch_;
};

TResumableFetch::TResumableFetch(THttpClient& Client, TBodyWriter& Body) : client_(Client), body_(Body) {
  auto engine = std::make_shared<std::mt19937>(std::random_device{}());
  Random = [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
  Now = [] { return std::time(nullptr); };
}

void TResumableFetch::Fetch(const AnsiString& URL) {
  pacer_.Reset();
  int failures = 0;  // in a row, without a new byte
  for (;;) {
    if (cancelled_) throw ENotConnected(RSNotConnected);
    ++attempts_;
    const bool ranged = point_.Resumable();
    const std::int64_t newBefore = new_bytes_;
    try {
      Attempt(URL);
      ReportProgress(true);
      return;
    } catch (const Exception& e) {
      const TFailureCourse course = writer_failed_ || cancelled_ ? TFailureCourse::GiveUp : CourseAfter(e, ranged);
      if (course == TFailureCourse::GiveUp) throw;
      std::optional<std::int64_t> asked;
      if (dynamic_cast<const EHttpProtocolError*>(&e)) asked = RetryAfterMs(client_.Response(), Now());
      if (course == TFailureCourse::StartOver) StartOver();
      failures = new_bytes_ > newBefore ? 1 : failures + 1;
      if (failures >= policy_.MaxFailuresInARow || attempts_ >= policy_.MaxAttempts) throw;
      if (asked && *asked > policy_.MaxRetryAfterMs) throw;
      ReportProgress(true);
      Wait(asked ? *asked : BackoffMs(policy_, failures, Random()));
    }
  }
}

void TResumableFetch::Attempt(const AnsiString& URL) {
  const bool ranged = point_.Resumable();
  // Bytes held that cannot be continued are void.
  if (!ranged && (point_.Held > 0 || announced_)) StartOver();
  // The last bytes held are asked for again, but never the whole: a request
  // for the rest must ask for a range.
  const std::int64_t again = ranged ? std::min<std::int64_t>(point_.Tail.size(), point_.Held - 1) : 0;
  const std::int64_t from = ranged ? point_.Held - again : 0;
  compare_ = 0;
  Front front(*this);
  TRangeScope range(client_.Request(), from, point_.Validator);
  client_.Get(URL, front, [&](const THttpResponse& r) { TakeHeaders(r, ranged, from); });
  if (compare_ > 0 || (point_.Total >= 0 && point_.Held != point_.Total))
    throw EHttpRangeError(Format("The body ended at %lld of its %lld bytes.", static_cast<long long>(point_.Held),
                                 static_cast<long long>(point_.Total)));
}

void TResumableFetch::TakeHeaders(const THttpResponse& Response, bool Ranged, std::int64_t From) {
  if (Ranged && Response.ResponseCode == 206) {
    // The client has made sure the part runs from From to the end of a body;
    // it must be the body whose start is held.
    if (!Response.ContentRange || Response.ContentRange->Complete != point_.Total)
      throw EHttpRangeError("The partial content belongs to a body of another length.");
    if (!Response.ETag.empty() && Response.ETag != point_.ETag)
      throw EHttpRangeError("The entity tag changed between requests.");
    if (!Response.LastModifiedText.empty() && !point_.LastModified.empty() &&
        Response.LastModifiedText != point_.LastModified)
      throw EHttpRangeError("The body was modified between requests.");
    compare_ = point_.Held - From;
    return;
  }
  // A whole body: the first, or the whole one again in place of the part
  // asked for, which replaces what is held.
  if (Ranged) StartOver();
  AdoptWholeBody(Response);
}

void TResumableFetch::AdoptWholeBody(const THttpResponse& Response) {
  point_.Total = Response.ResponseCode == 204 ? 0 : Response.ContentLength;
  point_.ETag = Response.ETag;
  point_.LastModified = Response.LastModifiedText;
  point_.Validator = IfRangeValidator(Response.ETag, Response.LastModifiedText, Response.DateText);
  announced_ = true;
  try {
    body_.Announce(point_.Total);
  } catch (...) {
    writer_failed_ = true;
    throw;
  }
  ReportProgress(false);
}

void TResumableFetch::StartOver() {
  if (point_.Held > 0) ++start_overs_;
  point_ = TResumePoint();
  announced_ = false;
  compare_ = 0;
  try {
    body_.Restart();
  } catch (...) {
    writer_failed_ = true;
    throw;
  }
}

void TResumableFetch::Hold(const std::uint8_t* Data, std::size_t Count) {
  if (compare_ > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(compare_, static_cast<std::int64_t>(Count)));
    const std::string& tail = point_.Tail;
    if (std::memcmp(Data, tail.data() + (tail.size() - static_cast<std::size_t>(compare_)), n) != 0)
      throw EHttpRangeError("The bytes sent again differ from the ones held.");
    compare_ -= static_cast<std::int64_t>(n);
    Data += n;
    Count -= n;
    if (Count == 0) return;
  }
  try {
    body_.Write(Data, Count);
  } catch (...) {
    writer_failed_ = true;
    throw;
  }
  point_.Held += static_cast<std::int64_t>(Count);
  new_bytes_ += static_cast<std::int64_t>(Count);
  const auto keep = static_cast<std::size_t>(std::max(policy_.TailCheckBytes, 0));
  std::string& tail = point_.Tail;
  if (Count >= keep) {
    tail.assign(reinterpret_cast<const char*>(Data + Count - keep), keep);
  } else {
    tail.append(reinterpret_cast<const char*>(Data), Count);
    if (tail.size() > keep) tail.erase(0, tail.size() - keep);
  }
  ReportProgress(false);
}

void TResumableFetch::Wait(std::int64_t Ms) {
  waited_ += Ms;
  if (Sleep) {
    Sleep(Ms);
    return;
  }
  const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(Ms);
  for (std::uint64_t now = platform::TickCount(); now < end && !cancelled_; now = platform::TickCount()) {
    platform::SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(kWaitSlice, end - now)));
    TMessagePump::DispatchPoint(true);
  }
}

void TResumableFetch::ReportProgress(bool Final) {
  if (OnProgress && pacer_.Due(point_.Held, Final)) OnProgress(&client_, point_.Held, point_.Total);
}
