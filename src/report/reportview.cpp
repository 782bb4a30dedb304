#include "report/reportview.h"

#include "report/streamio.h"
#include "report/units.h"
#include "report/viewrecord.h"

#include <QLocale>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace marlune::report {

namespace {

std::atomic<int> nextViewId{0};

// The platform's pen dash patterns, in pixels of a one-pixel pen.
QList<qreal> DashPattern(unsigned style)
{
    switch (style) {
    case fsDash:
        return {18, 6};
    case fsDot:
        return {3, 3};
    case fsDashDot:
        return {9, 6, 3, 6};
    case fsDashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

QColor ToQColor(TColor color)
{
    return platform::paint::ColorToQColor(color);
}

// Device coordinates stay far inside int whatever a file stores: a view
// placed or sized past any paper is drawn clipped where the device ends.
constexpr double kMaxDeviceCoordinate = 1 << 28;

int DeviceRound(double x)
{
    return Round(std::clamp(x, -kMaxDeviceCoordinate, kMaxDeviceCoordinate));
}

// A frame wider than the largest paper (ten metres, in report units)
// covers any page already.
constexpr double kMaxFrameWidth = 40000;

double PatternPeriod(const QList<qreal>& pattern)
{
    double period = 0;
    for (const qreal dash : pattern) {
        period += dash;
    }
    return period;
}

// The part of the device the painter draws on, in its own coordinates.
QRectF DeviceArea(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (device == nullptr) {
        return {};
    }
    return painter.transform().inverted().mapRect(QRectF(0, 0, device->width(), device->height()));
}

} // namespace

std::int32_t DefaultFormatCode()
{
    const QString separator = QLocale::system().decimalPoint();
    const int low = separator.isEmpty() ? '.' : (separator.at(0).unicode() & 0xFF);
    return low | (2 << 8);
}

ReportView::ReportView(int kind, std::string className)
    : Kind(kind), className_(std::move(className)), id_(++nextViewId)
{
}

void ReportView::Assign(const ReportView& source)
{
    Name = source.Name;
    Kind = source.Kind;
    Left = source.Left;
    Top = source.Top;
    Width = source.Width;
    Height = source.Height;
    Flags = source.Flags;
    FrameTyp = source.FrameTyp;
    FrameWidth = source.FrameWidth;
    FrameColor = source.FrameColor;
    FrameStyle = source.FrameStyle;
    FillColor = source.FillColor;
    FormatCode = source.FormatCode;
    FormatText = source.FormatText;
    Visible = source.Visible;
    Memo = source.Memo;
    Script = source.Script;
    WorkingText = source.WorkingText;
    ScaleX = source.ScaleX;
    ScaleY = source.ScaleY;
    OffsetX = source.OffsetX;
    OffsetY = source.OffsetY;
    IsPrinting = source.IsPrinting;
    DrawingDisabled = source.DrawingDisabled;
}

int ReportView::ScaledRight() const
{
    return DeviceRound((static_cast<double>(saved_.left) + saved_.width) * ScaleX + OffsetX);
}

int ReportView::ScaledBottom() const
{
    return DeviceRound((static_cast<double>(saved_.top) + saved_.height) * ScaleY + OffsetY);
}

void ReportView::ComputeDrawRect()
{
    saved_ = {Left, Top, Width, Height, FrameWidth};
    geometrySaved_ = true;
    Left = DeviceRound(saved_.left * ScaleX) + OffsetX;
    Top = DeviceRound(saved_.top * ScaleY) + OffsetY;
    Width = DeviceRound(saved_.width * ScaleX);
    Height = DeviceRound(saved_.height * ScaleY);
    const double frameWidth = std::min<double>(saved_.frameWidth, kMaxFrameWidth);
    const int w1x = Round((frameWidth * ScaleX - 1) / 2);
    const int w2x = Round(frameWidth * ScaleX / 2);
    const int w1y = Round((frameWidth * ScaleY - 1) / 2);
    const int w2y = Round(frameWidth * ScaleY / 2);
    FrameWidth = static_cast<float>(frameWidth * ScaleX);
    GapX = w2x + 2;
    GapY = Div(w2y, 2) + 1;
    int right = ScaledRight();
    int bottom = ScaledBottom();
    if ((FrameTyp & frRight) != 0) {
        right -= w2x;
    }
    if ((FrameTyp & frBottom) != 0) {
        bottom -= w2y;
    }
    if ((FrameTyp & frLeft) != 0) {
        Left += w1x;
    }
    if ((FrameTyp & frTop) != 0) {
        Top += w1y;
    }
    DrawRect = {Left, Top, right + 1, bottom + 1};
}

void ReportView::RestoreGeometry()
{
    if (!geometrySaved_) {
        return;
    }
    Left = saved_.left;
    Top = saved_.top;
    Width = saved_.width;
    Height = saved_.height;
    FrameWidth = saved_.frameWidth;
    geometrySaved_ = false;
}

void ReportView::FillBackground(QPainter& painter)
{
    if (DrawingDisabled || FillColor == platform::paint::clNone) {
        return;
    }
    const int right = ScaledRight();
    const int bottom = ScaledBottom();
    if (right <= Left || bottom <= Top) {
        return;
    }
    painter.fillRect(QRect(Left, Top, right - Left, bottom - Top), ToQColor(FillColor));
}

void ReportView::DrawFrame(QPainter& painter)
{
    if (DrawingDisabled || (FrameTyp & frAll) == 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const int penWidth = Round(FrameWidth);
    const QColor frameColor = ToQColor(FrameColor);
    // All four solid edges make the one rectangle the platform draws: each
    // edge reaches over the corners by the pen's half width.
    for (const unsigned edge : {frRight, frLeft, frBottom, frTop}) {
        if ((FrameTyp & edge) == 0) {
            continue;
        }
        if (FrameStyle == fsDouble) {
            const int shift = Round(FrameWidth);
            FillEdge(painter, edge, -shift, penWidth, frameColor);
            if (FillColor != platform::paint::clNone) {
                FillEdge(painter, edge, 0, penWidth, ToQColor(FillColor));
            }
            FillEdge(painter, edge, shift, penWidth, frameColor);
        } else if (FrameStyle != fsSolid) {
            // A styled pen is one pixel wide: the edge is drawn once per
            // pixel of the width, its gaps filled with the fill colour.
            QPen pen(frameColor, 1, Qt::SolidLine, Qt::FlatCap);
            pen.setDashPattern(DashPattern(FrameStyle));
            painter.setPen(pen);
            painter.setBackgroundMode(FillColor != platform::paint::clNone ? Qt::OpaqueMode
                                                                           : Qt::TransparentMode);
            if (FillColor != platform::paint::clNone) {
                painter.setBackground(ToQColor(FillColor));
            }
            // Only the lines that fall on the device are drawn: a stored
            // width may run far past the paper.
            const QRectF area = DeviceArea(painter);
            const bool across = edge == frRight || edge == frLeft;
            const long long base = across ? (edge == frRight ? DrawRect.right - 1 : DrawRect.left)
                                          : (edge == frBottom ? DrawRect.bottom - 1 : DrawRect.top);
            const long long low = std::llround(across ? area.left() : area.top()) - 1;
            const long long high = std::llround(across ? area.right() : area.bottom()) + 1;
            const long long count = penWidth > 0 ? penWidth : 1;
            const long long first = area.isEmpty() ? 0 : std::max(0LL, low - base + penWidth / 2);
            const long long last =
                area.isEmpty() ? count - 1 : std::min(count - 1, high - base + penWidth / 2);
            for (long long i = first; i <= last; ++i) {
                DrawStyledEdge(painter, edge, static_cast<int>(i - penWidth / 2), area);
            }
        } else {
            FillEdge(painter, edge, 0, penWidth, frameColor);
        }
    }
    painter.restore();
}

void ReportView::FillEdge(QPainter& painter, unsigned edge, int shift, int width,
                          const QColor& color) const
{
    // A line of width w centred on pixel c covers c - (w - 1) / 2 to
    // c + w / 2, across and, at its ends, along.
    const int w = width > 0 ? width : 1;
    const int before = (w - 1) / 2;
    const int after = w / 2;
    const int lastX = DrawRect.right - 1;
    const int lastY = DrawRect.bottom - 1;
    QRect band;
    switch (edge) {
    case frRight:
    case frLeft: {
        const int x = (edge == frRight ? lastX : DrawRect.left) + shift;
        band = QRect(QPoint(x - before, DrawRect.top - before), QPoint(x + after, lastY + after));
        break;
    }
    default: {
        const int y = (edge == frBottom ? lastY : DrawRect.top) + shift;
        band = QRect(QPoint(DrawRect.left - before, y - before), QPoint(lastX + after, y + after));
        break;
    }
    }
    painter.fillRect(band, color);
}

void ReportView::DrawStyledEdge(QPainter& painter, unsigned edge, int shift,
                                const QRectF& area) const
{
    // Through the pixel centres of the outermost pixels; the pattern starts
    // at the edge's first pixel. Where the edge runs past the device it is
    // cut there, by whole pattern periods so the dashes stay in place.
    const double l = DrawRect.left + 0.5;
    const double t = DrawRect.top + 0.5;
    const double r = DrawRect.right - 0.5;
    const double b = DrawRect.bottom - 0.5;
    const bool vertical = edge == frRight || edge == frLeft;
    double from = vertical ? t - 0.5 : l - 0.5;
    double to = vertical ? b + 0.5 : r + 0.5;
    if (!area.isEmpty()) {
        // Along the edge from its start (the frame of a view narrower than
        // its frame runs backwards): the part on the device, widened to
        // whole periods.
        const double period = PatternPeriod(painter.pen().dashPattern());
        const double direction = to >= from ? 1.0 : -1.0;
        const double length = std::abs(to - from);
        const double areaFrom = (vertical ? area.top() : area.left()) - 1;
        const double areaTo = (vertical ? area.bottom() : area.right()) + 1;
        double first = std::max(0.0, direction > 0 ? areaFrom - from : from - areaTo);
        const double last =
            std::min(length, (direction > 0 ? areaTo - from : from - areaFrom) + period);
        if (period > 0) {
            first = std::floor(first / period) * period;
        }
        if (first > last) {
            return;
        }
        to = from + direction * last;
        from += direction * first;
    }
    switch (edge) {
    case frRight:
        painter.drawLine(QPointF(r + shift, from), QPointF(r + shift, to));
        break;
    case frLeft:
        painter.drawLine(QPointF(l + shift, from), QPointF(l + shift, to));
        break;
    case frBottom:
        painter.drawLine(QPointF(from, b + shift), QPointF(to, b + shift));
        break;
    default:
        painter.drawLine(QPointF(from, t + shift), QPointF(to, t + shift));
        break;
    }
}

void ReportView::OutputToPage(StreamWriter& writer) const
{
    WriteViewHead(writer, *this);
    WriteToStream(writer, ViewForm::Page);
}

void ReportView::ReadFromStream(StreamReader& reader, ViewForm form)
{
    if (form == ViewForm::Template && reader.Version() >= kCurrentVersion) {
        Name = reader.ReadString();
    }
    Left = reader.ReadInt();
    Top = reader.ReadInt();
    Width = reader.ReadInt();
    Height = reader.ReadInt();
    Flags = reader.ReadWord();
    FrameTyp = reader.ReadWord();
    FrameWidth = FrameWidthFromStored(reader.ReadInt());
    FrameColor = static_cast<TColor>(reader.ReadInt());
    FrameStyle = reader.ReadWord();
    FillColor = static_cast<TColor>(reader.ReadInt());
    if (form == ViewForm::Template) {
        FormatCode = reader.ReadInt();
        FormatText = reader.ReadString();
    }
    Memo = reader.ReadLines();
    if (form == ViewForm::Template && reader.Version() >= kCurrentVersion) {
        Script = reader.ReadLines();
        Visible = reader.ReadBool16();
    }
}

void ReportView::WriteToStream(StreamWriter& writer, ViewForm form) const
{
    if (form == ViewForm::Template) {
        writer.WriteString(Name);
    }
    writer.WriteInt(Left);
    writer.WriteInt(Top);
    writer.WriteInt(Width);
    writer.WriteInt(Height);
    writer.WriteWord(Flags);
    writer.WriteWord(FrameTyp);
    writer.WriteInt(FrameWidthToStored(FrameWidth));
    writer.WriteInt(static_cast<std::int32_t>(FrameColor));
    writer.WriteWord(FrameStyle);
    writer.WriteInt(static_cast<std::int32_t>(FillColor));
    if (form == ViewForm::Template) {
        writer.WriteInt(FormatCode);
        writer.WriteString(FormatText);
    }
    writer.WriteLines(Memo);
    if (form == ViewForm::Template) {
        writer.WriteLines(Script);
        writer.WriteBool16(Visible);
    }
}

bool ReportView::SameStoredData(const ReportView& o, ViewForm form) const
{
    const bool common = Kind == o.Kind && className_ == o.className_ && Left == o.Left &&
                        Top == o.Top && Width == o.Width && Height == o.Height &&
                        Flags == o.Flags && FrameTyp == o.FrameTyp &&
                        FrameWidthToStored(FrameWidth) == FrameWidthToStored(o.FrameWidth) &&
                        FrameColor == o.FrameColor && FrameStyle == o.FrameStyle &&
                        FillColor == o.FillColor && Memo == o.Memo;
    if (form == ViewForm::Page) {
        return common;
    }
    return common && Name == o.Name && FormatCode == o.FormatCode && FormatText == o.FormatText &&
           Script == o.Script && Visible == o.Visible;
}

} // namespace marlune::report
