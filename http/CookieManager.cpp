#include "http/CookieManager.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "http/HeaderList.h"
#include "http/HttpDate.h"

namespace {

bool IsDottedQuad(const AnsiString& h) {
  int dots = 0;
  for (char c : h) {
    if (c == '.') ++dots;
    else if (c < '0' || c > '9') return false;
  }
  return dots == 3;
}

// Splits at Separator outside double quotes; parts are trimmed.
std::vector<AnsiString> SplitOutsideQuotes(const AnsiString& s, char separator) {
  std::vector<AnsiString> parts;
  AnsiString cur;
  bool quoted = false;
  for (char c : s) {
    if (c == '"') quoted = !quoted;
    if (c == separator && !quoted) {
      parts.push_back(TrimBlanks(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(TrimBlanks(cur));
  return parts;
}

AnsiString DefaultPath(const AnsiString& requestPath) {
  std::size_t slash = requestPath.rfind('/');
  if (slash == AnsiString::npos || slash == 0) return "/";
  return requestPath.substr(0, slash);
}

std::time_t SystemNow() { return std::time(nullptr); }

unsigned char UpperByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 'a' && b <= 'z' ? static_cast<unsigned char>(b - 'a' + 'A') : b;
}

TCookie ParseCookie(const AnsiString& text, const AnsiString& requestPath, std::time_t now) {
  std::vector<AnsiString> parts = SplitOutsideQuotes(text, ';');
  TCookie c;
  const AnsiString& first = parts.front();
  std::size_t eq = first.find('=');
  c.Name = TrimBlanks(first.substr(0, eq));
  if (eq != AnsiString::npos) c.Value = TrimBlanks(first.substr(eq + 1));
  bool hasMaxAge = false;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::size_t e = parts[i].find('=');
    AnsiString name = UpperCaseAscii(TrimBlanks(parts[i].substr(0, e)));
    AnsiString value = e == AnsiString::npos ? AnsiString() : TrimBlanks(parts[i].substr(e + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (name == "PATH") {
      c.Path = value;
    } else if (name == "DOMAIN") {
      c.Domain = value;
    } else if (name == "SECURE") {
      c.Secure = true;
    } else if (name == "MAX-AGE") {
      errno = 0;
      char* end = nullptr;
      long long secs = std::strtoll(value.c_str(), &end, 10);
      if (!value.empty() && *end == '\0' && errno == 0) {
        hasMaxAge = true;
        c.Expires = value;
        c.ExpiresAt = secs <= 0 ? now - 1 : now + static_cast<std::time_t>(std::min<long long>(secs, 1LL << 40));
      }
    } else if (name == "EXPIRES" && !hasMaxAge) {
      c.Expires = value;
      c.ExpiresAt = ParseInternetDate(value);
    }
  }
  if (c.Path.empty()) c.Path = DefaultPath(requestPath);
  return c;
}

}  // namespace

bool CookieDomainFitsHost(const AnsiString& Domain, const AnsiString& Host) {
  if (IsDottedQuad(Host)) return Domain == Host;
  if (!Domain.empty() && Domain[0] == '.') {
    std::size_t dot = Host.find('.');
    return dot != AnsiString::npos && Host.substr(dot) == Domain;
  }
  return Domain == Host;
}

bool CookieDomainMatchesHost(const AnsiString& Domain, const AnsiString& Host) {
  AnsiString d = UpperCaseAscii(!Domain.empty() && Domain[0] == '.' ? Domain.substr(1) : Domain);
  AnsiString h = UpperCaseAscii(Host);
  if (d.empty()) return false;
  if (h == d) return true;
  return h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 &&
         h[h.size() - d.size() - 1] == '.';
}

void TCookieManager::AddCookies(const AnsiString& HeaderValue, const AnsiString& RequestHost,
                                const AnsiString& RequestPath, bool Rfc2965) {
  const std::time_t now = now_ ? now_() : SystemNow();
  std::vector<AnsiString> texts = Rfc2965 ? SplitOutsideQuotes(HeaderValue, ',') : std::vector<AnsiString>{HeaderValue};
  for (const AnsiString& t : texts) {
    if (TrimBlanks(t).empty()) continue;
    TCookie c = ParseCookie(t, RequestPath, now);
    if (c.Name.empty()) continue;
    Store(std::move(c), RequestHost);
  }
}

void TCookieManager::Store(TCookie Cookie, const AnsiString& RequestHost) {
  if (Cookie.Domain.empty()) Cookie.Domain = RequestHost;
  if (!CookieDomainFitsHost(Cookie.Domain, RequestHost)) return;
  auto d = std::find_if(domains_.begin(), domains_.end(), [&](const Domain& x) { return x.Name == Cookie.Domain; });
  if (d == domains_.end()) {
    domains_.push_back({Cookie.Domain, {}, {}});
    d = domains_.end() - 1;
  }
  const auto [at, added] = d->Positions.try_emplace(Cookie.Name, d->Cookies.size());
  if (added) d->Cookies.push_back(std::move(Cookie));
  else d->Cookies[at->second] = std::move(Cookie);
}

void TCookieManager::DropExpired() {
  const std::time_t now = now_ ? now_() : SystemNow();
  for (Domain& d : domains_) {
    const auto kept = std::remove_if(d.Cookies.begin(), d.Cookies.end(),
                                     [&](const TCookie& c) { return c.ExpiresAt && *c.ExpiresAt <= now; });
    if (kept == d.Cookies.end()) continue;
    d.Cookies.erase(kept, d.Cookies.end());
    d.Positions.clear();
    for (std::size_t i = 0; i < d.Cookies.size(); ++i) d.Positions.emplace(d.Cookies[i].Name, i);
  }
}

AnsiString TCookieManager::CookieHeader(const AnsiString& Host, const AnsiString& Path, bool SecureConnection) {
  DropExpired();
  std::vector<const TCookie*> chosen;
  for (const Domain& d : domains_) {
    if (!CookieDomainMatchesHost(d.Name, Host)) continue;
    for (const TCookie& c : d.Cookies)
      if (!c.Value.empty() && (!c.Secure || SecureConnection) && Path.compare(0, c.Path.size(), c.Path) == 0)
        chosen.push_back(&c);
  }
  // Paths compared in capitals, byte by byte, without a copy per comparison.
  std::stable_sort(chosen.begin(), chosen.end(), [](const TCookie* a, const TCookie* b) {
    return std::lexicographical_compare(b->Path.begin(), b->Path.end(), a->Path.begin(), a->Path.end(),
                                        [](char x, char y) { return UpperByte(x) < UpperByte(y); });
  });
  AnsiString out;
  for (const TCookie* c : chosen) {
    if (!out.empty()) out += "; ";
    out += c->Name + "=" + c->Value;
  }
  return out;
}

int TCookieManager::Count() const {
  int n = 0;
  for (const Domain& d : domains_) n += static_cast<int>(d.Cookies.size());
  return n;
}

std::vector<TCookie> TCookieManager::All() const {
  std::vector<TCookie> out;
  for (const Domain& d : domains_) out.insert(out.end(), d.Cookies.begin(), d.Cookies.end());
  return out;
}
