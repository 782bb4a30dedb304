// Template page to runtime page: the views copied, sorted into bands by
// position, the bands of each kind chained top to bottom and the data bands
// linked to their headers and footers.
#include "report/runtimepage.h"

#include "report/bandview.h"
#include "report/report.h"
#include "report/reportpage.h"
#include "report/units.h"

#include <algorithm>
#include <cstdlib>

namespace marlune::report {

namespace {

void LoadBand(Band& band, ReportView& marker, const Report& report)
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
        band.dataset = report.FindDataset(source);
    }
    if (band.dataset == nullptr && band.kind == bkMasterData &&
        report.Type == ReportType::rtSimple) {
        band.dataset = report.Dataset;
    }
}

void LinkHeadersAndFooters(RuntimePage& page)
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

} // namespace

std::unique_ptr<RuntimePage> MakeRuntimePage(ReportPage& source, const Report& report)
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
            LoadBand(*band, *marker, report);
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

} // namespace marlune::report
