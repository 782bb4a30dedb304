#include "app/form1.h"

#include "app/aboutbox.h"
#include "app/clipboardtext.h"
#include "app/dbgrid.h"
#include "app/labelededit.h"
#include "app/statusbar.h"
#include "app/systemtray.h"
#include "app/toolbar.h"
#include "net/downloadfiles.h"
#include "net/minisign.h"
#include "net/updatecheck.h"
#include "platform/atomicfile.h"
#include "platform/cp1252.h"
#include "platform/flagscope.h"
#include "platform/gui/application.h"
#include "platform/paint/colors.h"
#include "platform/paint/fonts.h"
#include "report/postcodelist/postcodelist.h"
#include "report/preview/previewform.h"
#include "report/preview/reportpreview.h"
#include "report/print/printform.h"
#include "report/print/qprinterdevice.h"
#include "report/preview/progressform.h"
#include "settings/datafilesetting.h"
#include "table/postcodeschema.h"
#include "platform/gui/messagebox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Resources of a static library are registered by hand, outside any namespace.
static void InitMarluneResources()
{
    Q_INIT_RESOURCE(marlune);
}

namespace marlune::app {
namespace {

constexpr int kPanelHeight = 89;
constexpr int kToolButtonWidth = 47;
constexpr int kToolButtonHeight = 36;
constexpr int kSeparatorWidth = 8;

// The check file names a file in its first characters; more is never read.
constexpr long long kCheckBodyLimit = 4096;
// A signature file is four short lines; more is never read.
constexpr long long kSignatureLimit = 16384;

// The hourglass while the object lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    InitMarluneResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Marlune"));
    setWindowIcon(QIcon(QStringLiteral(":/marlune/marlune_256.png")));
    setFont(paint::VerdanaFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, paint::ColorToQColor(paint::clBtnFace));
    pal.setColor(QPalette::WindowText, paint::ColorToQColor(paint::clWindowText));
    setPalette(pal);
    setAutoFillBackground(true);

    // The outer size is 500 x 330. Until the window manager has framed the
    // window its frame is unknown, so the client area starts at that size
    // and is made smaller by the frame once the frame is known.
    setMinimumSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    if (const QScreen* screen = this->screen()) {
        const QRect desktop = screen->geometry();
        move(desktop.x() + (desktop.width() - kWidth) / 2,
             desktop.y() + (desktop.height() - kHeight) / 2);
    }

    settings::ConfigureDataFileSetting(StoreData1);
    Hint1 = std::make_unique<hints::HintComponent>();
    Hint1->SetHintFont(paint::SansSerifFont(11), paint::clWindowText);
    ConfigureAppManager1();
    ConfigureHttp1();
    Table1.Open();
    ConfigureReport1();
    CreateControls();
    ArrangeControls();
}

TForm1::~TForm1()
{
    // The manager's tray icon goes before the notification area it is in.
    AppManager1.reset();
    // The grid observes DataSource1: the controls go before the components.
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        delete child;
    }
}

std::vector<DBGridColumn> TForm1::GridColumns()
{
    std::vector<DBGridColumn> columns;
    for (const table::PostcodeField& f : table::kPostcodeFields) {
        DBGridColumn c;
        c.fieldName = std::string(f.name);
        c.caption =
            QString::fromLatin1(f.columnTitle.data(), static_cast<qsizetype>(f.columnTitle.size()));
        c.width = f.columnWidth;
        c.widthStored = f.columnWidth > 0;
        columns.push_back(std::move(c));
    }
    return columns;
}

void TForm1::ConfigureAppManager1()
{
    trayArea_ = std::make_unique<SystemTrayArea>();
    AppManager1 = std::make_unique<appmanager::AppManager>(this, trayArea_.get());
    trayArea_->SetTrayIcon(&AppManager1->TrayIcon());
    appmanager::AppManager& m = *AppManager1;
    m.SetApplicationTitle("Marlune");
    m.SetIcon(windowIcon());
    m.SetSysShortDateFormat("d/MM/yyyy");
    m.SetSysLongDateFormat("dddd, d MMMM yyyy");
    m.TrayIcon().SetKeepTaskbarEntry(!PlatformReportsMinimising());
    m.TrayIcon().SetActive(appmanager::tsOnMinimized);
    m.TrayIcon().SetHint("Marlune");
    m.TrayIcon().SetAppRestore(appmanager::OnSingleClick);
    m.TrayIcon().SetIcon(windowIcon());
    m.Associations.DDEUniqueName = "MarluneDDEAppManager";
    m.OnTrayClick = [this](QObject* sender) { AppManager1TrayClick(sender); };
    m.Loaded();
}

void TForm1::ConfigureHttp1()
{
    HTTP1.SetPort(80);
    HTTP1.SetReportLevel(0);
    HTTP1.SetBody("Default.htm");
    HTTP1.SetHeader("Head.txt");
    HTTP1.SetInputFileMode(false);
    HTTP1.SetOutputFileMode(false);
    HTTP1.SetProxyPort(0);
    HTTP1.OnStatus = [this](const std::string& status) { HTTP1Status(status); };
    HTTP1.OnPacketRecvd = [this] { HTTP1PacketRecvd(); };
    HTTP1.OnFailure = [this](net::CmdType cmd) { HTTP1Failure(cmd); };
}

void TForm1::CreateControls()
{
    imageList1_ = std::make_unique<TImageList>(16, 16);
    // At 200 % and 300 % the icons take drawings of their own, not the 16-pixel
    // pictures scaled up.
    for (const char* picture : {"tb_exit", "tb_print", "tb_update", "tb_about"}) {
        const QString name = QStringLiteral(":/marlune/%1").arg(QLatin1String(picture));
        imageList1_->Add(
            QPixmap(name + QStringLiteral(".png")),
            {QPixmap(name + QStringLiteral("_32.png")), QPixmap(name + QStringLiteral("_48.png"))});
    }

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);

    ToolBar1 = new TToolBar(Panel1, kToolButtonWidth, kToolButtonHeight);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->SetImages(imageList1_.get());
    ToolButton2 = ToolBar1->AddSeparator(kSeparatorWidth);
    ToolButton2->setObjectName(QStringLiteral("ToolButton2"));
    ToolButton1 = ToolBar1->AddButton(QStringLiteral("Exit"), 0, QStringLiteral("Exit Marlune"));
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton3 =
        ToolBar1->AddButton(QStringLiteral("Print"), 1, QStringLiteral("Print complete list"));
    ToolButton3->setObjectName(QStringLiteral("ToolButton3"));
    ToolButton6 =
        ToolBar1->AddButton(QStringLiteral("Update"), 2, QStringLiteral("Check for updates"));
    ToolButton6->setObjectName(QStringLiteral("ToolButton6"));
    ToolButton5 = ToolBar1->AddSeparator(kSeparatorWidth);
    ToolButton5->setObjectName(QStringLiteral("ToolButton5"));
    ToolButton4 = ToolBar1->AddButton(QStringLiteral("About"), 3, QStringLiteral("About Marlune"));
    ToolButton4->setObjectName(QStringLiteral("ToolButton4"));
    connect(ToolButton3, &QToolButton::clicked, this,
            [this] { platform::RunHandler([this] { ToolButton3Click(); }); });
    connect(ToolButton1, &QToolButton::clicked, this,
            [this] { platform::RunHandler([this] { ToolButton1Click(); }); });
    connect(ToolButton6, &QToolButton::clicked, this,
            [this] { platform::RunHandler([this] { ToolButton6Click(); }); });
    connect(ToolButton4, &QToolButton::clicked, this,
            [this] { platform::RunHandler([this] { ToolButton4Click(); }); });
    // Standard keys for the toolbar's commands. A key presses its button, so
    // it does nothing while the button is disabled. The hints stay as they
    // are; assistive technology hears the key after the hint.
    const std::pair<QToolButton*, QKeySequence> keys[] = {
        {ToolButton1, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {ToolButton3, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {ToolButton6, QKeySequence(Qt::Key_F5)},
        {ToolButton4, QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [button, key] : keys) {
        button->setShortcut(key);
        button->setAccessibleDescription(QStringLiteral("%1 (%2)").arg(
            button->toolTip(), key.toString(QKeySequence::NativeText)));
    }

    Edit1 = new TLabeledEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->EditLabel()->setObjectName(QStringLiteral("Edit1Label"));
    Edit1->SetLabelCaption(QStringLiteral("Search"));
    Edit1->setToolTip(QStringLiteral("Type your search here"));
    Edit1->setAccessibleName(QStringLiteral("Search"));
    Edit1->setAccessibleDescription(Edit1->toolTip());
    Edit1->setGeometry(8, 61, 121, 21);
    Edit1->setMaxLength(std::numeric_limits<int>::max()); // no limit of its own
    connect(Edit1, &QLineEdit::textChanged, this,
            [this] { platform::RunHandler([this] { Edit1Change(); }); });
    // Escape in the search box empties it, which searches again.
    new QShortcut(QKeySequence(Qt::Key_Escape), Edit1, Edit1, &QLineEdit::clear,
                  Qt::WidgetShortcut);

    RadioButton1 = new QRadioButton(QStringLiteral("By Suburb"), Panel1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(144, 51, 113, 17);
    RadioButton1->setToolTip(QStringLiteral("Select search field"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("By Post Code"), Panel1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(144, 67, 113, 17);
    RadioButton2->setToolTip(QStringLiteral("Select search field"));
    RadioButton1->setAccessibleDescription(RadioButton1->toolTip());
    RadioButton2->setAccessibleDescription(RadioButton2->toolTip());
    auto* group = new QButtonGroup(this);
    group->addButton(RadioButton1);
    group->addButton(RadioButton2);
    // One handler for both, raised only when a button becomes checked.
    for (QRadioButton* button : {RadioButton1, RadioButton2}) {
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) {
                platform::RunHandler([this] { RadioButton1Click(); });
            }
        });
    }

    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Postcodes"));
    DBGrid1->SetColumns(GridColumns());
    DBGrid1->SetDataSource(&DataSource1);

    // Copying what was found: a right click on a record (or the menu key)
    // offers its postcode, its suburb or the whole row; the Copy key copies
    // the row in the grid, and in the search box when it has no selection.
    RecordMenu = new QMenu(this);
    RecordMenu->setObjectName(QStringLiteral("RecordMenu"));
    const auto copyField = [this](std::string_view field) {
        return [this, field] { CopyToClipboard(DBGrid1->CurrentFieldText(std::string(field))); };
    };
    RecordMenu->addAction(QStringLiteral("Copy postcode"), this,
                          copyField(table::kPostcodeFields[0].name));
    RecordMenu->addAction(QStringLiteral("Copy suburb"), this,
                          copyField(table::kPostcodeFields[1].name));
    RecordMenu->addAction(QStringLiteral("Copy row"), this,
                          [this] { CopyToClipboard(DBGrid1->CurrentRowText()); });
    DBGrid1->OnRecordMenu = [this](DBGrid&, QPoint at, bool fromKeyboard) {
        RecordMenu->popup(at);
        if (fromKeyboard) {
            // Enter then copies the postcode, the likeliest want.
            RecordMenu->setActiveAction(RecordMenu->actions().constFirst());
        }
    };
    Edit1->installEventFilter(this);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->AddPanel(200, Qt::AlignLeft);
    StatusBar1->AddPanel(200, Qt::AlignHCenter, "Calderix Software");

    // Tab order: the grid first, so it has the focus when the window opens.
    setTabOrder(DBGrid1, Edit1);
    setTabOrder(Edit1, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    DBGrid1->setFocus();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (IsCopyKey(key) && !Edit1->hasSelectedText()) {
            CopyToClipboard(DBGrid1->CurrentRowText());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::ArrangeControls()
{
    const int w = width();
    const int h = height();
    const int statusHeight = StatusBar1->height();
    Panel1->setGeometry(0, 0, w, kPanelHeight);
    // Aligned to the top of the panel, inside its bevel.
    const int bevel = Panel1->frameWidth();
    ToolBar1->setGeometry(bevel, bevel, w - 2 * bevel, ToolBar1->FittingHeight());
    StatusBar1->setGeometry(0, h - statusHeight, w, statusHeight);
    DBGrid1->setGeometry(0, kPanelHeight, w, h - kPanelHeight - statusHeight);
}

void TForm1::FitOuterSize()
{
    if (outerSizeFitted_ || !windowHandle()) {
        return;
    }
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) {
        return;
    }
    outerSizeFitted_ = true;
    const QSize client(kWidth - frame.left() - frame.right(),
                       kHeight - frame.top() - frame.bottom());
    setMinimumSize(client);
    if (windowState() == Qt::WindowNoState && size() == QSize(kWidth, kHeight)) {
        resize(client);
        if (const QScreen* screen = this->screen()) {
            const QRect desktop = screen->geometry();
            move(desktop.x() + (desktop.width() - kWidth) / 2,
                 desktop.y() + (desktop.height() - kHeight) / 2);
        }
    }
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shown_) {
        return;
    }
    shown_ = true;
    // After the window is on the screen, so that it is painted behind a
    // message of the show step.
    QTimer::singleShot(0, this, [this] {
        FitOuterSize();
        FormShow();
    });
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager's frame arrives some time after the first show.
    if (shown_) {
        FitOuterSize();
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted()) {
        return;
    }
    // A request waiting inside this event ends at once; the Update command
    // then cleans up and returns without a word, before the program ends.
    if (updateRunning_) {
        closing_ = true;
        HTTP1.Abort();
    }
    Q_EMIT Closed();
}

void TForm1::FormShow()
{
    // Downloads that a run killed in the middle left behind.
    net::RemoveStaleDownloads(".");
    // Settings that cannot be read or saved never keep the list from loading:
    // the default name stands in, and the user hears why once.
    settings::StartupDataFile startup;
    try {
        startup = settings::ReadDataFileAtStartup(StoreData1);
    } catch (const std::exception& e) {
        startup = {settings::kDefaultDataFileName, false, false, e.what()};
    }
    CurrentDataFileName = startup.fileName;
    settingsSaved_ = startup.saved;
    try {
        Table1.LoadTableFile(CurrentDataFileName);
    } catch (...) {
        platform::ShowMessage("Data file could not be loaded.");
    }
    if (!startup.saved) {
        platform::ShowMessage(settings::SettingsNotSavedMessage(startup));
    }
    showStepDone_ = true;
}

void TForm1::Edit1Change()
{
    // Errors go to the default error handling.
    const std::string text = platform::FromQString(Edit1->text());
    const table::LocateOptions options = table::loCaseInsensitive | table::loPartialKey;
    if (RadioButton1->isChecked()) {
        Table1.Locate("Locality", text, options);
    } else {
        Table1.Locate("PCode", text, options);
    }
}

void TForm1::RadioButton1Click()
{
    // Raises Edit1Change only when the box held text.
    Edit1->setText(QString());
}

void TForm1::ToolButton1Click()
{
    close();
}

void TForm1::ConfigureReport1()
{
    progressForm_ = new report::ProgressForm(this);
    TableDataset1.DataSource = &DataSource1;
    Report1.AddDataset(&TableDataset1);
    Report1.Dataset = &TableDataset1;
    Report1.Title = "Marlune";
    Report1.InitialZoom = report::pzPageWidth;
    Report1.PreviewButtons = report::pbZoom | report::pbPrint | report::pbExit;
    Report1.Progress = progressForm_;
    Report1.OnMessage = [](const std::string& text, const std::string& caption) {
        platform::ShowMessage(text, caption, platform::MessageIcon::Error);
    };
    // The report keeps the built-in paper geometry until Print asks for the
    // system's printers: a print server that is slow or silent never holds
    // the window.
    Report1.OnPreview = [this](report::PreparedPages pages, const std::string& caption) {
        report::preview::ShowReportPreview(
            Report1, std::move(pages), caption, this,
            [](report::Report& report, report::preview::PreviewForm& preview) {
                // The pages go to the print run and come back, rebuilt when
                // another printer was chosen.
                const int current = preview.CurrentPage();
                report::PreparedPages lent = preview.TakePages();
                try {
                    report::RunPrintCommand(report, lent, current, &preview);
                } catch (...) {
                    preview.SetPages(std::move(lent));
                    throw;
                }
                preview.SetPages(std::move(lent));
            });
    };
    report::LoadPostcodeListTemplate(Report1);
}

void TForm1::ToolButton3Click()
{
    // The printers of this moment, asked with a time limit; without an answer
    // the list is still built and previewed, and the preview cannot print.
    bool answered = true;
    {
        WaitCursor cursor;
        answered = report::AttachReportToPrinters(Report1).answered;
    }
    if (!answered) {
        platform::ShowMessage(report::kNoPrinterAnswers, platform::MessageIcon::Warning);
    }
    // The grid neither repaints nor follows the table while the report walks
    // it; afterwards it shows the record the report left current.
    Table1.DisableControls();
    try {
        Report1.BuildAndPreview();
    } catch (...) {
        Table1.EnableControls();
        throw;
    }
    Table1.EnableControls();
}

void TForm1::ToolButton4Click()
{
    // Modal; the result is not used.
    if (AboutBox) {
        AboutBox->exec();
    }
}

void TForm1::ToolButton6Click()
{
    // A second run would share HTTP1 with the one waiting below it.
    if (updateRunning_) {
        platform::ShowMessage("An update is already running.");
        return;
    }
    platform::FlagScope running(updateRunning_);
    closing_ = false;
    StatusBar1->setToolTip(QString());
    const std::string checkUrl = net::CheckFileUrl(UpdateHost);
    try {
        WaitCursor cursor;
        HTTP1.SetInputFileMode(false);
        HTTP1.SetMaxBodyLength(kCheckBodyLimit);
        HTTP1.Get(checkUrl);
        HTTP1.SetMaxBodyLength(-1);
    } catch (const std::exception& e) {
        HTTP1.SetMaxBodyLength(-1);
        std::string text =
            (HTTP1.ServerReached() ? "Update check failed: " : "Update server not reached: ") +
            net::TransportFailureText(e.what(), HTTP1.LastError());
        if (HTTP1.Url() != checkUrl) {
            text += " (redirected to " + HTTP1.Url() + ")";
        }
        try {
            HTTP1.Disconnect();
        } catch (...) {
            // Already closed.
        }
        if (!closing_) {
            ShowUpdateStatus(text);
        }
        return;
    }
    if (closing_) {
        return;
    }
    const std::optional<std::string> candidate =
        net::NewerDataFile(HTTP1.StatusCode(), HTTP1.Body(), CurrentDataFileName);
    if (!candidate) {
        platform::ShowMessage("No updated data file available yet.");
        return;
    }
    if (!platform::AskYesNo(
            "A new updated data file is available. Like to download and install?")) {
        platform::ShowMessage("Update file download canceled.");
        return;
    }
    InstallUpdate(*candidate);
}

void TForm1::InstallUpdate(const std::string& candidate)
{
    WaitCursor cursor;
    // A file of that name that is not a data file is the user's: never replaced.
    if (const std::string mine = ForeignFileProblem(candidate); !mine.empty()) {
        ReportUpdateFailure(mine);
        return;
    }
    std::optional<platform::PendingFile> download;
    std::string problem;
    std::string refusal; // the signature's
    try {
        // Into a hidden file in the working directory, removed on every way
        // out unless it is installed under its own name.
        download.emplace();
        if (const int error = download->Create(net::DownloadPrefix(".", candidate)); error != 0) {
            throw Error(std::string("cannot create a file in the working directory: ") +
                        std::strerror(error));
        }
        HTTP1.SetInputFileMode(true);
        HTTP1.SetBody(download->Path());
        HTTP1.Get(net::DataFileUrl(UpdateHost, candidate));
        const auto transfer = net::DownloadProblem(HTTP1.StatusCode(), HTTP1.StatusLine(),
                                                   HTTP1.ContentLength(), HTTP1.BytesReceived());
        if (transfer) {
            problem = *transfer;
        } else if (HTTP1.BytesReceived() == 0) {
            problem = "the server sent an empty file";
        } else {
            problem = DataFileProblem(download->Path());
        }
        HTTP1.SetInputFileMode(false);
        HTTP1.SetBody("Default.htm");
        if (problem.empty() && !UpdatePublicKey.empty() && !closing_) {
            refusal = SignatureProblem(candidate, download->Path());
        }
    } catch (const std::exception& e) {
        problem = net::TransportFailureText(e.what(), HTTP1.LastError());
    }
    HTTP1.SetMaxBodyLength(-1);
    HTTP1.SetInputFileMode(false);
    HTTP1.SetBody("Default.htm");
    if (closing_) {
        return;
    }
    if (!problem.empty()) {
        ReportUpdateFailure(problem);
        return;
    }
    if (!refusal.empty()) {
        platform::ShowMessage("Update refused: the data file's signature does not verify (" +
                                  refusal + ")",
                              platform::MessageIcon::Error);
        return;
    }

    struct stat existing {};
    const bool existed = ::lstat(candidate.c_str(), &existing) == 0;
    try {
        // A file that appeared meanwhile is not replaced unless it is a data file.
        if (const std::string mine = ForeignFileProblem(candidate); !mine.empty()) {
            throw Error(mine);
        }
        if (const int error = download->Install(candidate, existed); error != 0) {
            throw Error("cannot rename the downloaded file to " + candidate + ": " +
                        std::strerror(error));
        }
        if (settingsSaved_) {
            StoreData1.WriteString(settings::kDataFileNameSetting, candidate);
        }
    } catch (const std::exception& e) {
        if (!existed && download->Path().empty()) {
            ::unlink(candidate.c_str());
        }
        ReportUpdateFailure(e.what());
        return;
    }
    try {
        // The settings could not be saved at start-up: this run goes on with
        // the new file by itself.
        CurrentDataFileName = settingsSaved_ ? StoreData1.ReadString(settings::kDataFileNameSetting,
                                                                     settings::kDefaultDataFileName)
                                             : candidate;
        Table1.LoadTableFile(CurrentDataFileName);
    } catch (...) {
        Table1.Close();
    }
}

std::string TForm1::SignatureProblem(const std::string& candidate, const std::string& path)
{
    const std::optional<net::MinisignKey> key = net::ParseMinisignKey(UpdatePublicKey);
    if (!key) {
        return "the program's public key is not a minisign key";
    }
    HTTP1.SetMaxBodyLength(kSignatureLimit);
    HTTP1.Get(net::DataFileUrl(UpdateHost, candidate + ".minisig"));
    HTTP1.SetMaxBodyLength(-1);
    if (HTTP1.StatusCode() < 200 || HTTP1.StatusCode() > 299) {
        return "no signature: " + HTTP1.StatusLine();
    }
    return net::MinisignProblem(path, HTTP1.Body(), *key);
}

std::string TForm1::DataFileProblem(const std::string& path) const
{
    // Only a file that loads completely, with records, replaces anything.
    table::MemTable trial(Table1.Name());
    trial.Open();
    try {
        trial.LoadTableFile(path);
    } catch (const std::exception& e) {
        return std::string("the download is not a data file: ") + e.what();
    }
    if (trial.RecordCount() < 1) {
        return "the data file holds no records";
    }
    return {};
}

std::string TForm1::ForeignFileProblem(const std::string& name) const
{
    struct stat status {};
    if (::lstat(name.c_str(), &status) != 0) {
        return {};
    }
    if (!S_ISREG(status.st_mode) || !DataFileProblem(name).empty()) {
        return name + " in the working directory is not a data file of this program; it is "
                      "left as it is";
    }
    return {};
}

void TForm1::ShowUpdateStatus(const std::string& text)
{
    // The panel is narrow: the whole text is also the bar's hint.
    StatusBar1->SetPanelText(0, text);
    StatusBar1->setToolTip(platform::ToQString(text));
}

void TForm1::ReportUpdateFailure(const std::string& reason)
{
    platform::ShowMessage("Update failed: " + reason, platform::MessageIcon::Error);
}

void TForm1::AppManager1TrayClick(QObject* /*sender*/)
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    activateWindow();
}

void TForm1::HTTP1Status(const std::string& status)
{
    StatusBar1->SetPanelText(0, status);
}

void TForm1::HTTP1PacketRecvd()
{
    StatusBar1->SetPanelText(0, "Got " + std::to_string(HTTP1.BytesReceived() / 1024) + " of " +
                                    std::to_string(HTTP1.ContentLength() / 1024) + " Kb total");
}

void TForm1::HTTP1Failure(net::CmdType cmd)
{
    struct Text {
        net::CmdType cmd;
        const char* text;
    };
    static constexpr Text kTexts[] = {
        {net::CmdGet, "HTTP GET Failed"},     {net::CmdOptions, "HTTP OPTIONS Failed"},
        {net::CmdHead, "HTTP HEAD Failed"},   {net::CmdPost, "HTTP Post Failed"},
        {net::CmdPut, "HTTP PUT Failed"},     {net::CmdDelete, "HTTP Delete Failed"},
        {net::CmdTrace, "HTTP TRACE Failed"},
    };
    // Other commands leave the panel as it is.
    for (const Text& t : kTexts) {
        if (t.cmd == cmd) {
            StatusBar1->SetPanelText(0, t.text);
        }
    }
}

} // namespace marlune::app
