#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "widgets/clipboardtext.h"
#include "widgets/dbgrid.h"
#include "widgets/labelededit.h"
#include "widgets/statusbar.h"
#include "app/systemtray.h"
#include "widgets/toolbar.h"
#include "net/downloadfiles.h"
#include "platform/cp1252.h"
#include "platform/flagscope.h"
#include "platform/gui/application.h"
#include "platform/paint/colors.h"
#include "platform/paint/fonts.h"
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

#include <limits>
#include <string_view>
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

// The hourglass while the object lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent)
{
    InitMarluneResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Marlune"));
    setWindowIcon(QIcon(QStringLiteral(":/marlune/marlune_256.png")));
    setFont(platform::paint::VerdanaFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, platform::paint::ColorToQColor(platform::paint::clBtnFace));
    pal.setColor(QPalette::WindowText,
                 platform::paint::ColorToQColor(platform::paint::clWindowText));
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

    settings::ConfigureDataFileSetting(settingsStore);
    hints = std::make_unique<hints::HintComponent>();
    hints->SetHintFont(platform::paint::SansSerifFont(11), platform::paint::clWindowText);
    configureAppManager();
    configureHttp();
    Table1.Open();
    configureReport();
    createControls();
    arrangeControls();
}

MainWindow::~MainWindow()
{
    // The manager's tray icon goes before the notification area it is in.
    appManager.reset();
    // The grid observes dataSource: the controls go before the components.
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        delete child;
    }
}

std::vector<widgets::DBGridColumn> MainWindow::GridColumns()
{
    std::vector<widgets::DBGridColumn> columns;
    for (const table::PostcodeField& f : table::kPostcodeFields) {
        widgets::DBGridColumn c;
        c.fieldName = std::string(f.name);
        c.caption =
            QString::fromLatin1(f.columnTitle.data(), static_cast<qsizetype>(f.columnTitle.size()));
        c.width = f.columnWidth;
        c.widthStored = f.columnWidth > 0;
        columns.push_back(std::move(c));
    }
    return columns;
}

void MainWindow::configureAppManager()
{
    trayArea_ = std::make_unique<SystemTrayArea>();
    appManager = std::make_unique<appmanager::AppManager>(this, trayArea_.get());
    trayArea_->SetTrayIcon(&appManager->TrayIcon());
    appmanager::AppManager& m = *appManager;
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
    m.OnTrayClick = [this](QObject* sender) { restoreFromTray(sender); };
    m.Loaded();
}

void MainWindow::configureHttp()
{
    http.SetPort(80);
    http.SetReportLevel(0);
    http.SetBody("Default.htm");
    http.SetHeader("Head.txt");
    http.SetInputFileMode(false);
    http.SetOutputFileMode(false);
    http.SetProxyPort(0);
    http.OnStatus = [this](const std::string& status) { showHttpStatus(status); };
    http.OnPacketRecvd = [this] { showDownloadProgress(); };
    http.OnFailure = [this](net::CmdType cmd) { showHttpFailure(cmd); };
}

void MainWindow::createControls()
{
    toolImages_ = std::make_unique<widgets::ImageList>(16, 16);
    // At 200 % and 300 % the icons take drawings of their own, not the 16-pixel
    // pictures scaled up.
    for (const char* picture : {"tb_exit", "tb_print", "tb_update", "tb_about"}) {
        const QString name = QStringLiteral(":/marlune/%1").arg(QLatin1String(picture));
        toolImages_->Add(
            QPixmap(name + QStringLiteral(".png")),
            {QPixmap(name + QStringLiteral("_32.png")), QPixmap(name + QStringLiteral("_48.png"))});
    }

    panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);

    toolBar = new widgets::ToolBar(panel, kToolButtonWidth, kToolButtonHeight);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->SetImages(toolImages_.get());
    leadingSeparator = toolBar->AddSeparator(kSeparatorWidth);
    leadingSeparator->setObjectName(QStringLiteral("ToolButton2"));
    exitButton = toolBar->AddButton(QStringLiteral("Exit"), 0, QStringLiteral("Exit Marlune"));
    exitButton->setObjectName(QStringLiteral("ToolButton1"));
    printButton =
        toolBar->AddButton(QStringLiteral("Print"), 1, QStringLiteral("Print complete list"));
    printButton->setObjectName(QStringLiteral("ToolButton3"));
    updateButton =
        toolBar->AddButton(QStringLiteral("Update"), 2, QStringLiteral("Check for updates"));
    updateButton->setObjectName(QStringLiteral("ToolButton6"));
    aboutSeparator = toolBar->AddSeparator(kSeparatorWidth);
    aboutSeparator->setObjectName(QStringLiteral("ToolButton5"));
    aboutButton = toolBar->AddButton(QStringLiteral("About"), 3, QStringLiteral("About Marlune"));
    aboutButton->setObjectName(QStringLiteral("ToolButton4"));
    connect(printButton, &QToolButton::clicked, this,
            [this] { platform::gui::RunHandler([this] { printList(); }); });
    connect(exitButton, &QToolButton::clicked, this,
            [this] { platform::gui::RunHandler([this] { exitProgram(); }); });
    connect(updateButton, &QToolButton::clicked, this,
            [this] { platform::gui::RunHandler([this] { checkForUpdate(); }); });
    connect(aboutButton, &QToolButton::clicked, this,
            [this] { platform::gui::RunHandler([this] { showAbout(); }); });
    // Standard keys for the toolbar's commands. A key presses its button, so
    // it does nothing while the button is disabled. The hints stay as they
    // are; assistive technology hears the key after the hint.
    const std::pair<QToolButton*, QKeySequence> keys[] = {
        {exitButton, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {printButton, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {updateButton, QKeySequence(Qt::Key_F5)},
        {aboutButton, QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [button, key] : keys) {
        button->setShortcut(key);
        button->setAccessibleDescription(QStringLiteral("%1 (%2)").arg(
            button->toolTip(), key.toString(QKeySequence::NativeText)));
    }

    searchEdit = new widgets::LabeledEdit(panel);
    searchEdit->setObjectName(QStringLiteral("Edit1"));
    searchEdit->EditLabel()->setObjectName(QStringLiteral("Edit1Label"));
    searchEdit->SetLabelCaption(QStringLiteral("Search"));
    searchEdit->setToolTip(QStringLiteral("Type your search here"));
    searchEdit->setAccessibleName(QStringLiteral("Search"));
    searchEdit->setAccessibleDescription(searchEdit->toolTip());
    searchEdit->setGeometry(8, 61, 121, 21);
    searchEdit->setMaxLength(std::numeric_limits<int>::max()); // no limit of its own
    connect(searchEdit, &QLineEdit::textChanged, this,
            [this] { platform::gui::RunHandler([this] { search(); }); });
    // Escape in the search box empties it, which searches again.
    new QShortcut(QKeySequence(Qt::Key_Escape), searchEdit, searchEdit, &QLineEdit::clear,
                  Qt::WidgetShortcut);

    bySuburbButton = new QRadioButton(QStringLiteral("By Suburb"), panel);
    bySuburbButton->setObjectName(QStringLiteral("RadioButton1"));
    bySuburbButton->setGeometry(144, 51, 113, 17);
    bySuburbButton->setToolTip(QStringLiteral("Select search field"));
    bySuburbButton->setChecked(true);
    byPostcodeButton = new QRadioButton(QStringLiteral("By Post Code"), panel);
    byPostcodeButton->setObjectName(QStringLiteral("RadioButton2"));
    byPostcodeButton->setGeometry(144, 67, 113, 17);
    byPostcodeButton->setToolTip(QStringLiteral("Select search field"));
    bySuburbButton->setAccessibleDescription(bySuburbButton->toolTip());
    byPostcodeButton->setAccessibleDescription(byPostcodeButton->toolTip());
    auto* group = new QButtonGroup(this);
    group->addButton(bySuburbButton);
    group->addButton(byPostcodeButton);
    // One handler for both, raised only when a button becomes checked.
    for (QRadioButton* button : {bySuburbButton, byPostcodeButton}) {
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) {
                platform::gui::RunHandler([this] { searchFieldChanged(); });
            }
        });
    }

    grid = new widgets::DBGrid(this);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    grid->setAccessibleName(QStringLiteral("Postcodes"));
    grid->SetColumns(GridColumns());
    grid->SetDataSource(&dataSource);

    // Copying what was found: a right click on a record (or the menu key)
    // offers its postcode, its suburb or the whole row; the Copy key copies
    // the row in the grid, and in the search box when it has no selection.
    recordMenu = new QMenu(this);
    recordMenu->setObjectName(QStringLiteral("RecordMenu"));
    const auto copyField = [this](std::string_view field) {
        return
            [this, field] { widgets::CopyToClipboard(grid->CurrentFieldText(std::string(field))); };
    };
    recordMenu->addAction(QStringLiteral("Copy postcode"), this,
                          copyField(table::kPostcodeFields[0].name));
    recordMenu->addAction(QStringLiteral("Copy suburb"), this,
                          copyField(table::kPostcodeFields[1].name));
    recordMenu->addAction(QStringLiteral("Copy row"), this,
                          [this] { widgets::CopyToClipboard(grid->CurrentRowText()); });
    grid->OnRecordMenu = [this](widgets::DBGrid&, QPoint at, bool fromKeyboard) {
        recordMenu->popup(at);
        if (fromKeyboard) {
            // Enter then copies the postcode, the likeliest want.
            recordMenu->setActiveAction(recordMenu->actions().constFirst());
        }
    };
    searchEdit->installEventFilter(this);

    statusBar = new widgets::StatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->AddPanel(200, Qt::AlignLeft);
    statusBar->AddPanel(200, Qt::AlignHCenter, "Calderix Software");

    // Tab order: the grid first, so it has the focus when the window opens.
    setTabOrder(grid, searchEdit);
    setTabOrder(searchEdit, bySuburbButton);
    setTabOrder(bySuburbButton, byPostcodeButton);
    grid->setFocus();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == searchEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (widgets::IsCopyKey(key) && !searchEdit->hasSelectedText()) {
            widgets::CopyToClipboard(grid->CurrentRowText());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::arrangeControls()
{
    const int w = width();
    const int h = height();
    const int statusHeight = statusBar->height();
    panel->setGeometry(0, 0, w, kPanelHeight);
    // Aligned to the top of the panel, inside its bevel.
    const int bevel = panel->frameWidth();
    toolBar->setGeometry(bevel, bevel, w - 2 * bevel, toolBar->FittingHeight());
    statusBar->setGeometry(0, h - statusHeight, w, statusHeight);
    grid->setGeometry(0, kPanelHeight, w, h - kPanelHeight - statusHeight);
}

void MainWindow::fitOuterSize()
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

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shown_) {
        return;
    }
    shown_ = true;
    // After the window is on the screen, so that it is painted behind a
    // message of the show step.
    QTimer::singleShot(0, this, [this] {
        fitOuterSize();
        runShowStep();
    });
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager's frame arrives some time after the first show.
    if (shown_) {
        fitOuterSize();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeControls();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted()) {
        return;
    }
    // A request waiting inside this event ends at once; the Update command
    // then cleans up and returns without a word, before the program ends.
    if (updateRunning_) {
        updater_.Abandon();
    }
    Q_EMIT Closed();
}

void MainWindow::runShowStep()
{
    // Downloads that a run killed in the middle left behind.
    net::RemoveStaleDownloads(".");
    // Settings that cannot be read or saved never keep the list from loading:
    // the default name stands in, and the user hears why once.
    settings::StartupDataFile startup;
    try {
        startup = settings::ReadDataFileAtStartup(settingsStore);
    } catch (const std::exception& e) {
        startup = {settings::kDefaultDataFileName, false, false, e.what()};
    }
    CurrentDataFileName = startup.fileName;
    settingsSaved_ = startup.saved;
    try {
        Table1.LoadTableFile(CurrentDataFileName);
    } catch (...) {
        platform::gui::ShowMessage("Data file could not be loaded.");
    }
    if (!startup.saved) {
        platform::gui::ShowMessage(settings::SettingsNotSavedMessage(startup));
    }
    showStepDone_ = true;
}

void MainWindow::search()
{
    // Errors go to the default error handling.
    const std::string text = platform::FromQString(searchEdit->text());
    const table::LocateOptions options = table::loCaseInsensitive | table::loPartialKey;
    if (bySuburbButton->isChecked()) {
        Table1.Locate("Locality", text, options);
    } else {
        Table1.Locate("PCode", text, options);
    }
}

void MainWindow::searchFieldChanged()
{
    // Raises search only when the box held text.
    searchEdit->setText(QString());
}

void MainWindow::exitProgram()
{
    close();
}

void MainWindow::configureReport()
{
    progressForm_ = new report::preview::ProgressForm(this);
    listReport.InitialZoom = report::pzPageWidth;
    listReport.PreviewButtons = report::pbZoom | report::pbPrint | report::pbExit;
    listReport.Progress = progressForm_;
    // The report keeps the built-in paper geometry until Print asks for the
    // system's printers: a print server that is slow or silent never holds
    // the window.
    listReport.OnPreview = [this](report::PreparedPages pages, const std::string& caption) {
        report::preview::ShowReportPreview(listReport, std::move(pages), caption, this,
                                           report::print::RunPrintCommand);
    };
}

void MainWindow::printList()
{
    // The printers of this moment, asked with a time limit; without an answer
    // the list is still built and previewed, and the preview cannot print.
    bool answered = true;
    {
        WaitCursor cursor;
        answered = report::print::AttachReportToPrinters(listReport).answered;
    }
    if (!answered) {
        platform::gui::ShowMessage(report::print::kNoPrinterAnswers,
                                   platform::gui::MessageIcon::Warning);
    }
    // The grid neither repaints nor follows the table while the report walks
    // it; afterwards it shows the record the report left current.
    Table1.DisableControls();
    try {
        listReport.BuildAndPreview();
    } catch (...) {
        Table1.EnableControls();
        throw;
    }
    Table1.EnableControls();
}

void MainWindow::showAbout()
{
    // Modal; the result is not used.
    if (aboutBox) {
        aboutBox->exec();
    }
}

void MainWindow::checkForUpdate()
{
    // A second run would share the HTTP client with the one waiting below it.
    if (updateRunning_) {
        platform::gui::ShowMessage("An update is already running.");
        return;
    }
    platform::FlagScope running(updateRunning_);
    statusBar->setToolTip(QString());
    update::CheckOutcome check;
    {
        WaitCursor cursor;
        check = updater_.Check(CurrentDataFileName);
    }
    switch (check.kind) {
    case update::CheckOutcome::Kind::Abandoned:
        return;
    case update::CheckOutcome::Kind::Failed:
        showUpdateStatus(check.text);
        return;
    case update::CheckOutcome::Kind::NoUpdate:
        platform::gui::ShowMessage("No updated data file available yet.");
        return;
    case update::CheckOutcome::Kind::Available:
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
        installed = updater_.Install(check.candidate, settingsSaved_);
    }
    switch (installed.kind) {
    case update::InstallOutcome::Kind::Abandoned:
        break;
    case update::InstallOutcome::Kind::Installed:
        CurrentDataFileName = installed.fileName;
        break;
    case update::InstallOutcome::Kind::Failed:
        platform::gui::ShowMessage("Update failed: " + installed.text,
                                   platform::gui::MessageIcon::Error);
        break;
    case update::InstallOutcome::Kind::Refused:
        platform::gui::ShowMessage("Update refused: the data file's signature does not verify (" +
                                       installed.text + ")",
                                   platform::gui::MessageIcon::Error);
        break;
    }
}

void MainWindow::showUpdateStatus(const std::string& text)
{
    // The panel is narrow: the whole text is also the bar's hint.
    statusBar->SetPanelText(0, text);
    statusBar->setToolTip(platform::ToQString(text));
}

void MainWindow::restoreFromTray(QObject* /*sender*/)
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    activateWindow();
}

void MainWindow::showHttpStatus(const std::string& status)
{
    statusBar->SetPanelText(0, status);
}

void MainWindow::showDownloadProgress()
{
    statusBar->SetPanelText(0, "Got " + std::to_string(http.BytesReceived() / 1024) + " of " +
                                   std::to_string(http.ContentLength() / 1024) + " Kb total");
}

void MainWindow::showHttpFailure(net::CmdType cmd)
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
            statusBar->SetPanelText(0, t.text);
        }
    }
}

} // namespace marlune::app
