#include "http/HeaderList.h"

#include <string_view>

namespace {
constexpr std::size_t kFoldLength = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsContinuation(const AnsiString& line) { return !line.empty() && IsBlank(line[0]); }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Letters in any case; compared in place, as every look-up compares every line.
bool SameTextIn(const char* a, std::size_t aLength, const AnsiString& b) {
  if (aLength != b.size()) return false;
  for (std::size_t i = 0; i < aLength; ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// Whether the line's name (before its ":", trimmed) is Name.
bool HasName(const AnsiString& line, const AnsiString& name) {
  std::size_t end = line.find(':');
  if (end == AnsiString::npos) return name.empty();
  std::size_t begin = 0;
  while (begin < end && IsBlank(line[begin])) ++begin;
  while (end > begin && IsBlank(line[end - 1])) --end;
  return SameTextIn(line.data() + begin, end - begin, name);
}

// The last blank at or before Limit (not the first character) that is outside
// double quotes, or npos.
std::size_t FoldPoint(std::string_view text, std::size_t limit) {
  std::size_t best = std::string_view::npos;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size() && i <= limit; ++i) {
    if (text[i] == '"') quoted = !quoted;
    else if (!quoted && IsBlank(text[i]) && i > 0) best = i;
  }
  return best;
}

std::string_view TrimBlanksView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}
}  // namespace

AnsiString TrimBlanks(const AnsiString& S) {
  std::size_t b = 0, e = S.size();
  while (b < e && IsBlank(S[b])) ++b;
  while (e > b && IsBlank(S[e - 1])) --e;
  return S.substr(b, e - b);
}

bool SameText(const AnsiString& A, const AnsiString& B) { return SameTextIn(A.data(), A.size(), B); }

AnsiString THeaderList::NameOf(const AnsiString& Line) {
  std::size_t colon = Line.find(':');
  return colon == AnsiString::npos ? AnsiString() : TrimBlanks(Line.substr(0, colon));
}

AnsiString THeaderList::ValueOf(const AnsiString& Line) {
  std::size_t colon = Line.find(':');
  return colon == AnsiString::npos ? AnsiString() : TrimBlanks(Line.substr(colon + 1));
}

int THeaderList::IndexOfName(const AnsiString& Name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (!IsContinuation(lines_[i]) && HasName(lines_[i], Name)) return static_cast<int>(i);
  return -1;
}

AnsiString THeaderList::ValueAt(std::size_t Index) const {
  AnsiString v = ValueOf(lines_[Index]);
  for (std::size_t j = Index + 1; j < lines_.size() && IsContinuation(lines_[j]); ++j) {
    AnsiString more = TrimBlanks(lines_[j]);
    if (more.empty()) continue;
    // Appended in place: a value continued over many lines stays linear.
    if (!v.empty()) v += ' ';
    v += more;
  }
  return v;
}

AnsiString THeaderList::Values(const AnsiString& Name) const {
  int i = IndexOfName(Name);
  return i < 0 ? AnsiString() : ValueAt(static_cast<std::size_t>(i));
}

std::vector<AnsiString> THeaderList::AllValues(const AnsiString& Name) const {
  std::vector<AnsiString> out;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (!IsContinuation(lines_[i]) && HasName(lines_[i], Name)) out.push_back(ValueAt(i));
  return out;
}

void THeaderList::SetValue(const AnsiString& Name, const AnsiString& Value) {
  AnsiString line = Name + ": " + Value;
  int i = IndexOfName(Name);
  if (i < 0) lines_.push_back(line);
  else lines_[static_cast<std::size_t>(i)] = line;
}

std::vector<AnsiString> THeaderList::FoldedLines() const {
  std::vector<AnsiString> out;
  for (const AnsiString& line : lines_) {
    // Pieces come from a view of the line: a long line is not copied at each fold.
    std::string_view rest(line);
    std::size_t lead = 0;  // 1 once folded: the piece starts with a blank
    while (lead + rest.size() > kFoldLength) {
      std::size_t at = FoldPoint(rest, kFoldLength - lead);
      if (at == std::string_view::npos) break;  // nowhere to break: sent long
      out.push_back(AnsiString(lead, ' ').append(rest.substr(0, at)));
      rest = TrimBlanksView(rest.substr(at));
      lead = 1;
    }
    if (!rest.empty()) out.push_back(AnsiString(lead, ' ').append(rest));
  }
  return out;
}
