#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::table {

// A loosely typed value as key values are passed to Locate: unassigned, null,
// text, integer, float, Boolean, or an array of values with a dimension count
// (elements stored flat, in row order).
class Variant {
public:
    enum class Type { Unassigned, Null, Text, Integer, Float, Boolean, Array };

    Variant() = default;
    Variant(std::string text) : type_(Type::Text), text_(std::move(text)) {}
    Variant(std::string_view text) : type_(Type::Text), text_(text) {}
    Variant(const char* text) : type_(Type::Text), text_(text ? text : "") {}
    Variant(int value) : type_(Type::Integer), integer_(value) {}
    Variant(std::int64_t value) : type_(Type::Integer), integer_(value) {}
    Variant(double value) : type_(Type::Float), float_(value) {}
    Variant(bool value) : type_(Type::Boolean), integer_(value ? 1 : 0) {}

    static Variant Null()
    {
        Variant v;
        v.type_ = Type::Null;
        return v;
    }
    // An array of the given elements; dimensionCount > 1 describes a
    // multi-dimensional array (which Locate refuses).
    static Variant Array(std::vector<Variant> elements, int dimensionCount = 1)
    {
        Variant v;
        v.type_ = Type::Array;
        v.elements_ = std::move(elements);
        v.dimensionCount_ = dimensionCount;
        return v;
    }

    Type GetType() const { return type_; }
    bool IsNull() const { return type_ == Type::Null || type_ == Type::Unassigned; }
    bool IsArray() const { return type_ == Type::Array; }
    int DimensionCount() const { return type_ == Type::Array ? dimensionCount_ : 0; }
    const std::vector<Variant>& Elements() const { return elements_; }

    // Conversions as a field takes the value.
    std::string AsText() const;
    std::int64_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;

private:
    Type type_ = Type::Unassigned;
    std::string text_;
    std::int64_t integer_ = 0;
    double float_ = 0;
    std::vector<Variant> elements_;
    int dimensionCount_ = 0;
};

} // namespace marlune::table
