#include "app/update/Network.h"

#include "app/update/VersionReply.h"
#include "http/HttpClient.h"

int IsOnline(const UpdateEnvironment& Env) { return Env.online() ? 1 : 0; }

AnsiString GetUrlText(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env) {
  return ReplyToAnsi(GetUrlBody(Client, URL, Env));
}

AnsiString GetUrlBody(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env) {
  AnsiString body;
  if (!URL.empty()) {
    // Every failure of the query reads as no reply at all.
    try {
      if (IsOnline(Env) == 1) body = Client.Get(URL);
    } catch (...) {
      body.clear();
    }
  }
  return body;
}
