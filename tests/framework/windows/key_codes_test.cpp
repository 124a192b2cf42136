// The display's keys become the virtual-key codes of key messages.
#include <gtest/gtest.h>

#include "framework/windows/KeyCodes.h"
#include "framework/windows/Messages.h"

namespace {

using platform::Key;

TEST(KeyCodes, KeysCarryTheirVirtualKeyCodes) {
  struct Case {
    Key key;
    unsigned vk;
  } cases[] = {
      {Key::Backspace, VK_BACK}, {Key::Tab, VK_TAB},       {Key::Return, VK_RETURN}, {Key::Shift, VK_SHIFT},
      {Key::Alt, VK_MENU},       {Key::Escape, VK_ESCAPE}, {Key::Space, VK_SPACE},   {Key::PageDown, VK_NEXT},
      {Key::Left, VK_LEFT},      {Key::Down, VK_DOWN},     {Key::Delete, VK_DELETE}, {Key::A, 'A'},
      {Key::Z, 'Z'},             {Key::Digit0, '0'},       {Key::Digit9, '9'},       {Key::Keypad0, 0x60},
      {Key::Keypad9, 0x69},      {Key::F1, VK_F1},         {Key::F4, VK_F4},         {Key::F24, 0x87},
      {Key::Semicolon, 0xBA},    {Key::Apostrophe, 0xDE},  {Key::VolumeUp, 0xAF},    {Key::Unknown, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(VirtualKeyOf(c.key), c.vk) << static_cast<unsigned>(c.key);
}

TEST(KeyCodes, EveryKeyHasItsOwnCodeAndComesBack) {
  for (unsigned i = static_cast<unsigned>(Key::Backspace); i <= static_cast<unsigned>(Key::VolumeUp); ++i) {
    const Key key = static_cast<Key>(i);
    const unsigned vk = VirtualKeyOf(key);
    ASSERT_NE(vk, 0u) << i;
    EXPECT_EQ(KeyOfVirtualKey(vk), key) << i;
  }
  EXPECT_EQ(KeyOfVirtualKey(0), Key::Unknown);
  EXPECT_EQ(KeyOfVirtualKey(0x3A), Key::Unknown);
  EXPECT_EQ(KeyOfVirtualKey(1000), Key::Unknown);
}

TEST(KeyCodes, RunsOfLettersDigitsAndFunctionKeys) {
  EXPECT_EQ(platform::LetterKey('q'), Key::Q);
  EXPECT_EQ(platform::LetterKey('Q'), Key::Q);
  EXPECT_EQ(platform::LetterKey('1'), Key::Unknown);
  EXPECT_EQ(platform::DigitKey(7), Key::Digit7);
  EXPECT_EQ(platform::DigitKey(10), Key::Unknown);
  EXPECT_EQ(platform::FunctionKey(12), Key::F12);
  EXPECT_EQ(platform::FunctionKey(0), Key::Unknown);
  EXPECT_EQ(platform::KeypadDigitKey(3), Key::Keypad3);
}

}  // namespace
