#include "zip/SortedZip.h"

#include <cmath>

#include "zip/DosDateTime.h"

TSortedZip::TSortedZip(TZipSortMode mode, TDuplicates duplicates, bool owning)
    : mode_(mode), duplicates_(duplicates), owning_(owning) {}

TSortedZip::~TSortedZip() { Clear(); }

void TSortedZip::Clear() {
  if (owning_)
    for (auto* p : items_) delete p;
  items_.clear();
  hasZip64_ = false;
}

namespace {
int CompareText(const AnsiString& a, const AnsiString& b) {
  AnsiString la = LowerCaseAscii(a), lb = LowerCaseAscii(b);
  int c = la.compare(lb);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int Rate(const TZipHeaderInfo& h) {
  std::uint64_t u = h.UncompressedSize64();
  if (u == 0) return 0;
  double r = std::nearbyint(static_cast<double>(h.CompressedSize64()) * 100.0 / static_cast<double>(u));
  return r > 100 ? 100 : static_cast<int>(r);
}

// Largest first; never equal: a record added later goes after those with its key.
int Descending(std::int64_t existing, std::int64_t added) { return existing >= added ? -1 : 1; }
}  // namespace

int TSortedZip::Compare(TZipSortMode mode, const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
  switch (mode) {
    case TZipSortMode::ByName:
      return CompareText(a.FullName(), b.FullName());
    case TZipSortMode::ByFileName:
      return CompareText(a.fileName, b.fileName);
    case TZipSortMode::ByDirectoryName:
      return CompareText(a.directory, b.directory);
    case TZipSortMode::ByDate:
      return Descending(zip::DosDateTimeToCalendar(a.dateTime), zip::DosDateTimeToCalendar(b.dateTime));
    case TZipSortMode::ByCompressedSize:
      return Descending(static_cast<std::int32_t>(a.compressedSize), static_cast<std::int32_t>(b.compressedSize));
    case TZipSortMode::ByUnCompressedSize:
      return Descending(static_cast<std::int32_t>(a.uncompressedSize), static_cast<std::int32_t>(b.uncompressedSize));
    case TZipSortMode::ByRate: {
      int ra = Rate(a), rb = Rate(b);
      return ra > rb ? -1 : ra < rb ? 1 : 0;
    }
    case TZipSortMode::ByNone:
      break;
  }
  if (a.DiskStart() != b.DiskStart()) return a.DiskStart() < b.DiskStart() ? -1 : 1;
  std::uint64_t oa = a.LocalHeaderOffset64(), ob = b.LocalHeaderOffset64();
  return oa < ob ? -1 : oa > ob ? 1 : 0;
}

bool TSortedZip::Add(TZipHeaderInfo* item) {
  // Lower bound: the first position whose record does not sort before the item,
  // so an equal item goes in front of its equals.
  std::size_t lo = 0, hi = items_.size();
  bool equal = false;
  // Records usually arrive in order; try the end first.
  if (!items_.empty() && Compare(mode_, *items_.back(), *item) < 0) {
    lo = hi;
  } else {
    while (lo < hi) {
      std::size_t mid = (lo + hi) / 2;
      int c = Compare(mode_, *items_[mid], *item);
      if (c < 0) {
        lo = mid + 1;
      } else {
        if (c == 0) equal = true;
        hi = mid;
      }
    }
  }
  if (equal && duplicates_ != TDuplicates::dupAccept) {
    if (owning_) delete item;
    return false;
  }
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(lo), item);
  if (item->zip64) hasZip64_ = true;
  return true;
}

TZipHeaderInfo* TSortedZip::FindByOffset(std::uint32_t disk, std::uint64_t offset) const {
  std::size_t lo = 0, hi = items_.size();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    const TZipHeaderInfo& m = *items_[mid];
    bool before = m.DiskStart() < disk || (m.DiskStart() == disk && m.LocalHeaderOffset64() < offset);
    if (before)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo < items_.size() && items_[lo]->DiskStart() == disk && items_[lo]->LocalHeaderOffset64() == offset)
    return items_[lo];
  return nullptr;
}
