#pragma once

#include "appmanager/appmanager.h"
#include "hints/hintcomponent.h"
#include "net/httpclient.h"
#include "platform/gui/messagebox.h"
#include "postcodelist/postcodelistreport.h"
#include "report/report.h"
#include "settings/storedata.h"
#include "table/datasource.h"
#include "table/memtable.h"
#include "update/updateservice.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QFrame;
class QMenu;
class QRadioButton;
class QToolButton;

namespace marlune::report::preview {
class ProgressForm;
}

namespace marlune::widgets {
class DBGrid;
struct DBGridColumn;
class LabeledEdit;
class StatusBar;
class ToolBar;
class ToolSeparator;
class ImageList;
} // namespace marlune::widgets

namespace marlune::app {

class AboutBox;
class SystemTrayArea;

// The main window: owner of every component of the program. Its show step
// loads the data file named in the settings; its search box moves the table
// to the first matching record.
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

    // Non-visual components, created with the window and freed with it.
    table::MemTable Table1{"Table1"};
    table::DataSource dataSource{&Table1};
    settings::StoreData settingsStore;
    net::HttpClient http;
    // The speech-bubble hints; there is one per program.
    std::unique_ptr<hints::HintComponent> hints;
    // Application title, icon and date formats; the tray icon while minimised.
    std::unique_ptr<appmanager::AppManager> appManager;
    // The printed postcode list over Table1; its template is read from the
    // program's resources when the window is created.
    postcodelist::PostcodeListReport postcodeList{
        dataSource, report::DefaultPrinter(),
        [](const std::string& text, const std::string& caption) {
            platform::gui::ShowMessage(text, caption, platform::gui::MessageIcon::Error);
        }};
    report::Report& listReport = postcodeList.report();
    // The name of the data file in use, relative to the working directory.
    std::string CurrentDataFileName;
    // The Update command's check, download and install; the program sets
    // its server and key from its build settings.
    update::UpdateService& updater() { return updater_; }
    // The about box, a window of its own that start-up creates after this
    // one; About shows it. Not owned.
    AboutBox* aboutBox = nullptr;

    // Controls; the window owns them.
    QFrame* panel = nullptr;
    widgets::ToolBar* toolBar = nullptr;
    widgets::ToolSeparator* leadingSeparator = nullptr;
    QToolButton* exitButton = nullptr;
    QToolButton* printButton = nullptr;
    QToolButton* updateButton = nullptr;
    widgets::ToolSeparator* aboutSeparator = nullptr;
    QToolButton* aboutButton = nullptr;
    widgets::LabeledEdit* searchEdit = nullptr;
    QRadioButton* bySuburbButton = nullptr;
    QRadioButton* byPostcodeButton = nullptr;
    widgets::DBGrid* grid = nullptr;
    widgets::StatusBar* statusBar = nullptr;
    // The grid's record menu: "Copy postcode", "Copy suburb", "Copy row".
    QMenu* recordMenu = nullptr;

    const widgets::ImageList& toolImages() const { return *toolImages_; }

    // The grid's columns: the postcode fields, with their titles and widths.
    static std::vector<widgets::DBGridColumn> GridColumns();

    // Event handlers.
    void runShowStep();
    void search();
    void searchFieldChanged();
    void exitProgram();
    void printList();
    void checkForUpdate();
    void showAbout();
    void showHttpStatus(const std::string& status);
    void showDownloadProgress();
    void showHttpFailure(net::CmdType cmd);
    void restoreFromTray(QObject* sender);

    // Whether the Update command is waiting for the server.
    bool UpdateRunning() const { return updateRunning_; }

    // Whether the show step has run (it runs once, after the first show).
    bool ShowStepDone() const { return showStepDone_; }

Q_SIGNALS:
    // The window was closed: the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void configureHttp();
    void configureAppManager();
    void configureReport();
    // A failure of the check in the first status panel, readable whole as its hint.
    void showUpdateStatus(const std::string& text);
    void arrangeControls();
    void fitOuterSize();

    std::unique_ptr<widgets::ImageList> toolImages_;
    std::unique_ptr<SystemTrayArea> trayArea_;
    // The progress window of report builds; one for the program.
    report::preview::ProgressForm* progressForm_ = nullptr;
    bool shown_ = false;
    bool showStepDone_ = false;
    bool outerSizeFitted_ = false;
    bool updateRunning_ = false;
    // The settings could be read and saved at start-up; when not, this run's
    // changes (a new data file's name) are not written.
    bool settingsSaved_ = true;
    update::UpdateService updater_{http, Table1, settingsStore};
};

} // namespace marlune::app
