// The show step: the data file named in the settings is loaded once the
// window is on the screen, and what start-up has to say is shown.
#include "apptestbase.h"

#include <QLineEdit>
#include <QTest>

namespace marlune::testing {
namespace {

using MainWindowShowStepTest = AppTestBase;

TEST_F(MainWindowShowStepTest, RunsOnceAfterTheWindowIsVisible)
{
    CopyRealDataFile();
    form_ = std::make_unique<app::MainWindow>();
    EXPECT_FALSE(StoredDataFileName().has_value());
    form_->show();
    // Not inside show() itself, but from the event loop right after it.
    EXPECT_FALSE(form_->showStepDone());
    EXPECT_EQ(Table().RecordCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return form_->showStepDone(); }, 10000));
    EXPECT_EQ(Table().RecordCount(), static_cast<int>(SourceRecords().size()));

    // Hiding and showing again does not load again.
    Table().Close();
    Table().Open();
    form_->hide();
    form_->show();
    QTest::qWait(50);
    EXPECT_EQ(Table().RecordCount(), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowShowStepTest, MissingFileShowsTheMessageOnceAndTheWindowStaysUsable)
{
    CopyRealDataFile(); // present, but not the one the settings name
    StoreDataFileName("missing.dat");
    app::MainWindow& form = ShowForm();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], "Data file could not be loaded.");
    EXPECT_EQ(messages_[0].caption, QStringLiteral("Marlune"));
    EXPECT_EQ(messages_[0].icon, platform::gui::MessageIcon::None);

    // Searching finds nothing and raises nothing, now or later.
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isEnabled());
    auto& search = Find<QLineEdit>("Edit1");
    QTest::keyClicks(&search, "bon");
    EXPECT_EQ(search.text(), QStringLiteral("bon"));
    EXPECT_EQ(Table().RecordCount(), 0);
    QTest::qWait(20);
    EXPECT_EQ(messages_.size(), 1u);
}

} // namespace
} // namespace marlune::testing
