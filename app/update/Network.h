#pragma once
// Support operations on the network: the connectivity test and fetching a
// URL as text.
#include "app/update/UpdateEnvironment.h"
#include "core/Types.h"

class THttpClient;

// 1 when the environment reports a network connection, else 0.
int IsOnline(const UpdateEnvironment& Env);
// The body of URL fetched through Client and decoded from UTF-8; "" on any
// failure, an empty URL or no network.
AnsiString GetUrlText(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env);
// The same body as received, before decoding (what a signature covers).
AnsiString GetUrlBody(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env);
