// Start-up: the data file named in the settings is loaded; settings that
// cannot be read or saved never keep it from loading, and what went wrong
// comes back as the messages the window shows.
#include "catalogue/catalogue.h"
#include "cataloguetestbase.h"

#include "platform/atomicfile.h"
#include "platform/registry.h"
#include "pythonlock.h"
#include "servers.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace marlune::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kLoadFailed = "Data file could not be loaded.";

class CatalogueStartTest : public CatalogueTestBase {
protected:
    void TearDown() override
    {
        catalogue_.reset();
        platform::SetLockWaitLimit(5s);
        CatalogueTestBase::TearDown();
    }
    // A new catalogue, started: what the user is told.
    std::vector<std::string> Start()
    {
        catalogue_ = std::make_unique<catalogue::Catalogue>();
        return catalogue_->Start().messages;
    }
    table::MemTable& Table() const { return catalogue_->Table(); }
    fs::path Registry() const { return fs::path(WorkDir()) / "registry"; }

    std::unique_ptr<catalogue::Catalogue> catalogue_;
};

TEST_F(CatalogueStartTest, FirstStartLoadsTheDefaultFileAndStoresItsName)
{
    CopyRealDataFile();
    EXPECT_EQ(Start(), std::vector<std::string>{});
    EXPECT_EQ(catalogue_->DataFileName(), "20051206.dat");
    EXPECT_EQ(StoredDataFileName(), "20051206.dat");
    EXPECT_TRUE(catalogue_->SettingsSaved());
    ASSERT_EQ(SourceRecords().size(), 18545u);
    EXPECT_EQ(Table().RecordCount(), 18545);
    EXPECT_EQ(Table().RecNo(), 1);
    // The first record of the file is current.
    EXPECT_EQ(Table().FieldByName("Pcode").AsString(), *SourceRecords().front().pcode);
    EXPECT_EQ(Table().FieldByName("Locality").AsString(), *SourceRecords().front().locality);
}

TEST_F(CatalogueStartTest, StoredNameIsUsedAsItStands)
{
    CopyRealDataFile("other.dat");
    StoreDataFileName("other.dat");
    EXPECT_EQ(Start(), std::vector<std::string>{});
    EXPECT_EQ(catalogue_->DataFileName(), "other.dat");
    EXPECT_EQ(StoredDataFileName(), "other.dat");
    EXPECT_EQ(Table().RecordCount(), 18545);
}

TEST_F(CatalogueStartTest, MissingFileIsSaidOnceAndLeavesAnEmptyOpenTable)
{
    CopyRealDataFile(); // present, but not the one the settings name
    StoreDataFileName("missing.dat");
    EXPECT_EQ(Start(), std::vector<std::string>{kLoadFailed});
    EXPECT_EQ(catalogue_->DataFileName(), "missing.dat");
    EXPECT_EQ(StoredDataFileName(), "missing.dat");
    EXPECT_TRUE(Table().Active());
    EXPECT_EQ(Table().RecordCount(), 0);
    // Searching finds nothing and raises nothing.
    EXPECT_FALSE(catalogue_->Locate(catalogue::SearchField::Suburb, "bon"));
}

TEST_F(CatalogueStartTest, FileInAnotherFormatIsSaidOnce)
{
    WriteFile("20051206.dat", "Pcode,Locality,State,Comments,DeliveryOffice\n2000,SYDNEY,NSW,,\n");
    EXPECT_EQ(Start(), std::vector<std::string>{kLoadFailed});
    EXPECT_EQ(StoredDataFileName(), "20051206.dat");
    if (Table().Active()) {
        EXPECT_EQ(Table().RecordCount(), 0);
    }
}

TEST_F(CatalogueStartTest, FileCutShortIsSaidOnceAndKeepsWhatWasRead)
{
    std::ifstream in(MARLUNE_BINARY_DIR "/bin/20051206.dat", std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(whole.size(), 1000u);
    WriteFile("20051206.dat", whole.substr(0, whole.size() / 2));
    EXPECT_EQ(Start(), std::vector<std::string>{kLoadFailed});
    if (Table().Active()) {
        EXPECT_LT(Table().RecordCount(), 18545);
    }
}

TEST_F(CatalogueStartTest, UnreadableSettingLoadsTheDefaultFileAndSaysWhy)
{
    CopyRealDataFile();
    // A value of the wrong type makes ReadString raise.
    auto key = platform::CreateKey(platform::PredefinedKey::CurrentUser,
                                   "Software\\Calderix\\Marlune\\Settings");
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(key->SetValue("DataFileName", platform::RegistryValue::Dword(7)));
    EXPECT_EQ(Start(),
              std::vector<std::string>{"The settings could not be saved: Invalid data type for "
                                       "'DataFileName'. Changes made in this run are not saved."});
    EXPECT_TRUE(Table().Active());
    EXPECT_EQ(Table().RecordCount(), 18545);
    EXPECT_FALSE(catalogue_->SettingsSaved());
    // What could not be read is not overwritten.
    EXPECT_EQ(key->QueryValue("DataFileName"), platform::RegistryValue::Dword(7));
}

TEST_F(CatalogueStartTest, AFifoAsTheDataFileIsSaidInsteadOfBlocking)
{
    // Before, open() waited for a writer and the window never got painted.
    const std::string fifo = WorkDir() + "/fifo.dat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    StoreDataFileName("fifo.dat");
    EXPECT_EQ(Start(), std::vector<std::string>{kLoadFailed});
    EXPECT_EQ(Table().RecordCount(), 0);
}

TEST_F(CatalogueStartTest, AFifoAsTheSettingsFileIsSaidInsteadOfBlocking)
{
    CopyRealDataFile();
    const std::string settings = platform::RegistryFilePath(platform::PredefinedKey::CurrentUser);
    fs::create_directories(fs::path(settings).parent_path());
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    EXPECT_EQ(Start(), std::vector<std::string>{"The settings could not be saved: the "
                                                "settings file " +
                                                settings +
                                                " is not a regular file. Changes made in "
                                                "this run are not saved."});
    EXPECT_EQ(Table().RecordCount(), 18545) << "the list loads all the same";
    EXPECT_TRUE(fs::is_fifo(settings)) << "the settings file is left as it was";
}

TEST_F(CatalogueStartTest, AnUpdateAfterAHeldStartIsLoadedButNotWritten)
{
    NetTestApplication();
    platform::SetLockWaitLimit(300ms);
    CopyRealDataFile();
    fs::create_directories(Registry());
    const PythonLockHolder holder(Registry() / "HKEY_CURRENT_USER.reg.lock");
    ASSERT_TRUE(holder.Held());
    EXPECT_EQ(Start(), std::vector<std::string>{"The settings are held by another program: "
                                                "changes made in this run are not saved."});
    EXPECT_EQ(Table().RecordCount(), static_cast<int>(SourceRecords().size()));

    QTemporaryDir served;
    ASSERT_TRUE(WriteBytes(served.filePath("mrl_check.txt").toStdString(), "20991231.dat\n"));
    fs::copy_file(WorkDir() + "/20051206.dat", served.filePath("20991231.dat").toStdString());
    const PythonHttpServer server(served.path().toStdString());
    ASSERT_TRUE(server.Running());
    catalogue_->Updater().SetHost(server.HostPort());
    const update::CheckOutcome check = catalogue_->CheckForUpdate();
    ASSERT_EQ(check.kind, update::CheckOutcome::Kind::Available) << check.text;
    const update::InstallOutcome installed = catalogue_->InstallUpdate(check.candidate);
    EXPECT_EQ(installed.kind, update::InstallOutcome::Kind::Installed) << installed.text;
    EXPECT_EQ(catalogue_->DataFileName(), "20991231.dat");
    EXPECT_EQ(Table().RecordCount(), static_cast<int>(SourceRecords().size()));
    EXPECT_FALSE(StoredDataFileName().has_value()) << "this run's changes are not saved";
}

} // namespace
} // namespace marlune::testing
