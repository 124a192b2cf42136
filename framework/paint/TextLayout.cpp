#include "framework/paint/TextLayout.h"

#include "framework/paint/Gdi.h"

namespace {

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }

bool IsCjk(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) ||   // radicals, punctuation, kana, ideographs
         (c >= 0xAC00 && c <= 0xD7AF) ||   // hangul
         (c >= 0xF900 && c <= 0xFAFF) ||   // compatibility ideographs
         (c >= 0xFE30 && c <= 0xFE4F) ||   // compatibility forms
         (c >= 0xFF00 && c <= 0xFFEF) ||   // full-width forms
         (c >= 0x20000 && c <= 0x3FFFF);  // supplementary ideographs
}

// Marks that may not start a line (closing punctuation) ...
bool IsClosingMark(char32_t c) {
  static const std::u32string marks = U"，。、；：？！）」』】》〉〕｝］”’…・ー～,.;:?!)]}%";
  return marks.find(c) != std::u32string::npos;
}
// ... and marks that may not end one (opening punctuation).
bool IsOpeningMark(char32_t c) {
  static const std::u32string marks = U"（「『【《〈〔｛［“‘([{";
  return marks.find(c) != std::u32string::npos;
}

const std::u32string kEllipsis = U"...";

TextRun WithEllipsis(const TextRun& head, const TextRun& tail = TextRun{}) {
  TextRun out = head;
  out.Append(TextRun::Plain(kEllipsis));
  out.Append(tail);
  return out;
}

// Paragraphs split at CR, LF and CR LF; a break at the very end opens no
// further line.
std::vector<TextRun> SplitParagraphs(const TextRun& text) {
  std::vector<TextRun> out;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    char32_t c = text.chars[i];
    if (c != U'\r' && c != U'\n') {
      ++i;
      continue;
    }
    out.push_back(text.Slice(start, i));
    i += (c == U'\r' && i + 1 < text.size() && text.chars[i + 1] == U'\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size() || out.empty()) out.push_back(text.Slice(start, text.size()));
  return out;
}

std::vector<TextRun> Wrap(const TextRun& p, int maxWidth, bool breakWords, const TextMeasure& m) {
  std::vector<TextRun> lines;
  const std::u32string& s = p.chars;
  const size_t n = s.size();
  size_t start = 0;
  while (true) {
    int pen = 0;
    size_t i = start, breakAt = 0;
    bool overlong = false;  // one word wider than the line, which is not split
    for (; i < n; ++i) {
      if (i > start && CanBreakBefore(s, i)) {
        if (overlong) break;
        breakAt = i;
      }
      int next = m.Next(pen, s[i]);
      // Blanks may hang past the edge; they are dropped at the break.
      if (next > maxWidth && i > start && !IsBlank(s[i]) && !overlong) {
        if (breakAt > start) {
          i = breakAt;
          break;
        }
        if (breakWords) break;
        overlong = true;
      }
      pen = next;
    }
    size_t end = i;
    if (i < n)
      while (end > start && IsBlank(s[end - 1])) --end;
    lines.push_back(p.Slice(start, end));
    if (i >= n) break;
    start = i;
    while (start < n && IsBlank(s[start])) ++start;
    if (start >= n) break;
  }
  return lines;
}

}  // namespace

TextRun TextRun::Plain(std::u32string s) {
  TextRun r;
  r.marks.assign(s.size(), 0);
  r.chars = std::move(s);
  return r;
}

TextRun TextRun::Slice(size_t from, size_t to) const {
  TextRun r;
  if (from >= to || from >= chars.size()) return r;
  to = std::min(to, chars.size());
  r.chars = chars.substr(from, to - from);
  r.marks.assign(marks.begin() + static_cast<std::ptrdiff_t>(from), marks.begin() + static_cast<std::ptrdiff_t>(to));
  return r;
}

void TextRun::Append(const TextRun& other) {
  chars += other.chars;
  marks.insert(marks.end(), other.marks.begin(), other.marks.end());
}

int TextMeasure::Width(const std::u32string& s) const {
  int pen = 0;
  for (char32_t c : s) pen = Next(pen, c);
  return pen;
}

bool CanBreakBefore(const std::u32string& s, size_t i) {
  if (i == 0 || i >= s.size()) return false;
  char32_t prev = s[i - 1], cur = s[i];
  if (IsBlank(cur)) return false;
  if (IsBlank(prev)) return true;
  if (!IsCjk(prev) && !IsCjk(cur)) return false;
  return !IsClosingMark(cur) && !IsOpeningMark(prev);
}

TextRun StripPrefixes(const std::u32string& text) {
  TextRun out;
  size_t marked = std::u32string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c == U'&') {
      if (i + 1 >= text.size()) break;
      ++i;
      c = text[i];
      if (c != U'&') marked = out.chars.size();
    }
    out.chars += c;
  }
  out.marks.assign(out.chars.size(), 0);
  if (marked != std::u32string::npos && marked < out.marks.size()) out.marks[marked] = 1;
  return out;
}

TextRun EndEllipsis(const TextRun& line, int maxWidth, const TextMeasure& m) {
  for (size_t k = line.size(); k-- > 0;) {
    TextRun t = WithEllipsis(line.Slice(0, k));
    if (m.Width(t.chars) <= maxWidth) return t;
  }
  return TextRun::Plain(kEllipsis);
}

TextRun WordEllipsis(const TextRun& line, int maxWidth, const TextMeasure& m) {
  const std::u32string& s = line.chars;
  for (size_t k = s.size(); k-- > 1;) {
    if (!CanBreakBefore(s, k) && !IsBlank(s[k])) continue;
    size_t end = k;
    while (end > 0 && IsBlank(s[end - 1])) --end;
    if (end == 0) break;
    TextRun t = WithEllipsis(line.Slice(0, end));
    if (m.Width(t.chars) <= maxWidth) return t;
  }
  // Not even the first word fits: it is cut like any end.
  return EndEllipsis(line, maxWidth, m);
}

TextRun PathEllipsis(const TextRun& line, int maxWidth, const TextMeasure& m) {
  const std::u32string& s = line.chars;
  size_t sep = s.find_last_of(U"\\/");
  if (sep != std::u32string::npos && sep > 0) {
    // Keep the last path element whole and shorten what comes before it.
    TextRun tail = line.Slice(sep, s.size());
    for (size_t k = sep; k-- > 0;) {
      TextRun t = WithEllipsis(line.Slice(0, k), tail);
      if (m.Width(t.chars) <= maxWidth) return t;
    }
    return EndEllipsis(line, maxWidth, m);
  }
  // No path: characters leave from the middle.
  for (size_t kept = s.size(); kept-- > 0;) {
    size_t front = (kept + 1) / 2, back = kept / 2;
    TextRun t = WithEllipsis(line.Slice(0, front), line.Slice(s.size() - back, s.size()));
    if (m.Width(t.chars) <= maxWidth) return t;
  }
  return TextRun::Plain(kEllipsis);
}

std::vector<TextRun> LayoutText(const std::u32string& text, UINT flags, int maxWidth, const TextMeasure& m) {
  TextRun all = (flags & DT_NOPREFIX) ? TextRun::Plain(text) : StripPrefixes(text);
  std::vector<TextRun> paragraphs;
  if (flags & DT_SINGLELINE) paragraphs.push_back(std::move(all));
  else paragraphs = SplitParagraphs(all);

  std::vector<TextRun> lines;
  const bool wrap = (flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE);
  for (const TextRun& p : paragraphs) {
    if (!wrap) {
      lines.push_back(p);
      continue;
    }
    for (TextRun& l : Wrap(p, maxWidth, (flags & DT_EDITCONTROL) != 0, m)) lines.push_back(std::move(l));
  }

  const UINT ellipsis = flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
  if (ellipsis)
    for (TextRun& l : lines) {
      if (m.Width(l.chars) <= maxWidth) continue;
      if (ellipsis & DT_PATH_ELLIPSIS) l = PathEllipsis(l, maxWidth, m);
      else if (ellipsis & DT_WORD_ELLIPSIS) l = WordEllipsis(l, maxWidth, m);
      else l = EndEllipsis(l, maxWidth, m);
    }
  return lines;
}

