#include "report/expr/reportexpressions.h"

#include "report/expr/errors.h"
#include "report/expr/expandtext.h"
#include "report/expr/formatsettings.h"

#include <algorithm>

namespace marlune::report::expr {

namespace {

// Keeps a name on the list of names being looked up while it is.
class LookupScope {
public:
    LookupScope(std::vector<std::string>& stack, const std::string& name) : stack_(stack)
    {
        stack_.push_back(name);
    }
    ~LookupScope() { stack_.pop_back(); }
    LookupScope(const LookupScope&) = delete;
    LookupScope& operator=(const LookupScope&) = delete;

private:
    std::vector<std::string>& stack_;
};

} // namespace

const FormatSettings& ReportExpressions::Settings() const
{
    return settings != nullptr ? *settings : ProcessFormatSettings();
}

std::vector<std::string> ReportExpressions::ExpandText(const std::vector<std::string>& memo,
                                                       const ValueFormat& viewFormat)
{
    return ExpandLines(
        memo, [&](const std::string& expression) { return GetValueText(expression, viewFormat); });
}

std::string ReportExpressions::GetValueText(const std::string& expression,
                                            const ValueFormat& viewFormat)
{
    const SplitExpression split = SplitFormatSuffix(expression, viewFormat);
    currentValue_ = ValueOfName(split.name);
    return FormatForOutput(currentValue_, split.format.code, split.format.text, Settings());
}

Value ReportExpressions::ValueOfName(const std::string& name)
{
    if (std::find(lookups_.begin(), lookups_.end(), name) != lookups_.end() ||
        lookups_.size() >= kMaxLookupDepth) {
        throw ExpressionError(UndefinedSymbolMessage(name));
    }
    const LookupScope scope(lookups_, name);
    if (OnGetValue) {
        Value v = OnGetValue(name);
        if (!v.IsEmpty()) {
            return v;
        }
    }
    if (namedValues != nullptr) {
        if (const NamedValue* entry = namedValues->FindNamedValue(name)) {
            return NamedValueOf(*entry);
        }
    }
    if (dataFields != nullptr) {
        if (auto v = dataFields->FieldValue(SplitFieldName(name))) {
            return *v;
        }
    }
    if (name == "VALUE") {
        return currentValue_;
    }
    if (const auto variable = FindBuiltinVariable(name)) {
        if (buildVariables != nullptr) {
            return buildVariables->Variable(*variable);
        }
    }
    if (globals != nullptr) {
        if (auto v = globals->Find(name)) {
            return *v;
        }
    }
    return Evaluate(name);
}

Value ReportExpressions::NamedValueOf(const NamedValue& entry)
{
    switch (entry.kind) {
    case NamedValue::Kind::NotAssigned:
        return Value::Text("");
    case NamedValue::Kind::DataField: {
        if (dataFields != nullptr) {
            if (auto v = dataFields->FieldValue(FieldName{{}, entry.dataset, entry.field})) {
                return *v;
            }
        }
        return Value::Text("");
    }
    case NamedValue::Kind::SpecialFunction:
        if (entry.special >= 0 && entry.special < kBuiltinVariableCount &&
            buildVariables != nullptr) {
            return buildVariables->Variable(static_cast<BuiltinVariable>(entry.special));
        }
        return Value::Text("");
    case NamedValue::Kind::Expression:
        return Evaluate(entry.expression);
    }
    return {};
}

Value ReportExpressions::Evaluate(const std::string& expression)
{
    const auto tree = ExpressionParser::Parse(expression);
    return EvaluateParsed(*tree);
}

Value ReportExpressions::EvaluateParsed(const ExpressionNode& tree)
{
    return EvaluateTree(tree, *this);
}

std::optional<Value> ReportExpressions::CallFunction(const std::string& name,
                                                     const std::vector<Value>& arguments)
{
    if (auto v = CallStandardFunction(name, arguments, library, Settings())) {
        return v;
    }
    if (OnUserFunction) {
        return OnUserFunction(name, arguments);
    }
    return std::nullopt;
}

} // namespace marlune::report::expr
