#include "table/variant.h"

#include "table/fieldstorage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace marlune::table {

using storage::ClampToInt64;
using storage::FormatFloat;

std::string Variant::AsText() const
{
    switch (type_) {
    case Type::Text:
        return text_;
    case Type::Integer:
        return std::to_string(integer_);
    case Type::Float:
        return FormatFloat(float_);
    case Type::Boolean:
        return integer_ ? "True" : "False";
    default:
        return {};
    }
}

std::int64_t Variant::AsInteger() const
{
    switch (type_) {
    case Type::Text:
        return std::strtoll(text_.c_str(), nullptr, 10);
    case Type::Integer:
    case Type::Boolean:
        return integer_;
    case Type::Float:
        return ClampToInt64(float_);
    default:
        return 0;
    }
}

double Variant::AsFloat() const
{
    switch (type_) {
    case Type::Text:
        return std::strtod(text_.c_str(), nullptr);
    case Type::Integer:
    case Type::Boolean:
        return static_cast<double>(integer_);
    case Type::Float:
        return float_;
    default:
        return 0;
    }
}

bool Variant::AsBoolean() const
{
    switch (type_) {
    case Type::Text:
        return text_ == "True" || text_ == "true" || text_ == "TRUE" || text_ == "1";
    case Type::Float:
        return float_ != 0;
    default:
        return integer_ != 0;
    }
}

} // namespace marlune::table
