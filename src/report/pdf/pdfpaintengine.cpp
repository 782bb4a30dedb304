#include "report/pdf/pdfpaintengine.h"

#include "platform/cp1252.h"
#include "report/pdf/pdfwriter.h"

#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QtGui/private/qfontengine_p.h>
#include <QtGui/private/qtextengine_p.h>

#include <charconv>
#include <cmath>
#include <vector>

namespace marlune::report::pdf {

namespace {

bool SameClip(const std::optional<QRectF>& a, const std::optional<QRectF>& b)
{
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

bool SamePath(const std::optional<QPainterPath>& a, const std::optional<QPainterPath>& b)
{
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

double PenWidth(const QPen& pen, const QTransform& m)
{
    if (pen.isCosmetic()) {
        return pen.widthF() > 0 ? pen.widthF() : 1.0;
    }
    return pen.widthF() * std::sqrt(std::abs(m.determinant()));
}

} // namespace

PdfPaintEngine::PdfPaintEngine(PdfWriter& writer)
    : QPaintEngine(QPaintEngine::AllFeatures), writer_(writer)
{
}

bool PdfPaintEngine::begin(QPaintDevice* /*device*/)
{
    pen_ = QPen();
    brush_ = QBrush();
    matrix_ = flip_;
    clipEnabled_ = false;
    clipRect_.reset();
    clipPath_.reset();
    return true;
}

bool PdfPaintEngine::end()
{
    CloseClipGroup();
    return true;
}

void PdfPaintEngine::StartPage(double heightPt, double scale)
{
    out_.clear();
    groupOpen_ = false;
    appliedRect_.reset();
    appliedPath_.reset();
    gs_ = GraphicsState();
    tolerance_ = 72.0 / scale / 600;
    // Whole pixels up the page, the odd part of a pixel below the sheet.
    const double height = std::ceil(heightPt / scale - 1e-6);
    flip_ = QTransform(1, 0, 0, -1, 0, height);
    Num(scale);
    out_ += " 0 0 ";
    Num(scale);
    out_ += " 0";
    Num(heightPt - height * scale);
    Op("cm");
}

std::string PdfPaintEngine::TakeContent()
{
    CloseClipGroup();
    return std::move(out_);
}

void PdfPaintEngine::Num(double v)
{
    if (!out_.empty() && out_.back() != '\n' && out_.back() != ' ' && out_.back() != '[' &&
        out_.back() != ')') {
        out_ += ' ';
    }
    const long long thousandths = std::llround(v * 1000);
    char buf[32];
    char* end = nullptr;
    if (thousandths % 1000 == 0) {
        end = std::to_chars(buf, buf + sizeof buf, thousandths / 1000).ptr;
    } else {
        end = std::to_chars(buf, buf + sizeof buf, static_cast<double>(thousandths) / 1000,
                            std::chars_format::fixed, 3)
                  .ptr;
        while (end[-1] == '0') {
            --end;
        }
    }
    out_.append(buf, end);
}

void PdfPaintEngine::Op(const char* op)
{
    if (!out_.empty() && out_.back() != '\n') {
        out_ += ' ';
    }
    out_ += op;
    out_ += '\n';
}

void PdfPaintEngine::updateState(const QPaintEngineState& s)
{
    const DirtyFlags flags = s.state();
    if ((flags & DirtyTransform) != 0) {
        matrix_ = s.transform() * flip_;
    }
    if ((flags & DirtyPen) != 0) {
        pen_ = s.pen();
    }
    if ((flags & DirtyBrush) != 0) {
        brush_ = s.brush();
    }
    if ((flags & DirtyBackground) != 0) {
        background_ = s.backgroundBrush();
    }
    if ((flags & DirtyBackgroundMode) != 0) {
        backgroundMode_ = s.backgroundMode();
    }
    if ((flags & DirtyClipEnabled) != 0) {
        clipEnabled_ = s.isClipEnabled();
    }
    if ((flags & (DirtyClipPath | DirtyClipRegion)) == 0) {
        return;
    }
    const Qt::ClipOperation op = s.clipOperation();
    if (op == Qt::NoClip) {
        clipRect_.reset();
        clipPath_.reset();
        return;
    }
    std::optional<QRectF> rect;
    QPainterPath path;
    if ((flags & DirtyClipRegion) != 0) {
        const QRegion region = s.clipRegion();
        if (region.rectCount() == 1 && matrix_.type() <= QTransform::TxScale) {
            rect = matrix_.mapRect(QRectF(region.boundingRect()));
        } else {
            path.addRegion(region);
            path = matrix_.map(path);
        }
    } else {
        path = matrix_.map(s.clipPath());
    }
    if (op == Qt::ReplaceClip || (!clipRect_ && !clipPath_)) {
        clipRect_ = rect;
        clipPath_.reset();
        if (!rect) {
            clipPath_ = path;
        }
    } else if (rect && clipRect_) {
        clipRect_ = clipRect_->intersected(*rect);
    } else {
        QPainterPath current;
        if (clipRect_) {
            current.addRect(*clipRect_);
        } else {
            current = *clipPath_;
        }
        if (rect) {
            path.addRect(*rect);
        }
        clipRect_.reset();
        clipPath_ = current.intersected(path);
    }
    clipEnabled_ = true;
}

void PdfPaintEngine::CloseClipGroup()
{
    if (!groupOpen_) {
        return;
    }
    Op("Q");
    groupOpen_ = false;
    appliedRect_.reset();
    appliedPath_.reset();
    gs_ = saved_;
}

void PdfPaintEngine::Prepare(const std::optional<QRectF>& box)
{
    bool needed = clipEnabled_ && (clipRect_ || clipPath_);
    if (needed && box && clipRect_ && clipRect_->contains(*box)) {
        needed = false;
    }
    const bool applied = SameClip(appliedRect_, clipRect_) && SamePath(appliedPath_, clipPath_);
    if (groupOpen_ && (!applied || !clipEnabled_)) {
        CloseClipGroup();
    }
    if (!needed || groupOpen_) {
        return;
    }
    Op("q");
    groupOpen_ = true;
    saved_ = gs_;
    if (clipRect_) {
        Num(clipRect_->x());
        Num(clipRect_->y());
        Num(clipRect_->width());
        Num(clipRect_->height());
        Op("re W n");
    } else {
        AppendPath(*clipPath_);
        Op(clipPath_->fillRule() == Qt::OddEvenFill ? "W* n" : "W n");
    }
    appliedRect_ = clipRect_;
    appliedPath_ = clipPath_;
}

void PdfPaintEngine::SetFill(const QColor& color)
{
    const QRgb rgb = color.rgb();
    if (gs_.fill == rgb) {
        return;
    }
    gs_.fill = rgb;
    if (qRed(rgb) == qGreen(rgb) && qGreen(rgb) == qBlue(rgb)) {
        Num(qRed(rgb) / 255.0);
        Op("g");
    } else {
        Num(qRed(rgb) / 255.0);
        Num(qGreen(rgb) / 255.0);
        Num(qBlue(rgb) / 255.0);
        Op("rg");
    }
}

void PdfPaintEngine::SetStroke(const QPen& pen, const QColor& color)
{
    const QRgb rgb = color.rgb();
    if (gs_.stroke != rgb) {
        gs_.stroke = rgb;
        Num(qRed(rgb) / 255.0);
        Num(qGreen(rgb) / 255.0);
        Num(qBlue(rgb) / 255.0);
        Op("RG");
    }
    const double width = PenWidth(pen, matrix_);
    const int cap = pen.capStyle() == Qt::RoundCap ? 1 : pen.capStyle() == Qt::SquareCap ? 2 : 0;
    const int join = pen.joinStyle() == Qt::RoundJoin   ? 1
                     : pen.joinStyle() == Qt::BevelJoin ? 2
                                                        : 0;
    std::string saved;
    std::swap(saved, out_);
    Num(width);
    out_ += " w " + std::to_string(cap) + " J " + std::to_string(join) + " j [";
    if (pen.style() != Qt::SolidLine && pen.style() != Qt::NoPen) {
        const double unit = width > 1 ? width : 1.0;
        for (const qreal dash : pen.dashPattern()) {
            Num(dash * unit);
        }
        out_ += "] ";
        Num(pen.dashOffset() * unit);
        out_ += " d\n";
    } else {
        out_ += "] 0 d\n";
    }
    std::swap(saved, out_);
    if (saved != gs_.line) {
        if (!out_.empty() && out_.back() != '\n') {
            out_ += '\n';
        }
        out_ += saved;
        gs_.line = std::move(saved);
    }
}

void PdfPaintEngine::AppendPath(const QPainterPath& path)
{
    QPointF start;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            start = e;
            Num(e.x);
            Num(e.y);
            Op("m");
        } else if (e.isLineTo()) {
            Num(e.x);
            Num(e.y);
            Op("l");
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            Num(e.x);
            Num(e.y);
            Num(c2.x);
            Num(c2.y);
            Num(end.x);
            Num(end.y);
            Op("c");
            i += 2;
        }
        const bool last = i + 1 >= path.elementCount() || path.elementAt(i + 1).isMoveTo();
        if (last && i > 0 && !e.isMoveTo() && QPointF(path.elementAt(i)) == start) {
            Op("h");
        }
    }
}

void PdfPaintEngine::Paint(const QPainterPath& path, bool fill, bool stroke)
{
    if (!fill && !stroke) {
        return;
    }
    const QPainterPath mapped = matrix_.map(path);
    const double half = stroke ? PenWidth(pen_, matrix_) / 2 + 1 : 0;
    Prepare(mapped.boundingRect().adjusted(-half, -half, half, half));
    if (fill) {
        SetFill(brush_.color());
    }
    if (stroke) {
        SetStroke(pen_, pen_.color());
    }
    AppendPath(mapped);
    const bool oddEven = path.fillRule() == Qt::OddEvenFill;
    Op(fill && stroke ? (oddEven ? "B*" : "B") : fill ? (oddEven ? "f*" : "f") : "S");
}

void PdfPaintEngine::drawRects(const QRectF* rects, int count)
{
    const bool fill = brush_.style() != Qt::NoBrush;
    const bool stroke = pen_.style() != Qt::NoPen;
    for (int i = 0; i < count; ++i) {
        if (matrix_.type() > QTransform::TxScale) {
            QPainterPath path;
            path.addRect(rects[i]);
            Paint(path, fill, stroke);
            continue;
        }
        const QRectF r = matrix_.mapRect(rects[i]);
        const double half = stroke ? PenWidth(pen_, matrix_) / 2 + 1 : 0;
        Prepare(r.adjusted(-half, -half, half, half));
        if (fill) {
            SetFill(brush_.color());
        }
        if (stroke) {
            SetStroke(pen_, pen_.color());
        }
        Num(r.x());
        Num(r.y());
        Num(r.width());
        Num(r.height());
        Op(fill && stroke ? "re B" : fill ? "re f" : "re S");
    }
}

void PdfPaintEngine::drawLines(const QLineF* lines, int count)
{
    if (pen_.style() == Qt::NoPen) {
        return;
    }
    const double half = PenWidth(pen_, matrix_) / 2 + 1;
    const bool underlay = backgroundMode_ == Qt::OpaqueMode && pen_.style() != Qt::SolidLine;
    for (int i = 0; i < count; ++i) {
        const QLineF line = matrix_.map(lines[i]);
        Prepare(QRectF(line.p1(), line.p2()).normalized().adjusted(-half, -half, half, half));
        // An opaque background fills the gaps of a dashed line.
        for (int pass = underlay ? 0 : 1; pass < 2; ++pass) {
            QPen pen = pen_;
            if (pass == 0) {
                pen.setStyle(Qt::SolidLine);
            }
            SetStroke(pen, pass == 0 ? background_.color() : pen_.color());
            Num(line.x1());
            Num(line.y1());
            Op("m");
            Num(line.x2());
            Num(line.y2());
            Op("l S");
        }
    }
}

void PdfPaintEngine::drawPath(const QPainterPath& path)
{
    Paint(path, brush_.style() != Qt::NoBrush, pen_.style() != Qt::NoPen);
}

void PdfPaintEngine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode)
{
    if (count < 2) {
        return;
    }
    QPainterPath path;
    path.moveTo(points[0]);
    for (int i = 1; i < count; ++i) {
        path.lineTo(points[i]);
    }
    if (mode != PolylineMode) {
        path.closeSubpath();
    }
    path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    Paint(path, mode != PolylineMode && brush_.style() != Qt::NoBrush, pen_.style() != Qt::NoPen);
}

void PdfPaintEngine::drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source)
{
    drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
}

void PdfPaintEngine::drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                               Qt::ImageConversionFlags /*flags*/)
{
    if (image.isNull() || target.isEmpty()) {
        return;
    }
    const QRect part = source.toAlignedRect().intersected(image.rect());
    const std::string name = writer_.Image(part == image.rect() ? image : image.copy(part));
    const QTransform m = QTransform(target.width(), 0, 0, -target.height(), target.x(),
                                    target.y() + target.height()) *
                         matrix_;
    Prepare(matrix_.mapRect(target));
    Op("q");
    Num(m.m11());
    Num(m.m12());
    Num(m.m21());
    Num(m.m22());
    Num(m.dx());
    Num(m.dy());
    Op("cm");
    out_ += "/" + name;
    Op("Do Q");
}

void PdfPaintEngine::drawTextItem(const QPointF& origin, const QTextItem& item)
{
    const auto& ti = static_cast<const QTextItemInt&>(item);
    QFontEngine* engine = ti.fontEngine;
    if (engine == nullptr || ti.glyphs.numGlyphs == 0) {
        return;
    }
    QVarLengthArray<glyph_t> glyphs;
    QVarLengthArray<QFixedPoint> fixed;
    engine->getGlyphPositions(ti.glyphs, QTransform::fromTranslate(origin.x(), origin.y()),
                              ti.flags, glyphs, fixed);
    const bool multi = engine->type() == QFontEngine::Multi;
    std::vector<QPointF> positions;
    std::vector<unsigned char> codes;
    std::vector<double> advances;
    FontResource* runFont = nullptr;
    const auto flush = [&] {
        if (runFont != nullptr && !codes.empty()) {
            DrawRun(*runFont, positions.data(), codes.data(), advances.data(),
                    static_cast<int>(codes.size()));
        }
        positions.clear();
        codes.clear();
        advances.clear();
    };
    QFontEngine* lastPart = nullptr;
    FontResource* font = nullptr;
    for (int i = 0; i < glyphs.size(); ++i) {
        QFontEngine* part =
            multi
                ? static_cast<QFontEngineMulti*>(engine)->engine(static_cast<int>(glyphs[i] >> 24))
                : engine;
        glyph_t glyph = multi ? glyphs[i] & 0xFFFFFF : glyphs[i];
        const QPointF at(fixed[i].x.toReal(), fixed[i].y.toReal());
        if (part != lastPart) {
            font = part != nullptr ? writer_.Font(part) : nullptr;
            lastPart = part;
        }
        int code = -1;
        if (font != nullptr && glyph < font->face->codes.size()) {
            FontFace& face = *font->face;
            code = face.codes[glyph];
            if (code == -2) {
                const auto found = face.characters.find(glyph);
                const auto byte = found == face.characters.end()
                                      ? std::nullopt
                                      : platform::FromUnicode(found->second);
                code = byte && *byte >= 32 ? *byte : -1;
                face.codes[glyph] = code;
                if (code >= 0) {
                    face.used.emplace(found->second, glyph);
                }
            }
        }
        if (font != runFont || code < 0 ||
            (!positions.empty() && positions.front().y() != at.y())) {
            flush();
            runFont = code >= 0 ? font : nullptr;
        }
        if (code >= 0) {
            positions.push_back(at);
            codes.push_back(static_cast<unsigned char>(code));
            advances.push_back(font->widths[code] < 0 ? part->boundingBox(glyph).xoff.toReal()
                                                      : 0.0);
            continue;
        }
        if (part == nullptr) {
            continue;
        }
        // A glyph the file's encoding cannot name is drawn as its outline.
        QPainterPath outline;
        QFixedPoint point = fixed[i];
        part->addGlyphsToPath(&glyph, &point, 1, &outline, ti.flags);
        const QBrush brush = brush_;
        const QPen pen = pen_;
        brush_ = QBrush(pen.color());
        pen_ = QPen(Qt::NoPen);
        Paint(outline, true, false);
        brush_ = brush;
        pen_ = pen;
    }
    flush();
}

void PdfPaintEngine::DrawRun(FontResource& font, const QPointF* positions,
                             const unsigned char* codes, const double* advances, int count)
{
    const FontFace& face = *font.face;
    const double em = font.size;
    const double perUnit = em / face.metrics.unitsPerEm;
    const QPointF first = positions[0];
    // A code's width is the advance of its glyph where the face at this
    // size is first met; it stays what the file says from then on.
    for (int i = 0; i < count; ++i) {
        if (font.widths[codes[i]] < 0) {
            font.widths[codes[i]] = std::round(advances[i] * 100000 / em) / 100;
        }
        font.used[codes[i]] = true;
    }
    const auto width = [&](int i) { return font.widths[codes[i]] * em / 1000; };
    // The report spreads a line's slack over its gaps: that share is the
    // run's character spacing.
    double widths = 0;
    for (int i = 0; i + 1 < count; ++i) {
        widths += width(i);
    }
    const double spacing =
        count > 1
            ? std::round((positions[count - 1].x() - first.x() - widths) / (count - 1) * 1000) /
                  1000
            : gs_.charSpacing;
    const QRectF box(first.x(), first.y() - face.metrics.ascent * perUnit,
                     positions[count - 1].x() - first.x() + width(count - 1),
                     (face.metrics.ascent - face.metrics.descent) * perUnit);
    Prepare(matrix_.mapRect(box));
    SetFill(pen_.color());
    out_ += "BT";
    std::string fontOp = "/" + font.name;
    {
        std::string saved;
        std::swap(saved, out_);
        Num(em);
        fontOp += " " + out_ + " Tf";
        std::swap(saved, out_);
    }
    if (fontOp != gs_.font) {
        out_ += " " + fontOp;
        gs_.font = fontOp;
    }
    if (spacing != gs_.charSpacing) {
        Num(spacing);
        out_ += " Tc";
        gs_.charSpacing = spacing;
    }
    const QTransform tm = QTransform(1, 0, 0, -1, first.x(), first.y()) * matrix_;
    if (tm.type() <= QTransform::TxTranslate) {
        Num(tm.dx());
        Num(tm.dy());
        out_ += " Td";
    } else {
        Num(tm.m11());
        Num(tm.m12());
        Num(tm.m21());
        Num(tm.m22());
        Num(tm.dx());
        Num(tm.dy());
        out_ += " Tm";
    }
    // A glyph the widths and spacing would put more than a 600th of an inch
    // away from where the page has it gets a correction.
    std::string shown = "[(";
    bool corrected = false;
    double pen = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char code = codes[i];
        const double off = positions[i].x() - first.x() - pen;
        if (std::abs(off) > tolerance_) {
            const long long adjust = std::llround(-off * 1000 / em);
            if (adjust != 0) {
                shown += ")" + std::to_string(adjust) + "(";
                pen -= static_cast<double>(adjust) * em / 1000;
                corrected = true;
            }
        }
        pen += width(i) + spacing;
        if (code == '(' || code == ')' || code == '\\') {
            shown += '\\';
            shown += static_cast<char>(code);
        } else if (code == '\r') {
            shown += "\\r";
        } else {
            shown += static_cast<char>(code);
        }
    }
    shown += ")]";
    if (corrected) {
        out_ += shown + "TJ ET\n";
    } else {
        out_ += shown.substr(1, shown.size() - 2) + "Tj ET\n";
    }
}

void PdfPageDevice::Start(double widthPt, double heightPt, int dpi)
{
    widthPt_ = widthPt;
    heightPt_ = heightPt;
    metrics_ = PageDeviceMetrics::FromPoints(widthPt, heightPt, dpi);
    engine_.StartPage(heightPt, 72.0 / dpi);
}

int PdfPageDevice::metric(PaintDeviceMetric metric) const
{
    const std::optional<int> value = metrics_.Metric(metric);
    return value ? *value : QPaintDevice::metric(metric);
}

} // namespace marlune::report::pdf
