#pragma once
// Support operations on the network: the connectivity test and fetching a
// URL as text.
#include <cstdint>

#include "app/update/UpdateEnvironment.h"
#include "core/Types.h"
#include "http/RetryPolicy.h"

class THttpClient;
class TFetchControl;

// 1 when the environment reports a network connection, else 0.
int IsOnline(const UpdateEnvironment& Env);
// The body of URL fetched through Client and decoded from UTF-8; "" on any
// failure, an empty URL or no network.
AnsiString GetUrlText(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env);
// The same body as received, before decoding (what a signature covers).
// A cut or a server briefly unable to answer is tried again a few times
// (QueryRetries), so that a passing fault is not taken for a paused server;
// Control, when given, can stop it.
AnsiString GetUrlBody(THttpClient& Client, const AnsiString& URL, const UpdateEnvironment& Env,
                      TFetchControl* Control = nullptr);

// The version query's retries: a few, soon over, since the person waits
// for an answer before anything is shown.
TRetryPolicy QueryRetries();
