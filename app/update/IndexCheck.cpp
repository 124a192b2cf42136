#include "app/update/IndexCheck.h"

#include <algorithm>

#include "core/Streams.h"

std::optional<std::vector<release::IndexEntry>> SignedIndexEntries(std::string_view Text,
                                                                   const release::Sha256Digest& Signed) {
  if (release::Sha256Of(Text.data(), Text.size()) != Signed) return std::nullopt;
  return release::ParseReleaseIndex(Text);
}

bool IndexDescribes(const std::vector<release::IndexEntry>& Index, const std::vector<TPackageMember>& Members,
                    std::int64_t DirectoryOffset) {
  std::vector<const TPackageMember*> files;
  for (const TPackageMember& m : Members)
    if (!m.directory) files.push_back(&m);
  std::sort(files.begin(), files.end(), [](auto* a, auto* b) { return a->offset < b->offset; });
  if (files.size() != Index.size()) return false;
  // Both in the order of their bytes: the same names at the same places.
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::int64_t end = i + 1 < files.size() ? files[i + 1]->offset : DirectoryOffset;
    const release::IndexEntry& e = Index[i];
    if (e.name != files[i]->name || e.first != files[i]->offset || e.end != end) return false;
  }
  return true;
}

std::map<std::string, release::Sha256Digest> ListedContent(const std::vector<release::IndexEntry>& Index) {
  std::map<std::string, release::Sha256Digest> content;
  for (const release::IndexEntry& e : Index) content.emplace(e.name, e.contentSha256);
  return content;
}

bool FetchedRangesCheckOut(const AnsiString& Path, const std::vector<release::IndexEntry>& Index,
                           const std::set<std::string>& Fetched) {
  TFileStream file(Path, fmOpenRead);
  std::vector<char> block(1 << 20);
  std::size_t checked = 0;
  for (const release::IndexEntry& e : Index) {
    if (!Fetched.count(e.name)) continue;
    release::Sha256 hash;
    file.SetPosition(e.first);
    for (std::int64_t left = e.end - e.first; left > 0;) {
      const std::int64_t want = std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()));
      file.ReadBuffer(block.data(), want);
      hash.Update(block.data(), static_cast<std::size_t>(want));
      left -= want;
    }
    if (hash.Final() != e.rangeSha256) return false;
    ++checked;
  }
  return checked == Fetched.size();
}
