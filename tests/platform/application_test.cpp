// The application object's title and its default error handling.
#include "platform/error.h"
#include "platform/gui/application.h"
#include "platform/gui/messagebox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace marlune::platform::gui {
namespace {

// The process's application object; null when a plain QApplication was
// created before (then the tests that need ours are skipped).
Application* App()
{
    static Application* app = [] {
        if (QCoreApplication::instance()) {
            return dynamic_cast<Application*>(QCoreApplication::instance());
        }
        static int argc = 1;
        static char name[] = "platform_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new Application(argc, argv);
    }();
    return app;
}

// An object whose event handler runs a test's code.
class Receiver : public QObject {
public:
    std::function<void()> onEvent;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            onEvent();
            return true;
        }
        return QObject::event(e);
    }
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!App()) {
            GTEST_SKIP() << "a plain QApplication exists in this process";
        }
        SetApplicationTitle("Marlune");
    }
    void Send()
    {
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&receiver_, &event);
    }

    Receiver receiver_;
    std::vector<std::string> log_;
    std::vector<MessageBoxRequest> shown_;
    ScopedMessageBoxShower recorder_{[this](const MessageBoxRequest& request) {
        shown_.push_back(request);
        log_.push_back("box: " + request.text.toStdString());
    }};
};

TEST(ErrorDisplayText, FullStopAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(ErrorDisplayText("Table1: Field 'Postcode' not found"),
              "Table1: Field 'Postcode' not found.");
    EXPECT_EQ(ErrorDisplayText("Error 42"), "Error 42.");
    EXPECT_EQ(ErrorDisplayText("Done."), "Done.");
    EXPECT_EQ(ErrorDisplayText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorDisplayText("(see above)"), "(see above)");
    EXPECT_EQ(ErrorDisplayText("a-"), "a-");            // 0x2D
    EXPECT_EQ(ErrorDisplayText("a/"), "a/.");           // 0x2F
    EXPECT_EQ(ErrorDisplayText("why?"), "why?.");       // 0x3F sorts after too
    EXPECT_EQ(ErrorDisplayText("caf\xE9"), "caf\xE9."); // Windows-1252 letters count
    EXPECT_EQ(ErrorDisplayText(""), "");
}

TEST_F(ApplicationTest, ErrorEscapingAnEventHandlerIsShownAndTheProgramGoesOn)
{
    int calls = 0;
    receiver_.onEvent = [&] {
        ++calls;
        if (calls == 1) {
            throw Error("Table1: Cannot perform this operation on a closed dataset");
        }
    };
    Send();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text,
              QStringLiteral("Table1: Cannot perform this operation on a closed dataset."));
    EXPECT_EQ(shown_[0].caption, QStringLiteral("Marlune"));
    EXPECT_EQ(shown_[0].icon, MessageIcon::Error);
    Send(); // the next event is handled normally
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(ApplicationTest, AnyStandardExceptionIsShownWithItsText)
{
    receiver_.onEvent = [] { throw std::runtime_error("Disk full"); };
    Send();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, QStringLiteral("Disk full."));
}

TEST_F(ApplicationTest, ErrorsFromEventsDispatchedByTheLoopAreShown)
{
    QTimer::singleShot(0, [] { throw Error("From a timer"); });
    QCoreApplication::processEvents();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, QStringLiteral("From a timer."));
}

TEST_F(ApplicationTest, HandlerErrorIsShownWhenTheEventHasBeenHandled)
{
    // An error of a handler that the event's handler called (a signal's
    // slot, say) ends that handler; the box comes once the event is done.
    receiver_.onEvent = [this] {
        RunHandler([this] {
            log_.push_back("handler");
            throw Error("Failed");
            log_.push_back("not reached");
        });
        log_.push_back("event goes on");
    };
    Send();
    EXPECT_EQ(log_, (std::vector<std::string>{"handler", "event goes on", "box: Failed."}));
}

TEST_F(ApplicationTest, EveryErrorOfOneEventIsShownInOrder)
{
    receiver_.onEvent = [] {
        RunHandler([] { throw Error("first"); });
        RunHandler([] { throw Error("second"); });
    };
    Send();
    ASSERT_EQ(shown_.size(), 2u);
    EXPECT_EQ(shown_[0].text, QStringLiteral("first."));
    EXPECT_EQ(shown_[1].text, QStringLiteral("second."));
}

TEST_F(ApplicationTest, NestedEventErrorsAreShownWhenTheirOwnEventEnds)
{
    Receiver inner;
    inner.onEvent = [] { throw Error("inner"); };
    receiver_.onEvent = [&] {
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&inner, &event);
        log_.push_back("outer goes on");
    };
    Send();
    EXPECT_EQ(log_, (std::vector<std::string>{"box: inner.", "outer goes on"}));
}

TEST_F(ApplicationTest, HandlerErrorOutsideAnyEventIsShownAtOnce)
{
    RunHandler([] { throw Error("now"); });
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, QStringLiteral("now."));
}

TEST_F(ApplicationTest, TitleIsTheCaptionAndTextsAreWindows1252)
{
    App()->SetTitle("Marlune \xA9");
    EXPECT_EQ(App()->Title(), "Marlune \xA9");
    ShowMessage("Caf\xE9 closed", MessageIcon::Information);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].caption, QString::fromUtf8("Marlune \xC2\xA9"));
    EXPECT_EQ(shown_[0].text, QString::fromUtf8("Caf\xC3\xA9 closed"));
    EXPECT_EQ(shown_[0].icon, MessageIcon::Information);
}

TEST_F(ApplicationTest, ShowerCanBeSwappedAndRestored)
{
    std::vector<QString> inner;
    {
        ScopedMessageBoxShower other(
            [&inner](const MessageBoxRequest& request) { inner.push_back(request.text); });
        ShowMessage("to the inner one");
    }
    ShowMessage("to the test's one");
    EXPECT_EQ(inner, std::vector<QString>{QStringLiteral("to the inner one")});
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, QStringLiteral("to the test's one"));
}

} // namespace
} // namespace marlune::platform::gui
