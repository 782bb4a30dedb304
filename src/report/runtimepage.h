#pragma once

#include "report/expr/value.h"
#include "report/kinds.h"
#include "report/reportdataset.h"
#include "report/reportview.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A template page as a build uses it: copies of its views, sorted into
// bands chained by kind, with data bands linked to their headers and
// footers, and where output stands on the page being formed.
namespace marlune::report {

class Report;
class ReportPage;

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
    std::optional<expr::Value> lastGroupValue;
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

// The bands of one kind in chain order.
template <class F> void ForChain(Band* band, F&& f)
{
    for (; band != nullptr; band = band->next) {
        f(*band);
    }
}

// The runtime page of `source`; band datasets are looked up in `report`.
std::unique_ptr<RuntimePage> MakeRuntimePage(ReportPage& source, const Report& report);

} // namespace marlune::report
