#pragma once
// Separators and parents of operating-system paths. Linux separates with "/"
// only; Windows with both "/" and "\", and its roots are "\", a drive ("C:",
// "C:\") or a share ("\\server\share\").
#include <cstddef>
#include <string>

namespace platform {

#ifdef _WIN32
constexpr bool kBackslashSeparates = true;
constexpr char kPathSeparator = '\\';
#else
constexpr bool kBackslashSeparates = false;
constexpr char kPathSeparator = '/';
#endif

inline bool IsPathSeparator(char c) { return c == '/' || (kBackslashSeparates && c == '\\'); }

// Length of the root that starts the path: 0 for a relative path.
std::size_t RootLength(const std::string& osPath);
// Index of the last separator after the root, or npos.
std::size_t LastSeparator(const std::string& osPath);
// The directory holding Path: "." for a bare name, the root for an entry of it.
std::string DirectoryOf(const std::string& osPath);
// The part after the last separator.
std::string NameOf(const std::string& osPath);
// Directory and Name joined by one separator.
std::string JoinPath(const std::string& osDirectory, const std::string& name);

// True for a name that the system does not take as a plain file in a
// directory: on Windows a device ("CON", "NUL", "COM1", "LPT1", ... with any
// extension), a name with ":" (a stream of another file or a drive), or one
// ending in a dot or a blank (the system drops them); none on Linux.
bool IsReservedFileName(const std::string& name);

}  // namespace platform
