#include "report/reportpage.h"

#include "report/reportprinter.h"
#include "report/units.h"

namespace marlune::report {

ReportPage::ReportPage(ReportPrinter& printer, int paperCode, int paperWidth, int paperHeight,
                       int orientation)
    : printer_(printer)
{
    ChangePaper(paperCode, paperWidth, paperHeight, orientation);
}

void ReportPage::ChangePaper(int paperCode, int paperWidth, int paperHeight, int orientation)
{
    printer_.SelectPaperOrCustom(paperCode, paperWidth, paperHeight, orientation);
    PaperCode = printer_.PaperCode();
    PaperWidth = printer_.PaperWidth();
    PaperHeight = printer_.PaperHeight();
    Orientation = printer_.Orientation();
    printer_.FillGeometry(Geometry);
}

int ReportPage::LeftMargin() const
{
    if (!UseMargins) {
        return 0;
    }
    return Margins[0] != 0 ? Margins[0] : Geometry.offsetX;
}

int ReportPage::TopMargin() const
{
    if (!UseMargins) {
        return 0;
    }
    return Margins[1] != 0 ? Margins[1] : Geometry.offsetY;
}

int ReportPage::RightMargin() const
{
    if (!UseMargins) {
        return Geometry.paperWidth;
    }
    return Margins[2] != 0 ? Geometry.paperWidth - Margins[2]
                           : Geometry.offsetX + Geometry.printableWidth;
}

int ReportPage::BottomMargin(int footerHeight) const
{
    if (!UseMargins) {
        return Geometry.paperHeight - footerHeight;
    }
    const int bottom = Margins[3] != 0 ? Geometry.paperHeight - Margins[3]
                                       : Geometry.offsetY + Geometry.printableHeight;
    return bottom - footerHeight;
}

int ReportPage::ColumnWidth() const
{
    return Div(RightMargin() - LeftMargin(), ColumnCount != 0 ? ColumnCount : 1);
}

} // namespace marlune::report
