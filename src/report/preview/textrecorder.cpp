#include "report/preview/textrecorder.h"

#include "report/pagedevicemetrics.h"
#include "report/units.h"

#include <QPaintEngine>
#include <QTextItem>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

namespace marlune::report::preview {

std::pair<double, double> TextRecord::Span(int from, int length) const
{
    // The x of character `index`: exact where a piece starts there, shared
    // out evenly over a piece of several characters otherwise.
    auto xAt = [this](int index) {
        for (std::size_t i = pieces.size(); i-- > 0;) {
            const Piece& piece = pieces[i];
            if (index < piece.offset) {
                continue;
            }
            const int end =
                i + 1 < pieces.size() ? pieces[i + 1].offset : static_cast<int>(text.size());
            const int count = std::max(end - piece.offset, 1);
            const int inside = std::min(index - piece.offset, count);
            return piece.left + piece.width * inside / count;
        }
        return box.left();
    };
    return {xAt(from), xAt(from + length)};
}

class TextRecordingDevice::Engine final : public QPaintEngine {
public:
    Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override
    {
        records.clear();
        continueRun_ = false;
        transform_ = QTransform();
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& changed) override
    {
        if ((changed.state() & QPaintEngine::DirtyTransform) != 0) {
            transform_ = changed.transform();
        }
        // Any change of font, clip or pen between two outputs ends a run:
        // the characters of one line follow each other with none.
        continueRun_ = false;
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty()) {
            return;
        }
        const QPointF at = transform_.map(p);
        const double width = item.width();
        const QRectF box(at.x(), at.y() - item.ascent(), width, item.ascent() + item.descent());
        if (continueRun_ && !records.empty()) {
            TextRecord& last = records.back();
            // The next character of the same line: on its baseline, not
            // before the end of what came before (less rounding).
            if (std::abs(last.box.bottom() - box.bottom()) < 0.5 &&
                at.x() >= last.box.right() - 1.0) {
                last.pieces.push_back({static_cast<int>(last.text.size()), at.x(), width});
                last.text += text;
                last.box = last.box.united(box);
                return;
            }
        }
        records.push_back({text, box, {{0, at.x(), width}}});
        continueRun_ = true;
    }

    // Nothing but text is kept.
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPoints(const QPointF*, int) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override
    {
    }
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}

    std::vector<TextRecord> records;

private:
    bool continueRun_ = false;
    QTransform transform_;
};

TextRecordingDevice::TextRecordingDevice(int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), engine_(std::make_unique<Engine>())
{
}

TextRecordingDevice::~TextRecordingDevice() = default;

QPaintEngine* TextRecordingDevice::paintEngine() const
{
    return engine_.get();
}

const std::vector<TextRecord>& TextRecordingDevice::Records() const
{
    return engine_->records;
}

int TextRecordingDevice::metric(PaintDeviceMetric metric) const
{
    const std::optional<int> value =
        PageDeviceMetrics::FromDots(width_, height_, kTextDpi).Metric(metric);
    return value ? *value : QPaintDevice::metric(metric);
}

} // namespace marlune::report::preview
