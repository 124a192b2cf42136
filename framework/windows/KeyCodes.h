#pragma once
// The display's keys as the virtual-key codes of key messages, and back; the
// table lives with the keys, since the Windows display reports those codes.
#include "platform/Keys.h"

using platform::KeyOfVirtualKey;
using platform::VirtualKeyOf;
