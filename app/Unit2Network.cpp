// Support operations on the network: the connectivity test and fetching a URL as text.
#include "app/Seams.h"
#include "app/Unit2.h"
#include "app/VersionReply.h"
#include "http/HttpClient.h"
#include "platform/Connectivity.h"

int IsOnline() {
  if (const OnlineHook& hook = CurrentOnlineHook()) return hook();
  return platform::HasNetworkConnection() ? 1 : 0;
}

AnsiString GetUrlText(THttpClient& Client, const AnsiString& URL) { return ReplyToAnsi(GetUrlBody(Client, URL)); }

AnsiString GetUrlBody(THttpClient& Client, const AnsiString& URL) {
  AnsiString body;
  if (!URL.empty()) {
    // Every failure of the query reads as no reply at all.
    try {
      if (IsOnline() == 1) body = Client.Get(URL);
    } catch (...) {
      body.clear();
    }
  }
  return body;
}
