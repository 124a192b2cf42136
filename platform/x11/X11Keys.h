#pragma once
// Keyboard translation: X keysyms to the display's keys and to the
// characters a key types.
#include "platform/Keys.h"
#include "platform/x11/XlibHeaders.h"

#include <string>

namespace platform::x11 {

// The key of the unshifted keysym of a key; Key::Unknown when it has none.
Key KeyFor(KeySym keysym);

// The character a keysym stands for when the input method gave no text:
// printable Latin-1 and Unicode keysyms, and the control characters that
// Windows types for Backspace, Tab, Enter and Escape. 0 when none.
char32_t CharacterFor(KeySym keysym);

// Decodes UTF-8 text from the input method (malformed bytes become U+FFFD).
std::u32string DecodeUtf8(const char* bytes, int length);

}  // namespace platform::x11
