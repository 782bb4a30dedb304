#pragma once

#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>

#include <span>

#include "platform/paint/colors.h"
#include "widgets/gridcolumns.h"
#include "widgets/gridgeometry.h"
#include "widgets/gridrows.h"

class QPainter;

namespace marlune::widgets {

// How the grid looks: its colours, its two fonts with their ascents on the
// grid's own device, and the options that change the picture.
struct GridLook {
    platform::paint::TColor color = platform::paint::clWindow;
    platform::paint::TColor fixedColor = platform::paint::clBtnFace;
    platform::paint::TColor fontColor = platform::paint::clWindowText;
    platform::paint::TColor titleFontColor = platform::paint::clWindowText;
    QFont font;
    QFont titleFont;
    int ascent = 0;
    int titleAscent = 0;
    bool titles = true;              // a title row above the data rows
    bool alwaysShowSelection = true; // the current row highlighted without the focus
};

// Everything one picture of the grid shows, in the grid widget's
// coordinates: what lies where, the column titles and cell texts, and the
// state of the widget the picture depends on.
struct GridScene {
    const GridGeometry& geometry;
    std::span<const DBGridColumn> columns; // display order, widths as in the geometry
    std::span<const QString> titles;       // by column identity
    const GridRows& rows;
    const GridLook& look;
    const QPalette& palette; // resolves the system colours
    QRect widget;            // the whole widget, its border included
    QRect scrollCorner;      // where the two scroll bars meet; empty unless both show
    bool focused = false;
    // A title being dragged to another place: the dragged column and the one
    // it would land on (display indexes), -1 while none is.
    int dragColumn = -1;
    int dropColumn = -1;
};

// Paints the grid: the border, the title row, the data rows with their
// texts and lines, the current row's highlight and focus rectangle. It knows
// no input and no widget, so it paints into any device, an image included.
// Only what lies in `dirty` is painted.
void PaintGrid(QPainter& painter, const GridScene& scene, const QRect& dirty);

} // namespace marlune::widgets
