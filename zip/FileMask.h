#pragma once
// File masks that select members: "*" any run of characters, "?" any one
// character, "<...>" one character of a set ("!" or "^" first negates it, "a-z"
// is a range of byte values). An unterminated "<" stands for itself.
#include "core/Types.h"

namespace zip {

// Both are compared lower-cased (ASCII letters).
bool MatchesMask(const AnsiString& mask, const AnsiString& name);

}  // namespace zip
