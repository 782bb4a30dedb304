// The Print command over the shipped list: the build runs in its progress
// window, the table comes back enabled on its last record.
#include "apptestbase.h"

#include "platform/cp1252.h"
#include "report/preview/previewform.h"

#include <QApplication>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace marlune::testing {
namespace {

class MainWindowPrintTest : public AppTestBase {};

TEST_F(MainWindowPrintTest, PrintBuildsTheWholeListAndLeavesTheTableOnItsLastRecord)
{
    CopyRealDataFile();
    ShowForm();
    ASSERT_TRUE(Table().Locate("Locality", std::string("syd"),
                               table::loCaseInsensitive | table::loPartialKey));
    ASSERT_TRUE(Find<QToolButton>("ToolButton3").isEnabled());
    // The preview is modal: it is read and closed from inside its loop, once
    // the progress window has gone.
    QString caption;
    QString indicator;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* preview =
            qobject_cast<report::preview::PreviewForm*>(QApplication::activeModalWidget());
        if (preview != nullptr) {
            caption = preview->windowTitle();
            indicator = preview->PageIndicator();
            preview->close();
        }
    });
    poll.start(20);
    Find<QToolButton>("ToolButton3").click();
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(caption, QStringLiteral("Preview - Marlune"));
    EXPECT_EQ(indicator, QStringLiteral("Page 1/344"));
    EXPECT_FALSE(Table().ControlsDisabled());
    EXPECT_EQ(Table().RecNo(), Table().RecordCount());
}

} // namespace
} // namespace marlune::testing
