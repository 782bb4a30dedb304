#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "app/systemtray.h"
#include "app/updatecommand.h"
#include "app/waitcursor.h"
#include "appmanager/appmanager.h"
#include "hints/hintcomponent.h"
#include "platform/cp1252.h"
#include "platform/gui/application.h"
#include "platform/gui/messagebox.h"
#include "platform/paint/colors.h"
#include "platform/paint/fonts.h"
#include "report/preview/previewform.h"
#include "report/preview/progressform.h"
#include "report/preview/reportpreview.h"
#include "report/print/printform.h"
#include "report/print/qprinterdevice.h"
#include "widgets/dbgrid.h"
#include "widgets/labelededit.h"
#include "widgets/statusbar.h"

#include <QCloseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <utility>

// Resources of a static library are registered by hand, outside any namespace.
static void InitMarluneResources()
{
    Q_INIT_RESOURCE(marlune);
}

namespace marlune::app {

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), postcodeList_(catalogue_.Source(), report::DefaultPrinter(),
                                     [](const std::string& text, const std::string& caption) {
                                         platform::gui::ShowMessage(
                                             text, caption, platform::gui::MessageIcon::Error);
                                     })
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
    centreOnScreen();

    hints_ = std::make_unique<hints::HintComponent>();
    hints_->SetHintFont(platform::paint::SansSerifFont(11), platform::paint::clWindowText);
    trayArea_ = std::make_unique<SystemTrayArea>();
    appManager_ = CreateAppManager(*this, *trayArea_);
    appManager_->OnTrayClick = [this](QObject*) { restoreFromTray(); };
    appManager_->Loaded();
    catalogue_.OnStatusText = [this](const std::string& text) { showStatusText(text); };
    configureReport();
    controls_ = CreateMainWindowControls(*this, catalogue_.Source());
    updateCommand_ = std::make_unique<UpdateCommand>(catalogue_, *controls_.statusBar);
    connectControls();
    ArrangeMainWindowControls(controls_, size());
}

MainWindow::~MainWindow()
{
    // The manager's tray icon goes before the notification area it is in.
    appManager_.reset();
    // The grid observes the catalogue's data source: the controls go first.
    updateCommand_.reset();
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        delete child;
    }
}

bool MainWindow::updateRunning() const
{
    return updateCommand_->running();
}

void MainWindow::connectControls()
{
    const std::pair<QToolButton*, void (MainWindow::*)()> commands[] = {
        {controls_.exitButton, &MainWindow::exitProgram},
        {controls_.printButton, &MainWindow::printList},
        {controls_.updateButton, &MainWindow::checkForUpdate},
        {controls_.aboutButton, &MainWindow::showAbout},
    };
    for (const auto& entry : commands) {
        const auto command = entry.second;
        connect(entry.first, &QToolButton::clicked, this, [this, command] {
            platform::gui::RunHandler([this, command] { (this->*command)(); });
        });
    }
    connect(controls_.searchEdit, &QLineEdit::textChanged, this,
            [this] { platform::gui::RunHandler([this] { search(); }); });
    // One handler for both, raised only when a button becomes checked.
    for (QRadioButton* button : {controls_.bySuburbButton, controls_.byPostcodeButton}) {
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) {
                platform::gui::RunHandler([this] { searchFieldChanged(); });
            }
        });
    }
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
        centreOnScreen();
    }
}

void MainWindow::centreOnScreen()
{
    if (const QScreen* screen = this->screen()) {
        const QRect desktop = screen->geometry();
        move(desktop.x() + (desktop.width() - kWidth) / 2,
             desktop.y() + (desktop.height() - kHeight) / 2);
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
    if (controls_.panel != nullptr) {
        ArrangeMainWindowControls(controls_, size());
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted()) {
        return;
    }
    // A request waiting inside this event ends at once; the Update command
    // then cleans up and returns without a word, before the program ends.
    updateCommand_->abandon();
    Q_EMIT Closed();
}

void MainWindow::runShowStep()
{
    for (const std::string& message : catalogue_.Start().messages) {
        platform::gui::ShowMessage(message);
    }
    showStepDone_ = true;
}

void MainWindow::search()
{
    // Errors go to the default error handling.
    catalogue_.Locate(controls_.bySuburbButton->isChecked() ? catalogue::SearchField::Suburb
                                                            : catalogue::SearchField::Postcode,
                      platform::FromQString(controls_.searchEdit->text()));
}

void MainWindow::searchFieldChanged()
{
    // Raises search only when the box held text.
    controls_.searchEdit->setText(QString());
}

void MainWindow::exitProgram()
{
    close();
}

void MainWindow::configureReport()
{
    progressForm_ = new report::preview::ProgressForm(this);
    listReport_.InitialZoom = report::pzPageWidth;
    listReport_.PreviewButtons = report::pbZoom | report::pbPrint | report::pbExit;
    listReport_.Progress = progressForm_;
    // The report keeps the built-in paper geometry until Print asks for the
    // system's printers: a print server that is slow or silent never holds
    // the window.
    listReport_.OnPreview = [this](report::PreparedPages pages, const std::string& caption) {
        report::preview::ShowReportPreview(listReport_, std::move(pages), caption, this,
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
        answered = report::print::AttachReportToPrinters(listReport_).answered;
    }
    if (!answered) {
        platform::gui::ShowMessage(report::print::kNoPrinterAnswers,
                                   platform::gui::MessageIcon::Warning);
    }
    // The grid neither repaints nor follows the table while the report walks
    // it; afterwards it shows the record the report left current.
    table::MemTable& table = catalogue_.Table();
    table.DisableControls();
    try {
        listReport_.BuildAndPreview();
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
}

void MainWindow::checkForUpdate()
{
    updateCommand_->run();
}

void MainWindow::showAbout()
{
    // Modal; the result is not used.
    if (aboutBox_ != nullptr) {
        aboutBox_->exec();
    }
}

void MainWindow::showStatusText(const std::string& text)
{
    controls_.statusBar->SetPanelText(0, text);
}

void MainWindow::restoreFromTray()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    activateWindow();
}

} // namespace marlune::app
