#include "catalogue/catalogue.h"

#include "net/downloadfiles.h"
#include "net/failuretext.h"
#include "settings/datafilesetting.h"

#include <exception>

namespace marlune::catalogue {

Catalogue::Catalogue()
{
    settings::ConfigureDataFileSetting(settings_);
    http_.SetPort(80);
    http_.SetReportLevel(0);
    http_.SetBody("Default.htm");
    http_.SetHeader("Head.txt");
    http_.SetInputFileMode(false);
    http_.SetOutputFileMode(false);
    http_.SetProxyPort(0);
    http_.OnStatus = [this](const std::string& status) { Say(status); };
    http_.OnPacketRecvd = [this] {
        Say("Got " + std::to_string(http_.BytesReceived() / 1024) + " of " +
            std::to_string(http_.ContentLength() / 1024) + " Kb total");
    };
    http_.OnFailure = [this](net::CmdType cmd) {
        // Other commands leave the panel as it is.
        if (const char* text = net::HttpFailureText(cmd)) {
            Say(text);
        }
    };
    table_.Open();
}

void Catalogue::Say(const std::string& text)
{
    if (OnStatusText) {
        OnStatusText(text);
    }
}

StartOutcome Catalogue::Start()
{
    net::RemoveStaleDownloads(".");
    settings::StartupDataFile startup;
    try {
        startup = settings::ReadDataFileAtStartup(settings_);
    } catch (const std::exception& e) {
        startup = {settings::kDefaultDataFileName, false, false, e.what()};
    }
    dataFileName_ = startup.fileName;
    settingsSaved_ = startup.saved;
    StartOutcome outcome;
    try {
        table_.LoadTableFile(dataFileName_);
        outcome.loaded = true;
    } catch (...) {
        outcome.messages.emplace_back(kDataFileNotLoaded);
    }
    if (!startup.saved) {
        outcome.messages.push_back(settings::SettingsNotSavedMessage(startup));
    }
    return outcome;
}

bool Catalogue::Locate(SearchField field, const std::string& text)
{
    const table::LocateOptions options = table::loCaseInsensitive | table::loPartialKey;
    return table_.Locate(field == SearchField::Suburb ? "Locality" : "PCode", text, options);
}

update::CheckOutcome Catalogue::CheckForUpdate()
{
    return updater_.Check(dataFileName_);
}

update::InstallOutcome Catalogue::InstallUpdate(const std::string& candidate)
{
    update::InstallOutcome outcome = updater_.Install(candidate, settingsSaved_);
    if (outcome.kind == update::InstallOutcome::Kind::Installed) {
        dataFileName_ = outcome.fileName;
    }
    return outcome;
}

} // namespace marlune::catalogue
