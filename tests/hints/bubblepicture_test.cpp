#include "hints/bubble.h"
#include "hintstest.h"
#include "platform/paint/fonts.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

using namespace marlune::hints;

namespace {

// A small desk, the pointer placed on it so that one direction is chosen,
// the bubble painted over the desk where it was placed and the spot its tail
// aims at marked: the whole look at 100 %, pixel for pixel, against a picture
// kept beside this test. MARLUNE_BUBBLE_PICTURES=DIR writes the pictures
// painted now into DIR (to look at them, or to take them as the new
// references).
const QSize kDesk(240, 120);
const QString kText = QStringLiteral("Print complete list");

struct PictureCase {
    const char* name;
    HintDirectionKind first;
    HintDirectionKind expected;
    // The pointer, from the bubble's outer widths and heights Wu, Hu, Hd.
    std::function<QPoint(int wu, int hu, int hd)> pointer;
};

QImage Desk()
{
    QImage desk(kDesk, QImage::Format_ARGB32);
    for (int y = 0; y < desk.height(); ++y) {
        for (int x = 0; x < desk.width(); ++x) {
            desk.setPixel(x, y, qRgb((x * 7) % 256, 60 + (y * 3) % 120, 150 + (x / 8) % 2 * 60));
        }
    }
    return desk;
}

BubbleStyle ProgramStyle()
{
    BubbleStyle style;
    style.font = marlune::platform::paint::SansSerifFont(11);
    return style;
}

QImage PaintOnDesk(const PictureCase& c, BubblePlacement& placement)
{
    const BubbleStyle style = ProgramStyle();
    const QSize text = MeasureHintText(style.font, kText, kDesk.width());
    const int wu = text.width() + 16;
    const QPoint pointer = c.pointer(wu, text.height() + 20, text.height() + 29);
    placement = PlaceBubble(text, pointer, kDesk, c.first);
    QImage desk = Desk();
    const QImage bubble =
        PaintBubble(desk.copy(placement.window), placement.direction, style, kText);
    QPainter(&desk).drawImage(placement.window.topLeft(), bubble);
    if (desk.rect().contains(placement.tailTip)) {
        desk.setPixel(placement.tailTip, qRgb(255, 0, 255));
    }
    return desk;
}

} // namespace

TEST(BubblePicture, EachDirectionLooksAsItsReference)
{
    marlune::hints::testing::TestApplication();
    const int sw = kDesk.width();
    const int sh = kDesk.height();
    const PictureCase cases[] = {
        // Fits exactly at the right and at the top.
        {"upright", dUpRight, dUpRight,
         [&](int wu, int hu, int) { return QPoint(sw - wu, 5 + hu); }},
        // Too near the right edge for up-right.
        {"upleft", dUpRight, dUpLeft, [&](int, int hu, int) { return QPoint(sw - 8, hu + 30); }},
        // One pixel short of room above.
        {"downright", dUpRight, dDownRight, [&](int, int hu, int) { return QPoint(20, hu + 4); }},
        // Fits exactly at the left and at the bottom.
        {"downleft", dDownLeft, dDownLeft,
         [&](int wu, int, int hd) { return QPoint(wu - 6, sh - 15 - hd); }},
    };
    const QByteArray out = qgetenv("MARLUNE_BUBBLE_PICTURES");
    for (const PictureCase& c : cases) {
        BubblePlacement placement;
        const QImage painted = PaintOnDesk(c, placement);
        EXPECT_EQ(placement.direction, c.expected) << c.name;
        const QString file = QStringLiteral("bubble_%1.png").arg(QLatin1String(c.name));
        if (!out.isEmpty()) {
            painted.save(QDir(QString::fromLocal8Bit(out)).filePath(file));
        }
        const QImage reference =
            QImage(QStringLiteral(MARLUNE_SOURCE_DIR "/tests/hints/pictures/") + file)
                .convertToFormat(QImage::Format_ARGB32);
        if (reference.size() != painted.size()) {
            ADD_FAILURE() << c.name << ": no reference of the size painted";
            continue;
        }
        int differ = 0;
        QPoint first(-1, -1);
        for (int y = 0; y < painted.height(); ++y) {
            for (int x = 0; x < painted.width(); ++x) {
                if (painted.pixel(x, y) != reference.pixel(x, y)) {
                    first = differ++ == 0 ? QPoint(x, y) : first;
                }
            }
        }
        EXPECT_EQ(differ, 0) << c.name << ": first at " << first.x() << "," << first.y();
    }
}
