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
    if (text.size() > static_cast<std::size_t>(size)) {
        text = text.substr(0, static_cast<std::size_t>(size));
    }
    if (auto nul = text.find('\0'); nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    return text;
}

// Copies n bytes (sizeof(Word) <= n <= 2 * sizeof(Word)) as a first and a
// last word, which overlap when n is less than two words.
template <class Word> void CopyTwoWords(std::uint8_t* to, const char* from, std::size_t n)
{
    Word a;
    Word b;
    std::memcpy(&a, from, sizeof(Word));
    std::memcpy(&b, from + n - sizeof(Word), sizeof(Word));
    std::memcpy(to, &a, sizeof(Word));
    std::memcpy(to + n - sizeof(Word), &b, sizeof(Word));
}

// Copies a short text without a library call (most values are a few bytes).
inline void CopyText(std::uint8_t* to, const char* from, std::size_t n)
{
    if (n >= 8 && n <= 16) {
        CopyTwoWords<std::uint64_t>(to, from, n);
    } else if (n >= 4 && n < 8) {
        CopyTwoWords<std::uint32_t>(to, from, n);
    } else if (n < 4) {
        for (std::size_t i = 0; i < n; ++i) {
            to[i] = static_cast<std::uint8_t>(from[i]);
        }
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

// A value of an integer type (IsIntegerType) as a 64-bit integer.
inline std::int64_t LoadInteger(FieldType type, const std::uint8_t* p)
{
    switch (type) {
    case FieldType::ftSmallint:
    case FieldType::ftBoolean:
        return Load<std::int16_t>(p);
    case FieldType::ftWord:
        return Load<std::uint16_t>(p);
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
        return Load<std::int32_t>(p);
    default:
        return Load<std::int64_t>(p);
    }
}

// Stores a value of an integer type cut to the type's width; a Boolean keeps
// 1 for any value but 0.
inline void StoreInteger(FieldType type, std::uint8_t* p, std::int64_t value)
{
    switch (type) {
    case FieldType::ftSmallint:
        Store<std::int16_t>(p, static_cast<std::int16_t>(value));
        break;
    case FieldType::ftBoolean:
        Store<std::int16_t>(p, value != 0 ? 1 : 0);
        break;
    case FieldType::ftWord:
        Store<std::uint16_t>(p, static_cast<std::uint16_t>(value));
        break;
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
        Store<std::int32_t>(p, static_cast<std::int32_t>(value));
        break;
    default:
        Store<std::int64_t>(p, value);
        break;
    }
}

// A floating-point value as a 64-bit integer: rounded, saturated, NaN as 0.
inline std::int64_t ClampToInt64(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 9.2233720368547758e18) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value <= -9.2233720368547758e18) {
        return std::numeric_limits<std::int64_t>::min();
    }
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
