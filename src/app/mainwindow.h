#pragma once

#include "app/mainwindowcontrols.h"
#include "catalogue/catalogue.h"
#include "postcodelist/postcodelistreport.h"
#include "report/report.h"

#include <QWidget>

#include <memory>
#include <string>

namespace marlune::appmanager {
class AppManager;
}

namespace marlune::hints {
class HintComponent;
}

namespace marlune::report::preview {
class ProgressForm;
}

namespace marlune::app {

class AboutBox;
class SystemTrayArea;
class UpdateCommand;

// The main window: a shell that wires the controls to the catalogue (the
// table, the settings, the update) and to the printed list. Its show step
// loads the data file; its search box moves the table to the first
// matching record; Print, Update and About run their commands.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // The outer size of the window, also its minimum.
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 330;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The program's model: the table, the settings, the HTTP client and the
    // update service, created with the window and freed with it.
    catalogue::Catalogue& catalogue() { return catalogue_; }
    // The about box, a window of its own that start-up creates after this
    // one; About shows it. Not owned.
    void setAboutBox(AboutBox* box) { aboutBox_ = box; }

    // Whether the show step has run (it runs once, after the first show).
    bool showStepDone() const { return showStepDone_; }
    // Whether the Update command is waiting for the server.
    bool updateRunning() const;

Q_SIGNALS:
    // The window was closed: the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void configureReport();
    void connectControls();
    void fitOuterSize();
    // The outer size's rectangle in the middle of the screen.
    void centreOnScreen();

    // Commands and event handlers.
    void runShowStep();
    void search();
    void searchFieldChanged();
    void exitProgram();
    void printList();
    void checkForUpdate();
    void showAbout();
    void showStatusText(const std::string& text);
    void restoreFromTray();

    catalogue::Catalogue catalogue_;
    // The speech-bubble hints; there is one per program.
    std::unique_ptr<hints::HintComponent> hints_;
    // The tray icon's notification area, and the manager of the application
    // title, icon, date formats and the tray icon while minimised.
    std::unique_ptr<SystemTrayArea> trayArea_;
    std::unique_ptr<appmanager::AppManager> appManager_;
    // The printed postcode list over the table; its template is read from
    // the program's resources when the window is created.
    postcodelist::PostcodeListReport postcodeList_;
    report::Report& listReport_ = postcodeList_.report();
    // The progress window of report builds; one for the program.
    report::preview::ProgressForm* progressForm_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    MainWindowControls controls_;
    std::unique_ptr<UpdateCommand> updateCommand_;
    bool shown_ = false;
    bool showStepDone_ = false;
    bool outerSizeFitted_ = false;
};

} // namespace marlune::app
