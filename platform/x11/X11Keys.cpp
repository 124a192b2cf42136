#include "platform/x11/X11Keys.h"

#include "platform/x11/XlibHeaders.h"

#include "platform/CodePage.h"

namespace platform::x11 {

namespace {

struct KeyMapping {
  KeySym keysym;
  unsigned vk;
};

// Keys whose virtual-key code is not simply their character.
constexpr KeyMapping kKeys[] = {
    {XK_BackSpace, 0x08}, {XK_Tab, 0x09}, {XK_ISO_Left_Tab, 0x09}, {XK_Clear, 0x0C}, {XK_KP_Begin, 0x0C},
    {XK_Return, 0x0D}, {XK_KP_Enter, 0x0D},
    {XK_Shift_L, 0x10}, {XK_Shift_R, 0x10}, {XK_Control_L, 0x11}, {XK_Control_R, 0x11},
    {XK_Alt_L, 0x12}, {XK_Alt_R, 0x12}, {XK_Meta_L, 0x12}, {XK_Meta_R, 0x12}, {XK_ISO_Level3_Shift, 0x12},
    {XK_Pause, 0x13}, {XK_Caps_Lock, 0x14}, {XK_Escape, 0x1B}, {XK_space, 0x20}, {XK_KP_Space, 0x20},
    {XK_Prior, 0x21}, {XK_KP_Prior, 0x21}, {XK_Next, 0x22}, {XK_KP_Next, 0x22},
    {XK_End, 0x23}, {XK_KP_End, 0x23}, {XK_Home, 0x24}, {XK_KP_Home, 0x24},
    {XK_Left, 0x25}, {XK_KP_Left, 0x25}, {XK_Up, 0x26}, {XK_KP_Up, 0x26},
    {XK_Right, 0x27}, {XK_KP_Right, 0x27}, {XK_Down, 0x28}, {XK_KP_Down, 0x28},
    {XK_Select, 0x29}, {XK_Print, 0x2C}, {XK_Execute, 0x2B}, {XK_Insert, 0x2D}, {XK_KP_Insert, 0x2D},
    {XK_Delete, 0x2E}, {XK_KP_Delete, 0x2E}, {XK_Help, 0x2F},
    {XK_Super_L, 0x5B}, {XK_Super_R, 0x5C}, {XK_Menu, 0x5D},
    {XK_KP_Multiply, 0x6A}, {XK_KP_Add, 0x6B}, {XK_KP_Separator, 0x6C}, {XK_KP_Subtract, 0x6D},
    {XK_KP_Decimal, 0x6E}, {XK_KP_Divide, 0x6F},
    {XK_Num_Lock, 0x90}, {XK_Scroll_Lock, 0x91},
    {XK_semicolon, 0xBA}, {XK_colon, 0xBA}, {XK_equal, 0xBB}, {XK_plus, 0xBB}, {XK_comma, 0xBC},
    {XK_less, 0xBC}, {XK_minus, 0xBD}, {XK_underscore, 0xBD}, {XK_period, 0xBE}, {XK_greater, 0xBE},
    {XK_slash, 0xBF}, {XK_question, 0xBF}, {XK_grave, 0xC0}, {XK_asciitilde, 0xC0},
    {XK_bracketleft, 0xDB}, {XK_braceleft, 0xDB}, {XK_backslash, 0xDC}, {XK_bar, 0xDC},
    {XK_bracketright, 0xDD}, {XK_braceright, 0xDD}, {XK_apostrophe, 0xDE}, {XK_quotedbl, 0xDE},
    {XF86XK_Back, 0xA6}, {XF86XK_Forward, 0xA7}, {XF86XK_AudioMute, 0xAD},
    {XF86XK_AudioLowerVolume, 0xAE}, {XF86XK_AudioRaiseVolume, 0xAF},
};

}  // namespace

unsigned VirtualKeyFor(KeySym ks) {
  if (ks >= XK_a && ks <= XK_z) return static_cast<unsigned>('A' + (ks - XK_a));
  if (ks >= XK_A && ks <= XK_Z) return static_cast<unsigned>(ks);
  if (ks >= XK_0 && ks <= XK_9) return static_cast<unsigned>(ks);
  if (ks >= XK_KP_0 && ks <= XK_KP_9) return 0x60 + static_cast<unsigned>(ks - XK_KP_0);
  if (ks >= XK_F1 && ks <= XK_F24) return 0x70 + static_cast<unsigned>(ks - XK_F1);
  for (const KeyMapping& k : kKeys)
    if (k.keysym == ks) return k.vk;
  return 0;
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
