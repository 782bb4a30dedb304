#pragma once

#include "platform/paint/colors.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QColor;
class QPainter;
class QRectF;

// The base of every view on a report page: position, frame, fill, text and
// the drawing state (scale, offset, draw rectangle). Views draw on any
// QPainter (screen image, PDF, printer) at the scale and offset set by the
// caller.
namespace marlune::report {

class StreamReader;
class StreamWriter;

using platform::paint::TColor;
using Lines = std::vector<std::string>;

// Which record layout a view reads and writes: as designed in a template, or
// as output into a prepared page (expanded text, no name, format or script).
enum class ViewForm { Template, Page };

enum FrameEdge : unsigned {
    frRight = 1,
    frBottom = 2,
    frLeft = 4,
    frTop = 8,
    frAll = 15,
};

enum FrameStyle : unsigned {
    fsSolid = 0,
    fsDash = 1,
    fsDot = 2,
    fsDashDot = 3,
    fsDashDotDot = 4,
    fsDouble = 5,
};

// View flags for every kind; the memo, picture and band bits are in their
// own headers.
inline constexpr std::uint16_t flStretched = 1;
inline constexpr std::uint16_t flWantHook = 0x8000;

// A rectangle in the platform's convention: right and bottom lie outside.
struct DrawRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const DrawRectangle&) const = default;
};

// The default format code: the system decimal separator in the low byte and
// 2 (decimals) in the second.
std::int32_t DefaultFormatCode();

class ReportView {
public:
    ReportView(int kind, std::string className);
    virtual ~ReportView() = default;
    ReportView(const ReportView&) = delete;
    ReportView& operator=(const ReportView&) = delete;

    virtual std::unique_ptr<ReportView> Clone() const = 0;
    // Copies every stored and drawing field of `source` (of the same class).
    virtual void Assign(const ReportView& source);

    virtual void FillBackground(QPainter& painter);
    virtual void DrawFrame(QPainter& painter);
    virtual void LoadFieldData() {}
    virtual void HookNotify() {}
    virtual void Draw(QPainter& painter) = 0;
    virtual void Resized() {}

    void ComputeDrawRect();
    void RestoreGeometry();

    // Writes the view into a prepared page: its kind (and class name) and its
    // page-form data.
    virtual void OutputToPage(StreamWriter& writer) const;

    // View data after the object record's kind, class name and page index.
    virtual void ReadFromStream(StreamReader& reader, ViewForm form);
    virtual void WriteToStream(StreamWriter& writer, ViewForm form) const;

    // The base of generated names: "View", "Memo", "Picture" …
    virtual std::string BaseName() const { return "View"; }
    const std::string& ClassName() const { return className_; }
    int ID() const { return id_; }

    // Equal stored fields (what a template keeps), for round-trip checks.
    virtual bool SameStoredData(const ReportView& other, ViewForm form) const;

    std::string Name;
    int Kind = 0;
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t Flags = 0;
    std::uint16_t FrameTyp = 0;
    float FrameWidth = 1.0F;
    TColor FrameColor = platform::paint::clBlack;
    std::uint16_t FrameStyle = fsSolid;
    TColor FillColor = platform::paint::clNone;
    std::int32_t FormatCode = DefaultFormatCode();
    std::string FormatText;
    bool Visible = true;
    Lines Memo;
    Lines Script;

    Lines WorkingText;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    int OffsetX = 0;
    int OffsetY = 0;
    bool IsPrinting = false;
    // Set by the builder's first pass: nothing is drawn.
    bool DrawingDisabled = false;
    DrawRectangle DrawRect;
    int GapX = 0;
    int GapY = 0;

protected:
    // The right and bottom edges of the unframed box at the current scale.
    int ScaledRight() const;
    int ScaledBottom() const;

private:
    void FillEdge(QPainter& painter, unsigned edge, int shift, int width,
                  const QColor& color) const;
    void DrawStyledEdge(QPainter& painter, unsigned edge, int shift, const QRectF& area) const;

    std::string className_;
    int id_ = 0;
    struct Saved {
        std::int32_t left, top, width, height;
        float frameWidth;
    } saved_{};
    bool geometrySaved_ = false;
};

// Gives a view class its Clone: a new object of the class, assigned from this.
template <class Derived, class Base = ReportView> class ClonableView : public Base {
public:
    using Base::Base;
    std::unique_ptr<ReportView> Clone() const override
    {
        auto copy = std::make_unique<Derived>();
        copy->Assign(*this);
        return copy;
    }
};

} // namespace marlune::report
