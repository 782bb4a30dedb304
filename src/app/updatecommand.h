#pragma once

#include <string>

namespace marlune::catalogue {
class Catalogue;
}

namespace marlune::widgets {
class StatusBar;
}

namespace marlune::app {

// The Update command's dialog: the check, the Yes/No question, the install
// and what the user is told of each outcome. The steps themselves are the
// catalogue's; this class only asks and shows.
class UpdateCommand {
public:
    UpdateCommand(catalogue::Catalogue& catalogue, widgets::StatusBar& statusBar);
    UpdateCommand(const UpdateCommand&) = delete;
    UpdateCommand& operator=(const UpdateCommand&) = delete;

    void run();
    // Whether a run is waiting for the server.
    bool running() const { return running_; }
    // Ends a waiting run, which then cleans up and returns without a word.
    void abandon();

private:
    // A failure of the check in the first status panel, readable whole as its hint.
    void showCheckFailure(const std::string& text);

    catalogue::Catalogue& catalogue_;
    widgets::StatusBar& statusBar_;
    bool running_ = false;
};

} // namespace marlune::app
