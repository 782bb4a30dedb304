#include "widgets/gridpainter.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace marlune::widgets {

namespace {

void PaintTitles(QPainter& painter, const GridScene& scene, const QRect& dirty)
{
    const GridGeometry& geometry = scene.geometry;
    const GridLook& look = scene.look;
    if (!look.titles) {
        return;
    }
    const QPalette& pal = scene.palette;
    const QColor gridColor = platform::paint::ColorToQColor(look.color, pal);
    const QRect band(geometry.client.left(), geometry.client.top(), geometry.client.width(),
                     geometry.titleHeight + geometry.titleLine);
    if (!band.intersects(dirty)) {
        return;
    }
    const QColor face = platform::paint::ColorToQColor(look.fixedColor, pal);
    painter.setFont(look.titleFont);
    painter.setPen(platform::paint::ColorToQColor(look.titleFontColor, pal));
    const int top = geometry.client.top();
    int x = geometry.client.left();
    for (int c = geometry.leftCol;
         c < static_cast<int>(scene.columns.size()) && x <= geometry.client.right(); ++c) {
        const DBGridColumn& column = scene.columns[static_cast<std::size_t>(c)];
        const QRect cell = QRect(x, top, column.width, geometry.titleHeight) & geometry.client;
        if (cell.intersects(dirty)) {
            painter.fillRect(cell, face);
            painter.setClipRect(cell);
            painter.drawText(x + 2, top + 2 + look.titleAscent,
                             scene.titles[static_cast<std::size_t>(column.id)]);
            painter.setClipping(false);
        }
        x += column.width;
    }
    const int right = std::min(x, geometry.client.right() + 1);
    if (geometry.titleLine) {
        painter.fillRect(QRect(geometry.client.left(), top + geometry.titleHeight,
                               right - geometry.client.left(), geometry.titleLine),
                         platform::paint::ColorToQColor(platform::paint::clBlack, pal));
    }
    if (right <= geometry.client.right()) {
        painter.fillRect(QRect(right, top, geometry.client.right() + 1 - right,
                               geometry.titleHeight + geometry.titleLine),
                         gridColor);
    }

    if (scene.dropColumn >= 0) {
        // Where the dragged column will land: its left edge when moving left,
        // its right edge when moving right.
        int edge = geometry.ColumnLeft(scene.dropColumn);
        if (scene.dropColumn > scene.dragColumn) {
            edge += scene.columns[static_cast<std::size_t>(scene.dropColumn)].width - 2;
        }
        painter.fillRect(QRect(edge, top, 2, geometry.titleHeight) & geometry.client,
                         platform::paint::ColorToQColor(platform::paint::clBlack, pal));
    }
}

void PaintRows(QPainter& painter, const GridScene& scene, const QRect& dirty)
{
    const GridGeometry& geometry = scene.geometry;
    const GridLook& look = scene.look;
    const GridRows& rows = scene.rows;
    const QPalette& pal = scene.palette;
    const QColor gridColor = platform::paint::ColorToQColor(look.color, pal);
    const QColor text = platform::paint::ColorToQColor(look.fontColor, pal);
    const QColor highlight = platform::paint::ColorToQColor(platform::paint::clHighlight, pal);
    const QColor highlightText =
        platform::paint::ColorToQColor(platform::paint::clHighlightText, pal);
    const QColor lineColor = platform::paint::ColorToQColor(look.color == platform::paint::clSilver
                                                                ? platform::paint::clGray
                                                                : platform::paint::clSilver,
                                                            pal);
    const bool showSelection = look.alwaysShowSelection || scene.focused;

    const int pitch = geometry.RowPitch();
    const int dataTop = geometry.DataTop();
    const int shown = std::min(rows.rows, geometry.VisibleRowCount());
    const int clientRight = geometry.client.right() + 1;
    const int first = std::max(0, (dirty.top() - dataTop) / pitch);
    const int last = std::min(shown - 1, (dirty.bottom() - dataTop) / pitch);
    const int columnsRight = geometry.ColumnsRight();

    painter.setFont(look.font);
    for (int slot = first; slot <= last; ++slot) {
        const int y = dataTop + slot * pitch;
        const bool current = slot == rows.activeSlot && showSelection;
        const QColor& background = current ? highlight : gridColor;
        painter.setPen(current ? highlightText : text);
        int x = geometry.client.left();
        for (int c = geometry.leftCol;
             c < static_cast<int>(scene.columns.size()) && x < clientRight; ++c) {
            const DBGridColumn& column = scene.columns[static_cast<std::size_t>(c)];
            const QRect cell = QRect(x, y, column.width, geometry.rowHeight) & geometry.client;
            if (cell.intersects(dirty)) {
                painter.fillRect(cell, background);
                const QString& value = rows.Text(slot, column.id);
                if (!value.isEmpty()) {
                    painter.setClipRect(cell);
                    painter.drawText(x + 2, y + 2 + look.ascent, value);
                    painter.setClipping(false);
                }
            }
            x += column.width;
        }
        if (geometry.rowLine) {
            painter.fillRect(QRect(geometry.client.left(), y + geometry.rowHeight,
                                   columnsRight - geometry.client.left(), geometry.rowLine) &
                                 geometry.client,
                             lineColor);
        }
        if (columnsRight < clientRight) {
            painter.fillRect(QRect(columnsRight, y, clientRight - columnsRight, pitch) &
                                 geometry.client,
                             gridColor);
        }
    }
    // Below the last row: no cells and no lines.
    const int bottom = dataTop + shown * pitch;
    if (bottom <= geometry.client.bottom()) {
        painter.fillRect(QRect(geometry.client.left(), bottom, geometry.client.width(),
                               geometry.client.bottom() + 1 - bottom) &
                             dirty,
                         gridColor);
    }
}

void PaintFocusRect(QPainter& painter, const GridScene& scene)
{
    const GridGeometry& geometry = scene.geometry;
    const GridRows& rows = scene.rows;
    if (!rows.active || rows.activeSlot < 0 ||
        rows.activeSlot >= std::min(rows.rows, geometry.VisibleRowCount())) {
        return;
    }
    const QRect r =
        QRect(geometry.client.left(), geometry.DataTop() + rows.activeSlot * geometry.RowPitch(),
              geometry.ColumnsRight() - geometry.client.left(), geometry.rowHeight) &
        geometry.client;
    if (r.isEmpty()) {
        return;
    }
    // A dotted outline drawn by inverting every other pixel, as the platform's
    // focus rectangle is, so it shows on any background.
    QPolygon points;
    points.reserve(2 * (r.width() + r.height()));
    auto add = [&points](int x, int y) {
        if (((x + y) & 1) == 0) {
            points.append(QPoint(x, y));
        }
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        add(x, r.top());
        if (r.bottom() != r.top()) {
            add(x, r.bottom());
        }
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        add(r.left(), y);
        if (r.right() != r.left()) {
            add(r.right(), y);
        }
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(QColor(255, 255, 255), 0));
    painter.drawPoints(points);
    painter.restore();
}

} // namespace

void PaintGrid(QPainter& painter, const GridScene& scene, const QRect& dirty)
{
    const GridGeometry& geometry = scene.geometry;
    const QPalette& pal = scene.palette;

    // Single sunken border.
    const QRect all = scene.widget;
    if (!all.adjusted(1, 1, -1, -1).contains(dirty)) {
        painter.setPen(platform::paint::ColorToQColor(platform::paint::clBtnShadow, pal));
        painter.drawLine(all.topLeft(), all.topRight());
        painter.drawLine(all.topLeft(), all.bottomLeft());
        painter.setPen(platform::paint::ColorToQColor(platform::paint::clBtnHighlight, pal));
        painter.drawLine(all.bottomLeft(), all.bottomRight());
        painter.drawLine(all.topRight(), all.bottomRight());
    }
    if (!scene.scrollCorner.isEmpty()) {
        painter.fillRect(scene.scrollCorner & all.adjusted(1, 1, -1, -1),
                         platform::paint::ColorToQColor(platform::paint::clBtnFace, pal));
    }

    const QRect area = dirty & geometry.client;
    if (area.isEmpty()) {
        return;
    }
    PaintTitles(painter, scene, area);
    PaintRows(painter, scene, area);
    if (scene.focused) {
        PaintFocusRect(painter, scene);
    }
}

} // namespace marlune::widgets
