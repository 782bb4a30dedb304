#include "settings/storedata.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace marlune::settings {
namespace {

namespace fs = std::filesystem;
using platform::CreateKey;
using platform::OpenKey;
using platform::PredefinedKey;
using platform::RegistryValue;
using platform::ValueType;

// Another process holding the exclusive lock on a file until it is let go.
class LockHolder {
public:
    explicit LockHolder(const fs::path& lockFile)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(release_) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0666);
            const bool held = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
            char byte = held ? 'y' : 'n';
            [[maybe_unused]] const auto sent = ::write(ready[1], &byte, 1);
            ::close(release_[1]);
            [[maybe_unused]] const auto got = ::read(release_[0], &byte, 1); // until released
            std::_Exit(0);
        }
        ::close(ready[1]);
        ::close(release_[0]);
        char byte = 'n';
        held_ = pid_ > 0 && ::read(ready[0], &byte, 1) == 1 && byte == 'y';
        ::close(ready[0]);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    ~LockHolder() { Release(); }

    bool Held() const { return held_; }
    void Release()
    {
        if (pid_ > 0) {
            ::close(release_[1]);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};

// The program's own store, pointed at a fresh registry root.
class StoreDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "marlune-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        root_ = dir_ / "config";
        platform::SetRegistryRootDirectory(root_.string());
        store_.DataStore().SetSection("Settings");
        store_.DataStore().Registry().SetPath("\\Software\\Calderix\\Marlune");
        store_.OnError = [this](StoreData& sender) {
            EXPECT_EQ(&sender, &store_);
            ++errors_;
        };
    }
    void TearDown() override
    {
        platform::SetRegistryRootDirectory("");
        platform::SetLockWaitLimit(std::chrono::seconds(5));
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string ReadFile(const fs::path& path) const
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void StoreRaw(std::string_view name, const RegistryValue& value)
    {
        auto key = CreateKey(PredefinedKey::CurrentUser, "Software\\Calderix\\Marlune\\Settings");
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->SetValue(name, value));
    }

    // The message of the marlune::Error that `action` throws.
    template <typename Action> std::string ErrorOf(Action action)
    {
        try {
            action();
        } catch (const Error& error) {
            return error.Message();
        }
        return "<no error>";
    }

    fs::path dir_;
    fs::path root_;
    StoreData store_;
    int errors_ = 0;
};

TEST_F(StoreDataTest, DefaultsOfANewStore)
{
    const StoreData fresh;
    const DataStore& data = fresh.DataStore();
    EXPECT_TRUE(data.Enabled());
    EXPECT_EQ(data.Section(), "MySection");
    EXPECT_EQ(data.Datatype(), sRegistry);
    EXPECT_EQ(data.Registry().Rootkey(), hkeyCurrentUser);
    EXPECT_EQ(data.Registry().Path(), "\\Software\\Company\\Product");
    EXPECT_EQ(data.Inifile().IniFilename(), "MyFile.ini");
    EXPECT_EQ(data.Password().size(), 8u);
}

TEST_F(StoreDataTest, AnEmptyPasswordStoresTheFixedDefault)
{
    DataStore& data = store_.DataStore();
    const std::string fixed = data.Password();
    data.SetPassword("secret");
    EXPECT_EQ(data.Password(), "secret");
    data.SetPassword("");
    EXPECT_EQ(data.Password(), fixed);
}

TEST_F(StoreDataTest, FirstStartCreatesThePathKeyButNotTheSection)
{
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(errors_, 1);
    EXPECT_TRUE(OpenKey(PredefinedKey::CurrentUser, "Software\\Calderix\\Marlune"));
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Software\\Calderix\\Marlune\\Settings"));

    store_.WriteString("DataFileName", "20051206.dat");
    const auto settings =
        OpenKey(PredefinedKey::CurrentUser, "Software\\Calderix\\Marlune\\Settings");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->QueryValue("DataFileName"), RegistryValue::String("20051206.dat"));

    // The lines that anyone reading the user's registry file finds.
    const std::string file = ReadFile(root_ / "HKEY_CURRENT_USER.reg");
    EXPECT_NE(file.find("\n[HKEY_CURRENT_USER\\Software\\Calderix\\Marlune\\Settings]\n"
                        "\"DataFileName\"=\"20051206.dat\"\n"),
              std::string::npos);
}

TEST_F(StoreDataTest, AStoredValueEqualToTheDefaultStillRaisesOnError)
{
    store_.WriteString("DataFileName", "20051206.dat");
    EXPECT_EQ(errors_, 0);
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(errors_, 1);
    EXPECT_EQ(store_.ReadString("DataFileName", "other.dat"), "20051206.dat");
    EXPECT_EQ(errors_, 1);
    // Values and names compare exactly: another case is another text.
    store_.WriteString("DataFileName", "20051206.DAT");
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.DAT");
    EXPECT_EQ(errors_, 1);
}

TEST_F(StoreDataTest, ReadsSeeEveryChangeBecauseNothingIsCached)
{
    store_.WriteString("DataFileName", "a.dat");
    EXPECT_EQ(store_.ReadString("DataFileName", ""), "a.dat");
    StoreRaw("DataFileName", RegistryValue::String("b.dat"));
    EXPECT_EQ(store_.ReadString("DataFileName", ""), "b.dat");
}

TEST_F(StoreDataTest, PathIsNormalisedOnAssignment)
{
    RegistryLocation& location = store_.DataStore().Registry();
    location.SetPath("Software/X");
    EXPECT_EQ(location.Path(), "\\Software\\X");
    location.SetPath("\\A/B\\C");
    EXPECT_EQ(location.Path(), "\\A\\B\\C");
    location.SetPath("/Lead");
    EXPECT_EQ(location.Path(), "\\Lead");
    location.SetPath("");
    EXPECT_EQ(location.Path(), "");

    location.SetPath("Software/X");
    store_.WriteString("Name", "v");
    EXPECT_TRUE(OpenKey(PredefinedKey::CurrentUser, "Software\\X\\Settings"));
}

TEST_F(StoreDataTest, OnlyTextValuesCanBeRead)
{
    StoreRaw("DataFileName", RegistryValue::Dword(7));
    EXPECT_EQ(ErrorOf([&] { store_.ReadString("DataFileName", "20051206.dat"); }),
              "Invalid data type for 'DataFileName'");
    EXPECT_EQ(ErrorOf([&] { store_.ReadInteger("DataFileName", 1); }),
              "Invalid data type for 'DataFileName'");
    EXPECT_EQ(errors_, 0); // the error passes before the read completes

    StoreRaw("Expand", RegistryValue{ValueType::ExpandSz, std::string("%HOME%\0", 7)});
    EXPECT_EQ(store_.ReadString("Expand", ""), "%HOME%");
    // No data at all reads as the empty text, whatever the type.
    StoreRaw("Nothing", RegistryValue{ValueType::Binary, ""});
    EXPECT_EQ(store_.ReadString("Nothing", "default"), "");
    // The text ends at the first NUL.
    StoreRaw("Nul", RegistryValue{ValueType::Sz, std::string("abc\0def\0", 8)});
    EXPECT_EQ(store_.ReadString("Nul", ""), "abc");
    StoreRaw("Unterminated", RegistryValue{ValueType::Sz, "xyz"});
    EXPECT_EQ(store_.ReadString("Unterminated", ""), "xyz");
}

TEST_F(StoreDataTest, IntegersAreDecimalTextAndAnythingElseGivesTheDefault)
{
    store_.WriteInteger("Count", -42);
    const auto settings =
        OpenKey(PredefinedKey::CurrentUser, "Software\\Calderix\\Marlune\\Settings");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->QueryValue("Count"), RegistryValue::String("-42"));
    EXPECT_EQ(store_.ReadInteger("Count", 5), -42);
    EXPECT_EQ(errors_, 0);

    for (const char* text : {"12a", "", " 12", "12 ", "0x1A", "99999999999", "+-1", "1.5"}) {
        StoreRaw("Count", RegistryValue::String(text));
        EXPECT_EQ(store_.ReadInteger("Count", 5), 5) << text;
    }
    EXPECT_EQ(errors_, 8);
    StoreRaw("Count", RegistryValue::String("+17"));
    EXPECT_EQ(store_.ReadInteger("Count", 5), 17);
    EXPECT_EQ(store_.ReadInteger("Missing", 3), 3);
    EXPECT_EQ(errors_, 9);
}

TEST_F(StoreDataTest, DisabledTouchesNothing)
{
    store_.DataStore().SetEnabled(false);
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(store_.ReadInteger("Count", 4), 4);
    store_.WriteString("DataFileName", "x.dat");
    store_.WriteInteger("Count", 1);
    store_.DataStore().SetDatatype(sIniFile);
    store_.WriteString("DataFileName", "x.dat");
    EXPECT_EQ(store_.ReadString("DataFileName", "d"), "d");
    EXPECT_EQ(errors_, 0);
    EXPECT_FALSE(fs::exists(root_));
}

TEST_F(StoreDataTest, AnEmptySectionOnlyRaisesOnError)
{
    store_.DataStore().SetSection("");
    EXPECT_EQ(store_.ReadString("DataFileName", "d"), "d");
    EXPECT_EQ(errors_, 1);
    store_.WriteString("DataFileName", "x");
    EXPECT_EQ(errors_, 2);
    store_.DataStore().SetDatatype(sIniFile);
    EXPECT_EQ(store_.ReadInteger("Count", 9), 9);
    EXPECT_EQ(errors_, 3);
    EXPECT_FALSE(fs::exists(root_));
}

TEST_F(StoreDataTest, AnEmptyPathOrFileNameIsSilent)
{
    store_.DataStore().Registry().SetPath("");
    EXPECT_EQ(store_.ReadString("DataFileName", "d"), "d");
    store_.WriteString("DataFileName", "x");
    store_.DataStore().SetDatatype(sIniFile);
    store_.DataStore().Inifile().SetIniFilename("");
    EXPECT_EQ(store_.ReadString("DataFileName", "d"), "d");
    store_.WriteString("DataFileName", "x");
    EXPECT_EQ(errors_, 0);
    EXPECT_FALSE(fs::exists(root_));
}

TEST_F(StoreDataTest, AnotherRootKeyAlsoCreatesThePathUnderTheCurrentUser)
{
    store_.DataStore().Registry().SetRootkey(hkeyLocalMachine);
    store_.WriteString("DataFileName", "m.dat");
    const auto machine =
        OpenKey(PredefinedKey::LocalMachine, "Software\\Calderix\\Marlune\\Settings");
    ASSERT_TRUE(machine);
    EXPECT_EQ(machine->QueryValue("DataFileName"), RegistryValue::String("m.dat"));
    EXPECT_TRUE(OpenKey(PredefinedKey::CurrentUser, "Software\\Calderix\\Marlune"));
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Software\\Calderix\\Marlune\\Settings"));
    EXPECT_EQ(store_.ReadString("DataFileName", ""), "m.dat");
}

TEST_F(StoreDataTest, AnUnwritableRegistryFailsWritesAndReadsTheDefault)
{
    std::ofstream(dir_ / "plain") << "x";
    platform::SetRegistryRootDirectory((dir_ / "plain" / "config").string());
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "x.dat"); }),
              "Failed to set data for 'DataFileName'");
    EXPECT_EQ(ErrorOf([&] { store_.WriteInteger("Count", 1); }), "Failed to set data for 'Count'");
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(errors_, 1);
}

TEST_F(StoreDataTest, IniFileKindRoundTrips)
{
    DataStore& data = store_.DataStore();
    data.SetDatatype(sIniFile);
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(errors_, 1);
    EXPECT_FALSE(fs::exists(root_ / "MyFile.ini"));

    store_.WriteString("DataFileName", "20060101.dat");
    store_.WriteInteger("Count", 12);
    EXPECT_EQ(ReadFile(root_ / "MyFile.ini"), "[Settings]\nDataFileName=20060101.dat\nCount=12\n");
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20060101.dat");
    EXPECT_EQ(store_.ReadString("datafilename", "20051206.dat"), "20060101.dat");
    EXPECT_EQ(store_.ReadInteger("Count", 0), 12);
    EXPECT_EQ(errors_, 1);
    store_.WriteString("Count", "12a");
    EXPECT_EQ(store_.ReadInteger("Count", 3), 3);
    EXPECT_EQ(errors_, 2);

    // The registry is not touched by the INI kind.
    EXPECT_FALSE(fs::exists(root_ / "HKEY_CURRENT_USER.reg"));

    // A name with a directory is used as it stands.
    const std::string elsewhere = (dir_ / "elsewhere.ini").string();
    data.Inifile().SetIniFilename(elsewhere);
    store_.WriteString("K", "v");
    EXPECT_EQ(ReadFile(elsewhere), "[Settings]\nK=v\n");
}

TEST_F(StoreDataTest, AnIniReadTakesAtMost2047Characters)
{
    store_.DataStore().SetDatatype(sIniFile);
    const std::string longValue(3000, 'x');
    store_.WriteString("Long", longValue);
    EXPECT_EQ(store_.ReadString("Long", "d"), std::string(2047, 'x'));
    EXPECT_EQ(errors_, 0);
}

TEST_F(StoreDataTest, AnUnwritableIniFileRaisesUnableToWrite)
{
    store_.DataStore().SetDatatype(sIniFile);
    std::ofstream(dir_ / "plain") << "x";
    const std::string name = (dir_ / "plain" / "MyFile.ini").string();
    store_.DataStore().Inifile().SetIniFilename(name);
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "x.dat"); }),
              "Unable to write to " + name);
    // A value the file cannot hold is a failed write too, not a corrupted file.
    store_.DataStore().Inifile().SetIniFilename("MyFile.ini");
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "two\nlines"); }),
              "Unable to write to MyFile.ini");
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("Data=FileName", "x"); }),
              "Unable to write to MyFile.ini");
}

TEST_F(StoreDataTest, AFifoOrDeviceAsTheSettingsFileFailsAsAnUnreadableFile)
{
    // A FIFO with no writer would block open() for good; it is refused at
    // once, read as no setting and never replaced.
    fs::create_directories(root_);
    const fs::path registryFile = root_ / "HKEY_CURRENT_USER.reg";
    ASSERT_EQ(::mkfifo(registryFile.c_str(), 0600), 0);
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(errors_, 1);
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "x.dat"); }),
              "Failed to set data for 'DataFileName'");
    EXPECT_TRUE(fs::is_fifo(registryFile));

    DataStore& data = store_.DataStore();
    data.SetDatatype(sIniFile);
    ASSERT_EQ(::mkfifo((root_ / "MyFile.ini").c_str(), 0600), 0);
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "x.dat"); }),
              "Unable to write to MyFile.ini");
    EXPECT_TRUE(fs::is_fifo(root_ / "MyFile.ini"));

    // /dev/zero reads as endless zero bytes; it is no settings file either.
    data.Inifile().SetIniFilename("/dev/zero");
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "x.dat"); }),
              "Unable to write to /dev/zero");
    EXPECT_EQ(errors_, 3);
}

TEST_F(StoreDataTest, AnOversizedSettingsFileFailsAsAnUnreadableFile)
{
    StoreRaw("DataFileName", RegistryValue::String("kept.dat"));
    const fs::path registryFile = root_ / "HKEY_CURRENT_USER.reg";
    std::string file = ReadFile(registryFile);
    ASSERT_NE(file.find("kept.dat"), std::string::npos);
    file.resize((std::size_t{16} << 20) + 1, ';'); // a comment line past the limit
    std::ofstream(registryFile, std::ios::binary | std::ios::trunc) << file;

    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "20051206.dat");
    EXPECT_EQ(errors_, 1);
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "x.dat"); }),
              "Failed to set data for 'DataFileName'");
    EXPECT_TRUE(ReadFile(registryFile) == file);
}

TEST_F(StoreDataTest, ALockHeldByAnotherProgramFailsTheWriteAfterABoundedWait)
{
    // Before, the write waited for the lock for good and the window never came up.
    platform::SetLockWaitLimit(std::chrono::milliseconds(200));
    StoreRaw("DataFileName", RegistryValue::String("kept.dat"));
    const fs::path registryFile = root_ / "HKEY_CURRENT_USER.reg";
    const std::string before = ReadFile(registryFile);
    {
        LockHolder holder(root_ / "HKEY_CURRENT_USER.reg.lock");
        ASSERT_TRUE(holder.Held());
        EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "new.dat"); }),
                  "Failed to set data for 'DataFileName': another program holds the settings");
        EXPECT_EQ(ReadFile(registryFile), before);
        EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "kept.dat")
            << "reading takes no lock";

        store_.DataStore().SetDatatype(sIniFile);
        store_.WriteString("DataFileName", "ini.dat");
        LockHolder iniHolder(root_ / "MyFile.ini.lock");
        ASSERT_TRUE(iniHolder.Held());
        EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "new.dat"); }),
                  "Unable to write to MyFile.ini: another program holds the settings");
        EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "ini.dat");
        store_.DataStore().SetDatatype(sRegistry);
    }
    // Once the other program lets go, the same write goes through.
    store_.WriteString("DataFileName", "new.dat");
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "new.dat");
    EXPECT_EQ(errors_, 0);
}

TEST_F(StoreDataTest, ASettingsFileNotFullyUnderstoodIsLeftByteForByte)
{
    // A file with a section of another root, which a rewrite would drop.
    fs::create_directories(root_);
    const fs::path registryFile = root_ / "HKEY_CURRENT_USER.reg";
    const std::string file = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Calderix\\Marlune\\Settings]\r\n"
                             "\"DataFileName\"=\"mine.dat\"\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
                             "\"Keep\"=\"me\"\r\n";
    std::ofstream(registryFile, std::ios::binary) << file;
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "mine.dat");
    store_.WriteString("DataFileName", "mine.dat"); // changes nothing: no rewrite needed
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "new.dat"); }),
              "Failed to set data for 'DataFileName': the settings file holds text this program "
              "cannot read, so it is left as it is");
    EXPECT_TRUE(ReadFile(registryFile) == file);
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "mine.dat");
    EXPECT_EQ(errors_, 0);
}

TEST_F(StoreDataTest, AReadOnlySettingsFileIsNotReplaced)
{
    // Before, the file was replaced by rename, which its mode does not stop.
    // The mode bits are checked as such, so this holds for root as well.
    StoreRaw("DataFileName", RegistryValue::String("kept.dat"));
    const fs::path registryFile = root_ / "HKEY_CURRENT_USER.reg";
    fs::permissions(registryFile,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = ReadFile(registryFile);
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "new.dat"); }),
              "Failed to set data for 'DataFileName'");
    store_.WriteString("DataFileName", "kept.dat"); // changes nothing: allowed
    EXPECT_TRUE(ReadFile(registryFile) == before);
    EXPECT_EQ(fs::status(registryFile).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "kept.dat");

    store_.DataStore().SetDatatype(sIniFile);
    store_.WriteString("DataFileName", "ini.dat");
    fs::permissions(root_ / "MyFile.ini", fs::perms::owner_read);
    const std::string ini = ReadFile(root_ / "MyFile.ini");
    EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "new.dat"); }),
              "Unable to write to MyFile.ini");
    EXPECT_TRUE(ReadFile(root_ / "MyFile.ini") == ini);
}

TEST_F(StoreDataTest, AReadOnlyDirectoryFailsEveryChangeWithOrWithoutALockFile)
{
    // Before, the outcome hung on whether an old lock file lay there.
    StoreRaw("DataFileName", RegistryValue::String("kept.dat"));
    const fs::path registryFile = root_ / "HKEY_CURRENT_USER.reg";
    const std::string before = ReadFile(registryFile);
    for (const bool oldLockFile : {true, false}) {
        fs::permissions(root_, fs::perms::owner_all);
        if (!oldLockFile) {
            fs::remove(root_ / "HKEY_CURRENT_USER.reg.lock");
        }
        ASSERT_EQ(fs::exists(root_ / "HKEY_CURRENT_USER.reg.lock"), oldLockFile);
        fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "new.dat"); }),
                  "Failed to set data for 'DataFileName'")
            << "lock file there: " << oldLockFile;
        EXPECT_EQ(ErrorOf([&] { store_.WriteString("DataFileName", "kept.dat"); }), "<no error>")
            << "lock file there: " << oldLockFile;
        EXPECT_EQ(store_.ReadString("DataFileName", "20051206.dat"), "kept.dat");
        EXPECT_TRUE(ReadFile(registryFile) == before);
    }
    fs::permissions(root_, fs::perms::owner_all);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"HKEY_CURRENT_USER.reg"}) << "no files left behind";
}

} // namespace
} // namespace marlune::settings
