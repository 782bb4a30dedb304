#include "samplepages.h"

#include "report/preview/pagebox.h"
#include "report/preview/previewform.h"
#include "report/preview/previewsearchform.h"
#include "report/preview/toolbarbutton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>

namespace marlune::report::preview {
namespace {

using test::AddMemo;
using test::ListPages;

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "preview_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

constexpr int kA4Width = 752; // 210 mm in report units

PreviewOptions Options(bool printers = false)
{
    PreviewOptions options;
    options.caption = "Preview - Marlune";
    options.initialZoom = pzPageWidth;
    options.buttons = pbZoom | pbPrint | pbExit;
    options.printersAvailable = [printers] { return printers; };
    return options;
}

// A shown preview whose page area is `areaWidth` × `areaHeight` pixels.
std::unique_ptr<PreviewForm> ShownForm(PreparedPages pages, int areaWidth, int areaHeight = 700,
                                       PreviewOptions options = Options())
{
    PreviewZoomMemory() = {};
    auto form = std::make_unique<PreviewForm>(std::move(pages), std::move(options));
    form->show();
    form->resize(areaWidth + 16, areaHeight + 33 + 18);
    QApplication::processEvents();
    return form;
}

QString ZoomText(const PreviewForm& form)
{
    return form.findChild<QAbstractButton*>(QStringLiteral("ZoomBtn"))->text();
}

TEST(PreviewForm, PageWidthZoomFollowsTheArea)
{
    auto form = ShownForm(ListPages(3), 1000);
    ASSERT_EQ(form->PageArea()->width(), 1000);
    EXPECT_EQ(form->Mode(), ZoomMode::PageWidth);
    EXPECT_DOUBLE_EQ(form->Factor(), 980.0 / kA4Width);
    EXPECT_EQ(ZoomText(*form), QStringLiteral("130%"));
    // The page fills the width less 10 pixels on each side.
    EXPECT_EQ(form->Pages()[0].screenRect.left, 10);
    EXPECT_EQ(form->Pages()[0].screenRect.right, 990);

    form->resize(600 + 16, form->height());
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(form->Factor(), 580.0 / kA4Width);
    EXPECT_EQ(ZoomText(*form), QStringLiteral("77%"));
    // The next preview starts from the zoom chosen last.
    form->ChooseZoomPercent(50);
    EXPECT_EQ(PreviewZoomMemory().mode, ZoomMode::Fixed);
    EXPECT_DOUBLE_EQ(PreviewZoomMemory().factor, 0.5);
    PreviewForm next(ListPages(1), PreviewOptions());
    EXPECT_DOUBLE_EQ(next.Factor(), 0.5);
}

TEST(PreviewForm, OnePagePerRowIsCentredOnTheGreyArea)
{
    auto form = ShownForm(ListPages(2), 600);
    form->ChooseZoomPercent(50);
    QApplication::processEvents();
    const QImage image = form->PageArea()->grab().toImage();
    // 376 pixels of sheet in 600: two would not fit side by side.
    const int left = (600 - 376) / 2;
    const int y = 100;
    EXPECT_EQ(image.pixel(left - 1, y) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(image.pixel(left, y) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(left + 1, y) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(left + 375, y) & 0xFFFFFF, 0u);
    // The shadow line just outside the right edge.
    EXPECT_EQ(image.pixel(left + 376, y) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(left + 377, y) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(form->Pages()[1].screenRect.left, left);
}

TEST(LayOutPages, WholePageAndTwoPages)
{
    const std::vector<PaperUnits> papers(3, PaperUnits{kA4Width, 1071});
    // Whole page: 580 of 600 pixels high, one page a row, centred.
    PageLayout whole = LayOutPages(papers, 0, ZoomMode::WholePage, 1.0, 800, 600);
    EXPECT_EQ(whole.pagesPerRow, 1);
    EXPECT_EQ(whole.rects[1].bottom - whole.rects[1].top, 580);
    EXPECT_EQ(whole.rects[1].top, 10 + 580 + 10);
    const int w = whole.rects[0].right - whole.rects[0].left;
    EXPECT_EQ(whole.rects[0].left, (800 - w) / 2);
    EXPECT_EQ(whole.horizontalRange, 0);
    EXPECT_EQ(whole.verticalRange, whole.rects[2].bottom - 600 + 10);
    // Two pages: side by side across the width with 10 pixels around each.
    PageLayout two = LayOutPages(papers, 0, ZoomMode::TwoPages, 1.0, 800, 600);
    EXPECT_EQ(two.pagesPerRow, 2);
    EXPECT_EQ(two.rects[0].left, 10);
    EXPECT_EQ(two.rects[1].left, two.rects[0].right + 10);
    EXPECT_EQ(two.rects[1].right, 790);
    EXPECT_EQ(two.rects[2].left, 10);
    EXPECT_EQ(two.rects[2].top, two.rects[0].bottom + 10);
}

TEST(PreviewForm, RightClickMenuAndWheel)
{
    auto form = ShownForm(ListPages(3), 800, 600);
    QTest::mouseClick(form->PageArea(), Qt::RightButton, {}, QPoint(100, 100));
    QMenu* menu = form->ProcMenu();
    EXPECT_TRUE(menu->isVisible());
    auto* twoPages = menu->findChild<QAction*>(QStringLiteral("N3"));
    ASSERT_NE(twoPages, nullptr);
    EXPECT_EQ(twoPages->text(), QStringLiteral("&Two pages"));
    twoPages->trigger();
    menu->hide();
    EXPECT_EQ(form->Mode(), ZoomMode::TwoPages);
    EXPECT_TRUE(twoPages->isChecked());
    EXPECT_EQ(PreviewZoomMemory().mode, ZoomMode::TwoPages);
    EXPECT_EQ(ZoomText(*form),
              QStringLiteral("%1%").arg(std::lround(770.0 / (2 * kA4Width) * 100)));

    const int before = form->VScrollBar()->value();
    QWheelEvent wheel(QPointF(100, 100), form->PageArea()->mapToGlobal(QPointF(100, 100)), {},
                      QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->PageArea(), &wheel);
    EXPECT_GT(form->VScrollBar()->value(), before);
}

TEST(PreviewForm, FindTextThenF3GoesToTheNextMatch)
{
    PreparedPages pages = ListPages(3);
    AddMemo(pages, 1, 92, 300, 344, 17, "Port Wollongong North");
    AddMemo(pages, 1, 92, 700, 344, 17, "Wollongong");
    auto form = ShownForm(std::move(pages), 1000);

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<PreviewSearchForm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Find text"));
        dialog->textEdit()->setText(QStringLiteral("wollongong"));
        dialog->accept();
    });
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(form->Match());
    EXPECT_EQ(form->Match()->page, 1);
    EXPECT_EQ(form->CurrentPage(), 2);
    EXPECT_EQ(form->PageIndicator(), QStringLiteral("Page 2/3"));
    const QRectF first = form->Match()->recordBox;
    EXPECT_NEAR(first.top(), 300, 4);
    const int pageTop = form->Pages()[1].screenRect.top;
    EXPECT_EQ(form->VScrollBar()->value(),
              static_cast<int>(std::lround(first.top() * form->Factor())) + pageTop - 10);
    // The match is the word, a little way into its line.
    EXPECT_GT(form->Match()->matchBox.left(), first.left() + 20);

    QTest::keyClick(form.get(), Qt::Key_F3);
    ASSERT_TRUE(form->Match());
    EXPECT_EQ(form->Match()->page, 1);
    EXPECT_NEAR(form->Match()->recordBox.top(), 700, 4);
    EXPECT_EQ(form->CurrentPage(), 2);

    // No third one: the view stays on the second.
    QTest::keyClick(form.get(), Qt::Key_F3);
    EXPECT_NEAR(form->Match()->recordBox.top(), 700, 4);
}

TEST(PreviewForm, PagingStopsAtTheLastPage)
{
    auto form = ShownForm(ListPages(3), 1000);
    auto* pgDown = form->findChild<QPushButton*>(QStringLiteral("PgDown"));
    pgDown->click();
    EXPECT_EQ(form->CurrentPage(), 2);
    QTest::keyClick(form.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form->CurrentPage(), 3);
    const int value = form->VScrollBar()->value();
    pgDown->click();
    QTest::keyClick(form.get(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->CurrentPage(), 3);
    EXPECT_EQ(form->PageIndicator(), QStringLiteral("Page 3/3"));
    // What a screen reader is told of the page area and the toolbar.
    EXPECT_EQ(form->PageArea()->accessibleDescription(), QStringLiteral("Page 3/3"));
    EXPECT_EQ(form->findChild<QAbstractButton*>(QStringLiteral("ExitBtn"))->accessibleName(),
              QStringLiteral("Close preview"));
    EXPECT_EQ(form->VScrollBar()->value(), value);
    // Scrolling back up by hand makes the page under the top line current.
    form->VScrollBar()->setValue(form->Pages()[0].screenRect.bottom - 20);
    EXPECT_EQ(form->CurrentPage(), 1);
}

TEST(PreviewForm, TheIndicatorShowsSixDigitPageNumbersWhole)
{
    ReportPrinter printer;
    const ReportPage paper(printer, 9, 2100, 2970, 0);
    PreparedPages pages;
    for (int i = 0; i < 100000; ++i) {
        pages.Add(paper);
    }
    auto form = ShownForm(std::move(pages), 600);
    QTest::keyClick(form.get(), Qt::Key_End, Qt::ControlModifier);
    const auto* label = form->findChild<QLabel*>(QStringLiteral("Label1"));
    EXPECT_EQ(label->text(), QStringLiteral("Page 100000/100000"));
    // The text fits the label, the label its bevel, the bevel the scroll bar's left.
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
    EXPECT_LE(label->geometry().right(), label->parentWidget()->contentsRect().right());
    EXPECT_LE(label->parentWidget()->geometry().right(), form->HScrollBar()->x());
}

long long ResidentBytes()
{
    long long size = 0;
    long long resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

TEST(PreviewForm, ClosingGivesTheMemoryOfItsPagesBack)
{
    constexpr long long kMegabyte = 1 << 20;
    const long long before = ResidentBytes();
    std::unique_ptr<std::string> pinned; // made after the pages, kept after them
    {
        // About 120 MB of views in blocks of 24 KB, as pages that have been
        // on screen hold them (older page streams wait in the spill file).
        ReportPrinter printer;
        const ReportPage paper(printer, 9, 2100, 2970, 0);
        PreparedPages pages;
        for (int i = 0; i < 5000; ++i) {
            pages.Add(paper);
            AddMemo(pages, i, 10, 10, 700, 18, std::string(24000, 'a' + i % 26));
        }
        for (int i = 0; i < pages.Count(); ++i) {
            pages.Views(i);
        }
        pinned = std::make_unique<std::string>(100000, 'p');
        ASSERT_GT(ResidentBytes() - before, 100 * kMegabyte);
        auto form = std::make_unique<PreviewForm>(std::move(pages), Options());
        form.reset();
    }
    EXPECT_LT(ResidentBytes() - before, 20 * kMegabyte);
}

TEST(PreviewForm, PrintOnlyWithAPrinter)
{
    for (const bool printers : {false, true}) {
        auto form = ShownForm(ListPages(1), 600, 400, Options(printers));
        int printed = 0;
        form->OnPrint = [&printed](const PreparedPages&, int) {
            ++printed;
            return PrintOutcome{};
        };
        EXPECT_EQ(form->findChild<QAbstractButton*>(QStringLiteral("PrintBtn"))->isEnabled(),
                  printers);
        QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
        EXPECT_EQ(printed, printers ? 1 : 0);
    }
}

TEST(PreviewForm, EscapeClosesTheModalWindow)
{
    PreviewZoomMemory() = {};
    PreviewForm form(ListPages(2), Options());
    bool closedByEscape = false;
    QTimer::singleShot(0, [&form, &closedByEscape] {
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.isMaximized());
        QTest::keyClick(&form, Qt::Key_Escape);
        closedByEscape = !form.isVisible();
    });
    form.Show();
    EXPECT_TRUE(closedByEscape);
    EXPECT_FALSE(form.isVisible());
}

// Scrolling moves the pixels already painted and repaints only the strip
// it uncovers, and what shows then is what a full repaint gives.
TEST(PreviewForm, ScrollingRepaintsOnlyTheUncoveredStrip)
{
    auto form = ShownForm(ListPages(4), 800, 600);
    PageBox* area = form->PageArea();
    area->repaint();
    for (const int step : {10, 200, 37}) {
        area->ResetPaintedPixels();
        form->VScrollBar()->setValue(form->VScrollBar()->value() + step);
        QApplication::processEvents();
        EXPECT_EQ(area->PaintedPixels(), static_cast<long long>(step) * area->width()) << step;
    }
    const QPoint origin = area->mapTo(form.get(), QPoint(0, 0));
    const QImage scrolled =
        form->screen()
            ->grabWindow(form->winId(), origin.x(), origin.y(), area->width(), area->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const QImage full = area->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(scrolled.size(), full.size());
    EXPECT_TRUE(scrolled == full);
}

// Scrolling decides which pages keep their views before anything repaints:
// the page left far above gives them up, the page scrolled to is marked as
// on screen, and a page in a tall area is drawn however far down it stands.
TEST(PreviewForm, ScrollingReleasesPagesOutOfReachBeforeAnyPaint)
{
    auto form = ShownForm(ListPages(6), 800, 600);
    form->PageArea()->repaint();
    PreparedPages& pages = form->Pages();
    ASSERT_TRUE(pages[0].viewsLoaded);
    ASSERT_TRUE(pages[0].visible);
    form->GoToPage(6);
    EXPECT_FALSE(pages[0].viewsLoaded);
    EXPECT_FALSE(pages[0].visible);
    EXPECT_TRUE(pages[5].visible);
    EXPECT_EQ(NeedOf({0, 2100, 800, 3200}, 800, 2400), PageNeed::Show);
    EXPECT_EQ(NeedOf({0, 2100, 800, 3200}, 800, 600), PageNeed::Release);
    EXPECT_EQ(NeedOf({0, 1900, 800, 3000}, 800, 600), PageNeed::Keep);
}

// The looks of a flat button: no border at rest, raised under the mouse,
// sunken with the glyph one pixel further right and down while pressed.
TEST(ToolBarButton, FlatRaisedSunken)
{
    QWidget bar;
    ToolBarButton button(&bar, Glyph::Print, 22, 24);
    bar.show();
    const QColor face = button.palette().color(QPalette::Button);
    const QColor light = button.palette().color(QPalette::Light);
    const QColor dark = button.palette().color(QPalette::Dark);
    const QImage rest = button.grab().toImage();
    button.setAttribute(Qt::WA_UnderMouse, true);
    const QImage hot = button.grab().toImage();
    button.setDown(true);
    const QImage down = button.grab().toImage();

    EXPECT_EQ(rest.pixel(0, 0), face.rgb());
    EXPECT_EQ(rest.pixel(21, 23), face.rgb());
    EXPECT_EQ(hot.pixel(0, 0), light.rgb());
    EXPECT_EQ(hot.pixel(21, 23), dark.rgb());
    EXPECT_EQ(down.pixel(0, 0), dark.rgb());
    EXPECT_EQ(down.pixel(21, 23), light.rgb());
    // At rest the glyph is grey; under the mouse it has its colours.
    auto colourful = [](const QImage& image) {
        int n = 0;
        for (int y = 4; y < 20; ++y) {
            for (int x = 3; x < 19; ++x) {
                const QColor c = image.pixelColor(x, y);
                n += std::abs(c.red() - c.green()) + std::abs(c.green() - c.blue()) > 40 ? 1 : 0;
            }
        }
        return n;
    };
    EXPECT_EQ(colourful(rest), 0);
    EXPECT_GT(colourful(hot), 0);
    EXPECT_EQ(down.copy(4, 5, 16, 16), hot.copy(3, 4, 16, 16));
}

// At rest the glyph's lines stand out from the button face in a light and in
// a dark colour scheme alike: they take the button-text colour.
TEST(ToolBarButton, RestingGlyphContrastsWithTheFaceInAnyScheme)
{
    QPalette dark;
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xF0, 0xF0, 0xF0));
    dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
    const struct {
        const char* name;
        std::optional<QPalette> palette;
    } schemes[] = {{"light", std::nullopt}, {"dark", dark}};
    for (const auto& scheme : schemes) {
        QWidget bar;
        if (scheme.palette) {
            bar.setPalette(*scheme.palette);
        }
        ToolBarButton button(&bar, Glyph::Print, 22, 24);
        bar.show();
        const QImage rest = button.grab().toImage();
        const int face = qGray(button.palette().color(QPalette::Button).rgb());
        // The glyph's own ink (its dark lines), where the button draws it.
        const QImage glyph = GlyphPixmap(Glyph::Print, {16, 16}).toImage();
        int inked = 0;
        int contrast = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb ink = glyph.pixel(x, y);
                if (qAlpha(ink) > 200 && qGray(ink) < 64) {
                    ++inked;
                    contrast += std::abs(qGray(rest.pixel(3 + x, 4 + y)) - face);
                }
            }
        }
        ASSERT_GT(inked, 10) << scheme.name;
        EXPECT_GT(contrast / inked, 120) << scheme.name;
    }
}

} // namespace
} // namespace marlune::report::preview
