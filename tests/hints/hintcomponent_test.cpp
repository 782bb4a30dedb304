#include "hints/bubblehintwindow.h"
#include "hints/hintcomponent.h"
#include "hintstest.h"
#include "platform/hintsettings.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace marlune::hints;

namespace {

class HintComponentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        marlune::hints::testing::TestApplication();
        window_ = std::make_unique<QWidget>();
        window_->setGeometry(200, 200, 300, 200);
        first_ = new QLineEdit(window_.get());
        first_->setGeometry(10, 10, 120, 24);
        first_->setToolTip(QStringLiteral("Type your search here"));
        second_ = new QLineEdit(window_.get());
        second_->setGeometry(10, 60, 120, 24);
        second_->setToolTip(QStringLiteral("Fish & chips"));
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    std::unique_ptr<QWidget> window_;
    QLineEdit* first_ = nullptr;
    QLineEdit* second_ = nullptr;
};

} // namespace

TEST_F(HintComponentTest, OnlyOneComponentAtATime)
{
    HintComponent hint;
    try {
        HintComponent second;
        FAIL() << "a second component was made";
    } catch (const DuplicateHintError& e) {
        EXPECT_STREQ(e.what(), "You can have one and ONLY ONE\r\nHintComponent Component\r\n in a "
                               "project and it must be on the Mainform");
    }
    EXPECT_EQ(HintComponent::Instance(), &hint);
}

TEST_F(HintComponentTest, ShowsTheControlsHintBesideThePointer)
{
    HintComponent hint;
    int asked = 0;
    hint.OnSelectHintDirection = [&](QWidget* control, HintDirectionKind& direction) {
        ++asked;
        if (control == second_) {
            direction = dDownLeft;
        }
    };
    const QPoint pointer(400, 400);
    hint.ShowHint(first_, pointer);
    ASSERT_NE(hint.HintWindow(), nullptr);
    EXPECT_EQ(hint.HintWindow()->Direction(), dUpRight);
    EXPECT_EQ(hint.HintWindow()->geometry().bottomLeft(), QPoint(400, 400 - 5 - 1));
    EXPECT_EQ(hint.HintWindow()->windowTitle(), first_->toolTip());

    hint.ShowHint(second_, pointer);
    EXPECT_EQ(hint.HintWindow()->Direction(), dDownLeft);
    EXPECT_EQ(hint.HintWindow()->geometry().top(), 400 + 15);
    EXPECT_EQ(hint.HintDirection(), dUpRight); // the setting itself stays
    EXPECT_EQ(asked, 2);

    hint.HideHint();
    EXPECT_EQ(hint.HintWindow(), nullptr);
    hint.ShowHint(window_.get(), pointer); // no hint of its own: nothing shows
    EXPECT_EQ(hint.HintWindow(), nullptr);
}

TEST_F(HintComponentTest, RestingThePointerShowsTheBubbleAndItGoesAgain)
{
    HintComponent hint;
    hint.SetHintPauseTime(100);
    QTest::mouseMove(first_, QPoint(20, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return hint.HintWindow() != nullptr; }, 3000));
    EXPECT_EQ(hint.HintWindow()->windowTitle(), first_->toolTip());
    // Hidden after its time is up, and not shown again while the pointer stays.
    ASSERT_TRUE(QTest::qWaitFor([&] { return hint.HintWindow() == nullptr; },
                                HintComponent::kHideTimeout + 2000));
    QTest::qWait(300);
    EXPECT_EQ(hint.HintWindow(), nullptr);
    // Qt's own tooltip stays away.
    QHelpEvent help(QEvent::ToolTip, QPoint(20, 10), first_->mapToGlobal(QPoint(20, 10)));
    EXPECT_TRUE(QCoreApplication::sendEvent(first_, &help));
}

TEST_F(HintComponentTest, ItsPauseIsTheApplicationsAndHintsCanBeSwitchedOff)
{
    marlune::platform::ApplicationHintSettings() = marlune::platform::HintSettings();
    HintComponent hint;
    EXPECT_EQ(marlune::platform::ApplicationHintSettings().hintPause, 600);
    EXPECT_EQ(marlune::platform::ApplicationHintSettings().hintShortPause, 0);
    hint.SetHintPauseTime(50);
    EXPECT_EQ(marlune::platform::ApplicationHintSettings().hintPause, 50);

    marlune::platform::ApplicationHintSettings().showHint = false;
    QTest::mouseMove(first_, QPoint(20, 10));
    QTest::qWait(400);
    EXPECT_EQ(hint.HintWindow(), nullptr);
    marlune::platform::ApplicationHintSettings().showHint = true;
    QTest::mouseMove(first_, QPoint(22, 12));
    EXPECT_TRUE(QTest::qWaitFor([&] { return hint.HintWindow() != nullptr; }, 3000));
}

TEST_F(HintComponentTest, ScreenReadersMeetTheBubbleAsATooltip)
{
    HintComponent hint;
    hint.ShowHint(second_, QPoint(400, 400));
    BubbleHintWindow* bubble = hint.HintWindow();
    ASSERT_NE(bubble, nullptr);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(bubble);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::ToolTip);
    EXPECT_EQ(a->text(QAccessible::Name), second_->toolTip());
    hint.ShowHint(first_, QPoint(400, 400));
    ASSERT_EQ(hint.HintWindow(), bubble);
    EXPECT_EQ(a->text(QAccessible::Name), first_->toolTip());
}

namespace {

// A window without a hint of its own that shows Qt's tooltip itself, as the
// tray icon's window does.
class OwnTooltipWindow : public QWidget {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::ToolTip) {
            QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), QStringLiteral("Marlune"),
                               this);
            return true;
        }
        return QWidget::event(e);
    }
};

bool Shows(const HintComponent& hint, const QWidget* control)
{
    return hint.HintWindow() != nullptr && hint.HintWindow()->windowTitle() == control->toolTip();
}

} // namespace

TEST_F(HintComponentTest, WhatItDoesNotHintShowsItsOwnTooltip)
{
    HintComponent hint;
    OwnTooltipWindow tray;
    tray.setGeometry(700, 0, 24, 24);
    tray.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tray));
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), tray.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&tray, &help);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 2000));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Marlune"));
    QToolTip::hideText();
}

TEST_F(HintComponentTest, FromOneHintToTheNextAcrossAGapWithoutThePause)
{
    HintComponent hint;
    hint.SetHintPauseTime(50);
    QTest::mouseMove(first_, QPoint(20, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(hint, first_); }, 3000));
    // A pause far longer than the wait below: only the short pause shows it.
    hint.SetHintPauseTime(60000);
    QTest::mouseMove(window_.get(), QPoint(150, 45)); // between the two boxes
    QTest::mouseMove(second_, QPoint(20, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(hint, second_); }, 2000));
}

TEST_F(HintComponentTest, AHintThatExpiredComesAgainAfterThePointerLeftTheWindow)
{
    auto& settings = marlune::platform::ApplicationHintSettings();
    const int hidePause = settings.hintHidePause;
    settings.hintHidePause = 200;
    HintComponent hint;
    hint.SetHintPauseTime(50);
    QTest::mouseMove(first_, QPoint(20, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(hint, first_); }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return hint.HintWindow() == nullptr; }, 3000));
    // Off the window onto the desktop: the window hears only that the
    // pointer left, as from the window system.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(window_->windowHandle(), &leave);
    QTest::mouseMove(first_, QPoint(20, 12));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(hint, first_); }, 3000));
    settings.hintHidePause = hidePause;
}
