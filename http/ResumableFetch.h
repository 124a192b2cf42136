#pragma once
// A download that survives real networks. When the connection is cut or
// stalls, or the server is briefly unable to answer, the request is made
// again after a growing wait; a body that had begun to come is asked for from
// the bytes already held (with the last few of them again, to compare), and
// a part is taken only when it fits those bytes exactly. Whatever does not
// fit starts the body over from its start; nothing is ever spliced. The
// body goes to the caller's chain of writers, which sees every byte once, in
// order, and a restart when the body begins again.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "http/BodyWriter.h"
#include "http/HttpClient.h"
#include "http/ProgressPacer.h"
#include "http/RetryPolicy.h"

// Where a body stands: what a request for its rest needs, in this run or in
// a later one that still holds the bytes.
struct TResumePoint {
  std::int64_t Held = 0;    // bytes of the body already in the chain
  std::int64_t Total = -1;  // the length the first response announced (-1: none)
  AnsiString Validator;     // the If-Range value: a strong entity tag or date ("" none)
  AnsiString ETag;          // the first response's entity tag, compared with later ones
  AnsiString LastModified;  // likewise its Last-Modified
  std::string Tail;         // the last bytes held (up to the tail check), compared with those sent again
                            // (with none, the rest is asked for from Held)

  // A request for the rest can be made and checked.
  bool Resumable() const { return Held > 0 && Total > Held && !Validator.empty(); }
};

class TResumableFetch {
 public:
  TResumableFetch(THttpClient& Client, TBodyWriter& Body);

  TRetryPolicy& Policy() { return policy_; }
  // Bytes held of the total (-1: not known), at the pace of ProgressPacer.
  // The count goes on across attempts; it falls back only when the body
  // starts over.
  TProgressEvent OnProgress;
  TProgressPacer& ProgressPacer() { return pacer_; }

  // How waiting and time work; tests put their own. Sleep waits the given
  // milliseconds (by default in short slices, dispatching window messages,
  // and no longer once cancelled); Random gives a number from [0, 1) for the
  // jitter; Now is the time in seconds since 1970 for Retry-After dates.
  std::function<void(std::int64_t Ms)> Sleep;
  std::function<double()> Random;
  std::function<std::time_t()> Now;

  // A body an earlier run began: its Held bytes are already in the chain.
  void ResumeFrom(const TResumePoint& Point) { point_ = Point; }
  // Fetches URL until the whole body is in the chain. When it gives up, the
  // error of the last attempt leaves; ENotConnected when it was cancelled.
  void Fetch(const AnsiString& URL);
  // Makes Fetch stop at the next chance: after the attempt under way (a
  // caller that also disconnects the client ends that one at once) or
  // during a wait.
  void Cancel() { cancelled_ = true; }

  const TResumePoint& Point() const { return point_; }
  int Attempts() const { return attempts_; }
  int StartOvers() const { return start_overs_; }
  // Body bytes that arrived, those sent again and those thrown away included.
  std::int64_t BytesReceived() const { return received_; }
  // Milliseconds of the waits between attempts, as they were set.
  std::int64_t Waited() const { return waited_; }

 private:
  class Front;

  void Attempt(const AnsiString& URL);
  void TakeHeaders(const THttpResponse& Response, bool Ranged, std::int64_t From);
  void AdoptWholeBody(const THttpResponse& Response);
  void StartOver();
  void Hold(const std::uint8_t* Data, std::size_t Count);
  void Wait(std::int64_t Ms);
  void ReportProgress(bool Final);

  THttpClient& client_;
  TBodyWriter& body_;
  TRetryPolicy policy_;
  TProgressPacer pacer_;
  TResumePoint point_;
  bool announced_ = false;
  bool writer_failed_ = false;
  bool cancelled_ = false;
  std::int64_t compare_ = 0;    // bytes of the current answer still to compare with the tail
  std::int64_t new_bytes_ = 0;  // bytes written to the chain, in all
  int attempts_ = 0;
  int start_overs_ = 0;
  std::int64_t received_ = 0;
  std::int64_t waited_ = 0;
};
