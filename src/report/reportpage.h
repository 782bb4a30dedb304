#pragma once

#include "report/printgeometry.h"
#include "report/reportview.h"

#include <array>
#include <memory>
#include <vector>

// One page of a report template: its paper, margins, columns, the print
// geometry the printer layer gave it, and its views in z-order.
namespace marlune::report {

class ReportPrinter;

class ReportPage {
public:
    // Selects the paper through the printer layer at once.
    ReportPage(ReportPrinter& printer, int paperCode, int paperWidth, int paperHeight,
               int orientation);
    ReportPage(const ReportPage&) = delete;
    ReportPage& operator=(const ReportPage&) = delete;

    // Asks the printer layer for the paper (again with the custom code and
    // the same sizes if the standard code fails) and takes back what it
    // reports and the geometry it computes.
    void ChangePaper(int paperCode, int paperWidth, int paperHeight, int orientation);

    // The margins in force, in report units. `footerHeight` is what the page
    // footer takes off the bottom while a report is built.
    int LeftMargin() const;
    int TopMargin() const;
    int RightMargin() const;
    int BottomMargin(int footerHeight = 0) const;
    int ColumnWidth() const;

    int PaperCode = 0;
    int PaperWidth = 0;
    int PaperHeight = 0;
    // Left, top, right, bottom; 0 takes the printer's value.
    std::array<int, 4> Margins{};
    int Orientation = 0;
    bool PrintToPrevPage = false;
    bool UseMargins = true;
    int ColumnCount = 1;
    int ColumnGap = 0;
    PrintGeometry Geometry;
    std::vector<std::unique_ptr<ReportView>> Objects;

private:
    ReportPrinter& printer_;
};

} // namespace marlune::report
