#include "report/pageformer.h"

#include "report/bandview.h"
#include "report/kinds.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/preparedpages.h"
#include "report/report.h"
#include "report/reportpage.h"

#include <algorithm>

namespace marlune::report {

namespace {

bool IsDataKind(int kind)
{
    return kind == bkMasterData || kind == bkDetailData || kind == bkSubdetailData ||
           kind == bkCrossData;
}

// Bands drawn where they stand rather than at the running position.
bool IsFixedKind(int kind)
{
    return kind == bkPageFooter || kind == bkOverlay || kind == bkNone;
}

} // namespace

PageFormer::PageFormer(Report& report, PreparedPages& target, PageFormerHost& host)
    : report_(report), prepared_(target), host_(host)
{
}

void PageFormer::Prepare()
{
    pages_.clear();
    for (const auto& source : report_.Pages) {
        pages_.push_back(MakeRuntimePage(*source, report_));
    }
    // A page shown by a sub-report is formed there, not on its own.
    for (const auto& page : pages_) {
        for (const auto& view : page->views) {
            const auto* sub = dynamic_cast<const SubReportView*>(view.get());
            if (sub != nullptr && sub->SubPage >= 0 &&
                static_cast<std::size_t>(sub->SubPage) < pages_.size()) {
                pages_[static_cast<std::size_t>(sub->SubPage)]->skip = true;
            }
        }
    }
}

void PageFormer::Restart(bool drawing)
{
    drawing_ = drawing;
    append_ = false;
    pageNumber_ = 0;
}

void PageFormer::FormPages(const ReportDataset* multiple)
{
    for (std::size_t i = 0; i < pages_.size() && !report_.Terminated; ++i) {
        RuntimePage& page = *pages_[i];
        if (page.skip) {
            continue;
        }
        FormPage(page);
        append_ = false;
        const bool lastPage = i + 1 == pages_.size();
        const bool moreRecords = multiple != nullptr && !multiple->Eof();
        if ((lastPage && moreRecords) || (!lastPage && pages_[i + 1]->source->PrintToPrevPage)) {
            --pageNumber_;
            append_ = true;
        } else {
            pageNumber_ = prepared_.Count();
            host_.Progress(pageNumber_);
        }
    }
}

void PageFormer::Release()
{
    pages_.clear();
    stack_.clear();
    levelDataBand_.fill(nullptr);
    currentBand_ = nullptr;
    currentPage_ = nullptr;
}

int PageFormer::BottomLimit(RuntimePage& page)
{
    const Band& footer = page.Of(bkPageFooter);
    return page.source->BottomMargin(footer.Present() ? footer.height : 0);
}

void PageFormer::AddPreparedPage(RuntimePage& page)
{
    prepared_.Add(*page.source);
}

void PageFormer::FormPage(RuntimePage& page)
{
    currentPage_ = &page;
    if (append_ && appendY_ == page.bottomLimit) {
        append_ = false;
        pageNumber_ = prepared_.Count();
    }
    page.bottomLimit = BottomLimit(page);
    page.curColumn = 0;
    page.xAdjust = page.source->LeftMargin();
    if (!append_) {
        AddPreparedPage(page);
        page.curY = page.source->TopMargin();
        DrawBand(page, page.Of(bkOverlay));
        DrawBand(page, page.Of(bkNone));
    } else {
        page.curY = appendY_;
    }
    const int pagesBefore = prepared_.Count();
    DrawBand(page, page.Of(bkReportTitle));
    if (prepared_.Count() == pagesBefore) {
        Band& header = page.Of(bkPageHeader);
        if (header.Present() && (header.flags & flBandOnFirstPage) != 0) {
            DrawBand(page, header);
        }
        DrawBand(page, page.Of(bkColumnHeader));
    }
    deepestLevel_ = 0;
    for (int level = 1; level <= 3; ++level) {
        bool present = false;
        ForChain(&page.Of(DataOf(level)), [&](Band& band) { present = present || band.Present(); });
        if (present) {
            deepestLevel_ = level;
        }
    }
    hasGroups_ = page.Of(bkGroupHeader).marker != nullptr;
    levelDataBand_.fill(nullptr);
    if (deepestLevel_ > 0) {
        DataLoop(page, 1);
    }
    DrawBand(page, page.Of(bkColumnFooter));
    DrawBand(page, page.Of(bkReportSummary));
    appendY_ = page.curColumn > 0 ? page.source->BottomMargin() : page.curY;
    page.curColumn = 0;
    page.xAdjust = page.source->LeftMargin();
    const int before = pageNumber_;
    Band& footer = page.Of(bkPageFooter);
    if ((footer.flags & flBandOnLastPage) != 0 && footer.Present()) {
        DrawPageFooters(page);
    }
    pageNumber_ = before + 1;
}

void PageFormer::DataLoop(RuntimePage& page, int level)
{
    for (Band* band = &page.Of(DataOf(level)); band != nullptr && !report_.Terminated;
         band = band->next) {
        if (band->dataset == nullptr) {
            continue;
        }
        ReportDataset& dataset = *band->dataset;
        levelDataBand_[static_cast<std::size_t>(level)] = band;
        dataset.First();
        band->positionLocal = 1;
        ForChain(&page.Of(bkGroupHeader), [](Band& header) { header.positionLocal = 1; });
        if (dataset.Eof()) {
            continue;
        }
        if (level == 1 && hasGroups_) {
            ForChain(&page.Of(bkGroupHeader), [&](Band& header) {
                if (header.marker != nullptr) {
                    currentBand_ = &header;
                    header.lastGroupValue = host_.Evaluate(header.groupCondition);
                    DrawBand(page, header);
                    ++header.positionLocal;
                }
            });
        }
        if (band->header != nullptr) {
            stack_.push_back(band->header);
        }
        bool endedByGroup = false;
        while (!dataset.Eof()) {
            host_.ProcessEvents();
            if (report_.Terminated) {
                break;
            }
            stack_.push_back(band);
            bool printed = true;
            if (level < deepestLevel_) {
                DataLoop(page, level + 1);
                levelDataBand_[static_cast<std::size_t>(level)] = band;
                if (!stack_.empty()) {
                    if (band->printIfSubsetEmpty) {
                        DrawStack(page);
                    } else {
                        stack_.pop_back();
                        printed = false;
                    }
                }
            } else {
                DrawStack(page);
            }
            dataset.Next();
            if (level == 1 && hasGroups_) {
                endedByGroup = GroupChange(page, *band) && dataset.Eof();
            }
            if (printed) {
                ++page.curPosition;
                ++band->positionGlobal;
                ++band->positionLocal;
                if (band->newPageAfter && !dataset.Eof()) {
                    NewPage(page);
                }
            }
            if (report_.Terminated) {
                break;
            }
        }
        if (!stack_.empty()) {
            stack_.pop_back();
        } else if (band->footer != nullptr && !endedByGroup) {
            DrawBand(page, *band->footer);
        }
    }
}

bool PageFormer::GroupChange(RuntimePage& page, Band& dataBand)
{
    const bool atEnd = dataBand.dataset->Eof();
    std::vector<Band*> headers;
    ForChain(&page.Of(bkGroupHeader), [&](Band& header) {
        if (header.marker != nullptr) {
            headers.push_back(&header);
        }
    });
    std::size_t changed = headers.size();
    for (std::size_t i = 0; i < headers.size(); ++i) {
        if (atEnd) {
            changed = 0;
            break;
        }
        currentBand_ = headers[i];
        if (host_.Evaluate(headers[i]->groupCondition) != headers[i]->lastGroupValue) {
            changed = i;
            break;
        }
    }
    if (changed == headers.size()) {
        return false;
    }
    if (dataBand.footer != nullptr) {
        DrawBand(page, *dataBand.footer);
    }
    for (std::size_t i = headers.size(); i-- > changed;) {
        if (headers[i]->footer != nullptr) {
            DrawBand(page, *headers[i]->footer);
        }
        headers[i]->positionLocal = 1;
    }
    if (atEnd) {
        return true;
    }
    if (headers[changed]->newPageAfter) {
        NewPage(page);
    }
    for (std::size_t i = changed; i < headers.size(); ++i) {
        currentBand_ = headers[i];
        headers[i]->lastGroupValue = host_.Evaluate(headers[i]->groupCondition);
        DrawBand(page, *headers[i]);
        ++headers[i]->positionLocal;
    }
    if (dataBand.header != nullptr) {
        DrawBand(page, *dataBand.header);
    }
    return true;
}

void PageFormer::DrawStack(RuntimePage& page)
{
    std::vector<Band*> stacked;
    stacked.swap(stack_);
    for (Band* band : stacked) {
        if (band->Present()) {
            DrawBand(page, *band);
        }
    }
}

bool PageFormer::DrawBand(RuntimePage& page, Band& band)
{
    currentBand_ = &band;
    band.forceNewPage = false;
    band.forceNewColumn = false;
    if (band.marker != nullptr && !band.marker->Script.empty()) {
        try {
            host_.RunScript(*band.marker);
        } catch (const std::exception&) {
            Fail(*band.marker, band);
            return false;
        }
        currentBand_ = &band;
    }
    if (band.forceNewPage) {
        page.curColumn = page.columnCount - 1;
        NewColumn(page, band);
    } else if (band.forceNewColumn) {
        NewColumn(page, band);
    }
    if (!band.visible) {
        return true;
    }
    if (band.kind == bkColumnHeader) {
        page.columnHeaderY = page.curY;
    }
    if (band.kind == bkPageFooter) {
        band.top = page.bottomLimit;
    }
    if (band.Present() && !IsFixedKind(band.kind)) {
        if (page.curY + BandHeight(page, band) > page.bottomLimit && !band.breaked) {
            if (page.skip) {
                return false;
            }
            NewColumn(page, band);
        }
    }
    PlaceBand(page, band);
    if (!IsDataKind(band.kind) && band.kind != bkGroupHeader && band.newPageAfter &&
        band.Present()) {
        NewPage(page);
    }
    currentBand_ = &band;
    return true;
}

int PageFormer::BandHeight(RuntimePage& page, Band& band)
{
    int height = band.height;
    if (band.stretched) {
        currentBand_ = &band;
        for (ReportView* view : band.views) {
            if ((view->Flags & flStretched) != 0) {
                try {
                    height = std::max(height, host_.MeasureView(*view) + view->Top);
                } catch (const std::exception&) {
                    Fail(*view, band);
                }
            }
        }
    }
    if (band.dataset != nullptr && IsDataKind(band.kind)) {
        for (Band* next = band.next; next != nullptr && next->dataset == nullptr;
             next = next->next) {
            height += BandHeight(page, *next);
        }
        currentBand_ = &band;
    }
    return height;
}

void PageFormer::DrawViews(RuntimePage& page, Band& band)
{
    currentBand_ = &band;
    for (ReportView* view : band.views) {
        DrawView(page, band, *view);
    }
}

void PageFormer::PlaceBand(RuntimePage& page, Band& band)
{
    if (!band.Present()) {
        return;
    }
    if (IsFixedKind(band.kind)) {
        DrawViews(page, band);
        return;
    }
    band.top = page.curY;
    int height = band.height;
    std::vector<std::pair<ReportView*, int>> stretchedViews;
    if (band.stretched) {
        int full = band.height;
        for (ReportView* view : band.views) {
            if ((view->Flags & flStretched) != 0) {
                full = std::max(full, host_.MeasureView(*view) + view->Top);
            }
        }
        if (full > band.height) {
            for (ReportView* view : band.views) {
                const bool stretches = dynamic_cast<MemoView*>(view) != nullptr ||
                                       dynamic_cast<LineView*>(view) != nullptr;
                if (stretches && (view->Flags & flStretched) != 0) {
                    stretchedViews.emplace_back(view, view->Height);
                    view->Height = full - view->Top;
                }
            }
            height = full;
        }
    }
    PageBreakTest(page, band, page.curY, height);
    band.top = page.curY;
    DrawViews(page, band);
    page.curY += height;
    for (const auto& [view, original] : stretchedViews) {
        view->Height = original;
    }
    if (band.dataset != nullptr && IsDataKind(band.kind)) {
        for (Band* next = band.next; next != nullptr && next->dataset == nullptr;
             next = next->next) {
            PlaceBand(page, *next);
        }
    }
}

bool PageFormer::PageBreakTest(RuntimePage& page, Band& band, int y, int height)
{
    const Band& columnFooter = page.Of(bkColumnFooter);
    const int footer = columnFooter.Present() ? columnFooter.height : 0;
    if (y + footer + height > page.bottomLimit) {
        NewColumn(page, band);
        return true;
    }
    return false;
}

void PageFormer::NewColumn(RuntimePage& page, Band& band)
{
    if (page.curColumn < page.columnCount - 1) {
        DrawBand(page, page.Of(bkColumnFooter));
        ++page.curColumn;
        ++page.columnPosition;
        page.xAdjust += page.columnWidth + page.source->ColumnGap;
        page.curY = page.columnHeaderY;
        DrawBand(page, page.Of(bkColumnHeader));
    } else {
        NewPage(page);
    }
    if (band.kind == bkGroupHeader || IsDataKind(band.kind)) {
        ForChain(&page.Of(bkGroupHeader), [&](Band& header) {
            if (&header != &band && header.marker != nullptr &&
                (header.flags & flBandRepeatHeader) != 0 && header.top < band.top) {
                DrawBand(page, header);
            }
        });
    }
    if (IsDataKind(band.kind) && band.header != nullptr &&
        (band.header->flags & flBandRepeatHeader) != 0) {
        DrawBand(page, *band.header);
    }
    currentBand_ = &band;
}

void PageFormer::NewPage(RuntimePage& page)
{
    host_.Progress(pageNumber_ + 1);
    DrawBand(page, page.Of(bkColumnFooter));
    DrawPageFooters(page);
    page.bottomLimit = BottomLimit(page);
    AddPreparedPage(page);
    append_ = false;
    DrawBand(page, page.Of(bkOverlay));
    page.curY = page.source->TopMargin();
    page.curColumn = 0;
    page.columnPosition = 1;
    page.xAdjust = page.source->LeftMargin();
    DrawBand(page, page.Of(bkPageHeader));
    DrawBand(page, page.Of(bkColumnHeader));
}

void PageFormer::DrawPageFooters(RuntimePage& page)
{
    page.curColumn = 0;
    page.xAdjust = page.source->LeftMargin();
    Band& footer = page.Of(bkPageFooter);
    if (pageNumber_ != 0 || (footer.flags & flBandOnFirstPage) != 0) {
        for (; pageNumber_ < prepared_.Count(); ++pageNumber_) {
            DrawBand(page, footer);
        }
    }
    pageNumber_ = prepared_.Count();
}

void PageFormer::DrawView(RuntimePage& page, Band& band, ReportView& view)
{
    if (!drawing_ || report_.ErrorFlag) {
        return;
    }
    const int left = view.Left;
    const int top = view.Top;
    view.Left += page.xAdjust - page.source->LeftMargin();
    view.Top += band.top;
    try {
        host_.OutputView(view);
    } catch (const std::exception&) {
        Fail(view, band);
    }
    view.Left = left;
    view.Top = top;
}

void PageFormer::Fail(ReportView& view, const Band& band)
{
    std::string text = "An error occured during calculating";
    for (const std::string& line : view.Memo) {
        text += "\n" + line;
    }
    text += "\nReport: " + report_.Name;
    text += "\nBand: " + BandKindName(band.kind);
    report_.ErrorFlag = true;
    report_.ErrorText = std::move(text);
    report_.Terminated = true;
}

} // namespace marlune::report
