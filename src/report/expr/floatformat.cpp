#include "report/expr/floatformat.h"

#include "report/expr/formatsettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace marlune::report::expr {

namespace {

// |value| = 0.d1 d2 d3 ... x 10^exponent; no trailing zero digits; zero has
// no digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(double value)
{
    Decimal d;
    d.negative = std::signbit(value) && value != 0.0;
    if (value == 0.0) {
        return d;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    // "d.dddddddddddddde+XX"
    const std::string text(buffer);
    const auto e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.exponent = std::atoi(text.c_str() + e + 1) + 1;
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    return d;
}

// Rounds to `fraction` digits after the decimal point, halves away from zero.
void RoundTo(Decimal& d, int fraction)
{
    const int keep = d.exponent + fraction;
    if (keep >= static_cast<int>(d.digits.size())) {
        return;
    }
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
}

std::string IntegerDigits(const Decimal& d)
{
    if (d.digits.empty() || d.exponent <= 0) {
        return {};
    }
    std::string s = d.digits.substr(
        0, std::min<std::size_t>(d.digits.size(), static_cast<std::size_t>(d.exponent)));
    s.append(static_cast<std::size_t>(d.exponent) - s.size(), '0');
    return s;
}

// Exactly `count` fraction digits.
std::string FractionDigits(const Decimal& d, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) {
        const int index = d.exponent + i;
        const bool present = index >= 0 && index < static_cast<int>(d.digits.size());
        s += present ? d.digits[static_cast<std::size_t>(index)] : '0';
    }
    return s;
}

std::string Grouped(const std::string& digits, char separator)
{
    std::string out;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) {
            out += separator;
        }
        out += digits[i];
    }
    return out;
}

std::string Scientific(const Decimal& d, const FormatSettings& settings)
{
    std::string out = d.negative ? "-" : "";
    out += d.digits.substr(0, 1);
    if (d.digits.size() > 1) {
        out += settings.decimalSeparator;
        out += d.digits.substr(1);
    }
    out += 'E';
    out += std::to_string(d.exponent - 1);
    return out;
}

std::string NotFinite(double value)
{
    if (std::isnan(value)) {
        return "NAN";
    }
    return value < 0 ? "-INF" : "INF";
}

// One section of a pattern, taken apart.
struct Section {
    struct Item {
        enum class Kind { Digit, Point, Literal, Exponent } kind;
        std::string text; // the literal; for digits "0" or "#"; for exponents "E+" etc.
        int exponentDigits = 0;
    };
    std::vector<Item> items;
    bool thousands = false;
    int integerDigits = 0;  // digit places before the point
    int minInteger = 0;     // from the first "0" before the point
    int fractionDigits = 0; // digit places after the point
    int minFraction = 0;    // up to the last "0" after the point
    bool hasExponent = false;
};

std::vector<std::string> SplitSections(const std::string& pattern)
{
    std::vector<std::string> sections(1);
    char quote = 0;
    for (const char c : pattern) {
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';' && sections.size() < 3) {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

Section ParseSection(const std::string& text)
{
    Section s;
    bool afterPoint = false;
    bool seenZero = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            const auto end = text.find(c, i + 1);
            const auto stop = end == std::string::npos ? text.size() : end;
            s.items.push_back({Section::Item::Kind::Literal, text.substr(i + 1, stop - i - 1)});
            i = stop;
        } else if (c == '0' || c == '#') {
            s.items.push_back({Section::Item::Kind::Digit, std::string(1, c)});
            if (afterPoint) {
                ++s.fractionDigits;
                if (c == '0') {
                    s.minFraction = s.fractionDigits;
                }
            } else {
                ++s.integerDigits;
                seenZero = seenZero || c == '0';
                if (seenZero) {
                    ++s.minInteger;
                }
            }
        } else if (c == '.' && !afterPoint && !s.hasExponent) {
            afterPoint = true;
            s.items.push_back({Section::Item::Kind::Point, {}});
        } else if (c == ',') {
            s.thousands = true;
        } else if ((c == 'E' || c == 'e') && i + 1 < text.size() &&
                   (text[i + 1] == '+' || text[i + 1] == '-') && !s.hasExponent) {
            int zeros = 0;
            std::size_t j = i + 2;
            while (j < text.size() && text[j] == '0') {
                ++zeros;
                ++j;
            }
            s.items.push_back({Section::Item::Kind::Exponent, text.substr(i, 2), zeros});
            s.hasExponent = true;
            i = j - 1;
        } else {
            s.items.push_back({Section::Item::Kind::Literal, std::string(1, c)});
        }
    }
    return s;
}

std::string Render(const Section& s, Decimal d, bool minus, const FormatSettings& settings)
{
    int exponentValue = 0;
    if (s.hasExponent && !d.digits.empty()) {
        // The integer places take the leading significant digits.
        const int places = std::max(1, s.integerDigits);
        exponentValue = d.exponent - places;
        d.exponent = places;
        RoundTo(d, s.fractionDigits);
        if (d.exponent > places) {
            ++exponentValue;
            d.exponent = places;
        }
    }
    std::string integer = IntegerDigits(d);
    if (static_cast<int>(integer.size()) < s.minInteger) {
        integer.insert(0, static_cast<std::size_t>(s.minInteger) - integer.size(), '0');
    }
    std::string fraction = FractionDigits(d, s.fractionDigits);
    while (static_cast<int>(fraction.size()) > s.minFraction && fraction.back() == '0') {
        fraction.pop_back();
    }

    // Literals between the integer digit places stay where they are, counted
    // from the point; the first place takes every digit left over.
    std::vector<std::string> placed(static_cast<std::size_t>(s.integerDigits));
    if (s.integerDigits > 0) {
        if (s.thousands) {
            integer = Grouped(integer, settings.thousandSeparator);
        }
        std::size_t take = integer.size();
        for (int k = s.integerDigits - 1; k > 0; --k) {
            if (take == 0) {
                break;
            }
            // A grouped text moves separators along with the digit after them.
            std::size_t start = take - 1;
            if (start > 0 && integer[start - 1] == settings.thousandSeparator && s.thousands) {
                --start;
            }
            placed[static_cast<std::size_t>(k)] = integer.substr(start, take - start);
            take = start;
        }
        placed[0] = integer.substr(0, take);
    }

    std::string out = minus ? "-" : "";
    int digitIndex = 0;
    int fractionIndex = 0;
    bool pointDone = false;
    for (const auto& item : s.items) {
        switch (item.kind) {
        case Section::Item::Kind::Literal:
            out += item.text;
            break;
        case Section::Item::Kind::Digit:
            if (!pointDone) {
                out += placed[static_cast<std::size_t>(digitIndex++)];
            } else if (fractionIndex < static_cast<int>(fraction.size())) {
                out += fraction[static_cast<std::size_t>(fractionIndex++)];
            }
            break;
        case Section::Item::Kind::Point:
            pointDone = true;
            if (s.integerDigits == 0) {
                out += integer; // no integer places: the digits still show
            }
            if (!fraction.empty()) {
                out += settings.decimalSeparator;
            }
            break;
        case Section::Item::Kind::Exponent: {
            out += item.text[0];
            if (exponentValue < 0) {
                out += '-';
            } else if (item.text[1] == '+') {
                out += '+';
            }
            std::string e = std::to_string(std::abs(exponentValue));
            if (static_cast<int>(e.size()) < item.exponentDigits) {
                e.insert(0, static_cast<std::size_t>(item.exponentDigits) - e.size(), '0');
            }
            out += e;
            break;
        }
        }
    }
    return out;
}

} // namespace

std::string FloatToText(double value, const FormatSettings& settings)
{
    if (!std::isfinite(value)) {
        return NotFinite(value);
    }
    const Decimal d = ToDecimal(value);
    if (d.digits.empty()) {
        return "0";
    }
    if (d.exponent > 15 || d.exponent < -3) {
        return Scientific(d, settings);
    }
    std::string out = d.negative ? "-" : "";
    const std::string integer = IntegerDigits(d);
    out += integer.empty() ? "0" : integer;
    const int fractionCount = static_cast<int>(d.digits.size()) - d.exponent;
    if (fractionCount > 0) {
        out += settings.decimalSeparator;
        out += FractionDigits(d, fractionCount);
    }
    return out;
}

std::string FloatToFixed(double value, int decimals, bool thousands, const FormatSettings& settings)
{
    if (!std::isfinite(value)) {
        return NotFinite(value);
    }
    if (std::fabs(value) >= 1e15) {
        return FloatToText(value, settings);
    }
    decimals = std::clamp(decimals, 0, 18);
    std::string pattern = thousands ? "#,##0" : "0";
    if (decimals > 0) {
        pattern += '.';
        pattern.append(static_cast<std::size_t>(decimals), '0');
    }
    return FormatFloat(pattern, value, settings);
}

std::string FormatFloat(const std::string& pattern, double value, const FormatSettings& settings)
{
    if (!std::isfinite(value)) {
        return NotFinite(value);
    }
    if (pattern.empty() || std::fabs(value) >= 1e18) {
        return FloatToText(value, settings);
    }
    const auto sections = SplitSections(pattern);
    Section section = ParseSection(sections[0]);
    Decimal d = ToDecimal(value);
    if (!section.hasExponent) {
        RoundTo(d, section.fractionDigits);
    }
    const bool zero = d.digits.empty();
    bool minus = d.negative && !zero;
    if (zero && sections.size() > 2 && !sections[2].empty()) {
        section = ParseSection(sections[2]);
        minus = false;
    } else if (minus && sections.size() > 1 && !sections[1].empty()) {
        section = ParseSection(sections[1]);
        minus = false;
        d = ToDecimal(std::fabs(value));
        if (!section.hasExponent) {
            RoundTo(d, section.fractionDigits);
        }
    }
    d.negative = false;
    return Render(section, d, minus, settings);
}

} // namespace marlune::report::expr
