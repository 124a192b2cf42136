// Fuzz entry for one parser of what a server or a URL text supplies
// (FUZZ_PARSER): a URL, a status line with its header block, a Set-Cookie
// value, an Internet date, and the fields a resumed transfer reads
// (Content-Range, ETag, Retry-After). Bad input ends in an exception with a
// message, or in no value.
#include <cstddef>
#include <cstdint>

#include "http/CookieManager.h"
#include "http/HttpDate.h"
#include "http/HttpErrors.h"
#include "http/HttpResponse.h"
#include "http/HttpUri.h"
#include "http/RangeHeaders.h"

#define PARSER_URL 1
#define PARSER_HEAD 2
#define PARSER_COOKIES 3
#define PARSER_DATES 4
#define PARSER_CONTENT_RANGE 5
#define PARSER_ETAG 6
#define PARSER_RETRY_AFTER 7

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const AnsiString text(reinterpret_cast<const char*>(data), size);
  try {
#if FUZZ_PARSER == PARSER_URL
    const TUri u = ParseUri(text);
    ResolveRelativePath("/a/b/", u.Path);
    ResolveRelativePath(u.Path, "../c/./d");
#elif FUZZ_PARSER == PARSER_HEAD
    // The first line is the status line, the others the header block.
    THttpResponse r;
    std::size_t start = text.find('\n');
    r.ResponseText = text.substr(0, start);
    StatusCodeOf(r.ResponseText);
    for (std::size_t i = start; start != AnsiString::npos && i <= text.size(); ++i)
      if (i == text.size() || text[i] == '\n') {
        if (i > start) r.RawHeaders.Add(text.substr(start + 1, i - start - 1));
        start = i;
      }
    r.InterpretHeaders();
    r.ParseStatusLine();
    r.RawHeaders.FoldedLines();
#elif FUZZ_PARSER == PARSER_COOKIES
    // The first byte picks the Set-Cookie2 form; the rest is the value.
    TCookieManager store(nullptr);
    const bool version2 = !text.empty() && (text[0] & 1);
    store.AddCookies(text.empty() ? text : text.substr(1), "a.b.c", "/p/q", version2);
    store.CookieHeader("a.b.c", "/p/", false);
    store.CookieHeader("x.b.c", "/", true);
#elif FUZZ_PARSER == PARSER_DATES
    ParseInternetDate(text);
#elif FUZZ_PARSER == PARSER_CONTENT_RANGE
    // A range read back must be one that could be asked for.
    if (auto r = ParseContentRange(text); r && r->Satisfied) {
      if (r->First < 0 || r->Last < r->First || (r->Complete >= 0 && r->Complete <= r->Last)) __builtin_trap();
    }
#elif FUZZ_PARSER == PARSER_ETAG
    // A tag is written back as it was read, and matches itself only when strong.
    if (auto tag = ParseEntityTag(text)) {
      if (tag->Text() != text || tag->StrongMatch(*tag) == tag->Weak) __builtin_trap();
    }
    IfRangeValidator(text, text, "Sun, 06 Nov 1994 08:49:38 GMT");
#elif FUZZ_PARSER == PARSER_RETRY_AFTER
    if (auto wait = ParseRetryAfter(text, 784111777); wait && *wait < 0) __builtin_trap();
#else
#error "FUZZ_PARSER must name a parser"
#endif
  } catch (const Exception&) {
  }
  return 0;
}
