#pragma once

#include "net/httpclient.h"
#include "settings/storedata.h"
#include "table/datasource.h"
#include "table/memtable.h"
#include "update/updateservice.h"

#include <functional>
#include <string>
#include <vector>

// The program without its window: the postcode table and its data source,
// the settings store, the HTTP client and the update service, and what the
// program remembers between commands (the data file in use, whether this
// run's settings can be saved). Each step reports what the user must hear;
// the window asks and shows, as a view over this model.
namespace marlune::catalogue {

// The field the search box looks in.
enum class SearchField { Suburb, Postcode };

inline constexpr const char* kDataFileNotLoaded = "Data file could not be loaded.";

// What start-up leaves for the user to read, in the order to show it.
struct StartOutcome {
    bool loaded = false; // the data file was read completely
    std::vector<std::string> messages;
};

class Catalogue {
public:
    // The table opens at once, with its five fields and no records; the
    // settings store points at the program's settings.
    Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // "Table1" is also the table's name in stored files and messages.
    table::MemTable& Table() { return table_; }
    const table::MemTable& Table() const { return table_; }
    table::DataSource& Source() { return source_; }
    settings::StoreData& Settings() { return settings_; }
    net::HttpClient& Http() { return http_; }
    // The Update command's server and key; the program sets them from its
    // build settings.
    update::UpdateService& Updater() { return updater_; }

    // The data file in use, relative to the working directory; empty until
    // Start has run.
    const std::string& DataFileName() const { return dataFileName_; }
    // Whether changes of this run (a new data file's name) reach the
    // settings; false when start-up could not read or save them.
    bool SettingsSaved() const { return settingsSaved_; }

    // Start-up: removes downloads a killed run left behind, reads the
    // setting (writing it back) and loads the named data file. Never raises:
    // settings that cannot be read or saved never keep the list from loading.
    StartOutcome Start();

    // Moves the table to the first record, in file order, whose field begins
    // with text, case ignored; false, and nothing moves, when none does.
    // A closed table raises.
    bool Locate(SearchField field, const std::string& text);

    // The Update command's two steps: is there a newer file than the one in
    // use; download and install it, making it the one in use.
    update::CheckOutcome CheckForUpdate();
    update::InstallOutcome InstallUpdate(const std::string& candidate);
    // Ends a request waiting in either step; the step returns Abandoned.
    void AbandonUpdate() { updater_.Abandon(); }

    // A text for the first status panel: the client's status, the progress
    // of a download ("Got 12 of 345 Kb total"), a failed request.
    std::function<void(const std::string& text)> OnStatusText;

private:
    void Say(const std::string& text);

    table::MemTable table_{"Table1"};
    table::DataSource source_{&table_};
    settings::StoreData settings_;
    net::HttpClient http_;
    update::UpdateService updater_{http_, table_, settings_};
    std::string dataFileName_;
    bool settingsSaved_ = true;
};

} // namespace marlune::catalogue
