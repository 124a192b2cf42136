#pragma once
// Member names: from the bytes stored in the archive to the program's code
// page 936 text, and the separator handling that must respect double-byte
// characters (a trail byte may have the value of "\").
#include <cstdint>
#include <string>
#include <vector>

#include "core/Types.h"

namespace zip {

// Decodes a stored name. A name flagged as UTF-8, or from a host other than
// MS-DOS/Windows (or of unknown origin), is UTF-8 when it is valid UTF-8; any
// other name is code page 936 text. Characters that code page 936 cannot hold
// keep their exact codes (see platform/CodePage.h).
AnsiString DecodeStoredName(const std::string& raw, std::uint16_t flags, int host);

// Replaces every "/" by "\" (a "/" is never a trail byte in code page 936).
AnsiString ToBackslashes(AnsiString name);
// Position of the last "\" that is a separator, or npos.
std::size_t LastSeparator(const AnsiString& name);
// Splits a "\"-separated name into its components (empty ones included).
std::vector<AnsiString> SplitComponents(const AnsiString& name);

}  // namespace zip
