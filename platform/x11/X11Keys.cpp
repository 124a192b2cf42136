#include "platform/x11/X11Keys.h"

#include "platform/x11/XlibHeaders.h"

#include "platform/CodePage.h"

namespace platform::x11 {

namespace {

struct KeyMapping {
  KeySym keysym;
  Key key;
};

// clang-format off
// Keys that are not in one of the runs of letters, digits and function keys.
constexpr KeyMapping kKeys[] = {
    {XK_BackSpace, Key::Backspace}, {XK_Tab, Key::Tab}, {XK_ISO_Left_Tab, Key::Tab}, {XK_Clear, Key::Clear},
    {XK_KP_Begin, Key::Clear}, {XK_Return, Key::Return}, {XK_KP_Enter, Key::Return},
    {XK_Shift_L, Key::Shift}, {XK_Shift_R, Key::Shift}, {XK_Control_L, Key::Control}, {XK_Control_R, Key::Control},
    {XK_Alt_L, Key::Alt}, {XK_Alt_R, Key::Alt}, {XK_Meta_L, Key::Alt}, {XK_Meta_R, Key::Alt},
    {XK_ISO_Level3_Shift, Key::Alt}, {XK_Pause, Key::Pause}, {XK_Caps_Lock, Key::CapsLock},
    {XK_Escape, Key::Escape}, {XK_space, Key::Space}, {XK_KP_Space, Key::Space},
    {XK_Prior, Key::PageUp}, {XK_KP_Prior, Key::PageUp}, {XK_Next, Key::PageDown}, {XK_KP_Next, Key::PageDown},
    {XK_End, Key::End}, {XK_KP_End, Key::End}, {XK_Home, Key::Home}, {XK_KP_Home, Key::Home},
    {XK_Left, Key::Left}, {XK_KP_Left, Key::Left}, {XK_Up, Key::Up}, {XK_KP_Up, Key::Up},
    {XK_Right, Key::Right}, {XK_KP_Right, Key::Right}, {XK_Down, Key::Down}, {XK_KP_Down, Key::Down},
    {XK_Select, Key::Select}, {XK_Print, Key::Print}, {XK_Execute, Key::Execute},
    {XK_Insert, Key::Insert}, {XK_KP_Insert, Key::Insert}, {XK_Delete, Key::Delete}, {XK_KP_Delete, Key::Delete},
    {XK_Help, Key::Help}, {XK_Super_L, Key::SuperLeft}, {XK_Super_R, Key::SuperRight}, {XK_Menu, Key::Menu},
    {XK_KP_Multiply, Key::KeypadMultiply}, {XK_KP_Add, Key::KeypadAdd}, {XK_KP_Separator, Key::KeypadSeparator},
    {XK_KP_Subtract, Key::KeypadSubtract}, {XK_KP_Decimal, Key::KeypadDecimal}, {XK_KP_Divide, Key::KeypadDivide},
    {XK_Num_Lock, Key::NumLock}, {XK_Scroll_Lock, Key::ScrollLock},
    {XK_semicolon, Key::Semicolon}, {XK_colon, Key::Semicolon}, {XK_equal, Key::Equal}, {XK_plus, Key::Equal},
    {XK_comma, Key::Comma}, {XK_less, Key::Comma}, {XK_minus, Key::Minus}, {XK_underscore, Key::Minus},
    {XK_period, Key::Period}, {XK_greater, Key::Period}, {XK_slash, Key::Slash}, {XK_question, Key::Slash},
    {XK_grave, Key::Grave}, {XK_asciitilde, Key::Grave}, {XK_bracketleft, Key::BracketLeft},
    {XK_braceleft, Key::BracketLeft}, {XK_backslash, Key::Backslash}, {XK_bar, Key::Backslash},
    {XK_bracketright, Key::BracketRight}, {XK_braceright, Key::BracketRight},
    {XK_apostrophe, Key::Apostrophe}, {XK_quotedbl, Key::Apostrophe},
    {XF86XK_Back, Key::BrowserBack}, {XF86XK_Forward, Key::BrowserForward}, {XF86XK_AudioMute, Key::VolumeMute},
    {XF86XK_AudioLowerVolume, Key::VolumeDown}, {XF86XK_AudioRaiseVolume, Key::VolumeUp},
};
// clang-format on

}  // namespace

Key KeyFor(KeySym ks) {
  if (ks >= XK_a && ks <= XK_z) return LetterKey(static_cast<char>('a' + (ks - XK_a)));
  if (ks >= XK_A && ks <= XK_Z) return LetterKey(static_cast<char>('A' + (ks - XK_A)));
  if (ks >= XK_0 && ks <= XK_9) return DigitKey(static_cast<int>(ks - XK_0));
  if (ks >= XK_KP_0 && ks <= XK_KP_9) return KeypadDigitKey(static_cast<int>(ks - XK_KP_0));
  if (ks >= XK_F1 && ks <= XK_F24) return FunctionKey(static_cast<int>(ks - XK_F1) + 1);
  for (const KeyMapping& k : kKeys)
    if (k.keysym == ks) return k.key;
  return Key::Unknown;
}

char32_t CharacterFor(KeySym ks) {
  switch (ks) {
    case XK_BackSpace: return 0x08;
    case XK_Tab: case XK_ISO_Left_Tab: return 0x09;
    case XK_Return: case XK_KP_Enter: return 0x0D;
    case XK_Escape: return 0x1B;
    default: break;
  }
  if ((ks >= 0x20 && ks <= 0x7E) || (ks >= 0xA0 && ks <= 0xFF)) return static_cast<char32_t>(ks);
  if (ks >= XK_KP_0 && ks <= XK_KP_9) return U'0' + static_cast<char32_t>(ks - XK_KP_0);
  // Keysyms 0x01000100 and up carry the code point in their low 24 bits.
  if (ks >= 0x01000100 && ks <= 0x0110FFFF) return static_cast<char32_t>(ks - 0x01000000);
  return 0;
}

std::u32string DecodeUtf8(const char* bytes, int length) {
  std::u16string units = Utf8ToUtf16(std::string(bytes, static_cast<size_t>(length)));
  std::u32string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace platform::x11
