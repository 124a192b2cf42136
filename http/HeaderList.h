#pragma once
// Header lines, one text per line: the name, ": " and the value.
#include <vector>

#include "core/Types.h"

class THeaderList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const AnsiString& operator[](int Index) const { return lines_.at(static_cast<std::size_t>(Index)); }
  const std::vector<AnsiString>& Lines() const { return lines_; }
  void Add(const AnsiString& Line) { lines_.push_back(Line); }
  void Clear() { lines_.clear(); }

  // The name of a line (before its ":"), and its value (after, trimmed).
  static AnsiString NameOf(const AnsiString& Line);
  static AnsiString ValueOf(const AnsiString& Line);

  // The index of the first line with this name (letters in any case), or -1.
  int IndexOfName(const AnsiString& Name) const;
  // The value of the first line with this name, with the lines that continue
  // it (those beginning with a space or tab) joined by one space; trimmed.
  AnsiString Values(const AnsiString& Name) const;
  // The values of every line with this name.
  std::vector<AnsiString> AllValues(const AnsiString& Name) const;
  // Replaces the first line of this name or appends one.
  void SetValue(const AnsiString& Name, const AnsiString& Value);

  // The lines as they go on the wire: a line over 1024 characters is broken
  // at a blank outside double quotes, each continuation beginning with a space.
  std::vector<AnsiString> FoldedLines() const;

 private:
  AnsiString ValueAt(std::size_t Index) const;
  std::vector<AnsiString> lines_;
};

// Removes spaces and tabs at both ends.
AnsiString TrimBlanks(const AnsiString& S);
bool SameText(const AnsiString& A, const AnsiString& B);
