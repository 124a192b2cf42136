#pragma once
// An ordered list of member records, kept sorted by one of the sort modes.
#include <vector>

#include "zip/ZipHeaderInfo.h"

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TSortedZip : public TPersistent {
 public:
  // An owning list frees its records; a view only points at another list's.
  TSortedZip(TZipSortMode mode, TDuplicates duplicates, bool owning);
  ~TSortedZip() override;
  TSortedZip(const TSortedZip&) = delete;
  TSortedZip& operator=(const TSortedZip&) = delete;

  // Places the record by binary search. Returns false (and keeps nothing) when
  // the record equals one already held and duplicates are an error or ignored;
  // an owning list then frees it.
  bool Add(TZipHeaderInfo* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TZipHeaderInfo* Items(int i) const { return items_[static_cast<std::size_t>(i)]; }
  TZipSortMode SortMode() const { return mode_; }
  bool HasZip64() const { return hasZip64_; }
  void Clear();
  // Finds the record with this disk and local header offset (ByNone lists only).
  TZipHeaderInfo* FindByOffset(std::uint32_t disk, std::uint64_t offset) const;

  // The compare operation of a sort mode: negative when a sorts before b.
  static int Compare(TZipSortMode mode, const TZipHeaderInfo& a, const TZipHeaderInfo& b);

 private:
  TZipSortMode mode_;
  TDuplicates duplicates_;
  bool owning_;
  bool hasZip64_ = false;
  std::vector<TZipHeaderInfo*> items_;
};
