#include "app/updatecommand.h"

#include "app/waitcursor.h"
#include "catalogue/catalogue.h"
#include "platform/cp1252.h"
#include "platform/flagscope.h"
#include "platform/gui/messagebox.h"
#include "widgets/statusbar.h"

namespace marlune::app {

using Check = update::CheckOutcome::Kind;
using Install = update::InstallOutcome::Kind;

UpdateCommand::UpdateCommand(catalogue::Catalogue& catalogue, widgets::StatusBar& statusBar)
    : catalogue_(catalogue), statusBar_(statusBar)
{
}

void UpdateCommand::abandon()
{
    if (running_) {
        catalogue_.AbandonUpdate();
    }
}

void UpdateCommand::run()
{
    // A second run would share the HTTP client with the one waiting below it.
    if (running_) {
        platform::gui::ShowMessage("An update is already running.");
        return;
    }
    platform::FlagScope running(running_);
    statusBar_.setToolTip(QString());
    update::CheckOutcome check;
    {
        WaitCursor cursor;
        check = catalogue_.CheckForUpdate();
    }
    switch (check.kind) {
    case Check::Abandoned:
        return;
    case Check::Failed:
        showCheckFailure(check.text);
        return;
    case Check::NoUpdate:
        platform::gui::ShowMessage("No updated data file available yet.");
        return;
    case Check::Available:
        break;
    }
    if (!platform::gui::AskYesNo(
            "A new updated data file is available. Like to download and install?")) {
        platform::gui::ShowMessage("Update file download canceled.");
        return;
    }
    update::InstallOutcome installed;
    {
        WaitCursor cursor;
        installed = catalogue_.InstallUpdate(check.candidate);
    }
    switch (installed.kind) {
    case Install::Abandoned:
    case Install::Installed:
        break;
    case Install::Failed:
        platform::gui::ShowMessage("Update failed: " + installed.text,
                                   platform::gui::MessageIcon::Error);
        break;
    case Install::Refused:
        platform::gui::ShowMessage("Update refused: the data file's signature does not verify (" +
                                       installed.text + ")",
                                   platform::gui::MessageIcon::Error);
        break;
    }
}

void UpdateCommand::showCheckFailure(const std::string& text)
{
    // The panel is narrow: the whole text is also the bar's hint.
    statusBar_.SetPanelText(0, text);
    statusBar_.setToolTip(platform::ToQString(text));
}

} // namespace marlune::app
