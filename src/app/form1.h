#pragma once

#include "appmanager/appmanager.h"
#include "hints/hintcomponent.h"
#include "net/httpclient.h"
#include "report/report.h"
#include "report/shapeview.h"
#include "report/tabledataset/tabledataset.h"
#include "settings/storedata.h"
#include "table/datasource.h"
#include "table/memtable.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QFrame;
class QMenu;
class QRadioButton;
class QToolButton;

namespace marlune::report {
class ProgressForm;
}

namespace marlune::app {

class DBGrid;
struct DBGridColumn;
class TAboutBox;
class SystemTrayArea;
class TLabeledEdit;
class TStatusBar;
class TToolBar;
class TToolSeparator;
class TImageList;

// The main window: owner of every component of the program. Its show step
// loads the data file named in the settings; its search box moves the table
// to the first matching record.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The outer size of the window, also its minimum.
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 330;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Non-visual components, created with the window and freed with it.
    table::MemTable Table1{"Table1"};
    table::DataSource DataSource1{&Table1};
    settings::StoreData StoreData1;
    net::HttpClient HTTP1;
    // The speech-bubble hints; there is one per program.
    std::unique_ptr<hints::HintComponent> Hint1;
    // Application title, icon and date formats; the tray icon while minimised.
    std::unique_ptr<appmanager::AppManager> AppManager1;
    // The printed postcode list over Table1; its template is read from the
    // program's resources when the window is created.
    report::ShapeObject ShapeObject1;
    report::TableDataset TableDataset1{"TableDataset1"};
    report::Report Report1;
    // The name of the data file in use, relative to the working directory.
    std::string CurrentDataFileName;
    // The update server, a host name or address with an optional ":port";
    // the program sets it from its build setting.
    std::string UpdateHost = "localhost";
    // The minisign public key line that downloads must be signed with;
    // empty: downloads are installed unsigned. The build setting.
    std::string UpdatePublicKey;
    // The about box, a window of its own that start-up creates after this
    // one; About shows it. Not owned.
    TAboutBox* AboutBox = nullptr;

    // Controls; the window owns them.
    QFrame* Panel1 = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolSeparator* ToolButton2 = nullptr;
    QToolButton* ToolButton1 = nullptr; // Exit
    QToolButton* ToolButton3 = nullptr; // Print
    QToolButton* ToolButton6 = nullptr; // Update
    TToolSeparator* ToolButton5 = nullptr;
    QToolButton* ToolButton4 = nullptr; // About
    TLabeledEdit* Edit1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    DBGrid* DBGrid1 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    // The grid's record menu: "Copy postcode", "Copy suburb", "Copy row".
    QMenu* RecordMenu = nullptr;

    const TImageList& ImageList1() const { return *imageList1_; }

    // The grid's columns: the postcode fields, with their titles and widths.
    static std::vector<DBGridColumn> GridColumns();

    // Event handlers.
    void FormShow();
    void Edit1Change();
    void RadioButton1Click();
    void ToolButton1Click();
    void ToolButton3Click();
    void ToolButton6Click();
    void ToolButton4Click();
    void HTTP1Status(const std::string& status);
    void HTTP1PacketRecvd();
    void HTTP1Failure(net::CmdType cmd);
    void AppManager1TrayClick(QObject* sender);

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
    void CreateControls();
    void ConfigureHttp1();
    void ConfigureAppManager1();
    void ConfigureReport1();
    void InstallUpdate(const std::string& candidate);
    void ReportUpdateFailure(const std::string& reason);
    // Why the file at path may not be installed as a data file; empty when it
    // loads completely and holds records.
    std::string DataFileProblem(const std::string& path) const;
    // Fetches candidate's ".minisig" and says why the file at path does not
    // verify against UpdatePublicKey; empty when it does.
    std::string SignatureProblem(const std::string& candidate, const std::string& path);
    // Why an existing file of that name may not be replaced by an update (it
    // is not a data file: the user's); empty when there is none or it is one.
    std::string ForeignFileProblem(const std::string& name) const;
    // A failure of the check in the first status panel, readable whole as its hint.
    void ShowUpdateStatus(const std::string& text);
    void ArrangeControls();
    void FitOuterSize();

    std::unique_ptr<TImageList> imageList1_;
    std::unique_ptr<SystemTrayArea> trayArea_;
    // The progress window of report builds; one for the program.
    report::ProgressForm* progressForm_ = nullptr;
    bool shown_ = false;
    bool showStepDone_ = false;
    bool outerSizeFitted_ = false;
    bool updateRunning_ = false;
    // The settings could be read and saved at start-up; when not, this run's
    // changes (a new data file's name) are not written.
    bool settingsSaved_ = true;
    // The window closed while an update waited: end it without a word.
    bool closing_ = false;
};

} // namespace marlune::app
