#pragma once
// Face names to font files, through fontconfig on Linux and from the system's
// Fonts folder on Windows (FontResolverFolder.cpp). The program asks for the faces
// of the platform it was made for ("MS Sans Serif", "Tahoma", "宋体", ...);
// a face that is installed under the asked name is used, and every other name
// falls back to one CJK-capable sans face, so Chinese texts always have glyphs.
#include <string>

struct FontFileRef {
  std::string path;  // empty when no font file at all could be found
  int index = 0;     // face index inside a collection file
  bool Found() const { return !path.empty(); }
};

// The font file for a face name given in UTF-8; results are cached, so only
// the first request for a name and style reaches the system.
FontFileRef ResolveFontFile(const std::string& familyUtf8, bool bold, bool italic);

// The CJK-capable sans face used for unknown names and for characters that
// the resolved face lacks.
FontFileRef FallbackFontFile(bool bold, bool italic);
