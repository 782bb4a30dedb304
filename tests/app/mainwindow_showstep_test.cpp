// The show step: the data file named in the settings is loaded once the
// window is on the screen.
#include "apptestbase.h"

#include "platform/registry.h"

#include <QFile>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <iterator>

namespace marlune::testing {
namespace {

using MainWindowShowStepTest = AppTestBase;

const std::string kLoadFailed = "Data file could not be loaded.";

TEST_F(MainWindowShowStepTest, RunsOnceAfterTheWindowIsVisible)
{
    CopyRealDataFile();
    form_ = std::make_unique<app::MainWindow>();
    EXPECT_FALSE(StoredDataFileName().has_value());
    form_->show();
    // Not inside show() itself, but from the event loop right after it.
    EXPECT_FALSE(form_->ShowStepDone());
    EXPECT_EQ(form_->Table1.RecordCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return form_->ShowStepDone(); }, 10000));
    EXPECT_EQ(form_->Table1.RecordCount(), static_cast<int>(SourceRecords().size()));

    // Hiding and showing again does not load again.
    form_->Table1.Close();
    form_->Table1.Open();
    form_->hide();
    form_->show();
    QTest::qWait(50);
    EXPECT_EQ(form_->Table1.RecordCount(), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowShowStepTest, FirstStartLoadsTheDefaultFileAndStoresItsName)
{
    CopyRealDataFile();
    app::MainWindow& form = ShowForm();
    EXPECT_TRUE(messages_.empty()) << MessageTexts().front();
    EXPECT_EQ(form.CurrentDataFileName, "20051206.dat");
    EXPECT_EQ(StoredDataFileName(), "20051206.dat");
    EXPECT_TRUE(form.Table1.Active());
    ASSERT_EQ(SourceRecords().size(), 18545u);
    EXPECT_EQ(form.Table1.RecordCount(), 18545);
    EXPECT_EQ(form.Table1.RecNo(), 1);
    // The first record of the file is current.
    EXPECT_EQ(form.Table1.FieldByName("Pcode").AsString(), *SourceRecords().front().pcode);
    EXPECT_EQ(form.Table1.FieldByName("Locality").AsString(), *SourceRecords().front().locality);
}

TEST_F(MainWindowShowStepTest, StoredNameIsUsedAsItStands)
{
    CopyRealDataFile("other.dat");
    StoreDataFileName("other.dat");
    app::MainWindow& form = ShowForm();
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(form.CurrentDataFileName, "other.dat");
    EXPECT_EQ(StoredDataFileName(), "other.dat");
    EXPECT_EQ(form.Table1.RecordCount(), 18545);
}

TEST_F(MainWindowShowStepTest, MissingFileShowsTheMessageOnceAndLeavesAnEmptyOpenTable)
{
    CopyRealDataFile(); // present, but not the one the settings name
    StoreDataFileName("missing.dat");
    app::MainWindow& form = ShowForm();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], kLoadFailed);
    EXPECT_EQ(messages_[0].caption, QStringLiteral("Marlune"));
    EXPECT_EQ(messages_[0].icon, platform::gui::MessageIcon::None);
    EXPECT_EQ(form.CurrentDataFileName, "missing.dat");
    EXPECT_EQ(StoredDataFileName(), "missing.dat");
    EXPECT_TRUE(form.Table1.Active());
    EXPECT_EQ(form.Table1.RecordCount(), 0);

    // The window stays usable; searching finds nothing and raises nothing.
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isEnabled());
    QTest::keyClicks(form.searchEdit, "bon");
    EXPECT_EQ(form.searchEdit->text(), QStringLiteral("bon"));
    EXPECT_EQ(form.Table1.RecordCount(), 0);
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(MainWindowShowStepTest, FileInAnotherFormatShowsTheMessageOnce)
{
    WriteFile("20051206.dat", "Pcode,Locality,State,Comments,DeliveryOffice\n2000,SYDNEY,NSW,,\n");
    app::MainWindow& form = ShowForm();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], kLoadFailed);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(StoredDataFileName(), "20051206.dat");
    if (form.Table1.Active()) {
        EXPECT_EQ(form.Table1.RecordCount(), 0);
    }
}

TEST_F(MainWindowShowStepTest, FileCutShortShowsTheMessageOnceAndKeepsWhatWasRead)
{
    std::ifstream in(MARLUNE_BINARY_DIR "/bin/20051206.dat", std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(whole.size(), 1000u);
    WriteFile("20051206.dat", whole.substr(0, whole.size() / 2));
    app::MainWindow& form = ShowForm();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], kLoadFailed);
    EXPECT_TRUE(form.isVisible());
    if (form.Table1.Active()) {
        EXPECT_LT(form.Table1.RecordCount(), 18545);
    }
    // Whatever the load left, further use raises nothing new by itself.
    QTest::qWait(20);
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(MainWindowShowStepTest, UnreadableSettingLoadsTheDefaultFileAndSaysWhy)
{
    CopyRealDataFile();
    // A value of the wrong type makes ReadString raise.
    auto key = platform::CreateKey(platform::PredefinedKey::CurrentUser,
                                   "Software\\Calderix\\Marlune\\Settings");
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(key->SetValue("DataFileName", platform::RegistryValue::Dword(7)));
    app::MainWindow& form = ShowForm();
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"The settings could not be saved: Invalid data type for "
                                       "'DataFileName'. Changes made in this run are not saved."});
    EXPECT_TRUE(form.Table1.Active());
    EXPECT_EQ(form.Table1.RecordCount(), 18545);
    // What could not be read is not overwritten.
    EXPECT_EQ(key->QueryValue("DataFileName"), platform::RegistryValue::Dword(7));
}

TEST_F(MainWindowShowStepTest, AFifoAsTheDataFileShowsTheMessageInsteadOfBlocking)
{
    // Before, open() waited for a writer and the window never got painted.
    const std::string fifo = WorkDir() + "/fifo.dat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    StoreDataFileName("fifo.dat");
    app::MainWindow& form = ShowForm();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], kLoadFailed);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Table1.RecordCount(), 0);
}

TEST_F(MainWindowShowStepTest, AFifoAsTheSettingsFileIsSaidInsteadOfBlocking)
{
    CopyRealDataFile();
    const std::string settings = platform::RegistryFilePath(platform::PredefinedKey::CurrentUser);
    std::filesystem::create_directories(std::filesystem::path(settings).parent_path());
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    const app::MainWindow& form = ShowForm();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"The settings could not be saved: the "
                                                       "settings file " +
                                                       settings +
                                                       " is not a regular file. Changes made in "
                                                       "this run are not saved."});
    EXPECT_EQ(form.Table1.RecordCount(), 18545) << "the list loads all the same";
    EXPECT_TRUE(std::filesystem::is_fifo(settings)) << "the settings file is left as it was";
}

} // namespace
} // namespace marlune::testing
