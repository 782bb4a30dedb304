#include "postcodelist/postcodelist.h"

#include "platform/stream.h"
#include "report/bandview.h"
#include "report/kinds.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/papertable.h"
#include "report/pictureview.h"
#include "report/shapeview.h"

#include <QFile>
#include <QImage>
#include <QPainter>

// Resources of a static library are registered by hand, outside any namespace.
static void InitPostcodeListResources()
{
    Q_INIT_RESOURCE(postcodelist);
}

namespace marlune::postcodelist {

// The list is written in the report engine's own terms: bands, views, frames.
using namespace marlune::report;

namespace {

using platform::paint::clNone;
using platform::paint::clWhite;

constexpr int kPageWidth = 752; // A4 across, in report units
constexpr std::uint16_t kBandFlags = flBandOnFirstPage | flBandOnLastPage;
// Text, with "." and 2 decimals (which text ignores).
constexpr std::int32_t kTextFormat = 0x22E;
// Date format 2, "d mmm yyyy".
constexpr std::int32_t kDateFormat = 0x0202022E;
constexpr const char* kResourcePath = ":/marlune/report/report1.frm";

struct BandSpec {
    const char* name;
    BandKind kind;
    int top;
    int height;
    const char* dataset;
};

// In the order the template stores them.
constexpr BandSpec kBands[] = {
    {"ReportTitle1", bkReportTitle, 8, 56, ""},
    {"MasterData1", bkMasterData, 148, 18, "TableDataset1"},
    {"PageFooter1", bkPageFooter, 196, 28, ""},
    {"PageHeader1", bkPageHeader, 96, 28, ""},
};

enum class Kind { Shape, Memo, Line, Picture };

struct ViewSpec {
    Kind kind;
    const char* name;
    int left;
    int top;
    int width;
    int height;
    std::uint16_t flags;
    std::uint16_t frameTyp;
    float frameWidth;
    TColor fill;
    std::int32_t format;
    int fontSize; // memos
    int adjust;   // memos
    const char* text;
};

// In stream (z-) order; positions relative to the page.
const ViewSpec kViews[] = {
    {Kind::Shape, "Shape1", 12, 96, 728, 26, 1, 0, 1, clWhite, kTextFormat, 0, 0, ""},
    {Kind::Memo, "Memo1", 560, 204, 176, 18, 3, 0, 1, clNone, kTextFormat, 10, adLeft,
     "[PAGE#] of [TOTALPAGES]"},
    {Kind::Memo, "Memo2", 60, 12, 204, 34, 3, 0, 1, clNone, kTextFormat, 20, adLeft, "Marlune"},
    {Kind::Memo, "Memo3", 268, 12, 268, 24, 3, 0, 1, clNone, kTextFormat, 12, adCenter,
     "Australian Post Code list"},
    {Kind::Memo, "Memo5", 20, 148, 68, 17, 3, 0, 1, clWhite, kTextFormat, 10, adLeft, "[PCode]"},
    {Kind::Memo, "Memo6", 20, 100, 68, 18, 3, 0, 1, clNone, kTextFormat, 10, adLeft, "Post Code"},
    {Kind::Memo, "Memo7", 92, 100, 344, 18, 3, 0, 1, clNone, kTextFormat, 10, adLeft, "Suburb"},
    {Kind::Memo, "Memo8", 440, 100, 48, 18, 3, 0, 1, clNone, kTextFormat, 10, adLeft, "State"},
    {Kind::Memo, "Memo9", 492, 100, 240, 18, 3, 0, 1, clNone, kTextFormat, 10, adLeft, "Comments"},
    {Kind::Memo, "Memo11", 92, 148, 344, 17, 3, 0, 1, clWhite, kTextFormat, 10, adLeft,
     "[Locality]"},
    {Kind::Memo, "Memo12", 440, 148, 48, 17, 3, 0, 1, clWhite, kTextFormat, 10, adLeft, "[State]"},
    {Kind::Memo, "Memo13", 492, 148, 240, 17, 3, 0, 1, clWhite, kTextFormat, 10, adLeft,
     "[Comments]"},
    {Kind::Line, "Line1", 12, 52, 724, 0, 1, frTop, 2, clNone, kTextFormat, 0, 0, ""},
    {Kind::Memo, "Memo4", 544, 28, 188, 18, 3, 0, 1, clWhite, kDateFormat, 10, adRight,
     "Printed: [DATE]"},
    {Kind::Picture, "Picture1", 24, 12, 36, 34, 5, 0, 1, clWhite, kTextFormat, 0, 0, ""},
    {Kind::Memo, "Memo10", 268, 36, 268, 14, 3, 0, 1, clWhite, kTextFormat, 7, adCenter,
     "Copyright (c) 2026 Calderix Software. All rights reserved."},
};

// The product logo: the program's red pillar box on white, 48 x 48 pixels,
// drawn without antialiasing so that every machine draws the same pixels,
// and kept as a 24-bit bitmap file.
std::string ProductLogo()
{
    QImage image(48, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    const QColor red(0xC8, 0x16, 0x1D);
    const QColor darkRed(0x9C, 0x0F, 0x15);
    const QColor lightRed(0xE8, 0x45, 0x3C);
    // Plinth.
    painter.fillRect(11, 40, 26, 6, QColor(0x3A, 0x10, 0x10));
    // Body, lit from the left, shaded on the right.
    painter.fillRect(13, 12, 22, 29, red);
    painter.fillRect(15, 14, 2, 26, lightRed);
    painter.fillRect(30, 14, 4, 26, darkRed);
    // Cap: a dome on a rim, with a highlight.
    painter.setBrush(QColor(0xD4, 0x1F, 0x26));
    painter.drawChord(QRect(12, 2, 24, 18), 0, 180 * 16);
    painter.fillRect(11, 10, 26, 4, darkRed);
    painter.setBrush(QColor(0xF0, 0x6A, 0x5F));
    painter.drawEllipse(QRect(17, 4, 6, 3));
    // Letter slot and the collection plate with its lines of text.
    painter.fillRect(17, 17, 14, 3, QColor(0x1C, 0x1C, 0x1C));
    painter.fillRect(18, 23, 12, 9, QColor(0xF4, 0xF0, 0xE0));
    painter.fillRect(20, 25, 8, 1, red);
    painter.fillRect(20, 27, 6, 1, red);
    painter.fillRect(20, 29, 7, 1, red);
    painter.end();
    return EncodeBitmap(image);
}

void AddBand(report::ReportPage& page, const BandSpec& spec)
{
    auto band = std::make_unique<report::BandView>();
    band->Name = spec.name;
    band->Left = 0;
    band->Top = spec.top;
    band->Width = kPageWidth;
    band->Height = spec.height;
    band->Flags = kBandFlags;
    band->FrameTyp = static_cast<std::uint16_t>(spec.kind);
    band->FillColor = clNone;
    band->FormatCode = kTextFormat;
    band->FormatText = spec.dataset;
    page.Objects.push_back(std::move(band));
}

std::unique_ptr<report::ReportView> MakeView(const ViewSpec& spec)
{
    switch (spec.kind) {
    case Kind::Shape: {
        auto shape = std::make_unique<report::ShapeView>();
        shape->Shape = skRectangle;
        return shape;
    }
    case Kind::Line:
        return std::make_unique<report::LineView>();
    case Kind::Picture: {
        auto picture = std::make_unique<report::PictureView>();
        picture->SetPicture(pkBitmap, ProductLogo());
        return picture;
    }
    case Kind::Memo:
        break;
    }
    auto memo = std::make_unique<report::MemoView>();
    memo->Font = MemoFont{"Arial", spec.fontSize, 0, platform::paint::clBlack, 0};
    memo->Adjust = spec.adjust;
    memo->Highlight = MemoHighlight{};
    memo->Memo = {spec.text};
    return memo;
}

void AddView(report::ReportPage& page, const ViewSpec& spec)
{
    std::unique_ptr<report::ReportView> view = MakeView(spec);
    view->Name = spec.name;
    view->Left = spec.left;
    view->Top = spec.top;
    view->Width = spec.width;
    view->Height = spec.height;
    view->Flags = spec.flags;
    view->FrameTyp = spec.frameTyp;
    view->FrameWidth = spec.frameWidth;
    view->FrameColor = platform::paint::clBlack;
    view->FrameStyle = fsSolid;
    view->FillColor = spec.fill;
    view->FormatCode = spec.format;
    page.Objects.push_back(std::move(view));
}

} // namespace

void FillPostcodeListTemplate(report::Report& report)
{
    report::ReportPage& page = report.AddPage(kPaperA4, 2100, 2970, 0);
    page.Margins = {0, 0, 0, 0};
    page.UseMargins = true;
    page.PrintToPrevPage = false;
    page.ColumnCount = 1;
    page.ColumnGap = 0;
    for (const BandSpec& band : kBands) {
        AddBand(page, band);
    }
    for (const ViewSpec& view : kViews) {
        AddView(page, view);
    }
    report.PrintToDefault = true;
    report.DoublePass = true;
}

std::string PostcodeListReportForm()
{
    report::ReportPrinter builtIn; // no device attached: the built-in printer
    report::Report report(builtIn);
    FillPostcodeListTemplate(report);
    return report.WriteReportForm();
}

std::string StoredPostcodeListReportForm()
{
    InitPostcodeListResources();
    QFile file(QString::fromLatin1(kResourcePath));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll().toStdString();
}

void LoadPostcodeListTemplate(report::Report& report)
{
    platform::MemoryStream stream(StoredPostcodeListReportForm());
    report.ReadReportForm(stream);
}

} // namespace marlune::postcodelist
