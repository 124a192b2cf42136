#pragma once
// The program's command-line arguments as UTF-8 text. Windows passes main()
// arguments in the ANSI code page, which cannot hold every character (under
// Wine it follows the locale); its own wide command line is read instead.
#include <string>
#include <vector>

namespace platform {

// The arguments after the program's name.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
