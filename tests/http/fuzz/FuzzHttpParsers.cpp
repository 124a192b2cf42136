// Fuzz entry point for the parsers that read what a server or a URL text
// supplies: URLs, status lines, header blocks, chunk sizes, cookies, dates.
// The first input byte picks the parser; the rest is its input.
#include <cstddef>
#include <cstdint>

#include "http/CookieManager.h"
#include "http/HttpClient.h"
#include "http/HttpErrors.h"
#include "http/HttpResponse.h"
#include "http/HttpUri.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const AnsiString text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    switch (data[0] % 6) {
      case 0: {
        TUri u = ParseUri(text);
        ResolveRelativePath("/a/b/", u.Path);
        break;
      }
      case 1:
        StatusCodeOf(text);
        break;
      case 2: {
        THttpResponse r;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i)
          if (i == text.size() || text[i] == '\n') {
            r.RawHeaders.Add(text.substr(start, i - start));
            start = i + 1;
          }
        r.InterpretHeaders();
        r.RawHeaders.FoldedLines();
        break;
      }
      case 3:
        ParseChunkSize(text);
        break;
      case 4: {
        TCookieManager store(nullptr);
        store.AddCookies(text, "a.b.c", "/p/q", data[0] & 0x80);
        store.CookieHeader("a.b.c", "/p/", false);
        break;
      }
      case 5:
        ParseInternetDate(text);
        break;
    }
  } catch (const Exception&) {
    // Errors with a message are the expected way out for bad input.
  }
  return 0;
}
