#include "report/expr/expressionparser.h"

#include "report/expr/errors.h"
#include "report/expr/formatsettings.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace marlune::report::expr {

namespace {

ExpressionTree Node(ExpressionNode::Kind kind, std::string text)
{
    auto n = std::make_unique<ExpressionNode>();
    n->kind = kind;
    n->text = std::move(text);
    return n;
}

void Adopt(ExpressionNode& parent, ExpressionTree child)
{
    parent.height = std::max(parent.height, child->height + 1);
    parent.children.push_back(std::move(child));
}

Value NumberValue(const std::string& digits)
{
    if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() <= 18) {
        return Value::Integer(std::strtoll(digits.c_str(), nullptr, 10));
    }
    const double v = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(v)) {
        throw ExpressionError("Number out of range: " + digits);
    }
    return Value::Float(v);
}

} // namespace

ExpressionParser::ExpressionParser(const std::vector<Token>& tokens, std::size_t& position)
    : tokens_(tokens), position_(position)
{
}

ExpressionTree ExpressionParser::Parse(const std::string& text)
{
    const auto tokens = Tokenize(text);
    std::size_t position = 0;
    ExpressionParser parser(tokens, position);
    auto tree = parser.ParseExpression();
    if (parser.Peek().kind != Token::Kind::End) {
        parser.Fail("Syntax error");
    }
    return tree;
}

const Token& ExpressionParser::Peek() const
{
    return tokens_[std::min(position_, tokens_.size() - 1)];
}

bool ExpressionParser::PeekWord(const char* word) const
{
    return Peek().kind == Token::Kind::Name && UpperAscii(Peek().text) == word;
}

void ExpressionParser::Fail(const std::string& what) const
{
    throw ExpressionError(what + " at position " + std::to_string(Peek().position + 1));
}

ExpressionTree ExpressionParser::ParseExpression()
{
    if (++nesting_ > kMaxNesting) {
        Fail("Expression nested too deeply");
    }
    auto tree = ParseOr();
    --nesting_;
    return tree;
}

ExpressionTree ExpressionParser::Binary(std::string op, ExpressionTree left, ExpressionTree right)
{
    auto n = Node(ExpressionNode::Kind::Binary, std::move(op));
    Adopt(*n, std::move(left));
    Adopt(*n, std::move(right));
    if (n->height > kMaxTreeDepth) {
        Fail("Expression too long");
    }
    return n;
}

ExpressionTree ExpressionParser::ParseOr()
{
    auto left = ParseAnd();
    while (PeekWord("OR")) {
        ++position_;
        left = Binary("OR", std::move(left), ParseAnd());
    }
    return left;
}

ExpressionTree ExpressionParser::ParseAnd()
{
    auto left = ParseNot();
    while (PeekWord("AND")) {
        ++position_;
        left = Binary("AND", std::move(left), ParseNot());
    }
    return left;
}

ExpressionTree ExpressionParser::ParseNot()
{
    if (PeekWord("NOT")) {
        ++position_;
        if (++nesting_ > kMaxNesting) {
            Fail("Expression nested too deeply");
        }
        auto n = Node(ExpressionNode::Kind::Not, "NOT");
        Adopt(*n, ParseNot());
        --nesting_;
        return n;
    }
    return ParseComparison();
}

ExpressionTree ExpressionParser::ParseComparison()
{
    auto left = ParseSum();
    const Token& t = Peek();
    if (t.kind == Token::Kind::Operator && (t.text == "=" || t.text == "<>" || t.text == "<" ||
                                            t.text == ">" || t.text == "<=" || t.text == ">=")) {
        std::string op = t.text;
        ++position_;
        left = Binary(std::move(op), std::move(left), ParseSum());
    }
    return left;
}

ExpressionTree ExpressionParser::ParseSum()
{
    auto left = ParseProduct();
    while (Peek().kind == Token::Kind::Operator && (Peek().text == "+" || Peek().text == "-")) {
        std::string op = Peek().text;
        ++position_;
        left = Binary(std::move(op), std::move(left), ParseProduct());
    }
    return left;
}

ExpressionTree ExpressionParser::ParseProduct()
{
    auto left = ParseUnary();
    while ((Peek().kind == Token::Kind::Operator && (Peek().text == "*" || Peek().text == "/")) ||
           PeekWord("MOD")) {
        std::string op = UpperAscii(Peek().text);
        ++position_;
        left = Binary(std::move(op), std::move(left), ParseUnary());
    }
    return left;
}

ExpressionTree ExpressionParser::ParseUnary()
{
    const Token& t = Peek();
    if (t.kind == Token::Kind::Operator && (t.text == "-" || t.text == "+")) {
        const bool negate = t.text == "-";
        ++position_;
        if (++nesting_ > kMaxNesting) {
            Fail("Expression nested too deeply");
        }
        auto operand = ParseUnary();
        --nesting_;
        if (!negate) {
            return operand;
        }
        auto n = Node(ExpressionNode::Kind::Negate, "-");
        Adopt(*n, std::move(operand));
        return n;
    }
    return ParsePrimary();
}

ExpressionTree ExpressionParser::ParsePrimary()
{
    const Token t = Peek();
    switch (t.kind) {
    case Token::Kind::Number: {
        ++position_;
        auto n = Node(ExpressionNode::Kind::Constant, t.text);
        n->constant = NumberValue(t.text);
        return n;
    }
    case Token::Kind::String: {
        ++position_;
        auto n = Node(ExpressionNode::Kind::Constant, t.text);
        n->constant = Value::Text(t.text);
        return n;
    }
    case Token::Kind::Bracketed:
        ++position_;
        return Node(ExpressionNode::Kind::Name, t.text);
    case Token::Kind::Open: {
        ++position_;
        auto inner = ParseExpression();
        if (Peek().kind != Token::Kind::Close) {
            Fail("')' expected");
        }
        ++position_;
        return inner;
    }
    case Token::Kind::Name: {
        ++position_;
        if (Peek().kind != Token::Kind::Open) {
            return Node(ExpressionNode::Kind::Name, t.text);
        }
        ++position_;
        auto call = Node(ExpressionNode::Kind::Call, UpperAscii(t.text));
        if (Peek().kind != Token::Kind::Close) {
            while (true) {
                Adopt(*call, ParseExpression());
                if (Peek().kind != Token::Kind::Comma) {
                    break;
                }
                ++position_;
            }
        }
        if (Peek().kind != Token::Kind::Close) {
            Fail("')' expected");
        }
        ++position_;
        if (call->height > kMaxTreeDepth) {
            Fail("Expression too long");
        }
        return call;
    }
    default:
        Fail(t.kind == Token::Kind::End ? "Unexpected end of expression" : "Syntax error");
    }
}

Value EvaluateExpression(const std::string& text, ExpressionHost& host)
{
    const auto tree = ExpressionParser::Parse(text);
    return EvaluateTree(*tree, host);
}

} // namespace marlune::report::expr
