#include "report/expr/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/formatsettings.h"
#include "report/expr/reportexpressions.h"

#include <QDate>
#include <QLocale>

#include <gtest/gtest.h>

#include <map>

namespace marlune::report::expr {
namespace {

// A dataset adapter over one record, with or without a default dataset.
class Fields : public DataFieldSource {
public:
    std::map<std::string, Value> record; // upper-case field name -> value
    std::string component = "Table1";
    bool hasDefault = true;
    std::vector<FieldName> asked;
    std::optional<Value> FieldValue(const FieldName& name) override
    {
        asked.push_back(name);
        const bool ours =
            (name.component.empty() && hasDefault) ||
            (name.component == component && (name.form.empty() || name.form == "Form1"));
        std::string upper;
        for (const char c : name.field) {
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        const auto it = record.find(upper);
        if (!ours || it == record.end()) {
            return std::nullopt;
        }
        return it->second;
    }
};

class Named : public NamedValueSource {
public:
    std::map<std::string, NamedValue> values;
    const NamedValue* FindNamedValue(const std::string& name) const override
    {
        const auto it = values.find(name);
        return it == values.end() ? nullptr : &it->second;
    }
};

const ValueFormat kText{FormatCode::Make(FormatCode::Text, 0, 2, '.'), ""};

class ReportExpressionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fields.record["PCODE"] = Value::Text("2000");
        fields.record["LOCALITY"] = Value::Text("SYDNEY");
        fields.record["COMMENTS"] = Value();
        fields.record["PRICE"] = Value::Float(1234.5);
        variables.pageIndex = 1;
        variables.totalPages = 5;
        variables.buildStart = SerialFromDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 30, 0)));
        expressions.dataFields = &fields;
        expressions.buildVariables = &variables;
        expressions.namedValues = &named;
        expressions.globals = &globals;
    }

    std::vector<std::string> Expand(const std::string& line, const ValueFormat& format = kText)
    {
        return expressions.ExpandText({line}, format);
    }

    Fields fields;
    BuildVariables variables;
    Named named;
    GlobalVariables globals;
    ReportExpressions expressions;
};

using Lines = std::vector<std::string>;

TEST_F(ReportExpressionsTest, PageOfTotalPages)
{
    for (int page = 0; page < 5; ++page) {
        variables.pageIndex = page;
        EXPECT_EQ(Expand("[PAGE#] of [TOTALPAGES]"), Lines{std::to_string(page + 1) + " of 5"});
    }
}

TEST_F(ReportExpressionsTest, PrintedDateWithTheDateFormat)
{
    const ValueFormat date{FormatCode{0x0202022E}, ""};
    const std::string expected =
        "Printed: " + QLocale::system().toString(QDate(2026, 12, 8), "d MMM yyyy").toStdString();
    EXPECT_EQ(Expand("Printed: [DATE]", date), Lines{expected});
    const ValueFormat time{FormatCode::Make(FormatCode::Time, 2, 0, 0), ""};
    EXPECT_EQ(Expand("[TIME]", time), Lines{"14:30"});
}

TEST_F(ReportExpressionsTest, NullFieldIsASpace)
{
    EXPECT_EQ(Expand("[Comments]"), Lines{" "});
}

TEST_F(ReportExpressionsTest, FieldInADataBandAndUndefinedInThePageHeader)
{
    EXPECT_EQ(Expand("[Locality]"), Lines{"SYDNEY"});
    EXPECT_EQ(Expand("[PCode] [Table1.PCODE] [Form1.Table1.Pcode]"), Lines{"2000 2000 2000"});
    fields.hasDefault = false;
    try {
        Expand("[Locality]");
        FAIL() << "no error";
    } catch (const ExpressionError& e) {
        EXPECT_STREQ(e.what(), "Undefined symbol \"Locality\"");
    }
    EXPECT_EQ(Expand("[Table1.Locality]"), Lines{"SYDNEY"});
}

TEST_F(ReportExpressionsTest, FormatSuffixes)
{
    auto fixed = [](double v, const char* decimals, char separator) {
        std::string s = QLocale::c().toString(v, 'f', std::atoi(decimals)).toStdString();
        for (char& c : s) {
            c = c == '.' ? separator : c;
        }
        return s;
    };
    EXPECT_EQ(Expand("[Price #N10.2]"), Lines{fixed(1234.5, "2", '.')});
    EXPECT_EQ(Expand("[Price #N10,2]"), Lines{fixed(1234.5, "2", ',')});
    EXPECT_EQ(
        Expand("[Price #N#,##0.00]"),
        Lines{
            QLocale(QLocale::English, QLocale::Australia).toString(1234.5, 'f', 2).toStdString()});
    EXPECT_EQ(Expand("[PCode = '2000' #BNo;Yes] [PCode = '3000' #BNo;Yes]"), Lines{"Yes No"});
    EXPECT_EQ(Expand("[DATE #Dyyyy]"), Lines{"2026"});
}

TEST_F(ReportExpressionsTest, QuotedBracketsAndLineBreaks)
{
    EXPECT_EQ(Expand("[COPY('[x]', 1, 3)] [Locality]"), Lines{"[x] SYDNEY"});
    globals.Set("Two", Value::Text("one\r\ntwo"));
    EXPECT_EQ(Expand("a [Two] b"), (Lines{"a one", "two b"}));
}

TEST_F(ReportExpressionsTest, ResolutionOrder)
{
    // "Pcode" is known to every source; each one removed shows the next.
    const std::string name = "Pcode";
    expressions.OnGetValue = [&](const std::string& n) {
        return n == name ? Value::Text("event") : Value();
    };
    named.values[name] = NamedValue{NamedValue::Kind::Expression, "", "", "'named'", 0};
    globals.Set(name, Value::Text("global"));
    EXPECT_EQ(expressions.ValueOfName(name), Value::Text("event"));
    expressions.OnGetValue = [](const std::string&) { return Value::Text(""); };
    EXPECT_EQ(expressions.ValueOfName(name), Value::Text("named"));
    named.values.clear();
    EXPECT_EQ(expressions.ValueOfName(name), Value::Text("2000"));
    fields.record.erase("PCODE");
    EXPECT_EQ(expressions.ValueOfName(name), Value::Text("global"));
    globals.Remove(name);
    EXPECT_THROW(expressions.ValueOfName(name), ExpressionError);

    // Built-in variables come before globals, after fields.
    globals.Set("PAGE#", Value::Integer(99));
    EXPECT_EQ(expressions.ValueOfName("PAGE#"), Value::Integer(2));
    fields.record["PAGE#"] = Value::Integer(7);
    EXPECT_EQ(expressions.ValueOfName("PAGE#"), Value::Integer(7));
    expressions.buildVariables = nullptr;
    fields.record.erase("PAGE#");
    EXPECT_EQ(expressions.ValueOfName("PAGE#"), Value::Integer(99));
    // Built-in names match in upper case only.
    expressions.buildVariables = &variables;
    globals.Clear();
    EXPECT_THROW(expressions.ValueOfName("page#"), ExpressionError);
}

TEST_F(ReportExpressionsTest, NamedValuesOfEachKind)
{
    named.values["Blank"] = NamedValue{};
    named.values["Suburb"] = NamedValue{NamedValue::Kind::DataField, "Table1", "Locality", "", 0};
    named.values["Page"] = NamedValue{NamedValue::Kind::SpecialFunction, "", "", "",
                                      static_cast<int>(BuiltinVariable::Page)};
    named.values["Sum"] = NamedValue{NamedValue::Kind::Expression, "", "", "[Page] * 10 + 1", 0};
    EXPECT_EQ(Expand("<[Blank]>|[Suburb]|[Page]|[Sum]"), Lines{"< >|SYDNEY|2|21"});
}

TEST_F(ReportExpressionsTest, SelfReferenceAndRingsStopWithUndefinedSymbol)
{
    named.values["A"] = NamedValue{NamedValue::Kind::Expression, "", "", "B + 1", 0};
    named.values["B"] = NamedValue{NamedValue::Kind::Expression, "", "", "A + 1", 0};
    named.values["Self"] = NamedValue{NamedValue::Kind::Expression, "", "", "Self", 0};
    for (const char* name : {"A", "B", "Self"}) {
        EXPECT_THROW(Expand(std::string("[") + name + "]"), ExpressionError) << name;
    }
    // After an error the next lookup starts clean.
    EXPECT_EQ(Expand("[Locality]"), Lines{"SYDNEY"});
    // A chain longer than the lookup depth ends the same way.
    for (int i = 0; i < 100; ++i) {
        named.values["N" + std::to_string(i)] =
            NamedValue{NamedValue::Kind::Expression, "", "", "N" + std::to_string(i + 1), 0};
    }
    EXPECT_THROW(Expand("[N0]"), ExpressionError);
}

TEST_F(ReportExpressionsTest, ValueIsWhatWasFoundLast)
{
    EXPECT_EQ(expressions.CurrentValue(), Value::Integer(0));
    Expand("[Price]");
    EXPECT_EQ(expressions.Evaluate("VALUE * 2").ToFloat(expressions.Settings()), 2469.0);
}

TEST_F(ReportExpressionsTest, FunctionsGoToTheLibraryThenTheEvent)
{
    EXPECT_EQ(Expand("[UPPERCASE('ab')] [NAMECASE('mc donald-smith')] [MYFN(2)]"),
              Lines{"AB Mc Donald-Smith 0"});
    std::vector<std::string> asked;
    expressions.OnUserFunction = [&](const std::string& name, const std::vector<Value>& args) {
        asked.push_back(name);
        return name == "MYFN" ? std::optional<Value>(Value::Integer(args.size())) : std::nullopt;
    };
    EXPECT_EQ(Expand("[MYFN(2, 3)] [UPPERCASE('x')] [OTHER()]"), Lines{"2 X 0"});
    EXPECT_EQ(asked, (std::vector<std::string>{"MYFN", "OTHER"}));
    EXPECT_EQ(Expand("[SUM(1, 2, 3)] [AVG(2, 4)] [COUNT(1, 2)] [MAX(3, 9, 4)] [MIN(3, 9, 4)]"),
              Lines{"6 3 2 9 3"});
    expressions.library.aggregate = [](const std::string& name, const std::vector<Value>&) {
        return name == "SUM" ? std::optional<Value>(Value::Integer(42)) : std::nullopt;
    };
    EXPECT_EQ(Expand("[SUM(Price)] [COUNT(1)]"), Lines{"42 1"});
    EXPECT_EQ(Expand("[INPUT('Name?', 'Nobody')]"), Lines{"Nobody"});
    expressions.library.input = [](const std::string& prompt, const std::string&) {
        return "said " + prompt;
    };
    EXPECT_EQ(Expand("[INPUT('hi')]"), Lines{"said hi"});
    EXPECT_EQ(Expand("[FORMATFLOAT('0.0', 2.25)] [FORMATDATETIME('yyyy', DATE)]"),
              Lines{"2.3 2026"});
    EXPECT_EQ(Expand("[FORMATDATETIME('d/m/yyyy', STRTODATE('8/12/2026'))]"), Lines{"8/12/2026"});
}

TEST(SplitFieldName, EveryForm)
{
    const struct {
        const char* name;
        FieldName expected;
    } cases[] = {
        {"Pcode", {"", "", "Pcode"}},
        {"Table1.Pcode", {"", "Table1", "Pcode"}},
        {"Form1.Table1.Pcode", {"Form1", "Table1", "Pcode"}},
        {"\"Post Code\"", {"", "", "Post Code"}},
        {"Table1.\"Post.Code\"", {"", "Table1", "Post.Code"}},
        {"Form1.Table1.\"A\"", {"Form1", "Table1", "A"}},
        {"a\"b\"", {"", "", "a\"b\""}},
        {"\"", {"", "", "\""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitFieldName(c.name), c.expected) << c.name;
    }
}

} // namespace
} // namespace marlune::report::expr
