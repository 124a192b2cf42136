// fontconfig lookups behind a cache: repainting a label never reaches here.
#include "framework/paint/FontResolver.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <tuple>

namespace {

constexpr const char* kFallbackFamily = "WenQuanYi Micro Hei";

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

FcConfig* Config() {
  static FcConfig* config = [] {
    FcInit();
    return FcConfigGetCurrent();
  }();
  return config;
}

// The best match for a pattern, with the match's file, index and style.
// `exactFamily` requires one of the match's family names to equal the asked
// name (ignoring case): fontconfig always answers with some font, and a
// near miss must not stand in for a face we do not have.
FontFileRef Match(const char* family, const char* lang, bool bold, bool italic, bool exactFamily) {
  FontFileRef ref;
  FcPattern* pat = FcPatternCreate();
  if (!pat) return ref;
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  if (lang) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(Config(), pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(Config(), pat, &result);
  FcPatternDestroy(pat);
  if (!match) return ref;

  bool familyOk = !exactFamily;
  FcChar8* name = nullptr;
  for (int i = 0; !familyOk && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    familyOk = FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0;

  FcChar8* file = nullptr;
  if (familyOk && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    ref.path = reinterpret_cast<const char*>(file);
    int index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    ref.index = index;
  }
  FcPatternDestroy(match);
  return ref;
}

FontFileRef FallbackLocked(bool bold, bool italic) {
  static std::map<std::pair<bool, bool>, FontFileRef> cache;
  auto key = std::make_pair(bold, italic);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  FontFileRef ref = Match(kFallbackFamily, nullptr, bold, italic, true);
  // Without that face, any sans face that covers simplified Chinese, and
  // failing that whatever fontconfig offers: text must not vanish.
  if (!ref.Found()) ref = Match("sans-serif", "zh-cn", bold, italic, false);
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
  auto key = std::make_tuple(familyUtf8, bold, italic);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  FontFileRef ref;
  if (!familyUtf8.empty()) ref = Match(familyUtf8.c_str(), nullptr, bold, italic, true);
  if (!ref.Found()) ref = FallbackLocked(bold, italic);
  return cache.emplace(key, ref).first->second;
}
