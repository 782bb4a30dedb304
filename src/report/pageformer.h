#pragma once

#include "report/expr/value.h"
#include "report/runtimepage.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// Forming output pages: the runtime pages of one pass, walked band by band
// through the data, with page and column breaks, headers repeated and
// footers drawn, each view placed at the current Y of the page being formed.
namespace marlune::report {

class PreparedPages;
class Report;
class ReportDataset;
class ReportView;

// What forming pages needs from the build it runs in: output and
// measuring of views go through the build's expressions and scripts.
class PageFormerHost {
public:
    virtual void Progress(int number) = 0;
    // Once per record: the progress window's Cancel button and repaints.
    virtual void ProcessEvents() = 0;
    // Writes the view, placed on the page, into the prepared page being
    // formed; raises when its text or script fails.
    virtual void OutputView(ReportView& view) = 0;
    // The height a stretched view needs for its expanded text.
    virtual int MeasureView(ReportView& view) = 0;
    virtual void RunScript(ReportView& view) = 0;
    virtual expr::Value Evaluate(const std::string& expression) = 0;

protected:
    ~PageFormerHost() = default;
};

class PageFormer {
public:
    // Forms the pages into `target`.
    PageFormer(Report& report, PreparedPages& target, PageFormerHost& host);

    // Makes the runtime pages of a pass from the report's template pages;
    // pages shown by a sub-report are marked to be skipped.
    void Prepare();
    // Back to the first output page of a pass. Without drawing (a first
    // pass that only counts pages) no view is output.
    void Restart(bool drawing);
    // Forms the output pages of every template page once, continuing on the
    // same page where the next template page (or the next record of
    // `multiple`) asks for it.
    void FormPages(const ReportDataset* multiple);
    // Frees the runtime pages and bands.
    void Release();

    const std::vector<std::unique_ptr<RuntimePage>>& Pages() const { return pages_; }
    // Index of the prepared page being formed.
    int PageNumber() const { return pageNumber_; }
    RuntimePage* CurrentPage() const { return currentPage_; }
    Band* CurrentBand() const { return currentBand_; }
    // The data band looping at `level` (1 to 3), if any.
    const Band* LevelDataBand(int level) const
    {
        return levelDataBand_[static_cast<std::size_t>(level)];
    }

private:
    void FormPage(RuntimePage& page);
    void DataLoop(RuntimePage& page, int level);
    bool GroupChange(RuntimePage& page, Band& dataBand);
    void DrawStack(RuntimePage& page);
    bool DrawBand(RuntimePage& page, Band& band);
    void PlaceBand(RuntimePage& page, Band& band);
    void DrawViews(RuntimePage& page, Band& band);
    void DrawView(RuntimePage& page, Band& band, ReportView& view);
    int BandHeight(RuntimePage& page, Band& band);
    bool PageBreakTest(RuntimePage& page, Band& band, int y, int height);
    void NewColumn(RuntimePage& page, Band& band);
    void NewPage(RuntimePage& page);
    void DrawPageFooters(RuntimePage& page);
    void AddPreparedPage(RuntimePage& page);
    int BottomLimit(RuntimePage& page);
    void Fail(ReportView& view, const Band& band);

    Report& report_;
    PreparedPages& prepared_;
    PageFormerHost& host_;
    std::vector<std::unique_ptr<RuntimePage>> pages_;
    std::vector<Band*> stack_;
    RuntimePage* currentPage_ = nullptr;
    Band* currentBand_ = nullptr;
    std::array<Band*, 4> levelDataBand_{};
    int deepestLevel_ = 0;
    bool hasGroups_ = false;
    bool drawing_ = true;
    bool append_ = false;
    int appendY_ = 0;
    int pageNumber_ = 0;
};

} // namespace marlune::report
