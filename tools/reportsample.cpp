#include "reportsample.h"

#include "report/bandview.h"
#include "report/kinds.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/papertable.h"
#include "report/pictureview.h"
#include "report/shapeview.h"

#include <QImage>
#include <QPainter>

namespace marlune::tools {

namespace {

using namespace marlune::report;

template <class View> View& Add(ReportPage& page, int left, int top, int width, int height)
{
    page.Objects.push_back(std::make_unique<View>());
    auto& view = static_cast<View&>(*page.Objects.back());
    view.Name = view.BaseName() + std::to_string(page.Objects.size());
    view.Left = left;
    view.Top = top;
    view.Width = width;
    view.Height = height;
    return view;
}

std::string SampleBitmap()
{
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, 16, 16, QColor(0, 90, 160));
    painter.fillRect(16, 0, 16, 16, QColor(230, 160, 0));
    painter.end();
    return EncodeBitmap(image);
}

} // namespace

void FillSampleReport(Report& report)
{
    ReportPage& page = report.AddPage(kPaperA4, 2100, 2970, 0);
    const int left = page.LeftMargin();
    const int width = page.RightMargin() - left;

    auto& title = Add<BandView>(page, 0, left, 0, 40);
    title.FrameTyp = bkReportTitle;
    auto& heading = Add<MemoView>(page, left, left + 4, width, 32);
    heading.Memo = {"Australian Post Codes"};
    heading.Font.Size = 16;
    heading.Font.Style = fsBold;
    heading.Adjust = adCenter | adVertCenter;
    heading.FrameTyp = frBottom;
    heading.FrameWidth = 2;

    const char* alignNames[] = {"Left aligned", "Right aligned", "Centred", "Justified"};
    const std::string body =
        "Marlune finds Australian postcodes and suburbs offline and prints its list "
        "as a banded report. This paragraph wraps inside its box.";
    for (int i = 0; i < 4; ++i) {
        auto& memo = Add<MemoView>(page, left + i * (width / 4), 80, width / 4 - 6, 120);
        memo.Memo = {std::string(alignNames[i]) + ": " + body};
        memo.Adjust = i;
        memo.FrameTyp = frAll;
        memo.FrameStyle = static_cast<std::uint16_t>(i + 1);
        memo.FillColor = platform::paint::RGB(250, 248, 235);
    }
    auto& doubleFrame = Add<MemoView>(page, left, 220, width / 2 - 6, 60);
    doubleFrame.Memo = {"A double frame, centred vertically"};
    doubleFrame.Adjust = adCenter | adVertCenter;
    doubleFrame.FrameTyp = frAll;
    doubleFrame.FrameStyle = fsDouble;
    doubleFrame.FrameWidth = 1;
    doubleFrame.FillColor = platform::paint::clWhite;
    auto& rotated = Add<MemoView>(page, left + width / 2, 220, 40, 140);
    rotated.Memo = {"Rotated text"};
    rotated.Adjust = adRotated;
    rotated.FrameTyp = frAll;

    auto& data = Add<BandView>(page, 0, 300, 0, 20);
    data.FrameTyp = bkMasterData;
    data.FormatText = "TableDataset1";
    auto& field = Add<MemoView>(page, left, 300, 60, 20);
    field.Memo = {"[Pcode]"};
    field.FrameTyp = frAll;
    auto& line = Add<LineView>(page, left, 330, width, 0);
    line.FrameWidth = 1.5F;
    line.FrameColor = platform::paint::clNavy;

    const ShapeKind shapes[] = {skRectangle, skRoundRectangle, skEllipse, skTriangle};
    for (int i = 0; i < 4; ++i) {
        auto& shape = Add<ShapeView>(page, left + i * 90, 380, 80, 60);
        shape.Shape = shapes[i];
        shape.FrameWidth = 2;
        shape.FrameColor = platform::paint::clMaroon;
        shape.FillColor = platform::paint::RGB(200, 220, 255);
    }
    auto& picture = Add<PictureView>(page, left + 380, 380, 120, 60);
    picture.SetPicture(pkBitmap, SampleBitmap());
    picture.Flags = flPictureStretch | flPictureRatio | flPictureCenter;
    picture.FrameTyp = frAll;

    auto& footer = Add<BandView>(page, 0, 1000, 0, 20);
    footer.FrameTyp = bkPageFooter;
    auto& pageNumber = Add<MemoView>(page, left, 1000, width, 20);
    pageNumber.Memo = {"Page [PAGE#] of [TOTALPAGES]"};
    pageNumber.Adjust = adRight;

    report.Values = {{1, 0, "TableDataset1", "Pcode", "Pcode"}};
    report.Variables = {"Title=Australian Post Codes"};
    report.DoublePass = true;
}

} // namespace marlune::tools
