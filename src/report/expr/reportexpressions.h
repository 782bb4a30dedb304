#pragma once

#include "report/expr/formatsettings.h"
#include "report/expr/expressionparser.h"
#include "report/expr/formatforoutput.h"
#include "report/expr/functionlibrary.h"
#include "report/expr/sources.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace marlune::report::expr {

// The report's side of expressions: expanding memo text, looking up the
// value of a bracketed expression, evaluating expressions. The builder
// points the sources at the report being built; every source may be left
// null, and is then skipped.
//
// The value of a name, in this order:
//  1. OnGetValue, when assigned: an answer that is not empty is final;
//  2. a named value of the report (not assigned: the empty text; a data
//     field: the field's value; a special function: that built-in
//     variable; an expression: its value);
//  3. a data field (SplitFieldName);
//  4. "VALUE": the value last found by GetValueText (0 before that);
//  5. the built-in variables "PAGE#", "DATE", "TIME", "LINE#",
//     "LINETHROUGH#", "COLUMN#", "CURRENT#", "TOTALPAGES";
//  6. a global variable;
//  7. the name evaluated as an expression. A name looked up again while it
//     is being looked up (a name that refers to itself, or that nothing
//     knows and the evaluator hands back) raises ExpressionError
//     "Undefined symbol \"name\"".
// Lookups nest at most kMaxLookupDepth deep, so named values that refer to
// each other in a ring end with that error too rather than exhausting the
// stack.
class ReportExpressions : public ExpressionHost {
public:
    static constexpr std::size_t kMaxLookupDepth = 32;

    const NamedValueSource* namedValues = nullptr;
    DataFieldSource* dataFields = nullptr;
    const BuildVariableSource* buildVariables = nullptr;
    const GlobalVariables* globals = &GlobalVariables::Process();
    // Null: the process-wide settings.
    const FormatSettings* settings = nullptr;

    // Asked first for every name; a value that is not empty is the answer.
    std::function<Value(const std::string& name)> OnGetValue;
    // Asked for a function that neither the evaluator nor the standard
    // library knows, with the evaluated arguments; nothing: "0".
    std::function<std::optional<Value>(const std::string& name, const std::vector<Value>& args)>
        OnUserFunction;
    // The standard library's questions (aggregates, INPUT).
    LibraryHooks library;

    // A memo's lines expanded with the view's format.
    std::vector<std::string> ExpandText(const std::vector<std::string>& memo,
                                        const ValueFormat& viewFormat);
    // One bracketed expression (without its brackets), with an optional
    // format suffix, formatted for output.
    std::string GetValueText(const std::string& expression, const ValueFormat& viewFormat);
    // The value of a name (the order above).
    Value ValueOfName(const std::string& name) override;
    // An expression's value.
    Value Evaluate(const std::string& expression);
    Value EvaluateParsed(const ExpressionNode& tree);

    // "VALUE": what GetValueText found last.
    const Value& CurrentValue() const { return currentValue_; }

    const FormatSettings& Settings() const override;
    // The standard library, then OnUserFunction.
    std::optional<Value> CallFunction(const std::string& name,
                                      const std::vector<Value>& arguments) override;

private:
    Value NamedValueOf(const NamedValue& entry);

    Value currentValue_ = Value::Integer(0);
    std::vector<std::string> lookups_; // the names being looked up, outermost first
};

} // namespace marlune::report::expr
