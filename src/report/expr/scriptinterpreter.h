#pragma once

#include "report/expr/expressionparser.h"
#include "report/expr/value.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace marlune::report::expr {

class ReportExpressions;

// The view properties a script may read and assign.
enum class ViewProperty {
    Width,
    Height,
    Flags,
    Visible,
    FrameTyp,
    FrameWidth,
    FrameColor,
    FillColor,
    Text,
    FontName,
    FontSize,
    FontStyle,
    FontColor,
    Adjust,
};
// By name, case ignored.
std::optional<ViewProperty> FindViewProperty(const std::string& name);
const char* ViewPropertyName(ViewProperty property);

// The colour names scripts know ("clWhite", "clRed", …, "clNone",
// "clTransparent"), case ignored; as colour values.
std::optional<std::uint32_t> FindColorName(const std::string& name);

enum class ScriptBreak { NewPage, NewColumn };

// What a script acts on; the builder implements it for the view or band
// whose script runs.
class ScriptTarget {
public:
    virtual ~ScriptTarget() = default;
    // `view` is empty for the view or band running the script, otherwise
    // the name of another view of the report. False: no such view.
    virtual bool SetProperty(const std::string& view, ViewProperty property,
                             const Value& value) = 0;
    virtual std::optional<Value> GetProperty(const std::string& view,
                                             ViewProperty property) const = 0;
    // FREESPACE: the report units left on the page below the band.
    virtual int FreeSpace() const = 0;
    // NEWPAGE, NEWCOLUMN: a page or column break before the band.
    virtual void RequestBreak(ScriptBreak kind) = 0;
};

// A script in its internal form, made once per build.
struct ScriptStatement {
    enum class Kind { Empty, Block, If, Repeat, While, Goto, Assign, Break };
    Kind kind = Kind::Empty;
    std::string label;                 // the label in front of it, if any
    ExpressionTree condition;          // If, Repeat (until), While
    std::vector<ScriptStatement> body; // Block, Repeat; If: then [, else]; While: the body
    std::string target;                // Assign: what is assigned; Goto: the label
    ExpressionTree value;              // Assign
    ScriptBreak breakKind = ScriptBreak::NewPage;
};
struct CompiledScript {
    std::vector<ScriptStatement> statements;
    bool Empty() const { return statements.empty(); }
};

// The script language of views and bands. Words are matched without regard
// to case; statements are separated by ";" (which may be left out between
// statements):
//
//   script     := { statement [";"] }
//   statement  := [ label ":" ] simple
//   simple     := "BEGIN" { statement [";"] } "END"
//               | "IF" expression "THEN" statement [ "ELSE" statement ]
//               | "REPEAT" { statement [";"] } "UNTIL" expression
//               | "WHILE" expression "DO" statement
//               | "GOTO" label
//               | "NEWPAGE" | "NEWCOLUMN"
//               | target ":=" expression
//               | (nothing)
//   label      := name | number
//   target     := property | view "." property | variable
//
// Expressions are those of ExpressionParser. In them a name is, in this
// order: a variable the script has assigned, "FREESPACE", "TRUE" or
// "FALSE", a colour name, a property of the running view, "view.property"
// of another view, and otherwise whatever the report knows by that name.
// GOTO continues at the label in the statement list that holds the GOTO or
// in one that holds it, and leaves the loops it jumps out of.
//
// Bounds: nesting deeper than ExpressionParser::kMaxNesting is a syntax
// error, and a run that executes more than kMaxSteps statements stops with
// an error instead of hanging the build.
class ScriptInterpreter {
public:
    static constexpr std::size_t kMaxSteps = 100000;

    // Raises ExpressionError on a syntax error.
    static CompiledScript Compile(const std::vector<std::string>& lines);
    // Raises ExpressionError on a failing expression, an unknown view or
    // label, and a run too long.
    static void Run(const CompiledScript& script, ScriptTarget& target,
                    ReportExpressions& expressions);
};

} // namespace marlune::report::expr
