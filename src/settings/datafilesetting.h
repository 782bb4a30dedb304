#pragma once

#include "settings/storedata.h"

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

} // namespace marlune::settings
