#pragma once

#include "table/field.h"
#include "table/memtablebase.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
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

// Values inside a record are unaligned; these read and write them.
template <class T> T Load(const std::uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T> void Store(std::uint8_t* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

// A floating-point value as a 64-bit integer: rounded, saturated, NaN as 0.
inline std::int64_t ClampToInt64(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::llround(value));
}

// A floating-point value as display text.
inline std::string FormatFloat(double value)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

} // namespace marlune::table::storage
