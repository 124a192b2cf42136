#pragma once
// Separators in code page 936 path texts. The second byte of a double-byte
// character may be the byte of "\", so texts are walked character by character
// and such a byte is never taken for a separator.
#include <string>
#include <vector>

#include "core/Types.h"

// Position of the last byte of Separators that stands as a character of its
// own, or npos.
std::size_t LastSeparator(const AnsiString& s, const char* separators);

// The components between "/" and "\" separators, empty ones included.
std::vector<AnsiString> PathComponents(const AnsiString& s);

// Whether a name is one of the updater's own ASCII names (Own) in any case, as
// Windows would take it: the bytes of a double-byte character never match an
// ASCII name's.
bool SameNameIgnoringAsciiCase(const AnsiString& Name, const AnsiString& Own);
