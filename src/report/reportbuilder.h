#pragma once

#include "report/expr/reportexpressions.h"
#include "report/expr/scriptinterpreter.h"
#include "report/kinds.h"
#include "report/reportdataset.h"
#include "report/reportview.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One build of a report: the two-pass control and the progress it shows,
// the runtime bands made from each template page, the forming of output
// pages band by band, and the output of views into the prepared pages.
// Report::BuildReport makes one for each build.
namespace marlune::report {

class Report;
class ReportPage;
class BuildProgress;

inline constexpr int kBandKindCount = bkNone + 1;

// A band of a build, made from a band marker of the template.
struct Band {
    int kind = bkNone;
    ReportView* marker = nullptr;
    std::uint16_t flags = 0;
    bool visible = true;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool stretched = false;
    bool newPageAfter = false;
    bool printIfSubsetEmpty = false;
    bool breaked = false;
    ReportDataset* dataset = nullptr;
    std::unique_ptr<ReportDataset> ownDataset; // a band printing a number of times
    std::string groupCondition;
    std::optional<Value> lastGroupValue;
    Band* header = nullptr;
    Band* footer = nullptr;
    Band* next = nullptr;
    Band* prev = nullptr;
    std::vector<ReportView*> views;
    int positionLocal = 1;
    int positionGlobal = 1;
    bool forceNewPage = false;
    bool forceNewColumn = false;

    // A band counts only when it holds views.
    bool Present() const { return !views.empty(); }
};

// A template page during a build: its runtime views and bands and where
// output stands on the page being formed.
struct RuntimePage {
    ReportPage* source = nullptr;
    std::vector<std::unique_ptr<ReportView>> views;
    std::vector<std::unique_ptr<Band>> bands;
    // The first band of each kind (always there; present when it has views).
    std::array<Band*, kBandKindCount> first{};
    int curY = 0;
    int bottomLimit = 0;
    int curColumn = 0;
    int xAdjust = 0;
    int columnHeaderY = 0;
    bool skip = false;
    int curPosition = 1;
    int columnPosition = 1;
    int columnCount = 1;
    int columnWidth = 0;

    Band& Of(int kind) { return *first[static_cast<std::size_t>(kind)]; }
};

class ReportBuilder final : private NamedValueSource,
                            private DataFieldSource,
                            private ScriptTarget {
public:
    explicit ReportBuilder(Report& report);
    ~ReportBuilder() override;
    ReportBuilder(const ReportBuilder&) = delete;
    ReportBuilder& operator=(const ReportBuilder&) = delete;

    bool Build();

private:
    // Two passes and the progress window.
    bool PassControl();
    void BuildStep();
    void BuildOnce();
    void Progress(int number);
    // Once per record: the progress window's Cancel button and repaints.
    void ProcessEvents();
    BuildProgress* Window() const;

    // Template page to runtime page.
    std::unique_ptr<RuntimePage> PreparePage(ReportPage& source);
    void LoadBand(Band& band, ReportView& marker);
    void LinkHeadersAndFooters(RuntimePage& page);

    // Forming pages.
    void FormPage(RuntimePage& page);
    void DataLoop(RuntimePage& page, int level);
    bool GroupChange(RuntimePage& page, Band& dataBand);
    void DrawStack(RuntimePage& page);
    bool DrawBand(RuntimePage& page, Band& band);
    void PlaceBand(RuntimePage& page, Band& band);
    void DrawViews(RuntimePage& page, Band& band);
    int BandHeight(RuntimePage& page, Band& band);
    int MeasureView(ReportView& view);
    bool PageBreakTest(RuntimePage& page, Band& band, int y, int height);
    void NewColumn(RuntimePage& page, Band& band);
    void NewPage(RuntimePage& page);
    void DrawPageFooters(RuntimePage& page);
    void AddPreparedPage(RuntimePage& page);
    int BottomLimit(RuntimePage& page);

    // Output of one view.
    void DrawView(RuntimePage& page, Band& band, ReportView& view);
    void OutputView(ReportView& view);
    Lines ExpandMemo(const ReportView& view);
    void RunScript(ReportView& view);
    void Fail(ReportView& view, const Band& band);
    void UpdateVariables();

    // What expressions and scripts ask of the build.
    const NamedValue* FindNamedValue(const std::string& name) const override;
    std::optional<Value> FieldValue(const FieldName& name) override;
    ReportDataset* DefaultDataset() const;
    bool SetProperty(const std::string& view, ViewProperty property, const Value& value) override;
    std::optional<Value> GetProperty(const std::string& view, ViewProperty property) const override;
    int FreeSpace() const override;
    void RequestBreak(ScriptBreak kind) override;
    ReportView* ScriptView(const std::string& name) const;

    Report& report_;
    ReportExpressions expressions_;
    BuildVariables variables_;
    std::map<std::string, NamedValue> namedValues_; // by upper-case name
    std::map<const ReportView*, CompiledScript> scripts_;
    std::vector<ReportView*> hooks_;
    std::vector<std::unique_ptr<RuntimePage>> pages_;
    std::vector<Band*> stack_;
    std::vector<ReportDataset*> initialised_;

    RuntimePage* currentPage_ = nullptr;
    Band* currentBand_ = nullptr;
    ReportView* scriptView_ = nullptr;
    std::array<Band*, 4> levelDataBand_{}; // the data band looping at each level
    int deepestLevel_ = 0;
    bool hasGroups_ = false;

    bool doublePass_ = false;
    bool finalPass_ = true;
    bool firstPassTerminated_ = false;
    bool drawingDisabled_ = false;
    bool append_ = false;
    int pageNumber_ = 0;
    int savedPageCount_ = 0;
    int appendY_ = 0;
    std::string caption_;
    std::string progressText_;
};

} // namespace marlune::report
