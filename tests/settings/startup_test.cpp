// The setting at start-up when the settings cannot be read or saved: the
// data file's name still comes out, and the reason is said in words.
#include "settings/datafilesetting.h"

#include "platform/atomicfile.h"
#include "platform/registry.h"
#include "pythonlock.h"
#include "scratchdir.h"
#include "servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

namespace marlune::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using settings::StartupDataFile;

class StartupSettingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseRoot(dir_ / "config");
        settings::ConfigureDataFileSetting(store_);
    }
    void TearDown() override { platform::SetRegistryRootDirectory(""); }
    void UseRoot(const fs::path& root)
    {
        root_ = root;
        platform::SetRegistryRootDirectory(root.string());
    }
    fs::path File() const { return root_ / "HKEY_CURRENT_USER.reg"; }
    static std::string Read(const fs::path& path) { return ReadBytes(path.string()); }

    test::ScratchDir dir_{"marlune-startup"};
    fs::path root_;
    settings::StoreData store_;
};

TEST_F(StartupSettingTest, SettingsThatCannotBeSavedStillGiveTheFileNameAndSayWhy)
{
    struct Case {
        const char* what;
        std::function<void()> spoil;
        const char* reason;
    };
    const Case cases[] = {
        {"a folder", [this] { fs::create_directories(File()); }, "is a folder"},
        {"17 MB",
         [this] {
             fs::create_directories(root_);
             std::ofstream(File()) << "Windows Registry Editor Version 5.00\r\n";
             fs::resize_file(File(), 17u << 20);
         },
         "is larger than 16 MB"},
        {"binary garbage",
         [this] {
             fs::create_directories(root_);
             std::mt19937 random(7);
             std::string bytes(4096, '\0');
             for (char& c : bytes) {
                 c = static_cast<char>(random());
             }
             std::ofstream(File(), std::ios::binary) << bytes;
         },
         "holds text this program cannot read"},
        {"a config folder that is a file",
         [this] {
             std::ofstream(dir_ / "dotconfig") << "not a folder";
             UseRoot(dir_ / "dotconfig" / "marlune");
         },
         "dotconfig is a file, not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "config");
        UseRoot(dir_ / "config");
        c.spoil();
        const bool fileThere = fs::is_regular_file(File());
        const std::string before = fileThere ? Read(File()) : std::string();

        const StartupDataFile startup = settings::ReadDataFileAtStartup(store_);
        EXPECT_EQ(startup.fileName, "20051206.dat");
        EXPECT_FALSE(startup.saved);
        EXPECT_FALSE(startup.held);
        const std::string message = settings::SettingsNotSavedMessage(startup);
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        if (fileThere) {
            EXPECT_TRUE(Read(File()) == before) << "the user's file was changed";
        }
    }
}

TEST_F(StartupSettingTest, ALockHeldByAnotherProgramEndsTheWaitsWithinOneLimitInAll)
{
    struct Case {
        const char* what;
        bool stored; // a value written before the lock was taken
        const char* fileName;
    };
    const Case cases[] = {
        {"first start: every key would be created", false, "20051206.dat"},
        {"the name is there, only the write-back waits", true, "20061231.dat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root_);
        fs::create_directories(root_);
        if (c.stored) {
            store_.WriteString(settings::kDataFileNameSetting, c.fileName);
        }
        const PythonLockHolder holder(root_ / "HKEY_CURRENT_USER.reg.lock");
        ASSERT_TRUE(holder.Held());
        const auto start = std::chrono::steady_clock::now();
        const StartupDataFile startup = settings::ReadDataFileAtStartup(store_, 1s);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(startup.fileName, c.fileName);
        EXPECT_FALSE(startup.saved);
        EXPECT_TRUE(startup.held);
        EXPECT_EQ(settings::SettingsNotSavedMessage(startup),
                  "The settings are held by another program: changes made in this run are not "
                  "saved.");
        // One wait of the limit, not one per key and value (before: several).
        EXPECT_LT(waited, 1900ms);
    }
}

} // namespace
} // namespace marlune::testing
