#pragma once

#include <cstdint>
#include <string_view>

namespace marlune::platform {
class Collator;
}

// Text comparison for the table: field names, ordinal comparison and the
// locale's collator.
namespace marlune::table::text {

inline unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Field names: case ignored, by the user's locale.
bool SameName(std::string_view a, std::string_view b);

// By character codes; with ignoreCase only A-Z are folded to a-z.
int CompareOrdinal(std::string_view a, std::string_view b, bool ignoreCase);

// The collator for a locale number; raises "Invalid locale. " and the number.
const platform::Collator& CollatorFor(std::uint32_t localeId);

} // namespace marlune::table::text
