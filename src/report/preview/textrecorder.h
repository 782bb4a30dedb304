#pragma once

#include <QPaintDevice>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

// A paint device that keeps the text a drawing puts out, in order, and
// nothing else: what the preview's text search reads from a page.
namespace marlune::report::preview {

// One text output: a run of text on one baseline, in device pixels. A line
// that is drawn a character at a time (as memo lines are, to place each
// character) is one record, as one positioned text call would be.
struct TextRecord {
    QString text;
    QRectF box; // from the text's ascent to its descent
    // Where each piece drawn in one call starts in `text` and on the line.
    struct Piece {
        int offset;
        double left;
        double width;
    };
    std::vector<Piece> pieces;

    // The horizontal extent of text[from, from + length).
    std::pair<double, double> Span(int from, int length) const;
};

class TextRecordingDevice : public QPaintDevice {
public:
    // A device of the given size in pixels at 96 pixels per inch.
    TextRecordingDevice(int width, int height);
    ~TextRecordingDevice() override;
    TextRecordingDevice(const TextRecordingDevice&) = delete;
    TextRecordingDevice& operator=(const TextRecordingDevice&) = delete;

    QPaintEngine* paintEngine() const override;
    const std::vector<TextRecord>& Records() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    int width_;
    int height_;
    std::unique_ptr<Engine> engine_;
};

} // namespace marlune::report::preview
