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

} // namespace marlune::settings
