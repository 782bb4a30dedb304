#include "table/textcompare.h"

#include "platform/collate.h"
#include "platform/error.h"

#include <string>

namespace marlune::table::text {

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) {
        bool same = true;
        for (std::size_t i = 0; i < a.size() && same; ++i) {
            same = FoldAscii(static_cast<unsigned char>(a[i])) ==
                   FoldAscii(static_cast<unsigned char>(b[i]));
        }
        if (same) {
            return true;
        }
    }
    if (const auto* c = platform::Collator::ForLocaleId(platform::kLocaleUserDefault)) {
        return c->Equal(a, b, true);
    }
    return false;
}

int CompareOrdinal(std::string_view a, std::string_view b, bool ignoreCase)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (ignoreCase) {
            x = FoldAscii(x);
            y = FoldAscii(y);
        }
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

const platform::Collator& CollatorFor(std::uint32_t localeId)
{
    const platform::Collator* c = platform::Collator::ForLocaleId(localeId);
    if (c == nullptr) {
        throw Error("Invalid locale. " + std::to_string(localeId));
    }
    return *c;
}

} // namespace marlune::table::text
