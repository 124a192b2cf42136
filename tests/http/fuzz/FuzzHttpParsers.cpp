// Fuzz entry for one parser of what a server or a URL text supplies
// (FUZZ_PARSER): a URL, a status line with its header block, a Set-Cookie
// value, an Internet date. Bad input ends in an exception with a message.
#include <cstddef>
#include <cstdint>

#include "http/CookieManager.h"
#include "http/HttpDate.h"
#include "http/HttpErrors.h"
#include "http/HttpResponse.h"
#include "http/HttpUri.h"

#define PARSER_URL 1
#define PARSER_HEAD 2
#define PARSER_COOKIES 3
#define PARSER_DATES 4

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
#else
#error "FUZZ_PARSER must name a parser"
#endif
  } catch (const Exception&) {
  }
  return 0;
}
