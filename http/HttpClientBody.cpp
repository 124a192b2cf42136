// How a response's body is framed and read: by its Content-Length, in
// chunks, or up to the close; a partial response only ever as the exact part
// its Content-Range names.
#include <algorithm>

#include "http/HttpClient.h"
#include "http/HttpErrors.h"

namespace {

// A partial body framed by chunks must still be exactly the part announced.
class TExactLength : public TBodyFilter {
 public:
  TExactLength(TBodyWriter& next, std::int64_t length) : TBodyFilter(next), length_(length) {}
  void Write(const void* Data, std::size_t Count) override {
    if (static_cast<std::uint64_t>(Count) > static_cast<std::uint64_t>(length_ - written_))
      throw EHttpRangeError("The partial content is longer than its Content-Range.");
    written_ += static_cast<std::int64_t>(Count);
    TBodyFilter::Write(Data, Count);
  }
  void CheckComplete() const {
    if (written_ != length_) throw EHttpRangeError("The partial content is shorter than its Content-Range.");
  }

 private:
  std::int64_t length_;
  std::int64_t written_ = 0;
};

}  // namespace

std::int64_t ParseChunkSize(const AnsiString& Line, std::int64_t Limit) {
  std::size_t i = 0;
  while (i < Line.size() && (Line[i] == ' ' || Line[i] == '\t')) ++i;
  const std::size_t start = i;
  std::int64_t size = 0;
  for (; i < Line.size(); ++i) {
    char c = Line[i];
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) break;
    if (digit > Limit || size > (Limit - digit) / 16)
      throw EHttpFramingError("Chunk size " + Line + " is out of range.");
    size = size * 16 + digit;
  }
  const bool endsWell = i == Line.size() || Line[i] == ';' || Line[i] == ' ' || Line[i] == '\t';
  if (i == start || !endsWell) throw EHttpFramingError("Invalid chunk size: " + Line);
  return size;
}

void THttpClient::CheckPartialContent() const {
  if (!request_.AsksForRange()) throw EHttpRangeError("Partial content (206) to a request that asked for no range.");
  const std::optional<TContentRange>& r = response_.ContentRange;
  if (!r || !r->Satisfied) throw EHttpRangeError("Partial content (206) without a usable Content-Range.");
  // "bytes=N-" asks for everything from N; with an end, for N to the end;
  // "bytes=-N" for the last N bytes, or all of a shorter body.
  const bool suffix = request_.ContentRangeStart < 0;
  const bool startMatches =
      suffix ? r->Complete >= 0 && r->First == std::max<std::int64_t>(0, r->Complete + request_.ContentRangeStart)
             : r->First == request_.ContentRangeStart;
  const bool endMatches = request_.ContentRangeEnd != 0 && !suffix ? r->Last == request_.ContentRangeEnd
                          : suffix                                 ? r->Last == r->Complete - 1
                                                                   : r->Complete < 0 || r->Last == r->Complete - 1;
  if (!startMatches || !endMatches)
    throw EHttpRangeError("The partial content is not the range asked for: " +
                          response_.RawHeaders.Values("Content-Range"));
  if (response_.ContentLength >= 0 && response_.ContentLength != r->Length())
    throw EHttpRangeError("The partial content's length is not its Content-Range's.");
}

void THttpClient::ReadBody(TBodyWriter& Body) {
  const bool chunked = response_.TransferEncoding.find("chunked") != AnsiString::npos;
  if (response_.ResponseCode == 206 && response_.ContentRange) {
    // Only ever the part the Content-Range names, however it is framed.
    const std::int64_t length = response_.ContentRange->Length();
    Body.Announce(length);
    if (response_.ContentLength < 0 && chunked) {
      TExactLength exact(Body, length);
      ReadChunkedBody(exact);
      exact.CheckComplete();
    } else {
      ReadStream(Body, length);
    }
  } else if (response_.ContentLength >= 1) {
    Body.Announce(response_.ContentLength);
    ReadStream(Body, response_.ContentLength);
  } else if (chunked) {
    Body.Announce(-1);
    ReadChunkedBody(Body);
  } else if (response_.ContentLength < 0) {
    // Until the server closes: held to the length a Content-Length may have.
    TLengthLimit limited(Body, max_body_length_);
    limited.Announce(-1);
    ReadStream(limited, -1);
  }
}

void THttpClient::ReadChunkedBody(TBodyWriter& Body) {
  // The chunks are one transfer of unknown length: progress counts on from
  // chunk to chunk and ends once, after the last. The framing lines are no
  // part of the body and do not count. Together the chunks are held to the
  // length limit of a Content-Length body.
  BeginWork(wmRead, 0);
  try {
    std::int64_t total = 0;
    const std::int64_t limit = max_body_length_;
    for (std::int64_t size = ParseChunkSize(ReadLine(false), limit); size > 0;
         size = ParseChunkSize(ReadLine(false), limit)) {
      if (size > limit - total) throw EHttpFramingError(BodyTooLong(limit));
      total += size;
      ReadStream(Body, size);
      ReadLine(false);  // the line end after the chunk's data
    }
    // Trailer lines, if any, up to the empty line that ends the body.
    while (!ReadLine(false).empty()) {
    }
  } catch (...) {
    EndWork(wmRead, false);
    throw;
  }
  EndWork(wmRead);
}
