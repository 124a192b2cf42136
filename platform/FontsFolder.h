#pragma once
// Where Windows keeps its font files (the system's Fonts folder); Linux finds
// fonts through fontconfig instead and has no such call.
#include <string>

namespace platform {

// The folder as an operating-system path; empty when the system cannot tell.
std::string SystemFontsFolder();

}  // namespace platform
