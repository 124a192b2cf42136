#include "core/StringList.h"

void TStringList::Check(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", Index));
}

const AnsiString& TStringList::Strings(int Index) const {
  Check(Index);
  return items_[static_cast<size_t>(Index)];
}

void TStringList::Put(int Index, const AnsiString& S) {
  Check(Index);
  items_[static_cast<size_t>(Index)] = S;
}

int TStringList::Add(const AnsiString& S) {
  items_.push_back(S);
  return Count() - 1;
}

void TStringList::Insert(int Index, const AnsiString& S) {
  if (Index < 0 || Index > Count()) throw EListError(Format("List index out of bounds (%d)", Index));
  items_.insert(items_.begin() + Index, S);
}

void TStringList::Delete(int Index) {
  Check(Index);
  items_.erase(items_.begin() + Index);
}

int TStringList::IndexOf(const AnsiString& S) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)] == S) return i;
  return -1;
}

AnsiString TStringList::Text() const {
  AnsiString out;
  for (const auto& s : items_) out += s + "\r\n";
  return out;
}

void TStringList::SetText(const AnsiString& S) {
  items_.clear();
  size_t start = 0;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '\r' || S[i] == '\n') {
      items_.push_back(S.substr(start, i - start));
      if (S[i] == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < S.size()) items_.push_back(S.substr(start));
}

void TStringList::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TStringList*>(Source)) {
    items_ = s->items_;
    return;
  }
  TPersistent::Assign(Source);
}
