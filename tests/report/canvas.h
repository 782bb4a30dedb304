#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <string>
#include <vector>

namespace marlune::report::test {

// A white image of 96 dots per inch to draw views into.
inline QImage Canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = 3780; // 96 dpi
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

// A bitmap file of one colour, as a picture view holds it.
inline std::string BitmapFile(int width, int height, const QColor& color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

inline bool Inked(const QImage& image, int x, int y)
{
    return image.valid(x, y) && image.pixel(x, y) != qRgb(255, 255, 255);
}

// The smallest rectangle that holds every non-white pixel (null if none).
inline QRect InkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Inked(image, x, y)) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

inline int CountInked(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += Inked(image, x, y) ? 1 : 0;
        }
    }
    return n;
}

// Rows of the first inked pixel of each band of ink, top down.
inline std::vector<int> InkRowStarts(const QImage& image)
{
    std::vector<int> starts;
    bool inRow = false;
    for (int y = 0; y < image.height(); ++y) {
        bool any = false;
        for (int x = 0; x < image.width() && !any; ++x) {
            any = Inked(image, x, y);
        }
        if (any && !inRow) {
            starts.push_back(y);
        }
        inRow = any;
    }
    return starts;
}

inline std::size_t InkRowCount(const QImage& image)
{
    return InkRowStarts(image).size();
}

template <class View> QImage Paint(View& view, int width, int height)
{
    QImage image = Canvas(width, height);
    QPainter painter(&image);
    view.Draw(painter);
    painter.end();
    return image;
}

} // namespace marlune::report::test
