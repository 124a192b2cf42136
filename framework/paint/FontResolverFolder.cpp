// Face names to font files on Windows, without fontconfig: FreeType reads the
// family names (English and localised, such as "SimSun" and "宋体") and the
// style of every face in the system's Fonts folder once. A face installed
// under the asked name is used; every other name falls back to the first
// installed of the CJK faces below, then to any face that has Chinese
// characters, then to any face at all, so Chinese texts have glyphs wherever
// the system has them. A folder without fonts draws no text.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "framework/paint/FontResolver.h"
#include "platform/CodePage.h"
#include "platform/FileHandle.h"
#include "platform/FontsFolder.h"
#include "platform/PathNames.h"

namespace {

// The faces tried first for names the system lacks, best first.
constexpr const char* kFallbackFamilies[] = {"microsoft yahei", "simsun", "nsimsun", "simhei", "wenquanyi micro hei"};

struct FaceEntry {
  FontFileRef file;
  bool bold = false, italic = false;
  bool chinese = false;  // has a glyph for 中
};

struct FontIndex {
  std::map<std::string, std::vector<FaceEntry>> byFamily;  // lower-case family name
  std::vector<FaceEntry> all;
};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool IsFontFile(const std::string& name) {
  const std::string lower = Lower(name);
  for (const char* ext : {".ttf", ".ttc", ".otf", ".otc"})
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ext) == 0) return true;
  return false;
}

// Every family name the face's name table holds (IDs 1 and 16), in UTF-8.
std::vector<std::string> FamilyNames(FT_Face face) {
  std::vector<std::string> names;
  if (face->family_name) names.push_back(face->family_name);
  const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName n;
    if (FT_Get_Sfnt_Name(face, i, &n) != 0) continue;
    if (n.name_id != TT_NAME_ID_FONT_FAMILY && n.name_id != TT_NAME_ID_TYPOGRAPHIC_FAMILY) continue;
    // Windows names are UTF-16, big-endian.
    if (n.platform_id != TT_PLATFORM_MICROSOFT || n.string_len % 2) continue;
    std::u16string text;
    for (FT_UInt k = 0; k + 1 < n.string_len; k += 2)
      text += static_cast<char16_t>((n.string[k] << 8) | n.string[k + 1]);
    if (!text.empty()) names.push_back(platform::Utf16ToUtf8(text));
  }
  return names;
}

void IndexFile(FT_Library lib, const std::string& path, FontIndex& index) {
  FT_Long faces = 1;
  for (FT_Long i = 0; i < faces; ++i) {
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path.c_str(), i, &face) != 0) return;
    faces = face->num_faces;
    if (FT_IS_SCALABLE(face)) {
      FT_Select_Charmap(face, FT_ENCODING_UNICODE);
      FaceEntry entry;
      entry.file.path = path;
      entry.file.index = static_cast<int>(i);
      entry.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
      entry.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
      entry.chinese = FT_Get_Char_Index(face, 0x4E2D) != 0;
      for (const std::string& family : FamilyNames(face)) index.byFamily[Lower(family)].push_back(entry);
      index.all.push_back(entry);
    }
    FT_Done_Face(face);
  }
}

const FontIndex& Index() {
  static const FontIndex index = [] {
    FontIndex built;
    FT_Library lib = nullptr;
    const std::string folder = platform::SystemFontsFolder();
    if (folder.empty() || FT_Init_FreeType(&lib) != 0) return built;
    std::vector<std::string> files;
    platform::ListDirectory(folder, [&](const std::string& name) {
      if (IsFontFile(name)) files.push_back(platform::JoinPath(folder, name));
    });
    for (const std::string& file : files) IndexFile(lib, file, built);
    FT_Done_FreeType(lib);
    return built;
  }();
  return index;
}

// The face of a family closest to the style: the same style, else the
// regular one (which FreeType then emboldens or slants), else any.
FontFileRef BestStyle(const std::vector<FaceEntry>& faces, bool bold, bool italic) {
  const FaceEntry* best = nullptr;
  int bestScore = -1;
  for (const FaceEntry& f : faces) {
    const int score = (f.bold == bold ? 2 : 0) + (f.italic == italic ? 1 : 0) + (!f.bold && !f.italic ? 1 : 0);
    if (score > bestScore) best = &f, bestScore = score;
  }
  return best ? best->file : FontFileRef();
}

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

FontFileRef FallbackLocked(bool bold, bool italic) {
  static std::map<std::pair<bool, bool>, FontFileRef> cache;
  const auto key = std::make_pair(bold, italic);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  const FontIndex& index = Index();
  FontFileRef ref;
  for (const char* family : kFallbackFamilies)
    if (auto it = index.byFamily.find(family); !ref.Found() && it != index.byFamily.end())
      ref = BestStyle(it->second, bold, italic);
  std::vector<FaceEntry> chinese;
  for (const FaceEntry& f : index.all)
    if (f.chinese) chinese.push_back(f);
  if (!ref.Found()) ref = BestStyle(chinese, bold, italic);
  if (!ref.Found()) ref = BestStyle(index.all, bold, italic);
  return cache.emplace(key, ref).first->second;
}

}  // namespace

FontFileRef FallbackFontFile(bool bold, bool italic) {
  std::lock_guard<std::mutex> lock(CacheMutex());
  return FallbackLocked(bold, italic);
}

FontFileRef ResolveFontFile(const std::string& familyUtf8, bool bold, bool italic) {
  std::lock_guard<std::mutex> lock(CacheMutex());
  static std::map<std::tuple<std::string, bool, bool>, FontFileRef> cache;
  const auto key = std::make_tuple(familyUtf8, bold, italic);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  const FontIndex& index = Index();
  FontFileRef ref;
  if (auto it = index.byFamily.find(Lower(familyUtf8)); it != index.byFamily.end())
    ref = BestStyle(it->second, bold, italic);
  if (!ref.Found()) ref = FallbackLocked(bold, italic);
  return cache.emplace(key, ref).first->second;
}
