#include "report/expr/scriptinterpreter.h"

#include "report/expr/errors.h"
#include "report/expr/lexer.h"
#include "report/expr/reportexpressions.h"

#include <array>
#include <map>
#include <utility>

namespace marlune::report::expr {

namespace {

constexpr std::array<const char*, 14> kPropertyNames = {
    "Width",     "Height", "Flags",    "Visible",  "FrameTyp",  "FrameWidth", "FrameColor",
    "FillColor", "Text",   "FontName", "FontSize", "FontStyle", "FontColor",  "Adjust"};

struct NamedColor {
    const char* name;
    std::uint32_t value;
};
constexpr std::array<NamedColor, 18> kColors = {{
    {"CLWHITE", 0xFFFFFF},
    {"CLBLACK", 0x000000},
    {"CLMAROON", 0x000080},
    {"CLGREEN", 0x008000},
    {"CLOLIVE", 0x008080},
    {"CLNAVY", 0x800000},
    {"CLPURPLE", 0x800080},
    {"CLTEAL", 0x808000},
    {"CLGRAY", 0x808080},
    {"CLSILVER", 0xC0C0C0},
    {"CLRED", 0x0000FF},
    {"CLLIME", 0x00FF00},
    {"CLYELLOW", 0x00FFFF},
    {"CLBLUE", 0xFF0000},
    {"CLFUCHSIA", 0xFF00FF},
    {"CLAQUA", 0xFFFF00},
    {"CLNONE", 0x1FFFFFFF},
    {"CLTRANSPARENT", 0x1FFFFFFF},
}};

// Reads statements from the tokens of a whole script.
class Compiler {
public:
    explicit Compiler(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    std::vector<ScriptStatement> Script()
    {
        auto list = List({});
        if (Peek().kind != Token::Kind::End) {
            Fail("Syntax error");
        }
        return list;
    }

private:
    const Token& Peek(std::size_t ahead = 0) const
    {
        return tokens_[std::min(position_ + ahead, tokens_.size() - 1)];
    }
    bool IsWord(const char* word, std::size_t ahead = 0) const
    {
        return Peek(ahead).kind == Token::Kind::Name && UpperAscii(Peek(ahead).text) == word;
    }
    void Expect(const char* word)
    {
        if (!IsWord(word)) {
            Fail(std::string(word) + " expected");
        }
        ++position_;
    }
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw ExpressionError(what + " in script at position " +
                              std::to_string(Peek().position + 1));
    }

    ExpressionTree Expression()
    {
        ExpressionParser parser(tokens_, position_);
        return parser.ParseExpression();
    }

    // Statements until one of `ends` (or the end of the script).
    std::vector<ScriptStatement> List(std::initializer_list<const char*> ends)
    {
        std::vector<ScriptStatement> list;
        while (Peek().kind != Token::Kind::End) {
            bool atEnd = false;
            for (const char* end : ends) {
                atEnd = atEnd || IsWord(end);
            }
            if (atEnd) {
                break;
            }
            if (Peek().kind == Token::Kind::Semicolon) {
                ++position_;
                continue;
            }
            const std::size_t before = position_;
            list.push_back(Statement());
            if (position_ == before) {
                Fail("Syntax error"); // a word out of place ("END" without "BEGIN")
            }
        }
        return list;
    }

    ScriptStatement Statement()
    {
        if (++nesting_ > ExpressionParser::kMaxNesting) {
            Fail("Script nested too deeply");
        }
        std::string label;
        const auto first = Peek().kind;
        if ((first == Token::Kind::Name || first == Token::Kind::Number) &&
            Peek(1).kind == Token::Kind::Colon) {
            label = UpperAscii(Peek().text);
            position_ += 2;
        }
        ScriptStatement s = Simple();
        s.label = std::move(label);
        --nesting_;
        return s;
    }

    ScriptStatement Simple()
    {
        ScriptStatement s;
        if (IsWord("BEGIN")) {
            ++position_;
            s.kind = ScriptStatement::Kind::Block;
            s.body = List({"END"});
            Expect("END");
        } else if (IsWord("IF")) {
            ++position_;
            s.kind = ScriptStatement::Kind::If;
            s.condition = Expression();
            Expect("THEN");
            s.body.push_back(Statement());
            // "IF a THEN b; ELSE c" is read like "IF a THEN b ELSE c".
            if (Peek().kind == Token::Kind::Semicolon && IsWord("ELSE", 1)) {
                ++position_;
            }
            if (IsWord("ELSE")) {
                ++position_;
                s.body.push_back(Statement());
            }
        } else if (IsWord("REPEAT")) {
            ++position_;
            s.kind = ScriptStatement::Kind::Repeat;
            s.body = List({"UNTIL"});
            Expect("UNTIL");
            s.condition = Expression();
        } else if (IsWord("WHILE")) {
            ++position_;
            s.kind = ScriptStatement::Kind::While;
            s.condition = Expression();
            Expect("DO");
            s.body.push_back(Statement());
        } else if (IsWord("GOTO")) {
            ++position_;
            if (Peek().kind != Token::Kind::Name && Peek().kind != Token::Kind::Number) {
                Fail("Label expected");
            }
            s.kind = ScriptStatement::Kind::Goto;
            s.target = UpperAscii(Peek().text);
            ++position_;
        } else if (IsWord("NEWPAGE") || IsWord("NEWCOLUMN")) {
            s.kind = ScriptStatement::Kind::Break;
            s.breakKind = IsWord("NEWPAGE") ? ScriptBreak::NewPage : ScriptBreak::NewColumn;
            ++position_;
        } else if (Peek().kind == Token::Kind::Name && Peek(1).kind == Token::Kind::Assign) {
            s.kind = ScriptStatement::Kind::Assign;
            s.target = Peek().text;
            position_ += 2;
            s.value = Expression();
        } else if (Peek().kind != Token::Kind::Semicolon && !IsWord("END") && !IsWord("UNTIL") &&
                   !IsWord("ELSE") && Peek().kind != Token::Kind::End) {
            Fail("Statement expected");
        }
        return s;
    }

    std::vector<Token> tokens_;
    std::size_t position_ = 0;
    int nesting_ = 0;
};

// A view property named in a target or an expression: "Width" is the
// running view's, "Memo1.Width" another view's.
struct PropertyName {
    std::string view;
    ViewProperty property;
};
std::optional<PropertyName> FindPropertyName(const std::string& name)
{
    const auto dot = name.rfind('.');
    const std::string last = dot == std::string::npos ? name : name.substr(dot + 1);
    const auto property = FindViewProperty(last);
    if (!property) {
        return std::nullopt;
    }
    return PropertyName{dot == std::string::npos ? std::string() : name.substr(0, dot), *property};
}

// One run of a script: its variables, its step count, and the names that
// scripts know beyond the report's.
class Runner : public ExpressionHost {
public:
    Runner(ScriptTarget& target, ReportExpressions& expressions)
        : target_(target), expressions_(expressions)
    {
    }

    // Runs a list; a GOTO to a label the list does not hold is handed back.
    std::optional<std::string> RunList(const std::vector<ScriptStatement>& list)
    {
        std::size_t i = 0;
        while (i < list.size()) {
            auto jump = RunStatement(list[i]);
            if (!jump) {
                ++i;
                continue;
            }
            std::size_t found = list.size();
            for (std::size_t k = 0; k < list.size(); ++k) {
                if (list[k].label == *jump) {
                    found = k;
                    break;
                }
            }
            if (found == list.size()) {
                return jump;
            }
            i = found;
        }
        return std::nullopt;
    }

    Value ValueOfName(const std::string& name) override
    {
        const std::string upper = UpperAscii(name);
        if (const auto it = variables_.find(upper); it != variables_.end()) {
            return it->second;
        }
        if (upper == "FREESPACE") {
            return Value::Integer(target_.FreeSpace());
        }
        if (upper == "TRUE" || upper == "FALSE") {
            return Value::Boolean(upper == "TRUE");
        }
        if (const auto color = FindColorName(name)) {
            return Value::Integer(*color);
        }
        if (const auto property = FindPropertyName(name)) {
            if (auto v = target_.GetProperty(property->view, property->property)) {
                return *v;
            }
        }
        return expressions_.ValueOfName(name);
    }

    std::optional<Value> CallFunction(const std::string& name,
                                      const std::vector<Value>& arguments) override
    {
        return expressions_.CallFunction(name, arguments);
    }

    const FormatSettings& Settings() const override { return expressions_.Settings(); }

private:
    void Step()
    {
        if (++steps_ > ScriptInterpreter::kMaxSteps) {
            throw ExpressionError("Script runs too long");
        }
    }

    bool Test(const ExpressionNode& condition)
    {
        return EvaluateTree(condition, *this).ToBoolean(Settings());
    }

    std::optional<std::string> RunStatement(const ScriptStatement& s)
    {
        Step();
        switch (s.kind) {
        case ScriptStatement::Kind::Empty:
            return std::nullopt;
        case ScriptStatement::Kind::Block:
            return RunList(s.body);
        case ScriptStatement::Kind::If:
            if (Test(*s.condition)) {
                return RunStatement(s.body[0]);
            }
            return s.body.size() > 1 ? RunStatement(s.body[1]) : std::nullopt;
        case ScriptStatement::Kind::Repeat:
            while (true) {
                if (auto jump = RunList(s.body)) {
                    return jump;
                }
                if (Test(*s.condition)) {
                    return std::nullopt;
                }
                Step();
            }
        case ScriptStatement::Kind::While:
            while (Test(*s.condition)) {
                if (auto jump = RunStatement(s.body[0])) {
                    return jump;
                }
                Step();
            }
            return std::nullopt;
        case ScriptStatement::Kind::Goto:
            return s.target;
        case ScriptStatement::Kind::Break:
            target_.RequestBreak(s.breakKind);
            return std::nullopt;
        case ScriptStatement::Kind::Assign:
            Assign(s.target, EvaluateTree(*s.value, *this));
            return std::nullopt;
        }
        return std::nullopt;
    }

    void Assign(const std::string& name, const Value& value)
    {
        if (const auto property = FindPropertyName(name)) {
            if (!target_.SetProperty(property->view, property->property, value)) {
                throw ExpressionError("Unknown view " + property->view);
            }
            return;
        }
        variables_[UpperAscii(name)] = value;
    }

    ScriptTarget& target_;
    ReportExpressions& expressions_;
    std::map<std::string, Value> variables_;
    std::size_t steps_ = 0;
};

} // namespace

std::optional<ViewProperty> FindViewProperty(const std::string& name)
{
    const std::string upper = UpperAscii(name);
    for (std::size_t i = 0; i < kPropertyNames.size(); ++i) {
        if (UpperAscii(kPropertyNames[i]) == upper) {
            return static_cast<ViewProperty>(i);
        }
    }
    return std::nullopt;
}

const char* ViewPropertyName(ViewProperty property)
{
    return kPropertyNames[static_cast<std::size_t>(property)];
}

std::optional<std::uint32_t> FindColorName(const std::string& name)
{
    const std::string upper = UpperAscii(name);
    for (const auto& color : kColors) {
        if (upper == color.name) {
            return color.value;
        }
    }
    return std::nullopt;
}

CompiledScript ScriptInterpreter::Compile(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }
    Compiler compiler(Tokenize(text));
    return CompiledScript{compiler.Script()};
}

void ScriptInterpreter::Run(const CompiledScript& script, ScriptTarget& target,
                            ReportExpressions& expressions)
{
    if (script.Empty()) {
        return;
    }
    Runner runner(target, expressions);
    if (auto jump = runner.RunList(script.statements)) {
        throw ExpressionError("Undefined label " + *jump);
    }
}

} // namespace marlune::report::expr
