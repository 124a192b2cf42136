#pragma once
// Profile (INI) files with the rules of the Windows profile-string functions:
// section and key names match without regard to the case of A to Z, values are
// read without their surrounding blanks (and without one pair of enclosing
// quotes), a value is read to at most BufferChars - 1 bytes, and a write keeps
// every other line as it was and creates the file and the section when they
// are missing. Files are code page 936 text; paths are code page 936 too.
#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// The value of Key in Section of the profile text, or nothing when the section
// or the key is absent. The first section and the first key of a name count.
std::optional<std::string> FindProfileValue(const std::string& text, const std::string& section,
                                            const std::string& key);

// The profile text with Key in Section set to Value. Fails (nothing) when a
// name or the value could not be stored as one line: a line break or a NUL
// anywhere, "=" in the key or "]" in the section name, or an empty name.
std::optional<std::string> WithProfileValue(const std::string& text, const std::string& section,
                                            const std::string& key, const std::string& value);

// The profile text without Key in Section; the text as it was when the key
// is not there. The section's header stays, as the system's function leaves it.
std::string WithoutProfileKey(const std::string& text, const std::string& section, const std::string& key);

// Reads Key in Section of the file at Path; Default when the file, the section
// or the key is missing. Never creates anything.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferChars = 2048);

// Stores Value for Key in Section of the file at Path, replacing the file's
// content atomically. False when the file cannot be read or written (errno
// tells why) or the value cannot be stored; the file is then unchanged.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// Removes Key from Section of the file at Path, replacing the file's content
// atomically when the key was there. False when the file cannot be read or
// written (errno tells why); the file is then unchanged.
bool DeleteProfileKey(const std::string& path, const std::string& section, const std::string& key);

}  // namespace platform
