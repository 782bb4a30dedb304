// The main window's controls as the user sees them.
#include "apptestbase.h"

#include "widgets/dbgrid.h"
#include "widgets/labelededit.h"
#include "widgets/statusbar.h"
#include "widgets/toolbar.h"
#include "report/preview/previewform.h"
#include "platform/paint/colors.h"
#include "platform/paint/fonts.h"

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
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(form.font().family(), platform::paint::VerdanaFont(11).family());
    EXPECT_EQ(form.palette().color(QPalette::Window),
              platform::paint::ColorToQColor(platform::paint::clBtnFace));
    EXPECT_TRUE(form.autoFillBackground());
}

TEST_F(MainWindowWindowTest, CannotBeMadeSmallerThanItsMinimum)
{
    app::MainWindow& form = *form_;
    form.resize(300, 200);
    EXPECT_EQ(form.size(), QSize(width_, height_));
    EXPECT_GE(form.frameGeometry().width(), 500);
    EXPECT_GE(form.frameGeometry().height(), 330);
    // Larger is fine, and the controls follow the new size.
    form.resize(640, 480);
    EXPECT_EQ(form.size(), QSize(640, 480));
    EXPECT_EQ(form.panel->width(), 640);
    EXPECT_EQ(form.statusBar->geometry().bottom(), 479);
    EXPECT_EQ(form.statusBar->width(), 640);
}

TEST_F(MainWindowWindowTest, PanelAndToolBar)
{
    app::MainWindow& form = *form_;
    EXPECT_EQ(form.panel->geometry(), QRect(0, 0, width_, 89));
    EXPECT_EQ(form.panel->frameShape(), QFrame::Panel);
    EXPECT_EQ(form.panel->frameShadow(), QFrame::Raised);
    EXPECT_EQ(form.toolBar->parentWidget(), form.panel);
    EXPECT_EQ(form.toolBar->height(), 40);
    EXPECT_EQ(form.toolBar->y(), form.panel->frameWidth());

    struct Expected {
        QWidget* item;
        int width;
    };
    // Left to right: separator, Exit, Print, Update, separator, About.
    const std::vector<Expected> row = {{form.leadingSeparator, 8}, {form.exitButton, 47},
                                       {form.printButton, 47},     {form.updateButton, 47},
                                       {form.aboutSeparator, 8},   {form.aboutButton, 47}};
    int x = 0;
    for (const Expected& e : row) {
        SCOPED_TRACE(e.item->objectName().toStdString());
        EXPECT_EQ(e.item->x(), x);
        EXPECT_EQ(e.item->width(), e.width);
        EXPECT_EQ(e.item->height(), 36);
        x += e.width;
    }
}

TEST_F(MainWindowWindowTest, ToolButtonsCaptionsPicturesHintsAndState)
{
    app::MainWindow& form = *form_;
    struct Expected {
        QToolButton* button;
        const char* caption;
        int picture;
        const char* hint;
        bool enabled;
    };
    const Expected buttons[] = {
        {form.exitButton, "Exit", 0, "Exit Marlune", true},
        {form.printButton, "Print", 1, "Print complete list", true},
        {form.updateButton, "Update", 2, "Check for updates", true},
        {form.aboutButton, "About", 3, "About Marlune", true},
    };
    ASSERT_EQ(form.toolImages().Count(), 4);
    for (const Expected& e : buttons) {
        SCOPED_TRACE(e.caption);
        EXPECT_EQ(e.button->text(), QString::fromLatin1(e.caption));
        EXPECT_EQ(e.button->toolTip(), QString::fromLatin1(e.hint));
        EXPECT_EQ(e.button->isEnabled(), e.enabled);
        EXPECT_EQ(e.button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_EQ(e.button->iconSize(), QSize(16, 16));
        const QImage shown =
            e.button->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage listed =
            form.toolImages().Image(e.picture).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(shown, listed);
    }
    for (int i = 0; i < 4; ++i) {
        const QPixmap& picture = form.toolImages().Image(i);
        EXPECT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), QSize(16, 16));
        for (int j = 0; j < i; ++j) {
            EXPECT_NE(picture.toImage(), form.toolImages().Image(j).toImage());
        }
    }
}

// On screens scaled to 200 % and 300 % each toolbar icon takes a drawing of
// its own at 32 and 48 pixels, not its 16-pixel picture scaled up; at 100 %
// it is the 16-pixel picture.
TEST_F(MainWindowWindowTest, ToolButtonPicturesForScaledScreens)
{
    app::MainWindow& form = *form_;
    const QToolButton* buttons[] = {form.exitButton, form.printButton, form.updateButton,
                                    form.aboutButton};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const QIcon icon = buttons[i]->icon();
        const QImage small =
            form.toolImages().Image(i).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(icon.pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(QImage::Format_ARGB32),
                  small);
        for (const int ratio : {2, 3}) {
            const QImage drawn =
                icon.pixmap(QSize(16, 16), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
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
    }
}

TEST_F(MainWindowWindowTest, SearchBoxAndRadioButtons)
{
    app::MainWindow& form = *form_;
    EXPECT_EQ(form.searchEdit->parentWidget(), form.panel);
    EXPECT_EQ(form.searchEdit->geometry(), QRect(8, 61, 121, 21));
    EXPECT_EQ(form.searchEdit->toolTip(), QStringLiteral("Type your search here"));
    EXPECT_TRUE(form.searchEdit->text().isEmpty());
    // No length limit: a text longer than any edit box's usual limit stays whole.
    const QString longText(40000, QLatin1Char('x'));
    form.searchEdit->setText(longText);
    EXPECT_EQ(form.searchEdit->text().size(), longText.size());
    EXPECT_TRUE(messages_.empty());
    form.searchEdit->clear();
    const QLabel* label = form.searchEdit->EditLabel();
    EXPECT_EQ(label->text(), QStringLiteral("Search"));
    EXPECT_EQ(label->parentWidget(), form.panel);
    EXPECT_EQ(label->x(), 8);
    EXPECT_EQ(label->y() + label->height() + 3, 61);
    EXPECT_TRUE(label->isVisible());

    EXPECT_EQ(form.bySuburbButton->geometry(), QRect(144, 51, 113, 17));
    EXPECT_EQ(form.byPostcodeButton->geometry(), QRect(144, 67, 113, 17));
    EXPECT_EQ(form.bySuburbButton->text(), QStringLiteral("By Suburb"));
    EXPECT_EQ(form.byPostcodeButton->text(), QStringLiteral("By Post Code"));
    EXPECT_EQ(form.bySuburbButton->toolTip(), QStringLiteral("Select search field"));
    EXPECT_EQ(form.byPostcodeButton->toolTip(), QStringLiteral("Select search field"));
    EXPECT_TRUE(form.bySuburbButton->isChecked());
    EXPECT_FALSE(form.byPostcodeButton->isChecked());

    // One group: checking one unchecks the other, clicking the checked one
    // keeps it checked.
    QTest::mouseClick(form.byPostcodeButton, Qt::LeftButton);
    EXPECT_TRUE(form.byPostcodeButton->isChecked());
    EXPECT_FALSE(form.bySuburbButton->isChecked());
    QTest::mouseClick(form.byPostcodeButton, Qt::LeftButton);
    EXPECT_TRUE(form.byPostcodeButton->isChecked());
    QTest::mouseClick(form.bySuburbButton, Qt::LeftButton);
    EXPECT_TRUE(form.bySuburbButton->isChecked());
    EXPECT_FALSE(form.byPostcodeButton->isChecked());
}

TEST_F(MainWindowWindowTest, GridFillsTheAreaBetweenPanelAndStatusBar)
{
    app::MainWindow& form = *form_;
    ASSERT_NE(form.grid, nullptr);
    EXPECT_EQ(form.grid->DataSource(), &form.dataSource);
    EXPECT_EQ(form.grid->geometry(), QRect(0, 89, width_, height_ - 89 - 19));
    form.resize(700, 500);
    EXPECT_EQ(form.grid->geometry(), QRect(0, 89, 700, 500 - 89 - 19));
}

TEST_F(MainWindowWindowTest, TabOrderStartsAtTheGridWhichHasTheFocus)
{
    app::MainWindow& form = *form_;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), form.grid);

    // The chain of controls that Tab can reach, from the grid on.
    std::vector<QWidget*> chain;
    QWidget* w = form.grid;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&form) && w->window() == &form) {
            chain.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != form.grid && chain.size() < 20);
    EXPECT_EQ(chain, (std::vector<QWidget*>{form.grid, form.searchEdit, form.bySuburbButton,
                                            form.byPostcodeButton}));

    // Tab visits the checked radio button of the group only, as usual.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.searchEdit);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.bySuburbButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.grid);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), form.bySuburbButton);
}

TEST_F(MainWindowWindowTest, EveryControlHasANameForAssistiveTechnology)
{
    const QList<QWidget*> controls = {
        form_->searchEdit, form_->bySuburbButton, form_->byPostcodeButton, form_->grid,
        form_->exitButton, form_->printButton,    form_->updateButton,     form_->aboutButton};
    for (QWidget* control : controls) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(a, nullptr) << control->objectName().toStdString();
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << control->objectName().toStdString();
        // What a hint says is there for a screen reader too.
        if (!control->toolTip().isEmpty()) {
            EXPECT_TRUE(a->text(QAccessible::Description).startsWith(control->toolTip()))
                << control->objectName().toStdString();
        }
    }
}

TEST_F(MainWindowWindowTest, StatusBar)
{
    app::MainWindow& form = *form_;
    const widgets::StatusBar& bar = *form.statusBar;
    EXPECT_EQ(bar.geometry(), QRect(0, height_ - 19, width_, 19));
    ASSERT_EQ(bar.PanelCount(), 2);
    EXPECT_EQ(bar.Panels(0).width, 200);
    EXPECT_EQ(bar.Panels(0).alignment, Qt::AlignLeft);
    EXPECT_TRUE(bar.Panels(0).text.empty());
    EXPECT_EQ(bar.Panels(1).alignment, Qt::AlignHCenter);
    EXPECT_FALSE(bar.Panels(1).text.empty());
    EXPECT_EQ(bar.PanelRect(0).left(), 0);
    EXPECT_LT(bar.PanelRect(0).right(), 200);
    EXPECT_EQ(bar.PanelRect(1).left(), 200);
    EXPECT_EQ(bar.PanelRect(1).right(), width_ - 1);
}

TEST_F(MainWindowWindowTest, StatusBarPanelTextIsPainted)
{
    app::MainWindow& form = *form_;
    widgets::StatusBar& bar = *form.statusBar;
    const auto inkIn = [&bar](const QRect& area) {
        const QImage image = bar.grab().toImage();
        const QRgb background = image.pixel(area.center().x(), area.bottom() - 2);
        int ink = 0;
        for (int y = area.top() + 2; y < area.bottom() - 1; ++y) {
            for (int x = area.left() + 2; x < area.right() - 1; ++x) {
                ink += image.pixel(x, y) != background;
            }
        }
        return ink;
    };
    const QRect first = bar.PanelRect(0);
    EXPECT_EQ(inkIn(first), 0);
    bar.SetPanelText(0, "Got 12 of 345 Kb total");
    EXPECT_EQ(bar.Panels(0).text, "Got 12 of 345 Kb total");
    EXPECT_GT(inkIn(first), 0);
    // The maker text is centred: as much blank space left of it as right.
    const QRect second = bar.PanelRect(1);
    EXPECT_GT(inkIn(second), 0);
    const QImage image = bar.grab().toImage();
    const QRgb background = image.pixel(second.left() + 4, second.center().y());
    int left = second.right();
    int right = second.left();
    for (int y = second.top() + 2; y < second.bottom() - 1; ++y) {
        for (int x = second.left() + 2; x < second.right() - 16; ++x) {
            if (image.pixel(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    EXPECT_NEAR(left - second.left(), second.right() - right, 3);
}

TEST_F(MainWindowWindowTest, ExitClosesTheWindow)
{
    app::MainWindow& form = *form_;
    QSignalSpy closed(&form, &app::MainWindow::Closed);
    QTest::mouseClick(form.exitButton, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowWindowTest, StandardKeysPressTheToolbarButtons)
{
    app::MainWindow& form = *form_;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    struct Expected {
        QToolButton* button;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
    };
    const Expected keys[] = {
        {form.printButton, Qt::Key_P, Qt::ControlModifier, "Ctrl+P"},
        {form.updateButton, Qt::Key_F5, Qt::NoModifier, "F5"},
        {form.aboutButton, Qt::Key_F1, Qt::NoModifier, "F1"},
        {form.exitButton, Qt::Key_Q, Qt::ControlModifier, "Ctrl+Q"},
    };
    // Update runs for real and fails at once; without an about box About
    // shows nothing; Print's preview is closed as soon as it is up.
    form.updater().SetHost("no such host");
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
        // Screen readers hear the key after the hint, and as the key of the
        // button's press action.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(e.button);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Description),
                  e.button->toolTip() + QStringLiteral(" (%1)").arg(QLatin1String(e.text)));
        QAccessibleActionInterface* action = a->actionInterface();
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
                  QStringList{QLatin1String(e.text)});

        // Pressed from the grid and from the search box alike. The button
        // shows itself pressed for a moment before it acts.
        QSignalSpy clicked(e.button, &QToolButton::clicked);
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
        if (!e.button->isEnabled()) {
            // A disabled button's key does nothing; once enabled, it presses it.
            press(form.grid, 0);
            e.button->setEnabled(true);
            press(form.grid, 1);
            e.button->setEnabled(false);
        } else if (press(form.grid, 1)) {
            press(form.searchEdit, 2);
        }
    }
    EXPECT_EQ(form.statusBar->Panels(0).text, "Update server not reached: Host not found");
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowWindowTest, NonVisualComponents)
{
    app::MainWindow& form = *form_;
    EXPECT_EQ(form.Table1.Name(), "Table1");
    EXPECT_EQ(form.dataSource.DataSet(), &form.Table1);
    const settings::DataStore& store = form.settingsStore.DataStore();
    EXPECT_EQ(store.Section(), "Settings");
    EXPECT_EQ(store.Registry().Path(), "\\Software\\Calderix\\Marlune");
    EXPECT_EQ(store.Registry().Rootkey(), settings::hkeyCurrentUser);
    EXPECT_EQ(store.Inifile().IniFilename(), "MyFile.ini");
    EXPECT_EQ(store.Datatype(), settings::sRegistry);
    EXPECT_FALSE(store.Password().empty());
}

TEST(MainWindowCreated, TableIsOpenWithItsFiveFieldsAndNoRecords)
{
    TestApplication();
    app::MainWindow form;
    EXPECT_FALSE(form.ShowStepDone());
    EXPECT_TRUE(form.Table1.Active());
    EXPECT_EQ(form.Table1.RecordCount(), 0);
    ASSERT_EQ(form.Table1.FieldCount(), 5);
    const char* names[] = {"Pcode", "Locality", "State", "Comments", "DeliveryOffice"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(form.Table1.Fields(i).FieldName(), names[i]);
    }
    EXPECT_TRUE(form.CurrentDataFileName.empty());
}

} // namespace
} // namespace marlune::testing
