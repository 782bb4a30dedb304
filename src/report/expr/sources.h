#pragma once

#include "report/expr/value.h"

#include <map>
#include <optional>
#include <string>

namespace marlune::report::expr {

// What the report gives the expression layer: its named values, its data
// fields, the variables of the build under way, and the process's global
// variables.

// One of the report's named values.
struct NamedValue {
    enum class Kind { NotAssigned = 0, DataField = 1, SpecialFunction = 2, Expression = 3 };
    Kind kind = Kind::NotAssigned;
    std::string dataset;    // DataField: the dataset's component name
    std::string field;      // DataField: the field name
    std::string expression; // Expression: the text evaluated
    int special = 0;        // SpecialFunction: a BuiltinVariable, as its number
};

class NamedValueSource {
public:
    virtual ~NamedValueSource() = default;
    // The named value of this name, or null; the entry stays valid while
    // the lookup runs.
    virtual const NamedValue* FindNamedValue(const std::string& name) const = 0;
};

// A data field's name taken apart. `form` and `component` are empty when
// the name does not give them: no component means the current default
// dataset, no form the report's owner form.
struct FieldName {
    std::string form;
    std::string component;
    std::string field;
    bool operator==(const FieldName&) const = default;
};

// Splits a name into form, component and field: "Form1.Table1.Pcode",
// "Table1.Pcode", "Pcode"; a field name in double quotes is taken without
// them ("Table1.\"Post Code\"").
FieldName SplitFieldName(const std::string& name);

class DataFieldSource {
public:
    virtual ~DataFieldSource() = default;
    // The field's value, or nothing when no such dataset or field exists
    // (the lookup then goes on). Field names match without regard to case;
    // the dataset is opened if it is closed; a field with a text event gives
    // its display text.
    virtual std::optional<Value> FieldValue(const FieldName& name) = 0;
};

// The built-in variables, numbered as special-function values count them.
enum class BuiltinVariable { Page, Date, Time, Line, LineThrough, Column, Current, TotalPages };
inline constexpr int kBuiltinVariableCount = 8;

// The upper-case name ("PAGE#", "DATE", …), and the variable of a name
// (matched exactly).
const char* BuiltinVariableName(BuiltinVariable variable);
std::optional<BuiltinVariable> FindBuiltinVariable(const std::string& name);

class BuildVariableSource {
public:
    virtual ~BuildVariableSource() = default;
    virtual Value Variable(BuiltinVariable variable) const = 0;
};

// The built-in variables as plain numbers the builder keeps up to date; a
// ready BuildVariableSource.
struct BuildVariables : BuildVariableSource {
    int pageIndex = 0;     // of the page being built, from 0; PAGE# is one more
    int totalPages = 0;    // the first pass's page count; 0 without one
    double buildStart = 0; // serial date-time the build started
    int line = 0;          // LINE#
    int lineThrough = 0;   // LINETHROUGH#
    int column = 0;        // COLUMN#
    int current = 0;       // CURRENT#
    Value Variable(BuiltinVariable variable) const override;
};

// Named values a program may set for every report of the process; names
// match without regard to case.
class GlobalVariables {
public:
    static GlobalVariables& Process();
    void Set(const std::string& name, Value value);
    std::optional<Value> Find(const std::string& name) const;
    void Remove(const std::string& name);
    void Clear();

private:
    std::map<std::string, Value> values_; // by upper-case name
};

} // namespace marlune::report::expr
