#pragma once

#include "settings/storedata.h"

#include <chrono>
#include <string>

namespace marlune::settings {

// The program's one setting: the name of its data file, relative to the
// working directory, under HKEY_CURRENT_USER\Software\Calderix\Marlune\Settings.
inline constexpr const char* kDataFileNameSetting = "DataFileName";
inline constexpr const char* kDefaultDataFileName = "20051206.dat";

// Points a settings store at the place where the main window keeps that
// setting, so that every program that reads or writes it agrees.
void ConfigureDataFileSetting(StoreData& store);

// The data file the program would load: the setting, or the default name.
// Raises marlune::Error when the settings cannot be read.
std::string ConfiguredDataFileName();

// What start-up makes of the setting: the name to load and, when the
// settings could not be read or saved, why.
struct StartupDataFile {
    std::string fileName;
    bool saved = true;   // the setting was read and written back
    bool held = false;   // another program holds the settings' lock
    std::string problem; // why not, in words, when not saved
};

// Reads the setting and writes it straight back, so that it exists after the
// first start. Never raises and never stops the data file from loading:
// a setting that cannot be read gives the default name (and is not
// overwritten), a store that cannot be written is described. Waits for a
// lock another program holds end within `lockWait` in all.
StartupDataFile ReadDataFileAtStartup(StoreData& store,
                                      std::chrono::milliseconds lockWait = std::chrono::seconds(5));

// The one message the user gets about settings that were not saved.
std::string SettingsNotSavedMessage(const StartupDataFile& startup);

} // namespace marlune::settings
