// The main window's controls as the user and assistive technology find them.
#include "apptestbase.h"

#include "report/preview/previewform.h"
#include "widgets/dbgrid.h"
#include "widgets/labelededit.h"
#include "widgets/statusbar.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace marlune::testing {
namespace {

class MainWindowWindowTest : public AppTestBase {
protected:
    void SetUp() override
    {
        AppTestBase::SetUp();
        CopyRealDataFile();
        ShowForm();
        // The offscreen platform draws no frame but reports one.
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return form_->frameGeometry().size() == QSize(500, 330); }, 5000));
        width_ = form_->width();
        height_ = form_->height();
    }
    // What the window frame adds to the client size.
    QSize Frame() const { return form_->frameGeometry().size() - form_->size(); }
    QToolButton& Button(const char* name) const { return Find<QToolButton>(name); }
    // The button's picture as the program's resources hold it.
    static QImage Picture(const QString& name)
    {
        return QImage(QStringLiteral(":/marlune/%1.png").arg(name))
            .convertToFormat(QImage::Format_ARGB32);
    }

    int width_ = 0; // client size
    int height_ = 0;
};

TEST_F(MainWindowWindowTest, WindowSettings)
{
    app::MainWindow& form = *form_;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Marlune"));
    EXPECT_FALSE(form.windowIcon().isNull());
    // The outer size, frame included, is 500 x 330, and so is the minimum.
    EXPECT_EQ(form.frameGeometry().size(), QSize(500, 330));
    EXPECT_EQ(form.minimumSize() + Frame(), QSize(500, 330));
}

// The panel at the top, the status bar at the bottom, the grid between: at
// the first size, larger, and when asked to be smaller than the minimum.
TEST_F(MainWindowWindowTest, ControlsFollowTheSizeWhichHasAMinimum)
{
    app::MainWindow& form = *form_;
    auto& panel = Find<QFrame>("Panel1");
    auto& toolBar = Find<QWidget>("ToolBar1");
    auto& grid = Find<widgets::DBGrid>("DBGrid1");
    auto& bar = Find<widgets::StatusBar>("StatusBar1");
    EXPECT_EQ(grid.DataSource(), &form.catalogue().Source());
    EXPECT_EQ(toolBar.parentWidget(), &panel);
    // The search controls keep their place in the panel whatever the size.
    const std::vector<QWidget*> search = {&Find<QWidget>("Edit1"), &Find<QWidget>("RadioButton1"),
                                          &Find<QWidget>("RadioButton2")};
    const auto places = [&search] {
        std::vector<QRect> rects;
        for (const QWidget* w : search) {
            rects.push_back(w->geometry());
        }
        return rects;
    };
    const std::vector<QRect> first = places();
    const int panelHeight = panel.height();
    const int barHeight = bar.height();
    const struct {
        QSize asked;
        QSize client;
    } sizes[] = {
        {QSize(width_, height_), QSize(width_, height_)},
        {QSize(640, 480), QSize(640, 480)},
        {QSize(300, 200), QSize(width_, height_)},
        {QSize(700, 500), QSize(700, 500)},
    };
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.asked.width());
        form.resize(s.asked);
        const int w = s.client.width();
        const int h = s.client.height();
        ASSERT_EQ(form.size(), s.client);
        EXPECT_EQ(panel.geometry(), QRect(0, 0, w, panelHeight));
        EXPECT_EQ(toolBar.y(), panel.frameWidth());
        EXPECT_EQ(grid.geometry(), QRect(0, panelHeight, w, h - panelHeight - barHeight));
        EXPECT_EQ(bar.geometry(), QRect(0, h - barHeight, w, barHeight));
        // The maker's panel reaches from 200 pixels to the right edge.
        EXPECT_EQ(bar.PanelRect(0).left(), 0);
        EXPECT_LT(bar.PanelRect(0).right(), 200);
        EXPECT_EQ(bar.PanelRect(1).left(), 200);
        EXPECT_EQ(bar.PanelRect(1).right(), w - 1);
        EXPECT_EQ(places(), first);
    }
    // The toolbar, left to right: separator, Exit, Print, Update, separator, About.
    int x = 0;
    for (const char* name : {"ToolButton2", "ToolButton1", "ToolButton3", "ToolButton6",
                             "ToolButton5", "ToolButton4"}) {
        SCOPED_TRACE(name);
        const auto& item = Find<QWidget>(name);
        EXPECT_EQ(item.parentWidget(), &toolBar);
        EXPECT_EQ(item.x(), x);
        x += item.width();
    }
    // The search box's label sits above it, inside the panel.
    const QLabel* label = Find<widgets::LabeledEdit>("Edit1").EditLabel();
    EXPECT_EQ(label->parentWidget(), &panel);
    EXPECT_EQ(label->x(), search[0]->x());
    EXPECT_LT(label->geometry().bottom(), search[0]->y());
    EXPECT_TRUE(label->isVisible());
}

// What each control shows and says, to the eye and to a screen reader: one
// row per control.
TEST_F(MainWindowWindowTest, EveryControlShowsAndSaysWhatItIs)
{
    const struct {
        const char* name;
        const char* text; // caption or label
        const char* hint;
        const char* picture; // the toolbar's picture of the button
    } controls[] = {
        {"ToolButton1", "Exit", "Exit Marlune", "tb_exit"},
        {"ToolButton3", "Print", "Print complete list", "tb_print"},
        {"ToolButton6", "Update", "Check for updates", "tb_update"},
        {"ToolButton4", "About", "About Marlune", "tb_about"},
        {"Edit1", "Search", "Type your search here", nullptr},
        {"RadioButton1", "By Suburb", "Select search field", nullptr},
        {"RadioButton2", "By Post Code", "Select search field", nullptr},
        {"DBGrid1", "Postcodes", "", nullptr},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget& control = Find<QWidget>(c.name);
        EXPECT_TRUE(control.isEnabled());
        EXPECT_EQ(control.toolTip(), QString::fromLatin1(c.hint));
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&control);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty());
        // What a hint says is there for a screen reader too.
        EXPECT_TRUE(a->text(QAccessible::Description).startsWith(control.toolTip()));
        if (auto* edit = qobject_cast<widgets::LabeledEdit*>(&control)) {
            EXPECT_EQ(edit->EditLabel()->text(), QString::fromLatin1(c.text));
            EXPECT_TRUE(edit->text().isEmpty());
            // No length limit: a text longer than any edit box's usual limit stays whole.
            edit->setText(QString(40000, QLatin1Char('x')));
            EXPECT_EQ(edit->text().size(), 40000);
        } else if (auto* radio = qobject_cast<QRadioButton*>(&control)) {
            EXPECT_EQ(radio->text(), QString::fromLatin1(c.text));
            // By Suburb is checked at start.
            EXPECT_EQ(radio->isChecked(), radio->objectName() == QStringLiteral("RadioButton1"));
        } else if (auto* button = qobject_cast<QToolButton*>(&control)) {
            EXPECT_EQ(button->text(), QString::fromLatin1(c.text));
            // At 100 % the 16-pixel picture; on screens scaled to 200 % and
            // 300 % a drawing of its own at 32 and 48 pixels, not the small
            // picture scaled up.
            const QImage small = Picture(QLatin1String(c.picture));
            for (const int ratio : {1, 2, 3}) {
                const QImage drawn = button->icon()
                                         .pixmap(QSize(16, 16), ratio)
                                         .toImage()
                                         .convertToFormat(QImage::Format_ARGB32);
                if (ratio == 1) {
                    EXPECT_EQ(drawn, small);
                    continue;
                }
                ASSERT_EQ(drawn.size(), QSize(16, 16) * ratio) << ratio;
                const QImage scaledUp = small.scaled(drawn.size());
                int differing = 0;
                for (int y = 0; y < drawn.height(); ++y) {
                    for (int x = 0; x < drawn.width(); ++x) {
                        differing += drawn.pixel(x, y) != scaledUp.pixel(x, y) ? 1 : 0;
                    }
                }
                EXPECT_GT(differing, drawn.width() * drawn.height() / 10) << ratio;
            }
        } else {
            EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(c.text));
        }
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowWindowTest, TabOrderStartsAtTheGridWhichHasTheFocus)
{
    app::MainWindow& form = *form_;
    QWidget* grid = &Find<QWidget>("DBGrid1");
    QWidget* search = &Find<QWidget>("Edit1");
    QWidget* bySuburb = &Find<QWidget>("RadioButton1");
    QWidget* byPostcode = &Find<QWidget>("RadioButton2");
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), grid);

    // The chain of controls that Tab can reach, from the grid on.
    std::vector<QWidget*> chain;
    QWidget* w = grid;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&form) && w->window() == &form) {
            chain.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != grid && chain.size() < 20);
    EXPECT_EQ(chain, (std::vector<QWidget*>{grid, search, bySuburb, byPostcode}));

    // Tab visits the checked radio button of the group only.
    for (const auto& [key, next] :
         {std::pair{Qt::Key_Tab, search}, std::pair{Qt::Key_Tab, bySuburb},
          std::pair{Qt::Key_Tab, grid}, std::pair{Qt::Key_Backtab, bySuburb}}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(MainWindowWindowTest, StatusBarPanelTextIsPainted)
{
    auto& bar = Find<widgets::StatusBar>("StatusBar1");
    ASSERT_EQ(bar.PanelCount(), 2);
    // The bounds of what is painted in the panel, its edges and the last
    // `right` pixels left out: empty if nothing is.
    const auto ink = [&bar](const QRect& area, int right) {
        const QImage image = bar.grab().toImage();
        const QRgb background = image.pixel(area.center().x(), area.bottom() - 2);
        QRect bounds;
        for (int y = area.top() + 2; y < area.bottom() - 1; ++y) {
            for (int x = area.left() + 2; x < area.right() - right; ++x) {
                if (image.pixel(x, y) != background) {
                    bounds |= QRect(x, y, 1, 1);
                }
            }
        }
        return bounds;
    };
    const QRect first = bar.PanelRect(0);
    EXPECT_TRUE(ink(first, 1).isNull());
    bar.SetPanelText(0, "Got 12 of 345 Kb total");
    EXPECT_FALSE(ink(first, 1).isNull());
    // The maker text is centred: as much blank space left of it as right.
    const QRect second = bar.PanelRect(1);
    const QRect maker = ink(second, 16);
    ASSERT_FALSE(maker.isNull());
    EXPECT_NEAR(maker.left() - second.left(), second.right() - maker.right(), 3);
}

TEST_F(MainWindowWindowTest, StandardKeysPressTheToolbarButtons)
{
    app::MainWindow& form = *form_;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QSignalSpy closed(&form, &app::MainWindow::Closed);
    struct Expected {
        const char* button;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
    };
    const Expected keys[] = {
        {"ToolButton3", Qt::Key_P, Qt::ControlModifier, "Ctrl+P"},
        {"ToolButton6", Qt::Key_F5, Qt::NoModifier, "F5"},
        {"ToolButton4", Qt::Key_F1, Qt::NoModifier, "F1"},
        {"ToolButton1", Qt::Key_Q, Qt::ControlModifier, "Ctrl+Q"},
    };
    QWidget* grid = &Find<QWidget>("DBGrid1");
    QWidget* search = &Find<QWidget>("Edit1");
    // Update runs for real and fails at once; without an about box About
    // shows nothing; Print's preview is closed as soon as it is up.
    form.catalogue().Updater().SetHost("no such host");
    QTimer closePreview;
    QObject::connect(&closePreview, &QTimer::timeout, [] {
        if (auto* preview =
                qobject_cast<report::preview::PreviewForm*>(QApplication::activeModalWidget())) {
            preview->close();
        }
    });
    closePreview.start(20);
    for (const Expected& e : keys) {
        SCOPED_TRACE(e.text);
        QToolButton* button = &Button(e.button);
        // Screen readers hear the key after the hint, and as the key of the
        // button's press action.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Description),
                  button->toolTip() + QStringLiteral(" (%1)").arg(QLatin1String(e.text)));
        QAccessibleActionInterface* action = a->actionInterface();
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
                  QStringList{QLatin1String(e.text)});

        // Pressed from the grid and from the search box alike. The button
        // shows itself pressed for a moment before it acts.
        QSignalSpy clicked(button, &QToolButton::clicked);
        const auto press = [&form, &clicked, &e](QWidget* focus, int count) {
            // The window is active again after a modal window it opened.
            form.activateWindow();
            (void)QTest::qWaitForWindowActive(&form);
            focus->setFocus();
            QTest::keyClick(focus, e.key, e.modifiers);
            if (count == 0) {
                QTest::qWait(300);
            } else {
                (void)QTest::qWaitFor([&] { return clicked.count() == count; }, 1000);
            }
            EXPECT_EQ(clicked.count(), count) << focus->objectName().toStdString();
            return form.isVisible();
        };
        // A disabled button's key does nothing; once enabled, it presses it.
        button->setEnabled(false);
        press(grid, 0);
        button->setEnabled(true);
        if (press(grid, 1)) {
            press(search, 2);
        }
    }
    EXPECT_EQ(Find<widgets::StatusBar>("StatusBar1").Panels(0).text,
              "Update server not reached: Host not found");
    // Exit, pressed last, closed the window once.
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(closed.count(), 1);
}

} // namespace
} // namespace marlune::testing
