#pragma once

#include "report/expr/reportexpressions.h"
#include "report/expr/scriptinterpreter.h"
#include "report/pageformer.h"
#include "report/reportview.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// One build of a report: the passes and the progress they show, the
// datasets opened for it, and the output of views into the prepared pages
// with the expressions and scripts that fill them. Forming the pages is the
// page former's. Report::BuildInto makes one for each build.
namespace marlune::report {

class Report;
class BuildProgress;
class PreparedPages;

class ReportBuilder final : private expr::NamedValueSource,
                            private expr::DataFieldSource,
                            private expr::ScriptTarget,
                            private PageFormerHost {
public:
    // The pages are written into `target`, which the build's caller owns.
    ReportBuilder(Report& report, PreparedPages& target);
    ~ReportBuilder() override;
    ReportBuilder(const ReportBuilder&) = delete;
    ReportBuilder& operator=(const ReportBuilder&) = delete;

    bool Build();

private:
    enum class Pass { First, Final };

    // The first pass of a double-pass build only counts the pages; the
    // final one draws them, knowing the total.
    void StartPass(Pass pass);
    void RunPasses();
    void BuildOnce();
    void CloseWindow(bool cancelled);
    BuildProgress* Window() const;

    // What forming pages asks of the build.
    void Progress(int number) override;
    void ProcessEvents() override;
    void OutputView(ReportView& view) override;
    int MeasureView(ReportView& view) override;
    void RunScript(ReportView& view) override;
    expr::Value Evaluate(const std::string& expression) override;

    Lines ExpandMemo(const ReportView& view);
    void UpdateVariables();

    // What expressions and scripts ask of the build.
    const expr::NamedValue* FindNamedValue(const std::string& name) const override;
    std::optional<expr::Value> FieldValue(const expr::FieldName& name) override;
    ReportDataset* DefaultDataset() const;
    bool SetProperty(const std::string& view, expr::ViewProperty property,
                     const expr::Value& value) override;
    std::optional<expr::Value> GetProperty(const std::string& view,
                                           expr::ViewProperty property) const override;
    int FreeSpace() const override;
    void RequestBreak(expr::ScriptBreak kind) override;
    ReportView* ScriptView(const std::string& name) const;

    Report& report_;
    PreparedPages& prepared_;
    expr::ReportExpressions expressions_;
    expr::BuildVariables variables_;
    std::map<std::string, expr::NamedValue> namedValues_; // by upper-case name
    std::map<const ReportView*, expr::CompiledScript> scripts_;
    std::vector<ReportView*> hooks_;
    std::vector<ReportDataset*> initialised_;
    PageFormer former_;
    ReportView* scriptView_ = nullptr;

    bool finalPass_ = true;
    // The final pass of a double pass shows "from" and the first pass's
    // page count in its progress line.
    bool showTotal_ = false;
    bool firstPassTerminated_ = false;
    int savedPageCount_ = 0;
    std::string progressText_;
};

} // namespace marlune::report
