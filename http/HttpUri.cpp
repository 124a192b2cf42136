#include "http/HttpUri.h"

#include <vector>

#include "platform/CodePage.h"

namespace {

AnsiString SlashesForBackslashes(AnsiString u) {
  for (std::size_t i = 0; i < u.size(); ++i) {
    if (platform::IsCp936LeadByte(static_cast<unsigned char>(u[i])) && i + 1 < u.size()) {
      ++i;  // the trail byte may look like a backslash; it is not one
      continue;
    }
    if (u[i] == '\\') u[i] = '/';
  }
  return u;
}

// Cuts R into Path, Document and Params: Params start at the first "?" (or,
// without one, the first "="), and the path ends at the last "/" before them.
void SplitPathDocumentParams(const AnsiString& r, bool absolute, TUri& uri) {
  std::size_t q = r.find('?');
  if (q == AnsiString::npos) q = r.find('=');
  const std::size_t scanEnd = q == AnsiString::npos ? r.size() : q;
  std::size_t p = scanEnd == 0 ? AnsiString::npos : r.rfind('/', scanEnd - 1);
  const std::size_t docStart = p == AnsiString::npos ? 0 : p + 1;
  const AnsiString pathPart = p == AnsiString::npos ? AnsiString() : r.substr(0, p + 1);
  uri.Path = absolute ? "/" + pathPart : pathPart;
  uri.Document = r.substr(docStart, scanEnd - docStart);
  uri.Params = q == AnsiString::npos ? AnsiString() : r.substr(q);
}

}  // namespace

TUri::TUri(const AnsiString& U) : TUri(ParseUri(U)) {}

TUri ParseUri(const AnsiString& U) {
  TUri uri;
  AnsiString u = SlashesForBackslashes(U);
  std::size_t scheme = u.find("://");
  if (scheme != AnsiString::npos) {
    uri.Protocol = u.substr(0, scheme);
    u.erase(0, scheme + 3);
    std::size_t slash = u.find('/');
    AnsiString authority = u.substr(0, slash);
    AnsiString rest = slash == AnsiString::npos ? AnsiString() : u.substr(slash + 1);
    std::size_t at = authority.find('@');
    if (at != AnsiString::npos) {
      AnsiString cred = authority.substr(0, at);
      authority.erase(0, at + 1);
      std::size_t colon = cred.find(':');
      uri.UserName = cred.substr(0, colon);
      if (colon != AnsiString::npos) uri.Password = cred.substr(colon + 1);
      if (uri.UserName.empty()) uri.Password.clear();
    }
    std::size_t colon = authority.find(':');
    uri.Host = authority.substr(0, colon);
    if (colon != AnsiString::npos) uri.Port = authority.substr(colon + 1);
    SplitPathDocumentParams(rest, true, uri);
    std::size_t hash = uri.Document.find('#');
    if (hash != AnsiString::npos) {
      uri.Bookmark = uri.Document.substr(hash + 1);
      uri.Document.erase(hash);
    }
  } else {
    SplitPathDocumentParams(u, false, uri);
  }
  if (uri.Bookmark.empty()) {
    std::size_t hash = uri.Params.find('#');
    if (hash != AnsiString::npos) {
      uri.Bookmark = uri.Params.substr(hash + 1);
      uri.Params.erase(hash);
    }
  }
  return uri;
}

AnsiString ResolveRelativePath(const AnsiString& Base, const AnsiString& Path) {
  AnsiString joined = Base;
  if (joined.empty() || joined.back() != '/') joined += '/';
  joined += Path;

  std::vector<AnsiString> segments;
  std::size_t i = 0;
  while (i < joined.size()) {
    std::size_t j = joined.find('/', i);
    if (j == AnsiString::npos) j = joined.size();
    AnsiString seg = joined.substr(i, j - i);
    if (seg == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!seg.empty()) {
      segments.push_back(seg);
    }
    i = j + 1;
  }
  AnsiString out;
  for (const AnsiString& s : segments) out += "/" + s;
  const bool keepTrailing = Path.empty() || Path.back() == '/';
  if (out.empty() || keepTrailing) out += '/';
  return out;
}
