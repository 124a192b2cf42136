#pragma once
// An ordered list of byte strings with the runtime's index checking.
#include <vector>

#include "core/Classes.h"

class TStringList : public TPersistent {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // Out-of-range indexes raise EListError "List index out of bounds (%d)".
  const AnsiString& Strings(int Index) const;
  const AnsiString& operator[](int Index) const { return Strings(Index); }
  void Put(int Index, const AnsiString& S);
  int Add(const AnsiString& S);
  void Insert(int Index, const AnsiString& S);
  void Delete(int Index);
  void Clear() { items_.clear(); }
  int IndexOf(const AnsiString& S) const;
  // Lines joined with CR LF, each line ended by it.
  AnsiString Text() const;
  // Splits at CR LF, LF or CR.
  void SetText(const AnsiString& S);
  void Assign(const TPersistent* Source) override;

 private:
  void Check(int Index) const;
  std::vector<AnsiString> items_;
};
