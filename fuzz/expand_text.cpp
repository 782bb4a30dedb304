// Memo text with its bracketed expressions, and view scripts, come from a
// stored template, which is outside input: expanding any text, and compiling
// and running it as a script, must end, without crashing, in a result or in
// an ExpressionError; never in another exception, never by running out of
// stack, never by looping.
#include "report/expr/errors.h"
#include "report/expr/reportexpressions.h"
#include "report/expr/scriptinterpreter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using marlune::report::expr::NamedValue;

// A small report: a few names that refer to each other, data fields that
// echo, and every hook answering something.
class Names : public marlune::report::expr::NamedValueSource {
public:
    Names()
    {
        values_["Self"] = NamedValue{NamedValue::Kind::Expression, "", "", "Self + 1", 0};
        values_["Ring"] = NamedValue{NamedValue::Kind::Expression, "", "", "[Self] * 2", 0};
        values_["Page"] = NamedValue{NamedValue::Kind::SpecialFunction, "", "", "", 0};
    }
    const NamedValue* FindNamedValue(const std::string& name) const override
    {
        const auto it = values_.find(name);
        return it == values_.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, NamedValue> values_;
};

class Fields : public marlune::report::expr::DataFieldSource {
public:
    std::optional<marlune::report::expr::Value>
    FieldValue(const marlune::report::expr::FieldName& name) override
    {
        if (name.field == "Pcode" || name.field == "Price") {
            return marlune::report::expr::Value::Text(name.field == "Pcode" ? "2000" : "12.5");
        }
        return std::nullopt;
    }
};

// Views that take every property and remember nothing.
class Views : public marlune::report::expr::ScriptTarget {
public:
    bool SetProperty(const std::string& view, marlune::report::expr::ViewProperty,
                     const marlune::report::expr::Value&) override
    {
        return view.empty();
    }
    std::optional<marlune::report::expr::Value>
    GetProperty(const std::string&, marlune::report::expr::ViewProperty) const override
    {
        return marlune::report::expr::Value::Integer(10);
    }
    int FreeSpace() const override { return 100; }
    void RequestBreak(marlune::report::expr::ScriptBreak) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlune::report::expr;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> memo;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find('\n', start);
        memo.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    static Names names;
    static Fields fields;
    static BuildVariables variables;
    ReportExpressions expressions;
    expressions.namedValues = &names;
    expressions.dataFields = &fields;
    expressions.buildVariables = &variables;
    expressions.OnUserFunction = [](const std::string& name, const std::vector<Value>& args) {
        return name == "ECHO" && !args.empty() ? std::optional<Value>(args[0]) : std::nullopt;
    };
    const ValueFormat format{FormatCode{static_cast<std::uint32_t>(size * 0x01010101u)}, text};
    try {
        const auto lines = expressions.ExpandText(memo, format);
        // Expansion never invents text out of nothing: without a bracket the
        // memo comes back as it was.
        if (text.find('[') == std::string::npos && text.find('\r') == std::string::npos) {
            std::size_t nonEmpty = 0;
            for (const auto& line : memo) {
                nonEmpty += line.empty() ? 0 : 1;
            }
            if (lines.size() != memo.size() && nonEmpty == memo.size()) {
                std::abort();
            }
        }
    } catch (const ExpressionError&) {
    }
    // The same text as a view's script: compiled, then run within its step
    // limit.
    try {
        Views views;
        ScriptInterpreter::Run(ScriptInterpreter::Compile(memo), views, expressions);
    } catch (const ExpressionError&) {
    }
    return 0;
}
