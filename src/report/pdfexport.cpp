#include "report/pdfexport.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "report/preparedpages.h"
#include "report/units.h"

#include <QBuffer>
#include <QByteArray>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <string_view>

namespace marlune::report {

namespace {

// Dots per inch of the PDF's drawing: fine enough that the report's own
// rounding to device pixels never shows.
constexpr int kPdfDpi = 600;

// The sheet: the paper's sides as the printer layer gives them (already in
// the page's orientation), stated as the portrait paper turned as the page
// says.
QPageLayout SheetOf(const PreparedPage& page)
{
    const bool landscape = page.orientation == 1;
    const double width = (landscape ? page.paperHeight : page.paperWidth) / 10.0;
    const double height = (landscape ? page.paperWidth : page.paperHeight) / 10.0;
    return QPageLayout(
        QPageSize(QSizeF(width, height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
        landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

QByteArray DrawPdf(PreparedPages& pages, const std::string& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfDpi);
    writer.setCreator(QStringLiteral("Marlune"));
    writer.setTitle(QStringLiteral("Report: Marlune"));
    writer.setPageLayout(SheetOf(pages[0]));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw Error("Cannot create file " + path + ": the PDF could not be started");
    }
    for (int i = 0; i < pages.Count(); ++i) {
        if (i > 0) {
            writer.setPageLayout(SheetOf(pages[i]));
            writer.newPage();
        }
        const bool wasLoaded = pages[i].viewsLoaded;
        DrawPreparedPage(painter, pages, i, kPdfDpi / kUnitsPerInchX, kPdfDpi / kUnitsPerInchY, 0,
                         0, true);
        if (!wasLoaded) {
            pages.Release(i);
        }
    }
    painter.end();
    return bytes;
}

} // namespace

void WritePreparedPagesPdf(PreparedPages& pages, const std::string& path)
{
    if (pages.Empty()) {
        throw Error("There are no pages to write to " + path);
    }
    const QByteArray bytes = DrawPdf(pages, path);
    platform::SaveFileReplacing(
        path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace marlune::report
