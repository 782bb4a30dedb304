#pragma once

#include "report/expr/formatsettings.h"
#include "report/expr/lexer.h"
#include "report/expr/value.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marlune::report::expr {

// What evaluating an expression needs from outside: the value of a name and
// the functions beyond the built-in ones.
class ExpressionHost {
public:
    virtual ~ExpressionHost() = default;
    // A bare or bracketed name; raises ExpressionError when nothing knows it.
    virtual Value ValueOfName(const std::string& name) = 0;
    // A function other than the built-in ones, by its upper-case name;
    // nothing when no library knows it.
    virtual std::optional<Value> CallFunction(const std::string& name,
                                              const std::vector<Value>& arguments) = 0;
    virtual const FormatSettings& Settings() const = 0;
};

// A parsed expression.
struct ExpressionNode {
    enum class Kind { Constant, Name, Negate, Not, Binary, Call };
    Kind kind = Kind::Constant;
    Value constant;
    std::string text; // the name, the operator ("+", "AND", "<=", …) or the function
    std::vector<std::unique_ptr<ExpressionNode>> children;
    int height = 1; // of the tree below and including this node
};
using ExpressionTree = std::unique_ptr<ExpressionNode>;

// The expression language. Words and function names are matched without
// regard to case.
//
//   expression := or
//   or         := and { "OR" and }
//   and        := not { "AND" not }
//   not        := "NOT" not | comparison
//   comparison := sum [ ("=" | "<>" | "<" | ">" | "<=" | ">=") sum ]
//   sum        := product { ("+" | "-") product }
//   product    := unary { ("*" | "/" | "MOD") unary }
//   unary      := ("-" | "+") unary | primary
//   primary    := number | 'text' | "[" name "]" | name
//               | name "(" [ expression { "," expression } ] ")"
//               | "(" expression ")"
//
// So comparisons bind tighter than AND and OR: a = 1 AND b <> 'x' needs no
// parentheses. A number is digits with an optional fraction and exponent;
// text is in single quotes, a quote inside doubled. A name is letters,
// digits, "_", "." and "#" (PAGE#, Table1.Pcode) and may hold a field name
// in double quotes; a bracketed name is anything between matching brackets.
// Names are looked up through the host when the expression is evaluated.
//
// Values: "+" adds numbers and joins texts (text that reads as a number
// counts as one beside a number); "-", "*" work on numbers, "/" always
// gives a float and refuses a zero divisor, MOD works on whole numbers;
// date-times stay date-times when a number is added or taken away.
// Comparisons compare numbers when both sides are (or read as) numbers and
// texts otherwise; AND, OR and NOT take booleans (numbers: not 0 is true)
// and AND and OR look at their right side only when needed.
//
// Built-in functions: INT(x) the whole part, FRAC(x) the fraction, ROUND(x)
// to a whole number with halves to even, ROUND(x, n) to n decimals, STR(x)
// the text, COPY(s, index, count) part of a text counted from 1, IF(c, a, b)
// a or b (only the one chosen is evaluated). Other names go to the host;
// a function nobody knows gives the text "0".
//
// Hostile input is bounded: nesting deeper than kMaxNesting and trees
// deeper than kMaxTreeDepth are refused as syntax errors.
class ExpressionParser {
public:
    static constexpr int kMaxNesting = 64;
    static constexpr int kMaxTreeDepth = 512;

    // Parses a whole text; raises ExpressionError on a syntax error.
    static ExpressionTree Parse(const std::string& text);

    // Parses one expression from `tokens` at `position` and moves the
    // position past it; what follows is left to the caller (the script
    // interpreter reads THEN, DO, ";" and so on).
    ExpressionParser(const std::vector<Token>& tokens, std::size_t& position);
    ExpressionTree ParseExpression();

private:
    ExpressionTree ParseOr();
    ExpressionTree ParseAnd();
    ExpressionTree ParseNot();
    ExpressionTree ParseComparison();
    ExpressionTree ParseSum();
    ExpressionTree ParseProduct();
    ExpressionTree ParseUnary();
    ExpressionTree ParsePrimary();
    ExpressionTree Binary(std::string op, ExpressionTree left, ExpressionTree right);
    const Token& Peek() const;
    bool PeekWord(const char* word) const;
    [[noreturn]] void Fail(const std::string& what) const;

    const std::vector<Token>& tokens_;
    std::size_t& position_;
    int nesting_ = 0;
};

// Evaluates a parsed expression.
Value EvaluateTree(const ExpressionNode& node, ExpressionHost& host);

// Parses and evaluates.
Value EvaluateExpression(const std::string& text, ExpressionHost& host);

} // namespace marlune::report::expr
