// Evaluation of parsed expressions and the built-in functions.
#include "report/expr/errors.h"
#include "report/expr/expressionparser.h"
#include "report/expr/formatsettings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace marlune::report::expr {

namespace {

bool IsNumberLike(const Value& v, const FormatSettings& s)
{
    if (v.IsNumeric() || v.kind() == Value::Kind::Boolean) {
        return true;
    }
    double ignored = 0.0;
    return v.kind() == Value::Kind::Text && TextToFloat(v.ToText(s), s.decimalSeparator, ignored);
}

bool BothWhole(const Value& a, const Value& b)
{
    return a.kind() == Value::Kind::Integer && b.kind() == Value::Kind::Integer;
}

bool EitherDate(const Value& a, const Value& b)
{
    return a.kind() == Value::Kind::DateTime || b.kind() == Value::Kind::DateTime;
}

Value FromDouble(double v, bool date)
{
    if (!std::isfinite(v)) {
        throw ExpressionError("Floating point overflow");
    }
    return date ? Value::DateTime(v) : Value::Float(v);
}

Value Arithmetic(const std::string& op, const Value& a, const Value& b, const FormatSettings& s)
{
    if (op == "+" && a.kind() == Value::Kind::Text && b.kind() == Value::Kind::Text) {
        return Value::Text(a.ToText(s) + b.ToText(s));
    }
    if (op == "+" && (!IsNumberLike(a, s) || !IsNumberLike(b, s))) {
        return Value::Text(a.ToText(s) + b.ToText(s));
    }
    if (op == "MOD") {
        const auto x = a.ToInteger(s);
        const auto y = b.ToInteger(s);
        if (y == 0) {
            throw ExpressionError("Division by zero");
        }
        if (y == -1) {
            return Value::Integer(0);
        }
        return Value::Integer(x % y);
    }
    if (op == "/") {
        const double y = b.ToFloat(s);
        if (y == 0.0) {
            throw ExpressionError("Division by zero");
        }
        return FromDouble(a.ToFloat(s) / y, false);
    }
    if (BothWhole(a, b)) {
        const auto x = a.ToInteger(s);
        const auto y = b.ToInteger(s);
        std::int64_t r = 0;
        const bool overflow = op == "+"   ? __builtin_add_overflow(x, y, &r)
                              : op == "-" ? __builtin_sub_overflow(x, y, &r)
                                          : __builtin_mul_overflow(x, y, &r);
        if (!overflow) {
            return Value::Integer(r);
        }
    }
    const double x = a.ToFloat(s);
    const double y = b.ToFloat(s);
    const bool date = op != "*" && EitherDate(a, b) && !(op == "-" && a.kind() == b.kind());
    const double r = op == "+" ? x + y : op == "-" ? x - y : x * y;
    return FromDouble(r, date);
}

Value Compare(const std::string& op, const Value& a, const Value& b, const FormatSettings& s)
{
    int order = 0;
    if (IsNumberLike(a, s) && IsNumberLike(b, s) &&
        !(a.kind() == Value::Kind::Text && b.kind() == Value::Kind::Text)) {
        const double x = a.ToFloat(s);
        const double y = b.ToFloat(s);
        order = x < y ? -1 : (x > y ? 1 : 0);
    } else {
        const int c = a.ToText(s).compare(b.ToText(s));
        order = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (op == "=") {
        return Value::Boolean(order == 0);
    }
    if (op == "<>") {
        return Value::Boolean(order != 0);
    }
    if (op == "<") {
        return Value::Boolean(order < 0);
    }
    if (op == ">") {
        return Value::Boolean(order > 0);
    }
    if (op == "<=") {
        return Value::Boolean(order <= 0);
    }
    return Value::Boolean(order >= 0);
}

Value WholeOrFloat(double v)
{
    if (v > -9.2e18 && v < 9.2e18) {
        return Value::Integer(static_cast<std::int64_t>(v));
    }
    return FromDouble(v, false);
}

void Arity(const ExpressionNode& call, std::size_t least, std::size_t most)
{
    const auto n = call.children.size();
    if (n < least || n > most) {
        throw ExpressionError("Wrong number of arguments to " + call.text);
    }
}

// Copy as the platform has it: from index (1-based; below 1 counts as 1),
// at most count characters, nothing past the end.
std::string CopyText(const std::string& text, std::int64_t index, std::int64_t count)
{
    index = std::max<std::int64_t>(index, 1);
    const auto size = static_cast<std::int64_t>(text.size());
    if (index > size || count <= 0) {
        return {};
    }
    count = std::min(count, size - index + 1);
    return text.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

std::optional<Value> BuiltinFunction(const ExpressionNode& call, ExpressionHost& host)
{
    const auto& s = host.Settings();
    const auto& name = call.text;
    auto arg = [&](std::size_t i) { return EvaluateTree(*call.children[i], host); };
    if (name == "IF") {
        Arity(call, 3, 3);
        return arg(0).ToBoolean(s) ? arg(1) : arg(2);
    }
    if (name == "INT") {
        Arity(call, 1, 1);
        return WholeOrFloat(std::trunc(arg(0).ToFloat(s)));
    }
    if (name == "FRAC") {
        Arity(call, 1, 1);
        const double v = arg(0).ToFloat(s);
        return Value::Float(v - std::trunc(v));
    }
    if (name == "ROUND") {
        Arity(call, 1, 2);
        const double v = arg(0).ToFloat(s);
        if (call.children.size() == 1) {
            return WholeOrFloat(std::nearbyint(v));
        }
        const auto places = std::clamp<std::int64_t>(arg(1).ToInteger(s), -18, 18);
        const double scale = std::pow(10.0, static_cast<double>(places));
        return FromDouble(std::nearbyint(v * scale) / scale, false);
    }
    if (name == "STR") {
        Arity(call, 1, 1);
        return Value::Text(arg(0).ToText(s));
    }
    if (name == "COPY") {
        Arity(call, 3, 3);
        const std::string text = arg(0).ToText(s);
        return Value::Text(CopyText(text, arg(1).ToInteger(s), arg(2).ToInteger(s)));
    }
    return std::nullopt;
}

} // namespace

Value EvaluateTree(const ExpressionNode& node, ExpressionHost& host)
{
    const auto& s = host.Settings();
    switch (node.kind) {
    case ExpressionNode::Kind::Constant:
        return node.constant;
    case ExpressionNode::Kind::Name:
        return host.ValueOfName(node.text);
    case ExpressionNode::Kind::Negate: {
        const Value v = EvaluateTree(*node.children[0], host);
        if (v.kind() == Value::Kind::Integer &&
            v.ToInteger(s) != std::numeric_limits<std::int64_t>::min()) {
            return Value::Integer(-v.ToInteger(s));
        }
        return FromDouble(-v.ToFloat(s), v.kind() == Value::Kind::DateTime);
    }
    case ExpressionNode::Kind::Not:
        return Value::Boolean(!EvaluateTree(*node.children[0], host).ToBoolean(s));
    case ExpressionNode::Kind::Binary: {
        const Value a = EvaluateTree(*node.children[0], host);
        if (node.text == "AND" || node.text == "OR") {
            const bool left = a.ToBoolean(s);
            if (left == (node.text == "OR")) {
                return Value::Boolean(left);
            }
            return Value::Boolean(EvaluateTree(*node.children[1], host).ToBoolean(s));
        }
        const Value b = EvaluateTree(*node.children[1], host);
        const char first = node.text[0];
        if (first == '=' || first == '<' || first == '>') {
            return Compare(node.text, a, b, s);
        }
        return Arithmetic(node.text, a, b, s);
    }
    case ExpressionNode::Kind::Call: {
        if (auto v = BuiltinFunction(node, host)) {
            return *v;
        }
        std::vector<Value> arguments;
        arguments.reserve(node.children.size());
        for (const auto& child : node.children) {
            arguments.push_back(EvaluateTree(*child, host));
        }
        if (auto v = host.CallFunction(node.text, arguments)) {
            return *v;
        }
        return Value::Text("0");
    }
    }
    return {};
}

} // namespace marlune::report::expr
