#pragma once
// Keys as the display reports them, named by what they are. The window layer
// translates them into the key codes of its messages.
namespace platform {

// clang-format off
enum class Key : unsigned {
  Unknown,
  Backspace, Tab, Clear, Return, Shift, Control, Alt, Pause, CapsLock, Escape, Space,
  PageUp, PageDown, End, Home, Left, Up, Right, Down,
  Select, Print, Execute, Insert, Delete, Help,
  // Letters, digits and function keys are runs in order (see the helpers below).
  A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
  Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
  Keypad0, Keypad1, Keypad2, Keypad3, Keypad4, Keypad5, Keypad6, Keypad7, Keypad8, Keypad9,
  KeypadMultiply, KeypadAdd, KeypadSeparator, KeypadSubtract, KeypadDecimal, KeypadDivide,
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
  F13, F14, F15, F16, F17, F18, F19, F20, F21, F22, F23, F24,
  SuperLeft, SuperRight, Menu, NumLock, ScrollLock,
  Semicolon, Equal, Comma, Minus, Period, Slash, Grave,
  BracketLeft, Backslash, BracketRight, Apostrophe,
  BrowserBack, BrowserForward, VolumeMute, VolumeDown, VolumeUp,
};
// clang-format on

// The virtual-key code of a key (the key codes of the Windows key messages,
// which the window layer's messages use everywhere); 0 for Key::Unknown.
unsigned VirtualKeyOf(Key key);
// The key with that virtual-key code; Key::Unknown when no key has it.
Key KeyOfVirtualKey(unsigned vk);

// 'A'..'Z' (either case), '0'..'9', 1..24 and 0..9; Key::Unknown out of range.
constexpr Key LetterKey(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' ? static_cast<Key>(static_cast<unsigned>(Key::A) + (c - 'A')) : Key::Unknown;
}
constexpr Key DigitKey(int d) {
  return d >= 0 && d <= 9 ? static_cast<Key>(static_cast<unsigned>(Key::Digit0) + d) : Key::Unknown;
}
constexpr Key FunctionKey(int n) {
  return n >= 1 && n <= 24 ? static_cast<Key>(static_cast<unsigned>(Key::F1) + n - 1) : Key::Unknown;
}
constexpr Key KeypadDigitKey(int d) {
  return d >= 0 && d <= 9 ? static_cast<Key>(static_cast<unsigned>(Key::Keypad0) + d) : Key::Unknown;
}

}  // namespace platform
