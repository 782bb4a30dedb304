#include "report/expr/errors.h"
#include "report/expr/formatsettings.h"
#include "report/expr/value.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace marlune::report::expr {
namespace {

TEST(Value, TextReadsAsANumberOnlyWhenWhollyANumber)
{
    FormatSettings comma;
    comma.decimalSeparator = ',';
    const struct {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"12", true, 12},    {" 12.5 ", true, 12.5}, {"12,5", true, 12.5}, {"-3e2", true, -300},
        {"12abc", false, 0}, {"", false, 0},         {"0x10", false, 0},   {"inf", false, 0},
        {"nan", false, 0},   {"1e999", false, 0},    {"1 2", false, 0},
    };
    for (const auto& c : cases) {
        const Value v = Value::Text(c.text);
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v.ToFloat(comma), c.value) << c.text;
        } else {
            EXPECT_THROW(v.ToFloat(comma), ExpressionError) << c.text;
        }
    }
}

TEST(Value, BooleansAndNumbersConvertBothWays)
{
    const FormatSettings s;
    EXPECT_TRUE(Value::Text("true").ToBoolean(s));
    EXPECT_FALSE(Value::Text(" FALSE").ToBoolean(s));
    EXPECT_TRUE(Value::Text("2").ToBoolean(s));
    EXPECT_FALSE(Value::Integer(0).ToBoolean(s));
    EXPECT_THROW(Value::Text("maybe").ToBoolean(s), ExpressionError);
    for (const bool b : {false, true}) {
        EXPECT_EQ(Value::Float(Value::Boolean(b).ToFloat(s)).ToBoolean(s), b);
    }
    EXPECT_THROW(Value::Float(1e300).ToInteger(s), ExpressionError);
    EXPECT_EQ(Value::Float(2.5).ToInteger(s), 2); // halves to even
    EXPECT_EQ(Value::Float(3.5).ToInteger(s), 4);
}

TEST(Value, TextOfNumbersMatchesPrintf)
{
    const FormatSettings s;
    for (int n = -50; n <= 50; ++n) {
        const double v = n / 3.0;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", v);
        EXPECT_EQ(Value::Float(v).ToText(s), buffer);
        EXPECT_EQ(Value::Integer(n * 1000003LL).ToText(s), std::to_string(n * 1000003LL));
    }
    EXPECT_EQ(Value().ToText(s), "");
    EXPECT_EQ(Value::Boolean(true).ToText(s), "True");
}

TEST(Value, DateTimesReadBackFromTheirText)
{
    FormatSettings s;
    s.longTimeFormat = "hh:nn:ss";
    for (const double serial : {46364.0, 46364.75, 1.5, 73000.25, 0.75}) {
        const Value v = Value::DateTime(serial);
        EXPECT_DOUBLE_EQ(Value::Text(v.ToText(s)).ToDateTime(s), serial) << v.ToText(s);
    }
}

TEST(Value, EmptyIsNullOrEmptyText)
{
    EXPECT_TRUE(Value().IsEmpty());
    EXPECT_TRUE(Value::Text("").IsEmpty());
    EXPECT_FALSE(Value::Text(" ").IsEmpty());
    EXPECT_FALSE(Value::Integer(0).IsEmpty());
}

} // namespace
} // namespace marlune::report::expr
