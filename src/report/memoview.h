#pragma once

#include "report/memotext.h"
#include "report/reportview.h"

// A text box: its lines wrapped at 96 pixels per inch and drawn fitted to the
// device (see memotext.h).
namespace marlune::report {

inline constexpr std::uint16_t flWordWrap = 2;
inline constexpr std::uint16_t flWordBreak = 4;
inline constexpr std::uint16_t flAutoWidth = 8;

// Adjust: bits 0-1 horizontal alignment, bit 2 rotated, bits 3-4 vertical.
inline constexpr int adLeft = 0;
inline constexpr int adRight = 1;
inline constexpr int adCenter = 2;
inline constexpr int adJustify = 3;
inline constexpr int adRotated = 4;
inline constexpr int adVertCenter = 8;
inline constexpr int adBottom = 0x10;

struct MemoHighlight {
    std::uint16_t Style = fsBold;
    TColor FontColor = platform::paint::clBlack;
    TColor FillColor = platform::paint::clWhite;
    bool operator==(const MemoHighlight&) const = default;
};

class StretchableView : public ReportView {
public:
    using ReportView::ReportView;
    virtual int MeasureHeight() = 0;
    virtual int LineHeight() const = 0;
    virtual int RemainingHeight() const = 0;
};

class MemoView : public ClonableView<MemoView, StretchableView> {
public:
    MemoView();

    void Assign(const ReportView& source) override;
    void Draw(QPainter& painter) override;
    void ReadFromStream(StreamReader& reader, ViewForm form) override;
    void WriteToStream(StreamWriter& writer, ViewForm form) const override;
    std::string BaseName() const override { return "Memo"; }
    bool SameStoredData(const ReportView& other, ViewForm form) const override;

    // The vertical extent the text needs (report units).
    int MeasureHeight() override;
    int LineHeight() const override { return TextHeight; }
    int RemainingHeight() const override;

    // Wraps the working text at the current geometry; returns the vertical
    // extent. The gaps must be computed (ComputeDrawRect at scale 1).
    int WrapWorkingText();
    // The auto width of the text: its widest line plus the frame.
    int AutoWidth() const;

    MemoFont Font;
    std::int32_t Adjust = 0;
    MemoHighlight Highlight;
    std::string HighlightCondition;
    std::int32_t LineGap = 2;
    std::int32_t CharGap = 0;
    int TextHeight = 0;
    int CurrentLine = 0;
    bool Exporting = false;
    MemoDrawMode DrawMode = MemoDrawMode::All;
    // Set while a report is output: auto width applies.
    bool Outputting = false;

private:
    // The font size drawn: Font.Size within what a page can hold.
    int FontPoints() const;
    void ApplyAutoWidth();
    // The gaps in report units: the draw rectangle at scale 1, undone.
    void ComputeUnitGaps();
    int ExtentOf(std::size_t lineCount) const;
    void OutputText(QPainter& painter);

    int verticalExtent_ = 0;
};

} // namespace marlune::report
