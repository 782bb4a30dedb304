#include "hints/bubblehintwindow.h"
#include "hints/hintcomponent.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// The bubble on a real X server (under xvfb-run), read back from the
// screen. MARLUNE_HINT_SHOTS=DIR keeps the screenshots there.
using namespace marlune::hints;

namespace {

const QRgb kDesk = qRgb(40, 110, 170);
const QRgb kDeskRgb = kDesk & 0xFFFFFFu;
const QRgb kWhiteRgb = 0xFFFFFFu;

QApplication* App()
{
    static int argc = 1;
    static char name[] = "hints_screen_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

class BubbleOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X server";
        }
        desk_ = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        QPalette deskColours = desk_->palette();
        deskColours.setColor(QPalette::Window, QColor(kDesk));
        desk_->setPalette(deskColours);
        desk_->setAutoFillBackground(true);
        desk_->setGeometry(0, 0, 400, 300);
        control_ = new QWidget(desk_.get());
        control_->setGeometry(150, 150, 80, 24);
        control_->setToolTip(QStringLiteral("Print complete list"));
        desk_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(desk_.get()));
        QTest::qWait(200);
    }

    void TearDown() override { QApplication::setPalette(QPalette()); }

    // Shows the control's hint and reads the screen: the bubble's window in
    // device pixels.
    QImage ShowAndRead(HintComponent& hint, const char* shotName)
    {
        hint.ShowHint(control_, control_->mapToGlobal(QPoint(40, 12)));
        window_ = hint.HintWindow();
        if (window_ == nullptr || !QTest::qWaitForWindowExposed(window_)) {
            return {};
        }
        QTest::qWait(300);
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage shot = screen->grabWindow(0).toImage();
        const QByteArray dir = qgetenv("MARLUNE_HINT_SHOTS");
        if (!dir.isEmpty()) {
            shot.copy(0, 0, 400 * ratio(), 300 * ratio())
                .save(QDir(QString::fromLocal8Bit(dir))
                          .filePath(QStringLiteral("%1_x%2.png")
                                        .arg(QLatin1String(shotName))
                                        .arg(ratio())));
        }
        const QRect r = window_->geometry();
        return shot.copy(QRect(r.topLeft() * ratio(), r.size() * ratio()));
    }

    int ratio() const { return qRound(QGuiApplication::primaryScreen()->devicePixelRatio()); }

    // A logical pixel of the window, read in its middle.
    QRgb At(const QImage& bubble, int x, int y) const
    {
        return bubble.pixel(x * ratio() + ratio() / 2, y * ratio() + ratio() / 2) & 0xFFFFFFu;
    }

    // The pixels of the text's lines, in device pixels.
    QRect TextArea() const
    {
        const int w = window_->width();
        const int top = IsUpward(window_->Direction()) ? 3 : 18;
        return {8 * ratio(), top * ratio(), (w - 17) * ratio(), 12 * ratio()};
    }

    std::unique_ptr<QWidget> desk_;
    QWidget* control_ = nullptr;
    BubbleHintWindow* window_ = nullptr;
};

int DarkPixels(const QImage& image, const QRect& area)
{
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            dark += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
        }
    }
    return dark;
}

} // namespace

// At 100 % and at scale 2 (QT_SCALE_FACTOR), under the default and a dark
// scheme: the desk around the bubble, never black; dark text on the white body.
TEST_F(BubbleOnScreen, TheDeskShowsAroundItAndTheTextStandsOut)
{
    QPalette dark(QColor(53, 53, 53));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    // A pale highlight copy: only the text's own colour can stand out.
    dark.setColor(QPalette::Light, QColor(220, 220, 220));
    for (const char* scheme : {"bubble", "dark"}) {
        SCOPED_TRACE(scheme);
        QApplication::setPalette(*scheme == 'd' ? dark : QPalette());
        HintComponent hint;
        const QImage bubble = ShowAndRead(hint, scheme);
        ASSERT_FALSE(bubble.isNull());
        ASSERT_EQ(window_->Direction(), dUpRight);
        const int w = window_->width();
        const int h = window_->height();
        // Above the shadow at the right, and below it: the desk.
        EXPECT_EQ(At(bubble, w - 2, 1), kDeskRgb);
        EXPECT_EQ(At(bubble, w - 3, h - 3), kDeskRgb);
        EXPECT_EQ(At(bubble, w - 10, h - 17), kWhiteRgb); // the body
        EXPECT_GT(DarkPixels(bubble, TextArea()), 40);
        // At scale 2, letters drawn at the screen's resolution, not
        // enlarged: some blocks of ratio x ratio device pixels are mixed.
        int mixed = 0;
        const QRect text = TextArea();
        for (int y = text.top(); ratio() > 1 && y + ratio() <= text.bottom(); y += ratio()) {
            for (int x = text.left(); x + ratio() <= text.right(); x += ratio()) {
                bool same = true;
                for (int d = 0; d < ratio() * ratio(); ++d) {
                    same = same &&
                           bubble.pixel(x + d % ratio(), y + d / ratio()) == bubble.pixel(x, y);
                }
                mixed += same ? 0 : 1;
            }
        }
        EXPECT_TRUE(ratio() == 1 || mixed > 20) << mixed;
    }
}
