#include "app/update/Network.h"

#include "app/update/FetchControl.h"
#include "app/update/VersionReply.h"
#include "http/HttpClient.h"
#include "http/ResumableFetch.h"

int IsOnline(const UpdateEnvironment& Env) { return Env.online() ? 1 : 0; }

AnsiString GetUrlText(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env) {
  return ReplyToAnsi(GetUrlBody(Client, URL, Env));
}

TRetryPolicy QueryRetries() {
  TRetryPolicy policy;
  // Waits of about 1 and 2 seconds: an unreachable server is told within a
  // few seconds.
  policy.MaxFailuresInARow = 3;
  policy.MaxAttempts = 10;
  policy.MaxRetryAfterMs = 10000;
  return policy;
}

AnsiString GetUrlBody(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env,
                      TFetchControl* Control) {
  if (URL.empty()) return {};
  // Every failure of the query reads as no reply at all.
  try {
    if (IsOnline(Env) != 1) return {};
    TMemoryStream memory;
    TMemoryStore store(memory);
    TResumableFetch fetch(Client, store);
    fetch.Policy() = QueryRetries();
    TFetchControl::Running running(Control, fetch, Env);
    fetch.Fetch(URL);
    return AnsiString(static_cast<const char*>(memory.Memory()), static_cast<std::size_t>(memory.Size()));
  } catch (...) {
    return {};
  }
}
