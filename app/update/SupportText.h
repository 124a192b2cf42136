#pragma once
// Support operations on texts: code-page conversion, splitting the reply,
// removing a pattern, and the size text of the progress display.
#include <cstdint>
#include <memory>

#include "core/StringList.h"
#include "core/Types.h"

WideString GbkToWide(const AnsiString& S);
// The pieces of S between separators C, empty pieces included.
std::unique_ptr<TStringList> SplitText(const AnsiString& S, char C);
// Text with every occurrence of OldPattern replaced by NewPattern (case-sensitive).
AnsiString ReplaceAll(const AnsiString& Text, const AnsiString& OldPattern, const AnsiString& NewPattern);
// ‘512 KB’ up to 1000 KB, ‘1.43 MB’ above (‘5120.00 MB’ for 5 GiB: the
// count is 64-bit, so a package past 2 GiB is told right).
AnsiString FormatSizeText(std::int64_t Bytes);
