#include "settings/datafilesetting.h"

namespace marlune::settings {

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

} // namespace marlune::settings
