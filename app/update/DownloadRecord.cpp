#include "app/update/DownloadRecord.h"

#include <map>

#include "core/Streams.h"
#include "platform/AtomicFile.h"

namespace {

constexpr const char* kFirstLine = "quelbo-download 1";
// A record is a few hundred bytes; anything much larger is not one.
constexpr std::int64_t kLongestRecord = 1 << 20;

bool FitsOnALine(const std::string& s) { return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

std::optional<std::int64_t> Number(const std::string& s, bool mayBeMinusOne) {
  if (mayBeMinusOne && s == "-1") return -1;
  if (s.empty() || s.size() > 18) return std::nullopt;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

std::optional<std::string> DownloadRecordText(const TDownloadRecord& r) {
  std::string text = std::string(kFirstLine) + "\n";
  auto item = [&](const char* name, const std::string& value) { text += std::string(name) + " " + value + "\n"; };
  for (const std::string* s : {&r.url, &r.name, &r.validator, &r.etag, &r.lastModified})
    if (!FitsOnALine(*s)) return std::nullopt;
  item("url", r.url);
  item("name", r.name);
  if (r.promisedSize) item("size", std::to_string(*r.promisedSize));
  if (r.promisedSha256) item("sha256", release::ToHex(*r.promisedSha256));
  item("held", std::to_string(r.held));
  item("total", std::to_string(r.total));
  item("validator", r.validator);
  item("etag", r.etag);
  item("last-modified", r.lastModified);
  return text;
}

std::optional<TDownloadRecord> ParseDownloadRecord(const std::string& Text) {
  std::map<std::string, std::string> items;
  std::size_t at = 0;
  bool first = true;
  while (at < Text.size()) {
    const std::size_t end = Text.find('\n', at);
    if (end == std::string::npos) return std::nullopt;  // every line ends
    const std::string line = Text.substr(at, end - at);
    at = end + 1;
    // Only what a record's own text could hold, so what is read writes back.
    if (!FitsOnALine(line)) return std::nullopt;
    if (first) {
      if (line != kFirstLine) return std::nullopt;
      first = false;
      continue;
    }
    const std::size_t space = line.find(' ');
    if (space == std::string::npos || !items.emplace(line.substr(0, space), line.substr(space + 1)).second)
      return std::nullopt;
  }
  for (const char* required : {"url", "name", "held", "total", "validator", "etag", "last-modified"})
    if (!items.count(required)) return std::nullopt;

  TDownloadRecord r;
  r.url = items["url"];
  r.name = items["name"];
  r.validator = items["validator"];
  r.etag = items["etag"];
  r.lastModified = items["last-modified"];
  const auto held = Number(items["held"], false), total = Number(items["total"], true);
  if (!held || !total) return std::nullopt;
  r.held = *held;
  r.total = *total;
  if (auto it = items.find("size"); it != items.end()) {
    if (!(r.promisedSize = Number(it->second, false))) return std::nullopt;
  }
  if (auto it = items.find("sha256"); it != items.end()) {
    if (!(r.promisedSha256 = release::FromHex<32>(it->second))) return std::nullopt;
  }
  const std::size_t known = 7 + (r.promisedSize ? 1 : 0) + (r.promisedSha256 ? 1 : 0);
  if (items.size() != known) return std::nullopt;
  return r;
}

std::optional<TDownloadRecord> ReadDownloadRecord(const AnsiString& Path) {
  try {
    TFileStream file(Path, fmOpenRead);
    const std::int64_t size = file.Size();
    if (size <= 0 || size > kLongestRecord) return std::nullopt;
    std::string text(static_cast<std::size_t>(size), '\0');
    file.ReadBuffer(text.data(), size);
    return ParseDownloadRecord(text);
  } catch (const Exception&) {
    return std::nullopt;
  }
}

bool WriteDownloadRecord(const AnsiString& Path, const TDownloadRecord& Record) {
  const std::optional<std::string> text = DownloadRecordText(Record);
  if (!text || static_cast<std::int64_t>(text->size()) > kLongestRecord) return false;
  // Not forced to the disk: a record lost with the power only costs the
  // next run a fresh start.
  platform::FileReplacement file;
  return file.Open(Path) && file.Write(text->data(), text->size()) && file.Commit(false);
}
