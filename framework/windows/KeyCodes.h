#pragma once
// The display's keys as the virtual-key codes of key messages, and back.
#include "platform/Keys.h"

// The virtual-key code of a key; 0 for Key::Unknown.
unsigned VirtualKeyOf(platform::Key key);
// The key with that virtual-key code; Key::Unknown when no key has it.
platform::Key KeyOfVirtualKey(unsigned vk);
