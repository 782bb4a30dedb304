// Start-up with settings that cannot be read or saved: the list loads, the
// user hears why once, and an update of this run is not written to them.
#include "apptestbase.h"

#include "platform/atomicfile.h"
#include "pythonlock.h"
#include "servers.h"

#include <QToolButton>

#include <filesystem>
#include <fstream>

namespace marlune::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class MainWindowSettingsTest : public AppTestBase {
protected:
    void TearDown() override
    {
        form_.reset();
        platform::SetLockWaitLimit(5s);
        AppTestBase::TearDown();
    }
    fs::path Registry() const { return fs::path(WorkDir()) / "registry"; }
};

TEST_F(MainWindowSettingsTest, SettingsThatCannotBeSavedDoNotStopTheListFromLoading)
{
    // A short limit per wait keeps the test quick; the whole is bounded anyway.
    platform::SetLockWaitLimit(300ms);
    CopyRealDataFile();
    struct Case {
        const char* what;
        bool lock;
        std::string message;
    };
    const std::string file = (Registry() / "HKEY_CURRENT_USER.reg").string();
    const Case cases[] = {
        {"held by another program", true,
         "The settings are held by another program: changes made in this run are not saved."},
        {"a folder", false,
         "The settings could not be saved: the settings file " + file +
             " is a folder. Changes made in this run are not saved."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Registry());
        fs::create_directories(Registry());
        std::unique_ptr<PythonLockHolder> holder;
        if (c.lock) {
            holder = std::make_unique<PythonLockHolder>(Registry() / "HKEY_CURRENT_USER.reg.lock");
            ASSERT_TRUE(holder->Held());
        } else {
            fs::create_directory(file);
        }
        messages_.clear();
        app::MainWindow& form = ShowForm();
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(form.CurrentDataFileName, "20051206.dat");
        EXPECT_EQ(form.Table1.RecordCount(), static_cast<int>(SourceRecords().size()));
        form_.reset();
    }
}

TEST_F(MainWindowSettingsTest, AnUpdateAfterAHeldStartIsLoadedButNotWritten)
{
    platform::SetLockWaitLimit(300ms);
    CopyRealDataFile();
    fs::create_directories(Registry());
    const PythonLockHolder holder(Registry() / "HKEY_CURRENT_USER.reg.lock");
    ASSERT_TRUE(holder.Held());
    app::MainWindow& form = ShowForm();
    ASSERT_EQ(messages_.size(), 1u);

    QTemporaryDir served;
    ASSERT_TRUE(WriteBytes(served.filePath("mrl_check.txt").toStdString(), "20991231.dat\n"));
    fs::copy_file(WorkDir() + "/20051206.dat", served.filePath("20991231.dat").toStdString());
    const PythonHttpServer server(served.path().toStdString());
    ASSERT_TRUE(server.Running());
    form.updater().SetHost(server.HostPort());
    const platform::gui::ScopedQuestionShower yes(
        [](const platform::gui::MessageBoxRequest&) { return true; });
    messages_.clear();
    form.updateButton->click();
    EXPECT_TRUE(messages_.empty()) << MessageTexts().front();
    EXPECT_EQ(form.CurrentDataFileName, "20991231.dat");
    EXPECT_EQ(form.Table1.RecordCount(), static_cast<int>(SourceRecords().size()));
    EXPECT_FALSE(StoredDataFileName().has_value()) << "this run's changes are not saved";
}

} // namespace
} // namespace marlune::testing
