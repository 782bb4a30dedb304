#include "settings/datafilesetting.h"

#include "platform/atomicfile.h"
#include "platform/registry.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace marlune::settings {
namespace {

namespace fs = std::filesystem;

std::string Unreadable(const std::string& file)
{
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        return "the settings file " + file + " cannot be read: " + std::strerror(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return "the settings file " + file + " is a folder";
    }
    if (!S_ISREG(status.st_mode)) {
        return "the settings file " + file + " is not a regular file";
    }
    if (static_cast<std::uint64_t>(status.st_size) > platform::kMaxWholeFileSize) {
        return "the settings file " + file + " is larger than " +
               std::to_string(platform::kMaxWholeFileSize >> 20) + " MB";
    }
    return "the settings file " + file + " cannot be read";
}

std::string Unwritable(const std::string& file)
{
    const fs::path folder = fs::path(file).parent_path();
    // The nearest part of the folder's path that exists tells what is wrong.
    fs::path existing = folder;
    std::error_code error;
    while (!existing.empty() && !fs::exists(existing, error) && existing != existing.root_path()) {
        existing = existing.parent_path();
    }
    if (!existing.empty() && fs::exists(existing, error) && !fs::is_directory(existing, error)) {
        return existing.string() + " is a file, not a folder";
    }
    if (existing != folder) {
        return "the folder " + folder.string() + " cannot be created";
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        return "the folder " + folder.string() + " is read-only";
    }
    if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0) {
        return "the settings file " + file + " is read-only";
    }
    return "the settings file " + file + " cannot be written";
}

// Why the store's last call failed, from the platform's last failure.
std::string Reason(const std::string& message)
{
    const std::string file = platform::RegistryFilePath(platform::PredefinedKey::CurrentUser);
    switch (platform::LastFileFailure()) {
    case platform::FileFailure::Locked:
        return "another program holds them";
    case platform::FileFailure::NotUnderstood:
        return "the settings file " + file + " holds text this program cannot read";
    case platform::FileFailure::Unreadable:
        return Unreadable(file);
    case platform::FileFailure::ReadOnly:
    case platform::FileFailure::Unwritable:
        return Unwritable(file);
    case platform::FileFailure::None:
        break;
    }
    return message;
}

} // namespace

void ConfigureDataFileSetting(StoreData& store)
{
    DataStore& data = store.DataStore();
    data.SetSection("Settings");
    data.Registry().SetPath("\\Software\\Calderix\\Marlune");
    data.Inifile().SetIniFilename("MyFile.ini");
    data.SetPassword("Postcode");
}

std::string ConfiguredDataFileName()
{
    StoreData store;
    ConfigureDataFileSetting(store);
    return store.ReadString(kDataFileNameSetting, kDefaultDataFileName);
}

StartupDataFile ReadDataFileAtStartup(StoreData& store, std::chrono::milliseconds lockWait)
{
    const platform::LockWaitBudget budget(lockWait);
    StartupDataFile result;
    result.fileName = kDefaultDataFileName;
    const auto fail = [&result](const std::exception& e) {
        result.saved = false;
        result.held = platform::LastFileFailure() == platform::FileFailure::Locked;
        result.problem = Reason(e.what());
    };
    platform::SetLastFileFailure(platform::FileFailure::None);
    try {
        result.fileName = store.ReadString(kDataFileNameSetting, kDefaultDataFileName);
    } catch (const std::exception& e) {
        // What is stored stays as it is: it was not understood, not lost.
        fail(e);
        return result;
    }
    try {
        store.WriteString(kDataFileNameSetting, result.fileName);
    } catch (const std::exception& e) {
        fail(e);
    }
    return result;
}

std::string SettingsNotSavedMessage(const StartupDataFile& startup)
{
    if (startup.held) {
        return "The settings are held by another program: changes made in this run are not "
               "saved.";
    }
    return "The settings could not be saved: " + startup.problem +
           ". Changes made in this run are not saved.";
}

} // namespace marlune::settings
