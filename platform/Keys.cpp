#include "platform/Keys.h"

#include <array>

namespace platform {

namespace {

struct KeyCode {
  Key key;
  unsigned vk;
};

// clang-format off
// Keys outside the runs of letters, digits, keypad digits and function keys,
// whose codes follow the order of their runs.
constexpr KeyCode kCodes[] = {
    {Key::Backspace, 0x08}, {Key::Tab, 0x09}, {Key::Clear, 0x0C}, {Key::Return, 0x0D}, {Key::Shift, 0x10},
    {Key::Control, 0x11}, {Key::Alt, 0x12}, {Key::Pause, 0x13}, {Key::CapsLock, 0x14}, {Key::Escape, 0x1B},
    {Key::Space, 0x20}, {Key::PageUp, 0x21}, {Key::PageDown, 0x22}, {Key::End, 0x23}, {Key::Home, 0x24},
    {Key::Left, 0x25}, {Key::Up, 0x26}, {Key::Right, 0x27}, {Key::Down, 0x28}, {Key::Select, 0x29},
    {Key::Print, 0x2C}, {Key::Execute, 0x2B}, {Key::Insert, 0x2D}, {Key::Delete, 0x2E}, {Key::Help, 0x2F},
    {Key::SuperLeft, 0x5B}, {Key::SuperRight, 0x5C}, {Key::Menu, 0x5D},
    {Key::KeypadMultiply, 0x6A}, {Key::KeypadAdd, 0x6B}, {Key::KeypadSeparator, 0x6C},
    {Key::KeypadSubtract, 0x6D}, {Key::KeypadDecimal, 0x6E}, {Key::KeypadDivide, 0x6F},
    {Key::NumLock, 0x90}, {Key::ScrollLock, 0x91},
    {Key::Semicolon, 0xBA}, {Key::Equal, 0xBB}, {Key::Comma, 0xBC}, {Key::Minus, 0xBD}, {Key::Period, 0xBE},
    {Key::Slash, 0xBF}, {Key::Grave, 0xC0}, {Key::BracketLeft, 0xDB}, {Key::Backslash, 0xDC},
    {Key::BracketRight, 0xDD}, {Key::Apostrophe, 0xDE},
    {Key::BrowserBack, 0xA6}, {Key::BrowserForward, 0xA7}, {Key::VolumeMute, 0xAD}, {Key::VolumeDown, 0xAE},
    {Key::VolumeUp, 0xAF},
};
// clang-format on

struct Run {
  Key first;
  int count;
  unsigned firstVk;
};
constexpr Run kRuns[] = {{Key::A, 26, 'A'}, {Key::Digit0, 10, '0'}, {Key::Keypad0, 10, 0x60}, {Key::F1, 24, 0x70}};

constexpr unsigned Index(Key k) { return static_cast<unsigned>(k); }

// Both directions built once from the tables above.
struct Tables {
  std::array<unsigned, Index(Key::VolumeUp) + 1> vkOfKey{};
  std::array<Key, 256> keyOfVk{};
  Tables() {
    for (const KeyCode& c : kCodes) {
      vkOfKey[Index(c.key)] = c.vk;
      keyOfVk[c.vk] = c.key;
    }
    for (const Run& r : kRuns)
      for (int i = 0; i < r.count; ++i) {
        Key k = static_cast<Key>(Index(r.first) + i);
        vkOfKey[Index(k)] = r.firstVk + i;
        keyOfVk[r.firstVk + i] = k;
      }
  }
};

const Tables& Codes() {
  static const Tables tables;
  return tables;
}

}  // namespace

unsigned VirtualKeyOf(Key key) {
  unsigned i = Index(key);
  return i < Codes().vkOfKey.size() ? Codes().vkOfKey[i] : 0;
}

Key KeyOfVirtualKey(unsigned vk) { return vk < 256 ? Codes().keyOfVk[vk] : Key::Unknown; }

}  // namespace platform
