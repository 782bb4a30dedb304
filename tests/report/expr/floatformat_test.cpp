#include "report/expr/floatformat.h"
#include "report/expr/formatsettings.h"

#include <QLocale>
#include <QString>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace marlune::report::expr {
namespace {

FormatSettings Dot()
{
    FormatSettings s;
    s.decimalSeparator = '.';
    s.thousandSeparator = ',';
    return s;
}

std::string Printf(const char* format, double v)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

// Sevenths never end in a tie, so decimal and binary rounding agree.
std::vector<double> Sevenths()
{
    std::vector<double> values;
    for (int n = -7000; n <= 7000; n += 37) {
        values.push_back(n / 7.0);
        values.push_back(n * 1234.0 / 7.0);
    }
    return values;
}

TEST(FormatFloat, FixedPatternsAgreeWithPrintf)
{
    const struct {
        const char* pattern;
        const char* printf;
    } cases[] = {{"0.00", "%.2f"}, {"0.000", "%.3f"}, {"0", "%.0f"}, {"000000.0", "%08.1f"}};
    for (const auto& c : cases) {
        for (const double v : Sevenths()) {
            if (v < 0 && std::string(c.printf) == "%08.1f") {
                continue; // printf pads after the sign, the pattern counts digits
            }
            std::string expected = Printf(c.printf, v);
            if (expected.find_first_not_of("-0.") == std::string::npos && expected[0] == '-') {
                expected.erase(0, 1); // no minus sign on a number that shows as zero
            }
            EXPECT_EQ(FormatFloat(c.pattern, v, Dot()), expected) << c.pattern << " " << v;
        }
    }
}

TEST(FormatFloat, ThousandsAgreeWithTheLocale)
{
    const QLocale english(QLocale::English, QLocale::Australia);
    for (const double v : Sevenths()) {
        const std::string expected = english.toString(v, 'f', 2).toStdString();
        EXPECT_EQ(FormatFloat("#,##0.00", v, Dot()), expected) << v;
        EXPECT_EQ(FloatToFixed(v, 2, true, Dot()), expected) << v;
    }
}

TEST(FormatFloat, OptionalDigitsDropTrailingZeros)
{
    for (const double v : Sevenths()) {
        std::string expected = Printf("%.2f", v);
        while (expected.back() == '0') {
            expected.pop_back();
        }
        if (expected.back() == '.') {
            expected.pop_back();
        }
        if (expected == "-0") {
            expected = "0";
        }
        // "0.##" shows at least the units digit, "#.##" may show nothing
        // before the point.
        EXPECT_EQ(FormatFloat("0.##", v, Dot()), expected) << v;
        const std::string hashes = FormatFloat("#.##", v, Dot());
        if (expected.rfind("0.", 0) == 0) {
            EXPECT_EQ(hashes, expected.substr(1)) << v;
        } else if (expected.rfind("-0.", 0) == 0) {
            EXPECT_EQ(hashes, "-" + expected.substr(2)) << v;
        } else if (expected != "0") {
            EXPECT_EQ(hashes, expected) << v;
        }
    }
}

TEST(FormatFloat, RoundsTheDecimalDigitsHalfAwayFromZero)
{
    // In binary 2.675 is a little below; the 15 significant digits say 2.675.
    const struct {
        double value;
        const char* pattern;
        const char* expected;
    } cases[] = {
        {2.675, "0.00", "2.68"},  {-2.675, "0.00", "-2.68"},
        {0.5, "0", "1"},          {1.5, "0", "2"},
        {2.5, "0", "3"},          {9.995, "0.00", "10.00"},
        {-0.001, "0.00", "0.00"}, {0.0, "#", ""},
        {0.0, "#.##", ""},        {999.999, "#,##0.00", "1,000.00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFloat(c.pattern, c.value, Dot()), c.expected)
            << c.pattern << " " << c.value;
    }
}

TEST(FormatFloat, SectionsLiteralsAndExponents)
{
    const struct {
        double value;
        const char* pattern;
        const char* expected;
    } cases[] = {
        {-5, "0;(0)", "(5)"},
        {5, "0;(0)", "5"},
        {0, "0;(0);'nil'", "nil"},
        {-5, "0;;zero", "-5"},
        {0.001, "0.0;-0.0;'zero'", "zero"},
        {12.5, "'$'0.00", "$12.50"},
        {12.5, "0.00 \"kg\"", "12.50 kg"},
        {5551234, "000-0000", "555-1234"},
        {12345, "0.00E+00", "1.23E+04"},
        {0.00012345, "0.00E+00", "1.23E-04"},
        {12345, "0.0e-0", "1.2e4"},
        {1234567.891, "#,##0", "1,234,568"},
        {1234567.891, "#,###.##", "1,234,567.89"},
        {12.5, ".00", "12.50"},
        {0.5, ".00", ".50"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFloat(c.pattern, c.value, Dot()), c.expected) << c.pattern;
    }
}

TEST(FormatFloat, UsesTheSeparatorsOfTheSettings)
{
    FormatSettings s = Dot();
    s.decimalSeparator = ',';
    s.thousandSeparator = '.';
    for (const double v : Sevenths()) {
        std::string expected = QLocale(QLocale::German).toString(v, 'f', 2).toStdString();
        EXPECT_EQ(FormatFloat("#,##0.00", v, s), expected) << v;
    }
}

TEST(FloatToText, AgreesWithPrintfGeneralForm)
{
    for (const double v : Sevenths()) {
        EXPECT_EQ(FloatToText(v, Dot()), Printf("%.15g", v)) << v;
    }
    for (const double v : {1e20, 1.5e-7, -2.5e300}) {
        std::string expected = Printf("%.15G", v);
        // "1E+20" is written "1E20", exponents without leading zeros.
        const auto e = expected.find('E');
        std::string exponent = expected.substr(e + 1);
        const bool negative = exponent[0] == '-';
        exponent = std::to_string(std::stoi(exponent.substr(1)));
        expected = expected.substr(0, e + 1) + (negative ? "-" : "") + exponent;
        EXPECT_EQ(FloatToText(v, Dot()), expected) << v;
    }
}

TEST(FloatToText, NotFiniteNumbersAreWords)
{
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity(), Dot()), "INF");
    EXPECT_EQ(FormatFloat("0.00", -std::numeric_limits<double>::infinity(), Dot()), "-INF");
    EXPECT_EQ(FloatToText(std::numeric_limits<double>::quiet_NaN(), Dot()), "NAN");
}

TEST(FloatToFixed, HugeNumbersAndManyDecimalsStayBounded)
{
    EXPECT_EQ(FloatToFixed(1e16, 2, false, Dot()), FloatToText(1e16, Dot()));
    const std::string many = FloatToFixed(1.0 / 3.0, 255, false, Dot());
    EXPECT_EQ(many.size(), 2u + 18u);
}

} // namespace
} // namespace marlune::report::expr
