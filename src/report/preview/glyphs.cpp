#include "report/preview/glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace marlune::report::preview {
namespace {

const QColor kInk(0, 0, 0);

void DrawOpen(QPainter& p)
{
    // A folder with its flap open towards the viewer.
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(0xC8, 0x96, 0x1E));
    p.drawPolygon(QPolygonF({{1, 3}, {6, 3}, {7, 4.5}, {13, 4.5}, {13, 13}, {1, 13}}));
    p.setBrush(QColor(0xF6, 0xCE, 0x4A));
    p.drawPolygon(QPolygonF({{3.5, 7}, {15, 7}, {12.5, 13}, {1, 13}}));
}

void DrawSave(QPainter& p)
{
    // A diskette: body, label and shutter.
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(0x2A, 0x52, 0xBE));
    p.drawPolygon(QPolygonF({{1.5, 1.5}, {13, 1.5}, {14.5, 3}, {14.5, 14.5}, {1.5, 14.5}}));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.fillRect(QRectF(9, 10.5, 1.5, 3), kInk);
}

void DrawPrint(QPainter& p)
{
    // A printer with a sheet going in at the back and one coming out.
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 1.5, 8, 6));
    p.setBrush(QColor(0xB4, 0xB4, 0xB4));
    p.drawRect(QRectF(1.5, 7, 13, 5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 10, 8, 4.5));
    p.fillRect(QRectF(11.5, 8, 1.5, 1.2), QColor(0x10, 0xB0, 0x10));
    p.setPen(QPen(kInk, 0.6));
    p.drawLine(QPointF(5.5, 12), QPointF(10.5, 12));
}

void DrawFind(QPainter& p)
{
    // A magnifying glass over a line of text.
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    for (const double y : {3.0, 6.0}) {
        p.drawLine(QPointF(1, y), QPointF(14, y));
    }
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(0xBE, 0xDC, 0xFF));
    p.drawEllipse(QPointF(6.5, 7), 4.2, 4.2);
    p.setPen(QPen(QColor(0x8B, 0x4A, 0x1A), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.6, 10.2), QPointF(14, 14.5));
}

void DrawHelp(QPainter& p)
{
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(0x2A, 0x6A, 0xD0));
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath hook;
    hook.moveTo(5.6, 6);
    hook.cubicTo(5.6, 2.6, 10.6, 2.6, 10.6, 5.8);
    hook.cubicTo(10.6, 7.8, 8, 7.8, 8, 9.8);
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.drawPoint(QPointF(8, 12.4));
}

void DrawExit(QPainter& p)
{
    // A door standing open with an arrow leading out.
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(0x80, 0x80, 0x80));
    p.drawRect(QRectF(5.5, 1.5, 9, 13));
    p.setBrush(QColor(0xA0, 0x5A, 0x2C));
    p.drawPolygon(QPolygonF({{5.5, 1.5}, {10, 3.5}, {10, 15}, {5.5, 14.5}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x10, 0x10));
    p.drawPolygon(
        QPolygonF({{0.5, 8}, {4, 4.5}, {4, 6.5}, {8, 6.5}, {8, 9.5}, {4, 9.5}, {4, 11.5}}));
}

void DrawPageArrow(QPainter& p, bool up)
{
    // A solid triangle under (or over) a bar: to the page before or after.
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    if (up) {
        p.drawRect(QRectF(4, 3, 8, 1.5));
        p.drawPolygon(QPolygonF({{8, 5.5}, {12.5, 11}, {3.5, 11}}));
    } else {
        p.drawPolygon(QPolygonF({{3.5, 5}, {12.5, 5}, {8, 10.5}}));
        p.drawRect(QRectF(4, 11.5, 8, 1.5));
    }
}

void DrawWindow(QPainter& p)
{
    // A sheet with lines of text and a magnifying glass: a report preview.
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{2.5, 0.5}, {10, 0.5}, {13, 3.5}, {13, 15.5}, {2.5, 15.5}}));
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 0.8));
    for (const double y : {4.0, 6.5, 9.0}) {
        p.drawLine(QPointF(4.5, y), QPointF(11, y));
    }
    p.setPen(QPen(QColor(0x2A, 0x52, 0xBE), 1.4));
    p.setBrush(QColor(0xBE, 0xDC, 0xFF, 200));
    p.drawEllipse(QPointF(8.5, 10.5), 3, 3);
    p.drawLine(QPointF(10.8, 12.8), QPointF(15, 15.5));
}

} // namespace

void DrawGlyph(QPainter& painter, Glyph glyph, const QRect& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 16.0, rect.height() / 16.0);
    switch (glyph) {
    case Glyph::Open:
        DrawOpen(painter);
        break;
    case Glyph::Save:
        DrawSave(painter);
        break;
    case Glyph::Print:
        DrawPrint(painter);
        break;
    case Glyph::Find:
        DrawFind(painter);
        break;
    case Glyph::Help:
        DrawHelp(painter);
        break;
    case Glyph::Exit:
        DrawExit(painter);
        break;
    case Glyph::PageUp:
        DrawPageArrow(painter, true);
        break;
    case Glyph::PageDown:
        DrawPageArrow(painter, false);
        break;
    case Glyph::Window:
        DrawWindow(painter);
        break;
    }
    painter.restore();
}

QPixmap GlyphPixmap(Glyph glyph, QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawGlyph(painter, glyph, QRect(QPoint(0, 0), size));
    return pixmap;
}

QPixmap GreyedPixmap(const QPixmap& pixmap, const QColor& ink)
{
    // From the ink (the darkest lines) to its opposite (the lightest parts).
    const int paper = qGray(ink.rgb()) < 128 ? 255 : 0;
    const auto shade = [paper](int from, int lightness) {
        return from + (paper - from) * lightness / 255;
    };
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(shade(ink.red(), grey), shade(ink.green(), grey),
                            shade(ink.blue(), grey), qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(image);
}

QPixmap DisabledPixmap(const QPixmap& pixmap, const QColor& light, const QColor& shadow)
{
    // The shape is every pixel the glyph covers that is not near white.
    QImage source = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage shape(source.size(), QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb c = source.pixel(x, y);
            if (qAlpha(c) > 96 && qGray(c) < 192) {
                shape.setPixel(x, y, qRgba(0, 0, 0, 255));
            }
        }
    }
    QPixmap result(pixmap.size());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    for (const auto& [offset, color] : {std::pair{1, light}, std::pair{0, shadow}}) {
        QImage tinted = shape;
        QPainter tint(&tinted);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(tinted.rect(), color);
        tint.end();
        painter.drawImage(offset, offset, tinted);
    }
    return result;
}

} // namespace marlune::report::preview
