#include "app/update/InstalledFiles.h"

#include <libdeflate.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <vector>

#include "app/update/Installation.h"
#include "core/Streams.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"

const char* const kInstalledRecordName = "xconfig.installed";

namespace {

constexpr const char* kFirstLine = "quelbo-installed 1";
// Thousands of files of a few hundred bytes each; far more is no record.
constexpr std::int64_t kLongestRecord = 256 << 20;

bool FitsOnALine(const std::string& s) {
  return !s.empty() && s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// Decimal digits without a leading zero, or with a minus where Signed.
std::optional<std::int64_t> Number(const std::string& s, bool Signed) {
  const bool minus = Signed && !s.empty() && s[0] == '-';
  const std::string digits = minus ? s.substr(1) : s;
  if (digits.empty() || digits.size() > 19 || (digits.size() > 1 && digits[0] == '0') || (minus && digits == "0"))
    return std::nullopt;
  std::uint64_t v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
  return minus ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
}

// Eight lower-case hexadecimal digits.
std::optional<std::uint32_t> Crc(const std::string& s) {
  if (s.size() != 8) return std::nullopt;
  std::uint32_t v = 0;
  for (char c : s) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    v = v << 4 | static_cast<std::uint32_t>(digit);
  }
  return v;
}

// The next blank-ended field of Line from At, moving At past the blank.
std::optional<std::string> Field(const std::string& line, std::size_t& at) {
  const std::size_t blank = line.find(' ', at);
  if (blank == std::string::npos) return std::nullopt;
  std::string field = line.substr(at, blank - at);
  at = blank + 1;
  return field;
}

// Size and time of a regular file, or nothing.
std::optional<TInstalledFile> Stat(const AnsiString& path) {
  platform::PathStatus status;
  if (!platform::GetPathStatus(platform::ToOsPath(path), status) || status.kind != platform::PathStatus::File)
    return std::nullopt;
  TInstalledFile f;
  f.size = status.size;
  f.modified = status.modifiedNs;
  return f;
}

// A file written in the last moments may be written again within the same
// tick of the file system's clock (two seconds on FAT) and keep its time: its
// hashes are not kept, so the next look reads it again.
bool WrittenJustNow(std::int64_t modifiedNs) {
  constexpr std::int64_t kClockTickNs = 2'000'000'000;
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  return modifiedNs > now - kClockTickNs;
}

bool Hash(const AnsiString& path, TInstalledFile& f) {
  try {
    TFileStream file(path, fmOpenRead);
    std::vector<std::uint8_t> buffer(1 << 20);
    release::Sha256 sha;
    std::uint32_t crc = 0;
    std::int64_t total = 0;
    for (;;) {
      const std::int64_t got = file.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
      if (got <= 0) break;
      sha.Update(buffer.data(), static_cast<std::size_t>(got));
      crc = libdeflate_crc32(crc, buffer.data(), static_cast<std::size_t>(got));
      total += got;
    }
    // A file that changed while it was read is taken for what was read,
    // and its time, looked at again, says whether to read it next time.
    f.size = total;
    f.crc32 = crc;
    f.sha256 = sha.Final();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

std::optional<std::string> InstalledRecordText(const TInstalledRecord& Record) {
  std::string text = std::string(kFirstLine) + "\n";
  char crc[9];
  for (const auto& [name, f] : Record) {
    if (!FitsOnALine(name) || f.size < 0) return std::nullopt;
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(f.crc32));
    text += std::to_string(f.size) + " " + std::to_string(f.modified) + " " + crc + " " + release::ToHex(f.sha256) +
            " " + name + "\n";
  }
  return text;
}

std::optional<TInstalledRecord> ParseInstalledRecord(const std::string& Text) {
  TInstalledRecord record;
  std::size_t at = 0;
  bool first = true;
  while (at < Text.size()) {
    const std::size_t end = Text.find('\n', at);
    if (end == std::string::npos) return std::nullopt;  // every line ends
    const std::string line = Text.substr(at, end - at);
    at = end + 1;
    if (first) {
      if (line != kFirstLine) return std::nullopt;
      first = false;
      continue;
    }
    std::size_t pos = 0;
    const auto size = Field(line, pos), modified = Field(line, pos), crc = Field(line, pos), sha = Field(line, pos);
    if (!sha) return std::nullopt;
    const std::string name = line.substr(pos);
    TInstalledFile f;
    const auto s = Number(*size, false), m = Number(*modified, true);
    const auto c = Crc(*crc);
    const auto h = release::FromHex<32>(*sha);
    // Only what the record's own text could hold, so what is read writes back.
    if (!s || !m || !c || !h || !FitsOnALine(name) || *sha != release::ToHex(*h)) return std::nullopt;
    f.size = *s;
    f.modified = *m;
    f.crc32 = *c;
    f.sha256 = *h;
    // In the order the record's own text has them, each name once.
    if (!record.empty() && !(record.rbegin()->first < name)) return std::nullopt;
    record.emplace_hint(record.end(), name, f);
  }
  if (first) return std::nullopt;
  return record;
}

TInstalledFiles::TInstalledFiles(const AnsiString& AppDir) : appDir_(AppDir) {
  try {
    TFileStream file(AppDir + kInstalledRecordName, fmOpenRead);
    const std::int64_t size = file.Size();
    if (size <= 0 || size > kLongestRecord) return;
    std::string text(static_cast<std::size_t>(size), '\0');
    file.ReadBuffer(text.data(), size);
    if (std::optional<TInstalledRecord> r = ParseInstalledRecord(text)) {
      record_ = std::move(*r);
      recorded_ = true;
    }
  } catch (const Exception&) {
    // No record: every file asked for is hashed.
  }
}

std::optional<TInstalledFile> TInstalledFiles::Current(const std::string& Name) {
  const AnsiString path = InstalledPath(appDir_, Name);
  std::optional<TInstalledFile> now = Stat(path);
  if (!now) {
    record_.erase(Name);
    return std::nullopt;
  }
  if (auto it = record_.find(Name);
      it != record_.end() && it->second.size == now->size && it->second.modified == now->modified)
    return it->second;
  ++hashed_;
  if (!Hash(path, *now)) {
    record_.erase(Name);
    return std::nullopt;
  }
  // A time that moved while the file was read leaves it to be read again.
  if (const std::optional<TInstalledFile> after = Stat(path);
      after && after->modified == now->modified && !WrittenJustNow(now->modified))
    record_[Name] = *now;
  else record_.erase(Name);
  return now;
}

bool TInstalledFiles::Save() const {
  const std::optional<std::string> text = InstalledRecordText(record_);
  if (!text) return false;
  // Not forced to the disk: a record lost with the power is rebuilt.
  platform::FileReplacement file;
  return file.Open(appDir_ + kInstalledRecordName) && file.Write(text->data(), text->size()) && file.Commit(false);
}

void RecordInstallation(const AnsiString& AppDir, const std::vector<std::string>& Names) {
  TInstalledFiles files(AppDir);
  const std::set<std::string> installed(Names.begin(), Names.end());
  files.KeepOnly([&](const std::string& name) { return installed.count(name) != 0; });
  for (const std::string& name : installed) files.Current(name);
  files.Save();
}
