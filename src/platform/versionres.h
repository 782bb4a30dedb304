#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The version information of an executable file: a version record that the
// build places into a named ELF section of the program (kVersionSection), read
// back from the file itself, with the three operations of the original
// platform: the size of the information, reading it into a buffer, and
// querying a value in that buffer by path.
//
// The record is text, one entry a line, ended by the section's end or a NUL:
//
//   MarluneVersionRecord=1
//   FileFlags=00000000            the fixed information's file flags (hex)
//   Translation=040904E4          language and code page pairs, blank-separated
//   [040904E4]                    a string block, named by its pair
//   FileVersion=1.0.0.1
//
// Every entry may be missing; what is missing cannot be queried.
namespace marlune::platform {

inline constexpr std::string_view kVersionSection = ".marlune_version";

// Bytes of version information in `path`; 0 when the file cannot be read, is
// not an ELF file or has no version record.
std::uint32_t VersionInfoSize(const std::string& path);

// Reads the version information of `path` into `buffer` (`size` bytes, the
// rest zero). False when the file cannot be read or holds no record any more.
bool ReadVersionInfo(const std::string& path, std::uint32_t size, std::vector<char>& buffer);

// Looks a value up in version information, by one of the paths
//   "\"                                   the fixed information: the 52 bytes
//                                          of the platform's fixed file info
//                                          (signature 0xFEEF04BD, little-endian)
//   "\VarFileInfo\Translation"            4 bytes a pair: language, code page
//                                          (16-bit little-endian words)
//   "\StringFileInfo\<pair>\<name>"       the string with its terminating zero
// Names and pairs are matched without regard to case. Nothing for a path
// that is not there.
std::optional<std::string> QueryVersionValue(const std::vector<char>& info, std::string_view path);

// The fixed information's file flags, at their place in the 52 bytes.
inline constexpr std::size_t kFixedFileFlagsOffset = 28;
inline constexpr std::size_t kFixedFileInfoSize = 52;

// The path of the running program's executable.
std::string OwnExecutablePath();

} // namespace marlune::platform
