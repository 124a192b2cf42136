#pragma once
// The requests of the partial road: the package's end, byte ranges of the
// same version of it (each tied to it by If-Range, and asked for again from
// where it stopped after a passing failure), and another whole file such as
// its index. Whatever is not the answer asked for ends the road.
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "app/update/PartialFetch.h"
#include "app/update/PartialPlan.h"
#include "http/BodyWriter.h"

class THttpClient;

// Why the road ends: caught by FetchChangedMembers, and the whole package
// is fetched instead.
struct TNoShortcut {};

// A writer that can tell how many bytes it holds, so that a range cut off
// on the way is asked for again from there.
class THeldWriter : public TBodyWriter {
 public:
  virtual std::int64_t Held() const = 0;
};

// Bytes of an answer into a string, up to a limit.
class TStringWriter : public THeldWriter {
 public:
  explicit TStringWriter(std::int64_t limit = INT64_MAX) : limit_(limit) {}
  void Announce(std::int64_t Total) override;
  void Write(const void* Data, std::size_t Count) override;
  void Restart() override { throw TNoShortcut{}; }
  std::int64_t Held() const override { return static_cast<std::int64_t>(bytes.size()); }
  std::string bytes;

 private:
  std::int64_t limit_;
};

class TPartialRoad {
 public:
  TPartialRoad(THttpClient& client, const AnsiString& url, const TPartialOptions& options);

  // The package's last Count bytes; its size and validator come with them.
  std::string FetchEnd(std::int64_t count);
  // The whole of another file, such as the package's index, up to Limit bytes.
  std::string FetchFile(const AnsiString& url, std::int64_t limit);
  // Bytes [First, End) of the package, of the same version, into Writer;
  // after a failure that the policy would try again, the rest of them.
  void FetchSpan(TByteSpan span, THeldWriter& writer);

  std::int64_t Size() const { return size_; }
  std::int64_t Start() const { return start_; }

 private:
  void FetchRange(TByteSpan span, TBodyWriter& writer);
  // Runs Attempt until it goes through, after each failure the download's
  // policy would try again waiting as it would (Held tells whether bytes
  // came meanwhile); any other failure, or one too many, is thrown on.
  void Retrying(const std::function<std::int64_t()>& held, const std::function<void()>& attempt);

  THttpClient& client_;
  AnsiString url_, validator_;
  const TPartialOptions& options_;
  std::mt19937 random_;
  std::int64_t size_ = 0, start_ = 0;
};
