#include "http/SocketHandler.h"

#include "core/SysUtils.h"
#include "http/SocketErrors.h"

namespace {

// Four decimal numbers of 0 to 255 separated by dots, nothing else.
bool ParseDottedQuad(const AnsiString& s, std::uint32_t& out) {
  std::uint32_t parts[4];
  std::size_t i = 0;
  for (int k = 0; k < 4; ++k) {
    if (k > 0) {
      if (i >= s.size() || s[i] != '.') return false;
      ++i;
    }
    std::size_t start = i;
    std::uint32_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3) v = v * 10 + (s[i++] - '0');
    if (i == start || v > 255) return false;
    parts[k] = v;
  }
  if (i != s.size()) return false;
  out = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
  return true;
}

}  // namespace

std::uint32_t ResolveHost(const AnsiString& Host) {
  std::uint32_t a = 0;
  AnsiString h = Host;
  if (UpperCaseAscii(h) == "LOCALHOST") h = "127.0.0.1";
  if (ParseDottedQuad(h, a)) return a;
  if (const int error = platform::LookUpIpv4(h, a)) RaiseSocketError(error);
  return a;
}

void TSocketHandler::Open() {
  if (const int error = socket_.Open()) RaiseSocketError(error);
}

bool TSocketHandler::WaitReadable(int Ms) {
  int error = 0;
  const int rc = socket_.WaitReadable(Ms, error);
  if (rc < 0) RaiseSocketError(error);
  return rc > 0;
}
