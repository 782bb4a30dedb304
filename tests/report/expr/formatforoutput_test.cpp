#include "report/expr/datetimeformat.h"
#include "report/expr/floatformat.h"
#include "report/expr/formatforoutput.h"
#include "report/expr/formatsettings.h"

#include <QDate>

#include <gtest/gtest.h>

namespace marlune::report::expr {
namespace {

TEST(FormatCode, FieldsReadBackWhatMakePutIn)
{
    for (int category = 0; category <= 4; ++category) {
        for (const int index : {0, 3, 4}) {
            for (const int decimals : {0, 2, 255}) {
                for (const char separator : {'.', ',', '\0'}) {
                    const auto code = FormatCode::Make(category, index, decimals, separator);
                    EXPECT_EQ(code.CategoryCode(), category);
                    EXPECT_EQ(code.Index(), index);
                    EXPECT_EQ(code.Decimals(), decimals);
                    EXPECT_EQ(code.Separator(), separator);
                }
            }
        }
    }
    // The postcode list's date memos: date, index 2, "." and 2 decimals.
    const FormatCode date{0x0202022E};
    EXPECT_EQ(date.CategoryCode(), FormatCode::Date);
    EXPECT_EQ(BuiltinFormat(date.CategoryCode(), date.Index()), "d mmm yyyy");
}

TEST(SplitFormatSuffix, EachSuffixGivesItsFormat)
{
    const ValueFormat view{FormatCode::Make(FormatCode::Text, 0, 2, '.'), "view"};
    const struct {
        const char* expression;
        const char* name;
        int category, index, decimals;
        char separator;
        const char* text;
    } cases[] = {
        {"Price #N10.2", "Price", 1, 1, 2, '.', ""},
        {"Price #N10,2", "Price", 1, 1, 2, ',', ""},
        {"Price #n8-3", "Price", 1, 1, 3, '-', ""},
        {"Price #10,25", "Price", 1, 1, 25, ',', ""},
        {"Price #N5", "Price", 1, 1, 0, '\0', ""},
        {"Price #N#,##0.00", "Price", 1, 4, 0, '.', "#,##0.00"},
        {"Price #N#.##0,00", "Price", 1, 4, 0, ',', "#.##0.00"},
        {"Price #N0", "Price", 1, 1, 0, '\0', ""},
        {"DATE #Dd mmm yyyy", "DATE", 2, 4, 0, '\0', "d mmm yyyy"},
        {"TIME #thh:nn", "TIME", 2, 4, 0, '\0', "hh:nn"},
        {"Paid #BNo;Yes", "Paid", 4, 4, 0, '\0', "No;Yes"},
        {"Paid #b_;x", "Paid", 4, 4, 0, '\0', "_;x"},
        {"Name #X9", "Name", 0, 0, 2, '.', "view"},
        {"Name #", "Name", 0, 0, 2, '.', "view"},
        {"Name#N2", "Name#N2", 0, 0, 2, '.', "view"},
        {"a #N1 #N2", "a", 1, 1, 0, '\0', ""},
        {"a #N#0 #N2.5", "a", 1, 4, 0, '.', "#0 #N2.5"},
    };
    for (const auto& c : cases) {
        const auto split = SplitFormatSuffix(c.expression, view);
        EXPECT_EQ(split.name, c.name) << c.expression;
        EXPECT_EQ(split.format.code.CategoryCode(), c.category) << c.expression;
        EXPECT_EQ(split.format.code.Index(), c.index) << c.expression;
        EXPECT_EQ(split.format.code.Decimals(), c.decimals) << c.expression;
        EXPECT_EQ(split.format.code.Separator(), c.separator) << c.expression;
        EXPECT_EQ(split.format.text, c.text) << c.expression;
    }
}

TEST(FormatForOutput, NullAndEmptyAreOneSpace)
{
    const FormatSettings s;
    for (int category = 0; category <= 4; ++category) {
        const auto code = FormatCode::Make(category, 1, 2, '.');
        EXPECT_EQ(FormatForOutput(Value(), code, "", s), " ");
        EXPECT_EQ(FormatForOutput(Value::Text(""), code, "", s), " ");
    }
}

TEST(FormatForOutput, NumbersUseTheSeparatorOfTheCode)
{
    const FormatSettings s;
    for (int n = -300; n <= 300; n += 7) {
        const double v = n * 123.0 / 7.0;
        for (const char separator : {'.', ',', '-'}) {
            for (const int decimals : {0, 1, 3}) {
                auto replace = [&](std::string text) {
                    for (char& c : text) {
                        if (c == '.') {
                            c = separator;
                        }
                    }
                    return text;
                };
                const auto fixed = FormatCode::Make(FormatCode::Number, 1, decimals, separator);
                EXPECT_EQ(FormatForOutput(Value::Float(v), fixed, "", s),
                          replace(FloatToFixed(v, decimals, false, s)));
                const auto custom = FormatCode::Make(FormatCode::Number, 4, 0, separator);
                EXPECT_EQ(FormatForOutput(Value::Float(v), custom, "0.00", s),
                          replace(FormatFloat("0.00", v, s)));
            }
        }
        // Index 0 is "###.##", 2 is "#,###.##"; a separator of 0 keeps the system's.
        EXPECT_EQ(FormatForOutput(Value::Float(v), FormatCode::Make(1, 0, 0, 0), "", s),
                  FormatFloat("###.##", v, s));
        EXPECT_EQ(FormatForOutput(Value::Float(v), FormatCode::Make(1, 2, 0, 0), "", s),
                  FormatFloat("#,###.##", v, s));
    }
}

TEST(FormatForOutput, NumberTextIsReadWithTheSystemSeparator)
{
    FormatSettings s;
    for (const char system : {'.', ','}) {
        s.decimalSeparator = system;
        s.thousandSeparator = system == '.' ? ',' : '.';
        for (const char shown : {'.', ','}) {
            const double v = 1234.5;
            const std::string text = FloatToText(v, s);
            const auto code = FormatCode::Make(FormatCode::Number, 1, 2, shown);
            EXPECT_EQ(FormatForOutput(Value::Text(text), code, "", s),
                      FormatForOutput(Value::Float(v), code, "", s))
                << text << " shown with " << shown;
        }
    }
}

TEST(FormatForOutput, DatesTimesAndBooleansUseTheirBuiltinFormats)
{
    const FormatSettings s = SystemFormatSettings();
    const double serial = SerialFromDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 3, 7)));
    for (const int category : {FormatCode::Date, FormatCode::Time}) {
        for (int index = 0; index < 4; ++index) {
            EXPECT_EQ(FormatForOutput(Value::DateTime(serial),
                                      FormatCode::Make(category, index, 0, 0), "", s),
                      FormatDateTime(BuiltinFormat(category, index), serial, s));
        }
        EXPECT_EQ(FormatForOutput(Value::DateTime(serial), FormatCode::Make(category, 4, 0, 0),
                                  "yyyy", s),
                  "2026");
    }
    const char* falses[] = {"0", "No", "_", "False"};
    const char* trues[] = {"1", "Yes", "x", "True"};
    for (int index = 0; index < 4; ++index) {
        const auto code = FormatCode::Make(FormatCode::Boolean, index, 0, 0);
        EXPECT_EQ(FormatForOutput(Value::Boolean(false), code, "", s), falses[index]);
        EXPECT_EQ(FormatForOutput(Value::Integer(0), code, "", s), falses[index]);
        EXPECT_EQ(FormatForOutput(Value::Boolean(true), code, "", s), trues[index]);
        EXPECT_EQ(FormatForOutput(Value::Text("7"), code, "", s), trues[index]);
    }
    EXPECT_EQ(FormatForOutput(Value::Integer(1), FormatCode::Make(4, 4, 0, 0), "off;on", s), "on");
}

TEST(FormatForOutput, WhatTheFormatCannotTakeShowsAsText)
{
    const FormatSettings s;
    const struct {
        Value value;
        FormatCode code;
    } cases[] = {
        {Value::Text("Sydney"), FormatCode::Make(FormatCode::Number, 1, 2, '.')},
        {Value::Text("Sydney"), FormatCode::Make(FormatCode::Date, 2, 0, 0)},
        {Value::Text("maybe"), FormatCode::Make(FormatCode::Boolean, 1, 0, 0)},
        {Value::Float(1e12), FormatCode::Make(FormatCode::Date, 2, 0, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatForOutput(c.value, c.code, "", s), c.value.ToText(s));
    }
}

} // namespace
} // namespace marlune::report::expr
