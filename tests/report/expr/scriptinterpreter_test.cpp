#include "report/expr/errors.h"
#include "report/expr/formatsettings.h"
#include "report/expr/lexer.h"
#include "report/expr/reportexpressions.h"
#include "report/expr/scriptinterpreter.h"

#include <gtest/gtest.h>

#include <map>

namespace marlune::report::expr {
namespace {

// Views as a table of properties; "" is the view running the script.
class Views : public ScriptTarget {
public:
    std::map<std::pair<std::string, std::string>, Value> properties;
    std::vector<ScriptBreak> breaks;
    int freeSpace = 300;

    bool SetProperty(const std::string& view, ViewProperty property, const Value& value) override
    {
        if (!view.empty() && view != "Memo2") {
            return false;
        }
        properties[{view, ViewPropertyName(property)}] = value;
        return true;
    }
    std::optional<Value> GetProperty(const std::string& view, ViewProperty property) const override
    {
        const auto it = properties.find({view, ViewPropertyName(property)});
        if (it == properties.end()) {
            return std::nullopt;
        }
        return it->second;
    }
    int FreeSpace() const override { return freeSpace; }
    void RequestBreak(ScriptBreak kind) override { breaks.push_back(kind); }

    Value Get(const std::string& view, const std::string& name) const
    {
        const auto it = properties.find({view, name});
        return it == properties.end() ? Value() : it->second;
    }
};

class ScriptTest : public ::testing::Test {
protected:
    void Run(const std::vector<std::string>& lines)
    {
        ScriptInterpreter::Run(ScriptInterpreter::Compile(lines), views, expressions);
    }
    std::int64_t Width() const { return views.Get("", "Width").ToInteger(settings); }

    FormatSettings settings;
    Views views;
    GlobalVariables globals;
    ReportExpressions expressions;
    void SetUp() override
    {
        expressions.globals = &globals;
        expressions.settings = &settings;
        views.properties[{"", "Width"}] = Value::Integer(100);
    }
};

TEST_F(ScriptTest, StatementsAgainstTheSameComputationInCpp)
{
    // Each script computes into Width what the C++ beside it computes.
    const auto sumTo = [](int n) {
        int s = 0;
        for (int i = 1; i <= n; ++i) {
            s += i;
        }
        return s;
    };
    for (const int n : {0, 1, 7, 50}) {
        const std::string limit = std::to_string(n);
        Run({"i := 0; s := 0;", "WHILE i < " + limit + " DO", "BEGIN i := i + 1; s := s + i END;",
             "Width := s"});
        EXPECT_EQ(Width(), sumTo(n)) << "while " << n;
        Run({"i := 0; s := 0;", "repeat i := i + 1; s := s + i until i >= " + limit + ";",
             "width := s"});
        EXPECT_EQ(Width(), sumTo(std::max(n, 1))) << "repeat " << n;
        Run({"i := 0; s := 0;", "1: IF i < " + limit + " THEN BEGIN", "i := i + 1; s := s + i;",
             "GOTO 1 END;", "Width := s"});
        EXPECT_EQ(Width(), sumTo(n)) << "goto " << n;
        Run({"IF " + limit + " MOD 2 = 0 THEN Width := 2 ELSE Width := 1"});
        EXPECT_EQ(Width(), n % 2 == 0 ? 2 : 1) << "if " << n;
        Run({"IF " + limit + " > 5 THEN Width := 6; ELSE Width := 5"});
        EXPECT_EQ(Width(), n > 5 ? 6 : 5) << "if; else " << n;
    }
}

TEST_F(ScriptTest, PropertiesColoursAndValues)
{
    Run({"Visible := False; FillColor := clRed; FrameColor := CLTRANSPARENT;",
         "Memo2.Text := 'other'; Height := FREESPACE - 10; Width := Width * 2;",
         "FontName := 'Arial'"});
    EXPECT_EQ(views.Get("", "Visible"), Value::Boolean(false));
    EXPECT_EQ(views.Get("", "FillColor"), Value::Integer(0x0000FF));
    EXPECT_EQ(views.Get("", "FrameColor"), Value::Integer(0x1FFFFFFF));
    EXPECT_EQ(views.Get("Memo2", "Text"), Value::Text("other"));
    EXPECT_EQ(views.Get("", "Height"), Value::Integer(views.freeSpace - 10));
    EXPECT_EQ(Width(), 200);
    EXPECT_EQ(views.Get("", "FontName"), Value::Text("Arial"));
    for (int i = 0; i < 14; ++i) {
        const auto property = static_cast<ViewProperty>(i);
        EXPECT_EQ(FindViewProperty(UpperAscii(ViewPropertyName(property))), property);
    }
}

TEST_F(ScriptTest, BreaksAndTheReportsNames)
{
    globals.Set("Limit", Value::Integer(3));
    views.freeSpace = 250;
    Run({"IF FREESPACE < [Limit] * 100 THEN NEWPAGE ELSE NEWCOLUMN"});
    views.freeSpace = 1000;
    Run({"IF FREESPACE < Limit * 100 THEN NEWPAGE ELSE NEWCOLUMN"});
    EXPECT_EQ(views.breaks,
              (std::vector<ScriptBreak>{ScriptBreak::NewPage, ScriptBreak::NewColumn}));
}

TEST_F(ScriptTest, CompiledOnceRunsManyTimes)
{
    const auto script = ScriptInterpreter::Compile({"Width := Width + 1"});
    for (int i = 0; i < 5; ++i) {
        ScriptInterpreter::Run(script, views, expressions);
    }
    EXPECT_EQ(Width(), 105);
    const auto empty = ScriptInterpreter::Compile({"", "  "});
    EXPECT_TRUE(empty.Empty());
    ScriptInterpreter::Run(empty, views, expressions);
    EXPECT_EQ(Width(), 105);
}

TEST_F(ScriptTest, ErrorsAreReportedNotFatal)
{
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"IF 1 Width := 2"},
             {"BEGIN Width := 1"},
             {"END"},
             {"ELSE"},
             {"UNTIL 1"},
             {"WHILE 1 Width := 1"},
             {"REPEAT Width := 1"},
             {"GOTO"},
             {"Width := "},
             {"Width = 3"},
             {std::string(10000, '(')},
         }) {
        EXPECT_THROW(ScriptInterpreter::Compile(bad), ExpressionError) << bad[0];
    }
    std::string deep;
    for (int i = 0; i < 1000; ++i) {
        deep += "BEGIN ";
    }
    EXPECT_THROW(ScriptInterpreter::Compile({deep}), ExpressionError);
    for (const std::vector<std::string>& failing : std::vector<std::vector<std::string>>{
             {"GOTO nowhere"},
             {"Memo9.Width := 1"},
             {"WHILE 1 = 1 DO ;"},
             {"REPEAT UNTIL FALSE"},
             {"1: GOTO 1"},
             {"x := Undefined"},
         }) {
        const auto script = ScriptInterpreter::Compile(failing);
        EXPECT_THROW(ScriptInterpreter::Run(script, views, expressions), ExpressionError)
            << failing[0];
    }
}

TEST_F(ScriptTest, GotoLeavesLoopsForAnEnclosingLabel)
{
    Run({"i := 0;", "WHILE TRUE DO BEGIN i := i + 1; IF i = 4 THEN GOTO done END;", "Width := -1;",
         "done: Width := i"});
    EXPECT_EQ(Width(), 4);
}

} // namespace
} // namespace marlune::report::expr
