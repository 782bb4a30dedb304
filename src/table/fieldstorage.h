#pragma once

#include "table/field.h"
#include "table/memtablebase.h"

#include <cstdint>
#include <cstring>
#include <string_view>

// How values of each field type are kept in a record's data area.
namespace marlune::table::storage {

// Largest size of a text or byte field (longer definitions are refused).
inline constexpr int kMaxFieldSize = 8192;

// Bytes of storage after the indicator byte for a value kept inside the
// record; -1 when the type has no storage at all.
int InlineSize(FieldType type, int size);

// Whether values of the field live outside the record.
bool StoredOutside(FieldType type, int size, Performance performance);

// Whether the field's values can be compared (for Locate and indexes).
bool Comparable(FieldType type);

// Integer types kept as 16/32/64-bit integers.
bool IsIntegerType(FieldType type);
// Types kept as a double (Float and the date-time types).
bool IsFloatType(FieldType type);
// Currency and BCD: a count of ten-thousandths in 64 bits.
bool IsScaledType(FieldType type);

// Text of a stored text value (up to the NUL, at most size bytes).
inline std::string_view StoredText(const std::uint8_t* storage, int size)
{
    const auto* s = reinterpret_cast<const char*>(storage);
    return {s, ::strnlen(s, static_cast<std::size_t>(size))};
}

// The part of a text that is stored: at most size bytes, up to a NUL.
inline std::string_view CutText(std::string_view text, int size)
{
    if (text.size() > static_cast<std::size_t>(size))
        text = text.substr(0, static_cast<std::size_t>(size));
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    return text;
}

// Copies a short text without a library call (most values are a few bytes).
inline void CopyText(std::uint8_t* to, const char* from, std::size_t n)
{
    if (n >= 8 && n <= 16) {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, from, 8);
        std::memcpy(&b, from + n - 8, 8);
        std::memcpy(to, &a, 8);
        std::memcpy(to + n - 8, &b, 8);
    } else if (n >= 4 && n < 8) {
        std::uint32_t a;
        std::uint32_t b;
        std::memcpy(&a, from, 4);
        std::memcpy(&b, from + n - 4, 4);
        std::memcpy(to, &a, 4);
        std::memcpy(to + n - 4, &b, 4);
    } else if (n < 4) {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = static_cast<std::uint8_t>(from[i]);
    } else {
        std::memcpy(to, from, n);
    }
}

} // namespace marlune::table::storage
