#pragma once
// The cookie store of one HTTP client: cookies taken in from "Set-Cookie"
// (Netscape kind with the additions of RFC 2109) and "Set-Cookie2" (RFC 2965)
// lines, grouped by domain, and the "Cookie" line for a request.
#include <ctime>
#include <optional>
#include <unordered_map>
#include <vector>

#include "core/Classes.h"

struct TCookie {
  AnsiString Name, Value, Domain, Path;
  AnsiString Expires;  // the expiry text as received (a date, or Max-Age seconds)
  std::optional<std::time_t> ExpiresAt;
  bool Secure = false;
};

class TCookieManager : public TComponent {
 public:
  explicit TCookieManager(TComponent* AOwner) : TComponent(AOwner) {}

  // Takes in the value of one "Set-Cookie" line (Rfc2965 False) or one
  // "Set-Cookie2" line (which may hold several cookies) of a response to a
  // request for RequestHost and RequestPath. Cookies whose domain does not fit
  // the host are dropped.
  void AddCookies(const AnsiString& HeaderValue, const AnsiString& RequestHost, const AnsiString& RequestPath,
                  bool Rfc2965);

  // The "name=value; ..." text for a request, longest (deepest) paths first,
  // after dropping expired cookies; empty when nothing matches.
  AnsiString CookieHeader(const AnsiString& Host, const AnsiString& Path, bool SecureConnection);

  int Count() const;
  std::vector<TCookie> All() const;
  void Clear() { domains_.clear(); }
  // The clock that decides expiry; tests set it.
  void SetClock(std::time_t (*Now)()) { now_ = Now; }

 private:
  struct Domain {
    AnsiString Name;
    std::vector<TCookie> Cookies;
    // Where each name stands in Cookies: a line of thousands of cookies is
    // taken in without comparing each with all before it.
    std::unordered_map<AnsiString, std::size_t> Positions;
  };
  void Store(TCookie Cookie, const AnsiString& RequestHost);
  void DropExpired();

  std::vector<Domain> domains_;
  std::time_t (*now_)() = nullptr;
};

// True when a cookie for Domain may be set by a response from Host.
bool CookieDomainFitsHost(const AnsiString& Domain, const AnsiString& Host);
// True when a cookie stored for Domain may be sent to Host: the same name, or
// Host lies inside Domain ("a.b.c" inside "b.c" or ".b.c").
bool CookieDomainMatchesHost(const AnsiString& Domain, const AnsiString& Host);
