#include "report/expr/sources.h"

#include "report/expr/lexer.h"

#include <array>
#include <cmath>

namespace marlune::report::expr {

namespace {

constexpr std::array<const char*, kBuiltinVariableCount> kNames = {
    "PAGE#", "DATE", "TIME", "LINE#", "LINETHROUGH#", "COLUMN#", "CURRENT#", "TOTALPAGES"};

} // namespace

FieldName SplitFieldName(const std::string& name)
{
    FieldName result;
    std::string prefix;
    const auto open = name.size() >= 2 && name.back() == '"' ? name.rfind('"', name.size() - 2)
                                                             : std::string::npos;
    if (open != std::string::npos && (open == 0 || name[open - 1] == '.')) {
        result.field = name.substr(open + 1, name.size() - open - 2);
        prefix = open == 0 ? std::string() : name.substr(0, open - 1);
    } else {
        const auto dot = name.rfind('.');
        if (dot == std::string::npos) {
            result.field = name;
            return result;
        }
        result.field = name.substr(dot + 1);
        prefix = name.substr(0, dot);
    }
    const auto dot = prefix.find('.');
    if (dot == std::string::npos) {
        result.component = prefix;
    } else {
        result.form = prefix.substr(0, dot);
        result.component = prefix.substr(dot + 1);
    }
    return result;
}

const char* BuiltinVariableName(BuiltinVariable variable)
{
    return kNames[static_cast<std::size_t>(variable)];
}

std::optional<BuiltinVariable> FindBuiltinVariable(const std::string& name)
{
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (name == kNames[i]) {
            return static_cast<BuiltinVariable>(i);
        }
    }
    return std::nullopt;
}

Value BuildVariables::Variable(BuiltinVariable variable) const
{
    switch (variable) {
    case BuiltinVariable::Page:
        return Value::Integer(pageIndex + 1);
    case BuiltinVariable::Date:
        return Value::DateTime(std::trunc(buildStart));
    case BuiltinVariable::Time:
        return Value::DateTime(std::fabs(buildStart - std::trunc(buildStart)));
    case BuiltinVariable::Line:
        return Value::Integer(line);
    case BuiltinVariable::LineThrough:
        return Value::Integer(lineThrough);
    case BuiltinVariable::Column:
        return Value::Integer(column);
    case BuiltinVariable::Current:
        return Value::Integer(current);
    case BuiltinVariable::TotalPages:
        return Value::Integer(totalPages);
    }
    return {};
}

GlobalVariables& GlobalVariables::Process()
{
    static GlobalVariables variables;
    return variables;
}

void GlobalVariables::Set(const std::string& name, Value value)
{
    values_[UpperAscii(name)] = std::move(value);
}

std::optional<Value> GlobalVariables::Find(const std::string& name) const
{
    const auto it = values_.find(UpperAscii(name));
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void GlobalVariables::Remove(const std::string& name)
{
    values_.erase(UpperAscii(name));
}

void GlobalVariables::Clear()
{
    values_.clear();
}

} // namespace marlune::report::expr
