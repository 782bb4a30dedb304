// The page-level half of a build: runtime bands from a template page, and
// output pages formed band by band.
#include "report/bandview.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/report.h"
#include "report/reportbuilder.h"
#include "report/reportpage.h"
#include "report/units.h"

#include <algorithm>

namespace marlune::report {

namespace {

// Header, data and footer kinds of the three data levels.
constexpr int HeaderOf(int level)
{
    return bkMasterHeader + 3 * (level - 1);
}
constexpr int DataOf(int level)
{
    return bkMasterData + 3 * (level - 1);
}
constexpr int FooterOf(int level)
{
    return bkMasterFooter + 3 * (level - 1);
}

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

// The bands of one kind in chain order.
template <class F> void ForChain(Band* band, F&& f)
{
    for (; band != nullptr; band = band->next) {
        f(*band);
    }
}

} // namespace

// ---- preparing a page

void ReportBuilder::LoadBand(Band& band, ReportView& marker)
{
    band.marker = &marker;
    band.flags = marker.Flags;
    band.visible = marker.Visible;
    band.left = marker.Left;
    band.top = marker.Top;
    band.width = marker.Width;
    band.height = marker.Height;
    band.stretched = (marker.Flags & flStretched) != 0;
    band.newPageAfter = (marker.Flags & flBandNewPageAfter) != 0;
    band.printIfSubsetEmpty = (marker.Flags & flBandPrintIfSubsetEmpty) != 0;
    band.breaked = (marker.Flags & flBandBreaked) != 0;
    const std::string& source = marker.FormatText;
    if (band.kind == bkGroupHeader) {
        band.groupCondition = source;
    } else if (!source.empty() && source[0] >= '1' && source[0] <= '9') {
        band.ownDataset = std::make_unique<VirtualDataset>(source, std::atoi(source.c_str()));
        band.dataset = band.ownDataset.get();
    } else if (!source.empty()) {
        band.dataset = report_.FindDataset(source);
    }
    if (band.dataset == nullptr && band.kind == bkMasterData &&
        report_.Type == ReportType::rtSimple) {
        band.dataset = report_.Dataset;
    }
}

std::unique_ptr<RuntimePage> ReportBuilder::PreparePage(ReportPage& source)
{
    auto page = std::make_unique<RuntimePage>();
    page->source = &source;
    for (int kind = 0; kind < kBandKindCount; ++kind) {
        auto band = std::make_unique<Band>();
        band->kind = kind;
        page->first[static_cast<std::size_t>(kind)] = band.get();
        page->bands.push_back(std::move(band));
    }
    std::vector<bool> placed;
    for (const auto& view : source.Objects) {
        page->views.push_back(view->Clone());
        ReportView& copy = *page->views.back();
        if ((copy.Flags & flWantHook) != 0) {
            hooks_.push_back(&copy);
        }
        placed.push_back(dynamic_cast<BandView*>(&copy) != nullptr);
    }
    const auto takeViews = [&](Band& band, bool subReports) {
        for (std::size_t i = 0; i < page->views.size(); ++i) {
            ReportView& view = *page->views[i];
            const bool sub = dynamic_cast<SubReportView*>(&view) != nullptr;
            if (placed[i] || sub != subReports || view.Top < band.top ||
                view.Top > band.top + band.height) {
                continue;
            }
            view.Top -= band.top;
            band.views.push_back(&view);
            placed[i] = true;
        }
    };
    for (int kind = 0; kind < bkCrossHeader; ++kind) {
        std::vector<Band*> chain;
        for (const auto& view : page->views) {
            auto* marker = dynamic_cast<BandView*>(view.get());
            if (marker == nullptr || marker->BandKind() != kind) {
                continue;
            }
            Band* band = &page->Of(kind);
            if (!chain.empty()) {
                auto extra = std::make_unique<Band>();
                extra->kind = kind;
                band = extra.get();
                page->bands.push_back(std::move(extra));
            }
            LoadBand(*band, *marker);
            takeViews(*band, false);
            takeViews(*band, true);
            chain.push_back(band);
        }
        std::stable_sort(chain.begin(), chain.end(),
                         [](const Band* a, const Band* b) { return a->top < b->top; });
        for (std::size_t i = 0; i < chain.size(); ++i) {
            chain[i]->prev = i > 0 ? chain[i - 1] : nullptr;
            chain[i]->next = i + 1 < chain.size() ? chain[i + 1] : nullptr;
        }
        if (!chain.empty()) {
            page->first[static_cast<std::size_t>(kind)] = chain.front();
        }
    }
    Band& none = page->Of(bkNone);
    for (std::size_t i = 0; i < page->views.size(); ++i) {
        if (!placed[i]) {
            none.views.push_back(page->views[i].get());
        }
    }
    LinkHeadersAndFooters(*page);
    page->columnCount = std::max(source.ColumnCount, 1);
    page->columnWidth = Div(source.RightMargin() - source.LeftMargin(), page->columnCount);
    page->curPosition = 1;
    page->columnPosition = 1;
    return page;
}

void ReportBuilder::LinkHeadersAndFooters(RuntimePage& page)
{
    for (int level = 1; level <= 3; ++level) {
        ForChain(&page.Of(HeaderOf(level)), [&](Band& header) {
            if (header.marker == nullptr) {
                return;
            }
            for (Band* data = &page.Of(DataOf(level)); data != nullptr; data = data->next) {
                if (data->marker != nullptr && data->top >= header.top + header.height) {
                    if (data->header == nullptr) {
                        data->header = &header;
                    }
                    break;
                }
            }
        });
        ForChain(&page.Of(FooterOf(level)), [&](Band& footer) {
            if (footer.marker == nullptr) {
                return;
            }
            Band* last = nullptr;
            ForChain(&page.Of(DataOf(level)), [&](Band& data) {
                if (data.marker != nullptr && data.top + data.height <= footer.top) {
                    last = &data;
                }
            });
            if (last != nullptr && last->footer == nullptr) {
                last->footer = &footer;
            }
        });
    }
    std::vector<Band*> headers;
    ForChain(&page.Of(bkGroupHeader), [&](Band& band) {
        if (band.marker != nullptr) {
            headers.push_back(&band);
        }
    });
    auto header = headers.rbegin();
    ForChain(&page.Of(bkGroupFooter), [&](Band& footer) {
        if (footer.marker != nullptr && header != headers.rend()) {
            (*header++)->footer = &footer;
        }
    });
}

// ---- forming pages

int ReportBuilder::BottomLimit(RuntimePage& page)
{
    const Band& footer = page.Of(bkPageFooter);
    return page.source->BottomMargin(footer.Present() ? footer.height : 0);
}

void ReportBuilder::AddPreparedPage(RuntimePage& page)
{
    report_.Prepared.Add(*page.source);
}

void ReportBuilder::FormPage(RuntimePage& page)
{
    currentPage_ = &page;
    if (append_ && appendY_ == page.bottomLimit) {
        append_ = false;
        pageNumber_ = report_.Prepared.Count();
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
    const int pagesBefore = report_.Prepared.Count();
    DrawBand(page, page.Of(bkReportTitle));
    if (report_.Prepared.Count() == pagesBefore) {
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

void ReportBuilder::DataLoop(RuntimePage& page, int level)
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
                    header.lastGroupValue = expressions_.Evaluate(header.groupCondition);
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
            ProcessEvents();
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

bool ReportBuilder::GroupChange(RuntimePage& page, Band& dataBand)
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
        if (expressions_.Evaluate(headers[i]->groupCondition) != headers[i]->lastGroupValue) {
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
        headers[i]->lastGroupValue = expressions_.Evaluate(headers[i]->groupCondition);
        DrawBand(page, *headers[i]);
        ++headers[i]->positionLocal;
    }
    if (dataBand.header != nullptr) {
        DrawBand(page, *dataBand.header);
    }
    return true;
}

void ReportBuilder::DrawStack(RuntimePage& page)
{
    std::vector<Band*> stacked;
    stacked.swap(stack_);
    for (Band* band : stacked) {
        if (band->Present()) {
            DrawBand(page, *band);
        }
    }
}

bool ReportBuilder::DrawBand(RuntimePage& page, Band& band)
{
    currentBand_ = &band;
    band.forceNewPage = false;
    band.forceNewColumn = false;
    if (band.marker != nullptr && !band.marker->Script.empty()) {
        try {
            RunScript(*band.marker);
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

int ReportBuilder::MeasureView(ReportView& view)
{
    auto* stretchable = dynamic_cast<StretchableView*>(&view);
    if (stretchable == nullptr) {
        return 0;
    }
    auto* memo = dynamic_cast<MemoView*>(&view);
    if (memo == nullptr) {
        return stretchable->MeasureHeight();
    }
    Lines text = ExpandMemo(*memo);
    memo->Memo.swap(text);
    const int height = memo->MeasureHeight();
    memo->Memo.swap(text);
    return height;
}

int ReportBuilder::BandHeight(RuntimePage& page, Band& band)
{
    int height = band.height;
    if (band.stretched) {
        currentBand_ = &band;
        for (ReportView* view : band.views) {
            if ((view->Flags & flStretched) != 0) {
                try {
                    height = std::max(height, MeasureView(*view) + view->Top);
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

void ReportBuilder::DrawViews(RuntimePage& page, Band& band)
{
    currentBand_ = &band;
    for (ReportView* view : band.views) {
        DrawView(page, band, *view);
    }
}

void ReportBuilder::PlaceBand(RuntimePage& page, Band& band)
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
                full = std::max(full, MeasureView(*view) + view->Top);
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

bool ReportBuilder::PageBreakTest(RuntimePage& page, Band& band, int y, int height)
{
    const Band& columnFooter = page.Of(bkColumnFooter);
    const int footer = columnFooter.Present() ? columnFooter.height : 0;
    if (y + footer + height > page.bottomLimit) {
        NewColumn(page, band);
        return true;
    }
    return false;
}

void ReportBuilder::NewColumn(RuntimePage& page, Band& band)
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

void ReportBuilder::NewPage(RuntimePage& page)
{
    Progress(pageNumber_ + 1);
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

void ReportBuilder::DrawPageFooters(RuntimePage& page)
{
    page.curColumn = 0;
    page.xAdjust = page.source->LeftMargin();
    Band& footer = page.Of(bkPageFooter);
    if (pageNumber_ != 0 || (footer.flags & flBandOnFirstPage) != 0) {
        for (; pageNumber_ < report_.Prepared.Count(); ++pageNumber_) {
            DrawBand(page, footer);
        }
    }
    pageNumber_ = report_.Prepared.Count();
}

} // namespace marlune::report
