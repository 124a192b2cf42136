#include "platform/ProfileFile.h"

#include <cerrno>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"

namespace platform {
namespace {

// One line of the file: its text without the line end, and the line end itself
// ("\r\n", "\n" or empty for a last line without one).
struct Line {
  std::string text;
  std::string end;
};

std::vector<Line> SplitLines(const std::string& s) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < s.size()) {
    std::size_t lf = s.find('\n', start);
    if (lf == std::string::npos) {
      lines.push_back({s.substr(start), ""});
      break;
    }
    std::size_t textEnd = lf > start && s[lf - 1] == '\r' ? lf - 1 : lf;
    lines.push_back({s.substr(start, textEnd - start), s.substr(textEnd, lf + 1 - textEnd)});
    start = lf + 1;
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionName(const std::string& line) {
  std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return std::nullopt;
  std::size_t close = t.find(']');
  return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// The key of a "key=value" line, or nothing for a line without "=".
std::optional<std::string> KeyName(const std::string& line) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

std::string ValueOf(const std::string& line) {
  std::string v = Trim(line.substr(line.find('=') + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return v;
}

// Index of the section's header line, or -1.
long FindSection(const std::vector<Line>& lines, const std::string& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string> name = SectionName(lines[i].text);
    if (name && SameName(*name, section)) return static_cast<long>(i);
  }
  return -1;
}

// One past the last line of the section that starts at header.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header) {
  std::size_t i = header + 1;
  while (i < lines.size() && !SectionName(lines[i].text)) ++i;
  return i;
}

bool StorableText(const std::string& s) {
  return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// Cuts a value to the bytes that fit, never leaving half of a double-byte character.
std::string CutToFit(const std::string& v, std::size_t maxBytes) {
  if (v.size() <= maxBytes) return v;
  std::size_t i = 0;
  while (i < maxBytes) {
    std::size_t n = IsCp936LeadByte(static_cast<unsigned char>(v[i])) && i + 1 < v.size() ? 2 : 1;
    if (i + n > maxBytes) break;
    i += n;
  }
  return v.substr(0, i);
}

// Reads the whole file. Missing: true with an empty text and *exists false.
bool ReadWholeFile(const std::string& path, std::string& out, bool* exists) {
  out.clear();
  *exists = false;
  FileHandle file = OpenFile(ToOsPath(path), FileAccess::Read, FileCreation::OpenExisting);
  if (file == kNoFile) return errno == ENOENT;
  *exists = true;
  char buf[65536];
  for (;;) {
    const std::ptrdiff_t n = ReadFromFile(file, buf, sizeof buf);
    if (n < 0) {
      const int e = errno;
      CloseFile(file);
      errno = e;
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  CloseFile(file);
  return true;
}

}  // namespace

std::optional<std::string> FindProfileValue(const std::string& text, const std::string& section,
                                            const std::string& key) {
  std::vector<Line> lines = SplitLines(text);
  long header = FindSection(lines, section);
  if (header < 0) return std::nullopt;
  std::size_t end = SectionEnd(lines, static_cast<std::size_t>(header));
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
    std::optional<std::string> name = KeyName(lines[i].text);
    if (name && SameName(*name, key)) return ValueOf(lines[i].text);
  }
  return std::nullopt;
}

std::optional<std::string> WithProfileValue(const std::string& text, const std::string& section,
                                            const std::string& key, const std::string& value) {
  if (section.empty() || key.empty() || !StorableText(section) || !StorableText(key) || !StorableText(value) ||
      key.find('=') != std::string::npos || section.find(']') != std::string::npos)
    return std::nullopt;
  std::vector<Line> lines = SplitLines(text);
  // New lines take the line end the file already uses; a new file gets CR LF.
  std::string eol = "\r\n";
  for (const Line& l : lines)
    if (!l.end.empty()) {
      eol = l.end;
      break;
    }
  if (!lines.empty() && lines.back().end.empty()) lines.back().end = eol;

  long header = FindSection(lines, section);
  if (header < 0) {
    lines.push_back({"[" + section + "]", eol});
    lines.push_back({key + "=" + value, eol});
  } else {
    std::size_t end = SectionEnd(lines, static_cast<std::size_t>(header));
    bool replaced = false;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end && !replaced; ++i) {
      std::optional<std::string> name = KeyName(lines[i].text);
      if (name && SameName(*name, key)) {
        lines[i].text = *name + "=" + value;
        replaced = true;
      }
    }
    if (!replaced) {
      // After the section's last line with content, ahead of the blank lines
      // that separate it from the next section.
      std::size_t at = end;
      while (at > static_cast<std::size_t>(header) + 1 && Trim(lines[at - 1].text).empty()) --at;
      lines.insert(lines.begin() + static_cast<long>(at), Line{key + "=" + value, eol});
    }
  }
  std::string out;
  for (const Line& l : lines) out += l.text + l.end;
  return out;
}

std::string WithoutProfileKey(const std::string& text, const std::string& section, const std::string& key) {
  std::vector<Line> lines = SplitLines(text);
  const long header = FindSection(lines, section);
  if (header < 0) return text;
  const std::size_t end = SectionEnd(lines, static_cast<std::size_t>(header));
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
    std::optional<std::string> name = KeyName(lines[i].text);
    if (!name || !SameName(*name, key)) continue;
    lines.erase(lines.begin() + static_cast<long>(i));
    std::string out;
    for (const Line& l : lines) out += l.text + l.end;
    return out;
  }
  return text;
}

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferChars) {
  std::string text;
  bool exists = false;
  std::string value = defaultValue;
  if (ReadWholeFile(path, text, &exists) && exists) {
    if (std::optional<std::string> v = FindProfileValue(text, section, key)) value = *v;
  }
  return CutToFit(value, bufferChars > 0 ? bufferChars - 1 : 0);
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::string text;
  bool exists = false;
  // A file that exists but cannot be read is never replaced: its other
  // sections would be lost.
  if (!ReadWholeFile(path, text, &exists)) return false;
  std::optional<std::string> updated = WithProfileValue(text, section, key, value);
  if (!updated) {
    errno = EINVAL;
    return false;
  }
  return ReplaceFileContent(path, *updated);
}

bool DeleteProfileKey(const std::string& path, const std::string& section, const std::string& key) {
  std::string text;
  bool exists = false;
  if (!ReadWholeFile(path, text, &exists)) return false;
  if (!exists) return true;
  const std::string updated = WithoutProfileKey(text, section, key);
  return updated == text || ReplaceFileContent(path, updated);
}

}  // namespace platform
