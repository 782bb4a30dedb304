#pragma once

#include "report/pagedevicemetrics.h"

#include <QBrush>
#include <QColor>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QTransform>

#include <optional>
#include <string>

// Paints a PDF page's content stream: what the report's views draw (text
// runs, rectangles, lines, paths, images) as PDF operators in the device's
// pixels. Each run of text is one text object of single-byte codes; a clip
// is only written when something drawn reaches outside it.
namespace marlune::report::pdf {

class PdfWriter;
struct FontResource;

class PdfPaintEngine : public QPaintEngine {
public:
    explicit PdfPaintEngine(PdfWriter& writer);

    bool begin(QPaintDevice* device) override;
    bool end() override;
    void updateState(const QPaintEngineState& s) override;
    void drawRects(const QRectF* rects, int count) override;
    void drawLines(const QLineF* lines, int count) override;
    void drawPath(const QPainterPath& path) override;
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override;
    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override;
    void drawTextItem(const QPointF& origin, const QTextItem& item) override;
    Type type() const override { return QPaintEngine::User; }

    // Starts a page's stream: device pixels to points.
    void StartPage(double heightPt, double scale);
    // The page's operators; the stream starts empty again.
    std::string TakeContent();

private:
    // Sets the clip the drawing inside `box` (device pixels; none: the
    // whole page) needs, opening or closing the clip's group.
    void Prepare(const std::optional<QRectF>& box);
    void CloseClipGroup();
    void SetFill(const QColor& color);
    void SetStroke(const QPen& pen, const QColor& color);
    void AppendPath(const QPainterPath& path);
    void Paint(const QPainterPath& path, bool fill, bool stroke);
    void Num(double v);
    void Op(const char* op);
    // One text object; `advances` are the glyphs' own advances in pixels.
    void DrawRun(FontResource& font, const QPointF* positions, const unsigned char* codes,
                 const double* advances, int count);

    PdfWriter& writer_;
    std::string out_;
    QPen pen_;
    QBrush brush_;
    QBrush background_;
    Qt::BGMode backgroundMode_ = Qt::TransparentMode;
    QTransform matrix_;
    // The clip the painter asks for, in device pixels: a rectangle when it
    // is one, else a path.
    bool clipEnabled_ = false;
    std::optional<QRectF> clipRect_;
    std::optional<QPainterPath> clipPath_;
    // The clip in force in the stream.
    bool groupOpen_ = false;
    std::optional<QRectF> appliedRect_;
    std::optional<QPainterPath> appliedPath_;
    // The graphics state in force, to write only changes; q saves it and
    // Q brings it back.
    struct GraphicsState {
        std::optional<QRgb> fill;
        std::optional<QRgb> stroke;
        std::string line;
        std::string font;
        double charSpacing = 0;
    };
    GraphicsState gs_;
    GraphicsState saved_;
    // The page's device pixels with the y axis upwards, as PDF has it.
    QTransform flip_;
    // How far a glyph may stray from its place, in device pixels.
    double tolerance_ = 1;
};

// The page the engine paints: its size in the writer's device pixels.
class PdfPageDevice : public QPaintDevice {
public:
    explicit PdfPageDevice(PdfPaintEngine& engine) : engine_(engine) {}
    void Start(double widthPt, double heightPt, int dpi);
    double WidthPt() const { return widthPt_; }
    double HeightPt() const { return heightPt_; }
    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    PdfPaintEngine& engine_;
    double widthPt_ = 0;
    double heightPt_ = 0;
    PageDeviceMetrics metrics_;
};

} // namespace marlune::report::pdf
