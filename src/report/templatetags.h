#pragma once

#include <cstdint>

// The record tags of the template stream, shared by its reader and writer
// so that the two cannot drift apart. Any other byte where a record starts
// is a view's kind.
namespace marlune::report {

inline constexpr std::uint8_t kPageTag = 0xFF;
inline constexpr std::uint8_t kValuesTag = 0xFE;
inline constexpr std::uint8_t kEndTag = 0xFD;

} // namespace marlune::report
