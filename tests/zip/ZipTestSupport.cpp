#include "ZipTestSupport.h"

#include <stdlib.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/FileHandle.h"
#include "platform/PathNames.h"

namespace ziptest {

std::string DataFile(const std::string& name) { return std::string(QUELBO_ZIP_TEST_DATA) + "/" + name; }

ScratchDir::ScratchDir() {
#ifdef _WIN32
  std::random_device random;
  while (path_.empty()) {
    const fs::path candidate = fs::temp_directory_path() / ("quelbo-zip-" + std::to_string(random() % 1000000000));
    if (fs::create_directory(candidate)) path_ = Utf8Of(candidate);
  }
#else
  std::string templ = (fs::temp_directory_path() / "quelbo-zip-XXXXXX").string();
  path_ = ::mkdtemp(templ.data());
#endif
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Give the owner write and search permission everywhere so removal works.
  for (auto it = fs::recursive_directory_iterator(FsPath(path_), ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_symlink()) continue;
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(FsPath(path_), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(FsPath(path_), ec);
}

int Shell(const std::string& command) {
#ifdef _WIN32
  // A Linux shell on the host; the Windows paths in the command become host paths.
  return testsupport::RunCommand({"sh", "-c", command}).status;
#else
  int rc = std::system(command.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void WriteFile(const std::string& path, const std::string& content) {
  fs::create_directories(FsPath(path).parent_path());
  std::ofstream(FsPath(path), std::ios::binary) << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> ListTree(const std::string& root) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(FsPath(root), ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    names.push_back(Utf8Of(fs::relative(it->path(), FsPath(root)).generic_u8string()) + (it->is_directory() ? "/" : ""));
  std::sort(names.begin(), names.end());
  return names;
}

std::string CompareTrees(const std::string& a, const std::string& b, CompareOptions options) {
  std::ostringstream diff;
  auto la = ListTree(a), lb = ListTree(b);
  if (la != lb) {
    diff << "names differ:";
    for (auto& n : la)
      if (!std::binary_search(lb.begin(), lb.end(), n)) diff << " -" << n;
    for (auto& n : lb)
      if (!std::binary_search(la.begin(), la.end(), n)) diff << " +" << n;
    diff << "\n";
  }
  for (auto& n : la) {
    if (!std::binary_search(lb.begin(), lb.end(), n) || n.back() == '/') continue;
    std::string pa = a + "/" + n, pb = b + "/" + n;
    if (ReadFile(pa) != ReadFile(pb)) diff << n << ": contents differ\n";
    platform::PathStatus sa, sb;
    platform::GetPathStatus(pa, sa);
    platform::GetPathStatus(pb, sb);
    const std::int64_t ta = sa.modifiedNs / 1000000000, tb = sb.modifiedNs / 1000000000;
    if (options.times && ta != tb) diff << n << ": mtime " << ta << " vs " << tb << "\n";
    // Permission bits are Linux's; Windows has attributes instead.
    if (options.modes && !platform::kBackslashSeparates && (sa.permissions & 0777) != (sb.permissions & 0777))
      diff << n << ": mode " << std::oct << (sa.permissions & 0777) << " vs " << (sb.permissions & 0777) << std::dec
           << "\n";
  }
  return diff.str();
}

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer(answer), previous_(UserInterface()) {
  TUserInterface ui = previous_;
  ui.Ask = [this](const AnsiString& text, const AnsiString& caption, UINT type) {
    requests.push_back({text, caption, type});
    return this->answer;
  };
  SetUserInterface(ui);
}
MessageBoxRecorder::~MessageBoxRecorder() { SetUserInterface(previous_); }

std::uint32_t Crc32(const std::string& data) {
  return static_cast<std::uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

std::string Deflate(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  std::uint32_t time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

namespace {
void Put16(std::string& s, std::uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
}  // namespace

std::string BuildArchive(const std::vector<Member>& members, const ArchiveOptions& options) {
  std::string out = options.prefix;
  std::vector<std::uint32_t> offsets;
  for (const Member& m : members) {
    const std::string& body = m.useCompressed ? m.compressed : m.data;
    std::uint32_t crc = m.crcOverride >= 0 ? static_cast<std::uint32_t>(m.crcOverride) : Crc32(m.data);
    std::uint32_t size = m.sizeOverride >= 0 ? static_cast<std::uint32_t>(m.sizeOverride) : static_cast<std::uint32_t>(m.data.size());
    offsets.push_back(static_cast<std::uint32_t>(out.size()));
    Put32(out, 0x04034B50);
    Put16(out, 20);
    Put16(out, m.flags);
    Put16(out, m.method);
    Put32(out, m.dateTime);
    Put32(out, crc);
    Put32(out, m.compressedSizeOverride >= 0 ? static_cast<std::uint32_t>(m.compressedSizeOverride) : static_cast<std::uint32_t>(body.size()));
    Put32(out, size);
    Put16(out, static_cast<std::uint32_t>(m.name.size()));
    Put16(out, 0);
    out += m.name;
    out += body;
  }
  std::uint32_t centralStart = static_cast<std::uint32_t>(out.size());
  std::vector<int> order = options.centralOrder;
  if (order.empty())
    for (std::size_t i = 0; i < members.size(); ++i) order.push_back(static_cast<int>(i));
  for (int i : order) {
    const Member& m = members[static_cast<std::size_t>(i)];
    const std::string& body = m.useCompressed ? m.compressed : m.data;
    std::uint32_t crc = m.crcOverride >= 0 ? static_cast<std::uint32_t>(m.crcOverride) : Crc32(m.data);
    std::uint32_t size = m.sizeOverride >= 0 ? static_cast<std::uint32_t>(m.sizeOverride) : static_cast<std::uint32_t>(m.data.size());
    Put32(out, 0x02014B50);
    Put16(out, m.madeBy);
    Put16(out, 20);
    Put16(out, m.flags);
    Put16(out, m.method);
    Put32(out, m.dateTime);
    Put32(out, crc);
    Put32(out, m.compressedSizeOverride >= 0 ? static_cast<std::uint32_t>(m.compressedSizeOverride) : static_cast<std::uint32_t>(body.size()));
    Put32(out, size);
    Put16(out, static_cast<std::uint32_t>(m.name.size()));
    Put16(out, m.centralExtraLengthOverride >= 0 ? static_cast<std::uint32_t>(m.centralExtraLengthOverride)
                                                 : static_cast<std::uint32_t>(m.centralExtra.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, m.externalAttributes);
    Put32(out, m.localOffsetOverride >= 0 ? static_cast<std::uint32_t>(m.localOffsetOverride) : offsets[static_cast<std::size_t>(i)]);
    out += m.name;
    out += m.centralExtra;
  }
  if (options.writeEndRecord) {
    std::uint32_t centralSize = static_cast<std::uint32_t>(out.size()) - centralStart;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(order.size()));
    Put16(out, static_cast<std::uint32_t>(order.size()));
    Put32(out, centralSize);
    Put32(out, centralStart);
    Put16(out, static_cast<std::uint32_t>(options.comment.size()));
    out += options.comment;
  }
  return out;
}

}  // namespace ziptest
