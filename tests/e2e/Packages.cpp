#include "tests/e2e/Packages.h"

#include <sys/wait.h>
#include <zlib.h>

#include <cstdlib>

#include "tests/support/TestServers.h"

namespace e2e {

namespace {

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// 2024-05-01 12:00:00 in MS-DOS form.
constexpr unsigned kDosTime = (12 << 11);
constexpr unsigned kDosDate = ((2024 - 1980) << 9) | (5 << 5) | 1;
constexpr std::uint32_t kLocalSignature = 0x04034B50, kCentralSignature = 0x02014B50, kEndSignature = 0x06054B50;
constexpr unsigned kHostUnix = 3, kVersion = 20;

}  // namespace

int Shell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ZipTree(const std::string& tree) {
  testsupport::TempDir out;
  const std::string archive = out / "package.zip";
  if (Shell("cd " + Quoted(tree) + " && zip -q -r " + Quoted(archive) + " .") != 0) return {};
  return testsupport::ReadFile(archive);
}

bool UnzipInto(const std::string& archive, const std::string& into) {
  return Shell("unzip -q -o " + Quoted(archive) + " -d " + Quoted(into)) == 0;
}

std::string HandMadeZip(const std::vector<HandMember>& members) {
  std::string body, central;
  for (const HandMember& m : members) {
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    if (m.wrongCrc) crc ^= 0x5A5A5A5Au;
    const std::uint32_t offset = static_cast<std::uint32_t>(body.size());
    Put32(body, kLocalSignature);
    Put16(body, kVersion);
    Put16(body, 0);  // flags
    Put16(body, 0);  // stored
    Put16(body, kDosTime);
    Put16(body, kDosDate);
    Put32(body, crc);
    Put32(body, static_cast<std::uint32_t>(m.data.size()));
    Put32(body, static_cast<std::uint32_t>(m.data.size()));
    Put16(body, static_cast<unsigned>(m.name.size()));
    Put16(body, 0);
    body += m.name + m.data;

    Put32(central, kCentralSignature);
    Put16(central, (m.unixMode ? kHostUnix << 8 : 0) | kVersion);
    Put16(central, kVersion);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, kDosTime);
    Put16(central, kDosDate);
    Put32(central, crc);
    Put32(central, static_cast<std::uint32_t>(m.data.size()));
    Put32(central, static_cast<std::uint32_t>(m.data.size()));
    Put16(central, static_cast<unsigned>(m.name.size()));
    Put16(central, 0);  // extra
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, m.unixMode << 16);
    Put32(central, offset);
    central += m.name;
  }
  std::string out = body + central;
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<unsigned>(members.size()));
  Put16(out, static_cast<unsigned>(members.size()));
  Put32(out, static_cast<std::uint32_t>(central.size()));
  Put32(out, static_cast<std::uint32_t>(body.size()));
  Put16(out, 0);
  return out;
}

}  // namespace e2e
