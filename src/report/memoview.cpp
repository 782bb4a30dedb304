#include "report/memoview.h"

#include "report/kinds.h"
#include "report/streamio.h"
#include "report/units.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace marlune::report {

MemoView::MemoView() : ClonableView(okMemo, "MemoView")
{
    Flags = flStretched | flWordWrap;
}

void MemoView::Assign(const ReportView& source)
{
    ReportView::Assign(source);
    if (const auto* memo = dynamic_cast<const MemoView*>(&source)) {
        Font = memo->Font;
        Adjust = memo->Adjust;
        Highlight = memo->Highlight;
        HighlightCondition = memo->HighlightCondition;
        LineGap = memo->LineGap;
        CharGap = memo->CharGap;
    }
}

int MemoView::FontPoints() const
{
    // A size past what any page can hold draws as the largest there is.
    return std::clamp(Font.Size, -kMaxFontPoints, kMaxFontPoints);
}

int MemoView::WrapWorkingText()
{
    const bool rotated = (Adjust & adRotated) != 0;
    const int fontPx = PointsToPixels96(FontPoints());
    TextHeight = LineGap + fontPx;
    WrapOptions options;
    options.font = MeasuredMemoFont96(Font, fontPx);
    options.charGap = CharGap;
    // Rotated text runs up the view, so it wraps along the height.
    options.availableWidth = rotated ? Height - 2 * GapY : Width - 2 * GapX;
    options.wordWrap = (Flags & flWordWrap) != 0;
    options.wordBreak = (Flags & flWordBreak) != 0;
    WorkingText = WrapText(WorkingText, options);
    verticalExtent_ = ExtentOf(WorkingText.size());
    return verticalExtent_;
}

int MemoView::AutoWidth() const
{
    const auto font = MeasuredMemoFont96(Font, PointsToPixels96(FontPoints()));
    return MeasureTextWidth(WorkingText, *font, Round(CharGap * ScaleX)) + Round(FrameWidth * 2) +
           2;
}

void MemoView::ApplyAutoWidth()
{
    if ((Flags & flAutoWidth) == 0 || WorkingText.empty() || !Outputting) {
        return;
    }
    const int width = AutoWidth();
    if ((Adjust & 3) == adRight) {
        Left += Width - width;
    }
    Width = width;
}

int MemoView::MeasureHeight()
{
    DrawMode = MemoDrawMode::AfterHeightMeasure;
    if (!Visible) {
        return 0;
    }
    WorkingText = Memo;
    ApplyAutoWidth();
    ComputeUnitGaps();
    return WrapWorkingText();
}

void MemoView::ComputeUnitGaps()
{
    const double scaleX = ScaleX;
    const double scaleY = ScaleY;
    const int offsetX = OffsetX;
    const int offsetY = OffsetY;
    ScaleX = ScaleY = 1.0;
    OffsetX = OffsetY = 0;
    ComputeDrawRect();
    RestoreGeometry();
    ScaleX = scaleX;
    ScaleY = scaleY;
    OffsetX = offsetX;
    OffsetY = offsetY;
}

int MemoView::ExtentOf(std::size_t lineCount) const
{
    const int across = (Adjust & adRotated) != 0 ? GapX : GapY;
    // Counted wide: a stored memo of many tall lines reaches past any page.
    const long long extent =
        2LL * across + static_cast<long long>(lineCount) * static_cast<long long>(TextHeight);
    return static_cast<int>(std::clamp<long long>(extent, INT32_MIN / 2, INT32_MAX / 2));
}

int MemoView::RemainingHeight() const
{
    return static_cast<int>(WorkingText.size()) * TextHeight;
}

void MemoView::Draw(QPainter& painter)
{
    WorkingText = Memo;
    ApplyAutoWidth();
    // Gaps at scale 1 for wrapping, in report units.
    ComputeUnitGaps();
    if (IsWrappedForm(WorkingText)) {
        if (!WorkingText.empty() && WorkingText.back() == "\x01") {
            WorkingText.pop_back();
        }
        TextHeight = LineGap + PointsToPixels96(FontPoints());
        verticalExtent_ = ExtentOf(WorkingText.size());
    } else {
        WrapWorkingText();
    }
    ComputeDrawRect();
    if (!Exporting) {
        FillBackground(painter);
        DrawFrame(painter);
    }
    if (!WorkingText.empty() && !DrawingDisabled && !Exporting) {
        OutputText(painter);
    }
    RestoreGeometry();
}

void MemoView::OutputText(QPainter& painter)
{
    const bool rotated = (Adjust & adRotated) != 0;
    // Only a memo split across pages goes on from where it stopped; any
    // other draw (a preview repaints many times) starts at its first line.
    if (DrawMode != MemoDrawMode::Part) {
        CurrentLine = 0;
    }
    // Rotated text is laid out as an upright memo in a box turned a quarter
    // turn counter-clockwise about the draw rectangle: it reads upwards and
    // its lines advance to the right.
    const double scaleAlong = rotated ? ScaleY : ScaleX;
    const double scaleAcross = rotated ? ScaleX : ScaleY;
    const int deviceDpi = painter.device() != nullptr ? painter.device()->logicalDpiY() : kTextDpi;
    LineOutputStyle style;
    style.font = Font;
    style.fontPixelHeight = IsPrinting ? Round(FontPoints() * deviceDpi / 72.0)
                                       : Round(FontPoints() * 96.0 / 72.0 * scaleAcross);
    style.charGap = Round(CharGap * scaleAlong);
    style.lineGap = Round(LineGap * scaleAcross);
    style.adjust = Adjust;
    style.scaleX = scaleAlong;
    style.blockHeight = Round(verticalExtent_ * scaleAcross);
    style.stopAtClip = DrawMode == MemoDrawMode::Part;
    style.glyphRuns = IsPrinting;
    LineOutputBox box;
    if (!rotated) {
        box = {Left, Top,           Width,        Height,         GapX,
               GapY, DrawRect.left, DrawRect.top, DrawRect.right, DrawRect.bottom};
        CurrentLine = OutputLines(painter, WorkingText, CurrentLine, box, style);
        return;
    }
    painter.save();
    painter.translate(DrawRect.left, DrawRect.bottom);
    painter.rotate(-90);
    const int boxWidth = DrawRect.bottom - DrawRect.top;
    const int boxHeight = DrawRect.right - DrawRect.left;
    box = {0, 0, boxWidth, boxHeight, GapY, GapX, 0, 0, boxWidth, boxHeight};
    CurrentLine = OutputLines(painter, WorkingText, CurrentLine, box, style);
    painter.restore();
}

void MemoView::ReadFromStream(StreamReader& reader, ViewForm form)
{
    ReportView::ReadFromStream(reader, form);
    Font.Name = reader.ReadString();
    Font.Size = reader.ReadInt();
    Font.Style = reader.ReadWord();
    Font.Color = static_cast<TColor>(reader.ReadInt());
    Adjust = reader.ReadInt();
    const std::uint16_t charset = reader.ReadWord();
    Font.Charset =
        reader.Version() >= kCurrentVersion ? static_cast<std::uint8_t>(charset & 0xFF) : 0;
    if (form == ViewForm::Template) {
        Highlight.Style = reader.ReadWord();
        Highlight.FontColor = static_cast<TColor>(reader.ReadInt());
        Highlight.FillColor = static_cast<TColor>(reader.ReadInt());
        HighlightCondition = reader.ReadString();
    }
    if (reader.Version() == kOldestVersion) {
        Flags |= flWordWrap;
    }
}

void MemoView::WriteToStream(StreamWriter& writer, ViewForm form) const
{
    ReportView::WriteToStream(writer, form);
    writer.WriteString(Font.Name);
    writer.WriteInt(Font.Size);
    writer.WriteWord(Font.Style);
    writer.WriteInt(static_cast<std::int32_t>(Font.Color));
    writer.WriteInt(Adjust);
    writer.WriteWord(Font.Charset);
    if (form == ViewForm::Template) {
        writer.WriteWord(Highlight.Style);
        writer.WriteInt(static_cast<std::int32_t>(Highlight.FontColor));
        writer.WriteInt(static_cast<std::int32_t>(Highlight.FillColor));
        writer.WriteString(HighlightCondition);
    }
}

bool MemoView::SameStoredData(const ReportView& other, ViewForm form) const
{
    const auto* memo = dynamic_cast<const MemoView*>(&other);
    if (memo == nullptr || !ReportView::SameStoredData(other, form) || Font != memo->Font ||
        Adjust != memo->Adjust) {
        return false;
    }
    return form == ViewForm::Page ||
           (Highlight == memo->Highlight && HighlightCondition == memo->HighlightCondition);
}

} // namespace marlune::report
