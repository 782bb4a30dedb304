#include "report/expr/errors.h"
#include "report/expr/expressionparser.h"
#include "report/expr/formatsettings.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace marlune::report::expr {
namespace {

// Names from a table; functions "TWICE(x)" only.
class TableHost : public ExpressionHost {
public:
    std::map<std::string, Value> names;
    std::vector<std::string> looked;
    FormatSettings settings;
    Value ValueOfName(const std::string& name) override
    {
        looked.push_back(name);
        const auto it = names.find(name);
        if (it == names.end()) {
            throw ExpressionError(UndefinedSymbolMessage(name));
        }
        return it->second;
    }
    std::optional<Value> CallFunction(const std::string& name,
                                      const std::vector<Value>& args) override
    {
        if (name == "TWICE" && args.size() == 1) {
            return Value::Float(2 * args[0].ToFloat(settings));
        }
        return std::nullopt;
    }
    const FormatSettings& Settings() const override { return settings; }
};

std::string Text(const std::string& expression, TableHost& host)
{
    return EvaluateExpression(expression, host).ToText(host.settings);
}

TEST(ExpressionParser, OperatorsWordsAndFunctions)
{
    TableHost host;
    host.names["Price"] = Value::Float(2.5);
    host.names["PAGE#"] = Value::Integer(2);
    host.names["Table1.Pcode"] = Value::Text("2000");
    host.names["Locality"] = Value::Text("SYDNEY");
    const struct {
        const char* expression;
        const char* expected;
    } cases[] = {
        {"1 + 2 * 3", "7"},
        {"(1 + 2) * 3", "9"},
        {"7 / 2", "3.5"},
        {"7 mod 3", "1"},
        {"-7 MOD 3", "-1"},
        {"2 - 3 - 4", "-5"},
        {"- -3", "3"},
        {"'a' + 'b'", "ab"},
        {"'it''s'", "it's"},
        {"'x' + 1", "x1"},
        {"'2' + 1", "3"},
        {"Price * 2", "5"},
        {"[PAGE#] + 1", "3"},
        {"PAGE# * 10", "20"},
        {"Table1.Pcode", "2000"},
        {"[Table1.Pcode] = '2000'", "True"},
        {"1 < 2 AND 2 < 3", "True"},
        {"1 > 2 OR NOT 2 > 3", "True"},
        {"NOT 1 = 1", "False"},
        {"'abc' < 'abd'", "True"},
        {"10 > 9", "True"},
        {"'10' > '9'", "False"},
        {"2 <> 2.0", "False"},
        {"3 >= 3", "True"},
        {"INT(-3.7)", "-3"},
        {"FRAC(3.25)", "0.25"},
        {"ROUND(2.5)", "2"},
        {"ROUND(3.5)", "4"},
        {"ROUND(3.14159, 2)", "3.14"},
        {"STR(12) + 'x'", "12x"},
        {"COPY('Marlune', 2, 3)", "arl"},
        {"COPY('Marlune', 0, 2)", "Ma"},
        {"COPY('Marlune', 9, 2)", ""},
        {"IF(Price > 2, 'dear', 'cheap')", "dear"},
        {"if(1 = 0, Unknown, 'safe')", "safe"},
        {"TWICE(4)", "8"},
        {"NOSUCH(1, 2)", "0"},
        {"1.5e3", "1500"},
        {"99999999999999999999", "1E20"},
        {"0 AND Unknown", "False"},
        {"1 OR Unknown", "True"},
        {"Locality + ', NSW'", "SYDNEY, NSW"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.expression, host), c.expected) << c.expression;
    }
}

TEST(ExpressionParser, ErrorsAreExpressionErrors)
{
    TableHost host;
    for (const char* bad :
         {"", "1 +", "(1", "1)", "'open", "[open", "1 / 0", "5 mod 0", "@", "INT()", "COPY('a')",
          "IF(1, 2)", "Unknown", "1 2", "9e999", "ROUND(1, 2, 3)"}) {
        EXPECT_THROW(EvaluateExpression(bad, host), ExpressionError) << bad;
    }
}

TEST(ExpressionParser, RandomArithmeticAgreesWithCpp)
{
    std::mt19937 random(20261209);
    TableHost host;
    for (int round = 0; round < 500; ++round) {
        // a op1 b op2 c with whole numbers: C++ gives the same precedence.
        const long long a = static_cast<long long>(random() % 200) - 100;
        const long long b = static_cast<long long>(random() % 200) - 100;
        const long long c = static_cast<long long>(random() % 99) + 1;
        const char ops[] = {'+', '-', '*'};
        const char op1 = ops[random() % 3];
        const char op2 = ops[random() % 3];
        auto apply = [](long long x, char op, long long y) {
            return op == '+' ? x + y : op == '-' ? x - y : x * y;
        };
        const bool firstBinds = op1 == '*' || op2 != '*';
        const long long expected =
            firstBinds ? apply(apply(a, op1, b), op2, c) : apply(a, op1, apply(b, op2, c));
        const std::string expression = std::to_string(a) + " " + op1 + " " + std::to_string(b) +
                                       " " + op2 + " " + std::to_string(c);
        EXPECT_EQ(EvaluateExpression(expression, host).ToInteger(host.settings), expected)
            << expression;
        const std::string comparison = expression + " > " + std::to_string(c) + " mod 7";
        EXPECT_EQ(EvaluateExpression(comparison, host).ToBoolean(host.settings), expected > c % 7)
            << comparison;
    }
}

TEST(ExpressionParser, WholeNumbersThatOverflowBecomeFloats)
{
    TableHost host;
    const Value v = EvaluateExpression("999999999999999999 * 100", host);
    EXPECT_EQ(v.kind(), Value::Kind::Float);
    EXPECT_DOUBLE_EQ(v.ToFloat(host.settings), 999999999999999999.0 * 100);
}

TEST(ExpressionParser, HostileNestingAndLengthAreRefusedNotFatal)
{
    TableHost host;
    host.names["x"] = Value::Integer(1);
    const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_THROW(EvaluateExpression(deep, host), ExpressionError);
    std::string longSum = "1";
    for (int i = 0; i < 100000; ++i) {
        longSum += "+1";
    }
    EXPECT_THROW(EvaluateExpression(longSum, host), ExpressionError);
    EXPECT_THROW(EvaluateExpression(std::string(100000, '-') + "1", host), ExpressionError);
    EXPECT_THROW(EvaluateExpression(std::string(100000, 'N') + "OT", host), ExpressionError);
    std::string notChain;
    for (int i = 0; i < 50000; ++i) {
        notChain += "NOT ";
    }
    EXPECT_THROW(EvaluateExpression(notChain + "1", host), ExpressionError);
    // Within the limits the same shapes evaluate.
    std::string sum = "x";
    for (int i = 0; i < 300; ++i) {
        sum += "+x";
    }
    EXPECT_EQ(EvaluateExpression(sum, host).ToInteger(host.settings), 301);
    EXPECT_EQ(EvaluateExpression(std::string(30, '(') + "2" + std::string(30, ')'), host)
                  .ToInteger(host.settings),
              2);
}

} // namespace
} // namespace marlune::report::expr
