#include "zip/JournalRecord.h"

#include <cstddef>

#include "platform/PathNames.h"
#include "zip/ZipOutputFile.h"

namespace zip {

namespace {

constexpr const char kHeader[] = "quelbo-install-journal 1\n";
constexpr const char kMoving[] = "moving\n";
constexpr const char kMoved[] = "moved\n";
constexpr const char kEnd[] = "end\n";

void PutText(std::string& out, const std::string& text) {
  out += std::to_string(text.size());
  out += ':';
  out += text;
  out += '\n';
}

// A target below the journal's directory: relative, without "..".
bool IsBelow(const std::string& target) {
  if (target.empty() || platform::RootLength(target) != 0) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= target.size(); ++i) {
    if (i < target.size() && !platform::IsPathSeparator(target[i])) continue;
    if (target.compare(start, i - start, "..") == 0 && i - start == 2) return false;
    start = i + 1;
  }
  return true;
}

class Reader {
 public:
  explicit Reader(const std::string& bytes) : s_(bytes) {}

  bool Literal(const char* text) {
    const std::string t(text);
    if (s_.compare(at_, t.size(), t) != 0) return false;
    at_ += t.size();
    return true;
  }
  bool Text(std::string& out) {
    std::size_t length = 0, digits = 0;
    for (; at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9'; ++at_, ++digits) {
      if (digits == 12) return false;  // no journal holds a text that long
      length = length * 10 + static_cast<std::size_t>(s_[at_] - '0');
    }
    if (digits == 0 || !Literal(":") || s_.size() - at_ < length + 1 || s_[at_ + length] != '\n') return false;
    out = s_.substr(at_, length);
    at_ += length + 1;
    return true;
  }
  bool AtEnd() const { return at_ == s_.size(); }

 private:
  const std::string& s_;
  std::size_t at_ = 0;
};

}  // namespace

std::string EncodeJournal(const JournalRecord& record) {
  std::string out = kHeader;
  out += record.moved ? kMoved : kMoving;
  PutText(out, record.payload);
  PutText(out, std::to_string(record.entries.size()));
  for (const JournalEntry& e : record.entries) {
    PutText(out, e.target);
    PutText(out, e.temp);
    PutText(out, e.backup);
  }
  out += kEnd;
  return out;
}

std::optional<JournalRecord> DecodeJournal(const std::string& bytes) {
  Reader in(bytes);
  JournalRecord record;
  std::string count;
  if (!in.Literal(kHeader)) return std::nullopt;
  if (in.Literal(kMoved)) record.moved = true;
  else if (!in.Literal(kMoving)) return std::nullopt;
  if (!in.Text(record.payload) || !in.Text(count) || count.empty() || count.size() > 9) return std::nullopt;
  for (char c : count)
    if (c < '0' || c > '9') return std::nullopt;
  for (std::size_t n = std::stoul(count); n > 0; --n) {
    JournalEntry e;
    if (!in.Text(e.target) || !in.Text(e.temp) || !in.Text(e.backup)) return std::nullopt;
    // Only files of the installation and names of our own are ever moved
    // or removed, whatever the journal says.
    if (!IsBelow(e.target) || !IsTemporaryFileName(e.temp) || (!e.backup.empty() && !IsTemporaryFileName(e.backup)))
      return std::nullopt;
    record.entries.push_back(std::move(e));
  }
  if (!in.Literal(kEnd) || !in.AtEnd()) return std::nullopt;
  return record;
}

}  // namespace zip
