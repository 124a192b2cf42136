#include "app/update/PartialRoad.h"

#include <climits>
#include <ctime>

#include "http/HttpClient.h"
#include "http/HttpErrors.h"
#include "http/RangeHeaders.h"

namespace {

// A range request for the scope of one answer, tied to the package's
// validator so that bytes of another version are never taken.
class TRangeAsked {
 public:
  TRangeAsked(THttpClient& client, std::int64_t first, std::int64_t last, const AnsiString& validator)
      : request_(client.Request()) {
    request_.ContentRangeStart = first;
    request_.ContentRangeEnd = last;
    request_.IfRange = validator;
  }
  ~TRangeAsked() {
    request_.ContentRangeStart = request_.ContentRangeEnd = 0;
    request_.IfRange.clear();
  }
  TRangeAsked(const TRangeAsked&) = delete;
  TRangeAsked& operator=(const TRangeAsked&) = delete;

 private:
  THttpRequest& request_;
};

// What an answer asked for whole again keeps of a failed one: nothing, so
// every failure counts towards the limit in a row.
std::int64_t NothingKept() { return 0; }

}  // namespace

void TStringWriter::Announce(std::int64_t Total) {
  if (Total > limit_) throw TNoShortcut{};
}

void TStringWriter::Write(const void* Data, std::size_t Count) {
  if (static_cast<std::int64_t>(Count) > limit_ - static_cast<std::int64_t>(bytes.size())) throw TNoShortcut{};
  bytes.append(static_cast<const char*>(Data), Count);
}

TPartialRoad::TPartialRoad(THttpClient& client, const AnsiString& url, const TPartialOptions& options)
    : client_(client), url_(url), options_(options), random_(std::random_device{}()) {}

std::string TPartialRoad::FetchEnd(std::int64_t count) {
  // Small enough to be asked for whole again after a passing failure.
  TStringWriter end;
  Retrying(NothingKept, [&] {
    end.bytes.clear();
    TRangeAsked range(client_, -count, 0, AnsiString());
    client_.Get(url_, end, [&](const THttpResponse& r) {
      if (r.ResponseCode != 206 || !r.ContentRange || r.ContentRange->Complete <= 0) throw TNoShortcut{};
      size_ = r.ContentRange->Complete;
      start_ = r.ContentRange->First;
      validator_ = IfRangeValidator(r.ETag, r.LastModifiedText, r.DateText);
      // Without a validator, ranges of another version could be mixed in.
      if (validator_.empty()) throw TNoShortcut{};
    });
  });
  if (static_cast<std::int64_t>(end.bytes.size()) != size_ - start_) throw TNoShortcut{};
  return end.bytes;
}

std::string TPartialRoad::FetchFile(const AnsiString& url, std::int64_t limit) {
  TStringWriter file(limit);
  Retrying(NothingKept, [&] {
    file.bytes.clear();
    client_.Get(url, file, [&](const THttpResponse& r) {
      if (r.ResponseCode != 200) throw TNoShortcut{};
    });
  });
  return file.bytes;
}

void TPartialRoad::FetchSpan(TByteSpan span, THeldWriter& writer) {
  Retrying([&] { return writer.Held(); }, [&] { FetchRange({span.First + writer.Held(), span.End}, writer); });
}

void TPartialRoad::Retrying(const std::function<std::int64_t()>& held, const std::function<void()>& attempt) {
  int failures = 0;  // in a row, without a new byte
  for (int count = 1;; ++count) {
    const std::int64_t before = held();
    try {
      attempt();
      return;
    } catch (const Exception& e) {
      failures = held() > before ? 1 : failures + 1;
      // A part that is not the one asked for is no passing fault.
      if (!options_.wait || CourseAfter(e, false) != TFailureCourse::Retry ||
          failures >= options_.policy.MaxFailuresInARow || count >= options_.policy.MaxAttempts)
        throw;
      std::optional<std::int64_t> asked;
      if (dynamic_cast<const EHttpProtocolError*>(&e)) asked = RetryAfterMs(client_.Response(), std::time(nullptr));
      if (asked && *asked > options_.policy.MaxRetryAfterMs) throw;
      const double random = std::uniform_real_distribution<double>(0.0, 1.0)(random_);
      if (!options_.wait(asked ? *asked : BackoffMs(options_.policy, failures, random))) throw;
    }
  }
}

void TPartialRoad::FetchRange(TByteSpan span, TBodyWriter& writer) {
  TRangeAsked range(client_, span.First, span.End - 1, validator_);
  client_.Get(url_, writer, [&](const THttpResponse& r) {
    if (r.ResponseCode != 206 || !r.ContentRange || r.ContentRange->Complete != size_) throw TNoShortcut{};
  });
}
