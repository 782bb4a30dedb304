#include "report/reportview.h"

#include "report/streamio.h"
#include "report/units.h"

#include <QLocale>
#include <QPainter>
#include <QPen>

#include <atomic>

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
    return paint::ColorToQColor(color);
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
    return Round((saved_.left + saved_.width) * ScaleX + OffsetX);
}

int ReportView::ScaledBottom() const
{
    return Round((saved_.top + saved_.height) * ScaleY + OffsetY);
}

void ReportView::ComputeDrawRect()
{
    saved_ = {Left, Top, Width, Height, FrameWidth};
    geometrySaved_ = true;
    Left = Round(saved_.left * ScaleX) + OffsetX;
    Top = Round(saved_.top * ScaleY) + OffsetY;
    Width = Round(saved_.width * ScaleX);
    Height = Round(saved_.height * ScaleY);
    const int w1x = Round((saved_.frameWidth * ScaleX - 1) / 2);
    const int w2x = Round(saved_.frameWidth * ScaleX / 2);
    const int w1y = Round((saved_.frameWidth * ScaleY - 1) / 2);
    const int w2y = Round(saved_.frameWidth * ScaleY / 2);
    FrameWidth = static_cast<float>(saved_.frameWidth * ScaleX);
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
    if (DrawingDisabled || FillColor == paint::clNone) {
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
    if ((FrameTyp & frAll) == frAll && FrameStyle == fsSolid) {
        QPen pen(ToQColor(FrameColor), penWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        // Pixel centres, so that a one-pixel outline covers the outermost
        // pixels of the rectangle.
        painter.drawRect(QRectF(DrawRect.left + 0.5, DrawRect.top + 0.5,
                                DrawRect.right - DrawRect.left - 1,
                                DrawRect.bottom - DrawRect.top - 1));
        painter.restore();
        return;
    }
    const Qt::PenCapStyle cap = penWidth <= 1 ? Qt::FlatCap : Qt::RoundCap;
    const QPen framePen(ToQColor(FrameColor), penWidth, Qt::SolidLine, cap);
    for (const unsigned edge : {frRight, frLeft, frBottom, frTop}) {
        if ((FrameTyp & edge) == 0) {
            continue;
        }
        if (FrameStyle == fsDouble) {
            const int shift = Round(FrameWidth);
            painter.setPen(framePen);
            DrawEdge(painter, edge, -shift);
            if (FillColor != paint::clNone) {
                painter.setPen(QPen(ToQColor(FillColor), penWidth, Qt::SolidLine, cap));
                DrawEdge(painter, edge, 0);
            }
            painter.setPen(framePen);
            DrawEdge(painter, edge, shift);
        } else if (FrameStyle != fsSolid) {
            // A styled pen is one pixel wide: the edge is drawn once per
            // pixel of the width, its gaps filled with the fill colour.
            QPen pen(ToQColor(FrameColor), 1, Qt::SolidLine, Qt::FlatCap);
            pen.setDashPattern(DashPattern(FrameStyle));
            painter.setPen(pen);
            painter.setBackgroundMode(FillColor != paint::clNone ? Qt::OpaqueMode
                                                                 : Qt::TransparentMode);
            if (FillColor != paint::clNone) {
                painter.setBackground(ToQColor(FillColor));
            }
            const int count = penWidth > 0 ? penWidth : 1;
            for (int i = 0; i < count; ++i) {
                DrawEdge(painter, edge, i - penWidth / 2);
            }
        } else {
            painter.setPen(framePen);
            DrawEdge(painter, edge, 0);
        }
    }
    painter.restore();
}

void ReportView::DrawEdge(QPainter& painter, unsigned edge, int shift) const
{
    // An edge runs along the outermost pixels of the draw rectangle; the
    // end point lies outside, as the platform's lines leave it out.
    const double l = DrawRect.left + 0.5;
    const double t = DrawRect.top + 0.5;
    const double r = DrawRect.right - 0.5;
    const double b = DrawRect.bottom - 0.5;
    switch (edge) {
    case frRight:
        painter.drawLine(QPointF(r + shift, t - 0.5), QPointF(r + shift, b + 0.5));
        break;
    case frLeft:
        painter.drawLine(QPointF(l + shift, t - 0.5), QPointF(l + shift, b + 0.5));
        break;
    case frBottom:
        painter.drawLine(QPointF(l - 0.5, b + shift), QPointF(r + 0.5, b + shift));
        break;
    default:
        painter.drawLine(QPointF(l - 0.5, t + shift), QPointF(r + 0.5, t + shift));
        break;
    }
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
