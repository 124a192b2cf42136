#include "app/update/VersionReply.h"

#include "app/update/PathText.h"
#include "core/SysUtils.h"
#include "platform/CodePage.h"

AnsiString VersionEndpoint(const AnsiString& Host) { return "http://" + Host + "/version/version.php"; }

WideString DecodeReplyUtf8(const AnsiString& bytes) {
  WideString out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size();
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  for (std::size_t i = 0; i < n;) {
    unsigned char lead = at(i);
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    const bool three = (lead & 0x20) != 0;
    const std::size_t length = three ? 3 : 2;
    if (i + length > n) return {};
    unsigned value = three ? (lead & 0x0F) : (lead & 0x1F);
    for (std::size_t k = 1; k < length; ++k) {
      unsigned char c = at(i + k);
      if ((c & 0xC0) != 0x80) return {};
      value = (value << 6) | (c & 0x3F);
    }
    out += static_cast<char16_t>(value & 0xFFFF);
    i += length;
  }
  return out;
}

AnsiString ReplyToAnsi(const AnsiString& bytes) { return platform::Utf16ToCp936(DecodeReplyUtf8(bytes)); }

bool IsPauseReply(const AnsiString& reply) { return reply.empty() || reply == kPauseReply; }

bool IsArchiveName(const AnsiString& packageName) {
  return LowerCaseAscii(packageName).find(kArchiveMarker) != AnsiString::npos;
}

namespace {
bool HasControlByte(const AnsiString& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}
}  // namespace

bool IsPlainFileName(const AnsiString& packageName) {
  if (packageName.empty() || packageName == "." || packageName == "..") return false;
  if (HasControlByte(packageName)) return false;
  return LastSeparator(packageName, "/\\:") == AnsiString::npos;
}

bool IsInstallRelativeName(const AnsiString& programName) {
  if (programName.empty() || HasControlByte(programName)) return false;
  if (programName[0] == '/' || programName[0] == '\\') return false;
  if (programName.size() >= 2 && programName[1] == ':') return false;
  for (const AnsiString& part : PathComponents(programName))
    if (part == "..") return false;
  return true;
}
