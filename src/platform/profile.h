#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The INI profile functions, with the platform's semantics: a file of
// "[Section]" lines and "Key=Value" lines, section and key names matched
// regardless of case, the first match counting. Bytes are Windows-1252 and
// are not converted.
namespace marlune::platform {

// The buffer size the settings store reads with: at most 2047 characters.
inline constexpr std::size_t kProfileBufferSize = 2048;

// Where a profile file lives: a name without a directory in the user's
// configuration directory (the registry root directory), any other name as
// it stands.
std::string ProfileFilePath(std::string_view fileName);

// The value of `key` in `section`, blanks around it removed and one pair of
// matching enclosing quotes (" or ') taken off; `defaultValue` when the file,
// the section or the key is missing. Either is cut to bufferSize - 1 bytes,
// as the platform fills a buffer of that size.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize,
                                    std::string_view fileName);

// Sets `key` in `section` to `value`, creating the file, the section and the
// key as needed; no value deletes the key, no key deletes the whole section.
// The rest of the file is kept byte for byte. A value that would not read
// back as written (blanks at either end, or enclosed in quotes) is written in
// double quotes, so that GetPrivateProfileString returns it unchanged.
// False when the file cannot be written, and for names and values the file
// cannot hold: line breaks anywhere, "]" in a section name, "=" in a key, an
// empty or blank section or key name, a key starting with "[" or ";".
// The file is replaced atomically under a lock, as the registry files are.
bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, std::string_view fileName);

} // namespace marlune::platform
