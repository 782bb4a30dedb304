#include "appmanager/appmanager.h"
#include "appmanagertest.h"
#include "platform/appevents.h"
#include "platform/apptitle.h"
#include "platform/gui/application.h"
#include "platform/dateformat.h"
#include "platform/hintsettings.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace marlune::appmanager {

QApplication* TestApplication()
{
    static int argc = 2;
    static char name[] = "appmanager_tests";
    static char arg[] = "--some-argument";
    static char* argv[] = {name, arg, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

namespace {

// A notification area with a tray host that counts what is shown.
class Area : public NotifyArea {
public:
    bool Add(const NotifyIconData& /*data*/) override { return shown = true; }
    bool Modify(const NotifyIconData& /*data*/) override { return true; }
    bool Delete() override
    {
        shown = false;
        return true;
    }
    bool shown = false;
};

class AppManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        platform::ResetDateFormats();
        window_ = std::make_unique<QWidget>();
        window_->setWindowTitle(QStringLiteral("Marlune"));
    }
    void TearDown() override
    {
        manager_.reset();
        window_.reset();
        platform::ResetDateFormats();
    }
    // Configured as the program's main window configures it.
    AppManager& ProgramManager()
    {
        manager_ = std::make_unique<AppManager>(window_.get(), &area_);
        manager_->SetApplicationTitle("Marlune");
        manager_->SetSysShortDateFormat("d/MM/yyyy");
        manager_->SetSysLongDateFormat("dddd, d MMMM yyyy");
        manager_->TrayIcon().SetActive(tsOnMinimized);
        manager_->TrayIcon().SetHint("Marlune");
        manager_->TrayIcon().SetAppRestore(OnSingleClick);
        manager_->OnTrayClick = [this](QObject*) {
            window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
            ++trayClicks_;
        };
        manager_->Loaded();
        return *manager_;
    }

    Area area_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<AppManager> manager_;
    int trayClicks_ = 0;
};

TEST_F(AppManagerTest, ASecondManagerIsRefusedWithItsClassInTheMessage)
{
    ProgramManager();
    QWidget other;
    try {
        AppManager second(&other);
        FAIL() << "a second manager was made";
    } catch (const DuplicateComponentError& e) {
        EXPECT_EQ(e.Message(), "You can have only one AppManager component in each project and "
                               "it must reside on the mainform.");
    }
    EXPECT_EQ(AppManager::Instance(), manager_.get());
    // Once the first is gone another can be made.
    manager_.reset();
    EXPECT_EQ(AppManager::Instance(), nullptr);
    EXPECT_NO_THROW(AppManager third(&other));
}

TEST_F(AppManagerTest, ConstructionTakesTheProcessValues)
{
    platform::SetShortDateFormat("yyyy-mm-dd");
    platform::ApplicationHintSettings().hintPause = 600;
    AppManager m(window_.get());
    EXPECT_TRUE(m.ApplicationTitle().empty());
    EXPECT_EQ(m.SysShortDateFormat(), "yyyy-mm-dd");
    EXPECT_EQ(m.SysCenturyWindow(), 50);
    EXPECT_EQ(m.HintPause(), 600);
    EXPECT_TRUE(m.ShowMainForm());
    EXPECT_TRUE(m.OnTaskbar());
    EXPECT_TRUE(m.UpdateFormatSettings());
    EXPECT_TRUE(m.UpdateMetricSettings());
    EXPECT_FALSE(m.AsService95());
    EXPECT_EQ(m.FlashInterval(), 500);
    EXPECT_EQ(m.Instances.Max, 0);
    EXPECT_EQ(m.Instances.Action, aRestoreAndExit);
    EXPECT_EQ(m.AutoStart.AutoStart, sNever);
    EXPECT_EQ(m.Associations.DDEUniqueName, "MarluneDDEAppManager");
    EXPECT_EQ(m.TrayIcon().Active(), tsNever);
}

TEST_F(AppManagerTest, TheTitleIsSetUnlessEmpty)
{
    platform::SetApplicationTitle("before");
    AppManager& m = ProgramManager();
    EXPECT_EQ(platform::ApplicationTitle(), "Marlune");
    m.SetApplicationTitle("");
    EXPECT_EQ(platform::ApplicationTitle(), "Marlune");
}

TEST_F(AppManagerTest, TheDateFormatsBecomeTheProcesss)
{
    ProgramManager();
    platform::SetDateSeparator('/');
    EXPECT_EQ(platform::FormatShortDate(QDate(2005, 12, 6)), "6/12/2005");
    EXPECT_EQ(platform::FormatLongDate(QDate(2005, 12, 6)), "Tuesday, 6 December 2005");
    // With the system's separator in place of "/".
    platform::SetDateSeparator('.');
    EXPECT_EQ(platform::FormatShortDate(QDate(2005, 12, 6)), "6.12.2005");
}

TEST_F(AppManagerTest, ASystemSettingsChangeBringsBackTheSystemsFormats)
{
    AppManager& m = ProgramManager();
    const std::string system = [] {
        platform::ResetDateFormats();
        return platform::ShortDateFormat();
    }();
    m.SetSysShortDateFormat("d/MM/yyyy");
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    EXPECT_EQ(m.SysShortDateFormat(), system);

    m.SetSysShortDateFormat("d/MM/yyyy");
    m.SetUpdateFormatSettings(false);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    EXPECT_EQ(m.SysShortDateFormat(), "d/MM/yyyy");
}

TEST_F(AppManagerTest, CenturyWindowsOfAHundredAndMoreAreIgnored)
{
    AppManager& m = ProgramManager();
    m.SetSysCenturyWindow(30);
    EXPECT_EQ(m.SysCenturyWindow(), 30);
    m.SetSysCenturyWindow(100);
    EXPECT_EQ(m.SysCenturyWindow(), 30);
    m.SetSysCenturyWindow(99);
    EXPECT_EQ(platform::TwoDigitYearCenturyWindow(), 99);
    platform::SetTwoDigitYearCenturyWindow(50);
}

TEST_F(AppManagerTest, HintTimingGoesToTheApplication)
{
    AppManager& m = ProgramManager();
    m.SetHintPause(750);
    m.SetHintHidePause(4000);
    m.SetShowHint(false);
    EXPECT_EQ(platform::ApplicationHintSettings().hintPause, 750);
    EXPECT_EQ(platform::ApplicationHintSettings().hintHidePause, 4000);
    EXPECT_FALSE(platform::ApplicationHintSettings().showHint);
    platform::ApplicationHintSettings() = platform::HintSettings();
}

TEST_F(AppManagerTest, TheIconBecomesTheApplicationsAtLoad)
{
    manager_ = std::make_unique<AppManager>(window_.get(), &area_);
    int changes = 0;
    manager_->OnIconChange = [&](QObject*) { ++changes; };
    QPixmap blue(16, 16);
    blue.fill(Qt::blue);
    manager_->SetIcon(QIcon(blue));
    EXPECT_EQ(changes, 1);
    manager_->Loaded();
    EXPECT_EQ(QGuiApplication::windowIcon().pixmap(16, 16).toImage().pixelColor(4, 4),
              QColor(Qt::blue));
}

TEST_F(AppManagerTest, MinimisingTheMainWindowPutsUpTheTrayIconAClickRestores)
{
    ProgramManager();
    int minimized = 0;
    int restored = 0;
    manager_->OnMinimize = [&](QObject*) { ++minimized; };
    manager_->OnRestore = [&](QObject*) { ++restored; };
    window_->show();
    window_->showMinimized();
    EXPECT_TRUE(area_.shown);
    EXPECT_EQ(minimized, 1);
    // The taskbar entry goes once the minimising is over.
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_->isVisible());

    manager_->TrayIcon().MouseMessage(TrayMouse::LeftButtonUp);
    EXPECT_EQ(trayClicks_, 1);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->isMinimized());
    EXPECT_FALSE(area_.shown);
    EXPECT_EQ(restored, 1);
}

TEST_F(AppManagerTest, AWindowRestoredBeforeItsEntryWentStaysUp)
{
    ProgramManager();
    window_->show();
    window_->showMinimized();
    window_->showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(area_.shown);
}

TEST_F(AppManagerTest, WithoutATrayMinimisingKeepsTheWindow)
{
    manager_ = std::make_unique<AppManager>(window_.get(), nullptr);
    manager_->TrayIcon().SetActive(tsOnMinimized);
    manager_->Loaded();
    window_->show();
    window_->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(manager_->TrayIcon().NeedsAdd());
}

TEST_F(AppManagerTest, TheFirstActivationReportsTheStartParameters)
{
    AppManager& m = ProgramManager();
    std::vector<std::pair<int, std::string>> params;
    m.OnStartParam = [&](QObject*, int pos, const std::string& p) { params.emplace_back(pos, p); };
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(window_->isActiveWindow());
    // Later activations report nothing more.
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(window_.get());
    ASSERT_EQ(params.size(), 2U);
    EXPECT_EQ(params[0].first, 0);
    EXPECT_EQ(params[0].second, QCoreApplication::applicationFilePath().toStdString());
    EXPECT_EQ(params[1], (std::pair<int, std::string>{1, "--some-argument"}));
}

TEST_F(AppManagerTest, TheSessionEndsUnlessOnEndWindowsSaysNo)
{
    AppManager& m = ProgramManager();
    EXPECT_TRUE(m.SessionMayEnd());
    m.OnEndWindows = [](QObject*, bool& end) { end = false; };
    EXPECT_FALSE(m.SessionMayEnd());
}

TEST_F(AppManagerTest, ADisplayChangeReportsTheScreen)
{
    AppManager& m = ProgramManager();
    int width = 0;
    int height = 0;
    int depth = 0;
    m.OnDisplayChange = [&](QObject*, int bpp, int w, int h) {
        depth = bpp;
        width = w;
        height = h;
    };
    m.DisplayChanged();
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(width, screen->geometry().width());
    EXPECT_EQ(height, screen->geometry().height());
    EXPECT_EQ(depth, screen->depth());
}

TEST_F(AppManagerTest, AnAssignedOnExceptionTakesTheErrorsNoHandlerCaught)
{
    manager_ = std::make_unique<AppManager>(window_.get(), &area_);
    std::string caught;
    manager_->OnException = [&](QObject* sender, const std::exception_ptr& error) {
        EXPECT_EQ(sender, manager_.get());
        caught = platform::gui::ErrorMessage(error);
    };
    manager_->Loaded();
    platform::gui::HandleException(std::make_exception_ptr(Error("Field 'x' not found")));
    EXPECT_EQ(caught, "Field 'x' not found");
    // Gone with the manager: the default error handling is back.
    manager_.reset();
    EXPECT_FALSE(platform::ApplicationExceptionHandler());
}

TEST_F(AppManagerTest, OnIdleRunsWhenTheLoopIsAboutToWaitAndAgainWhenNotDone)
{
    manager_ = std::make_unique<AppManager>(window_.get(), &area_);
    int calls = 0;
    manager_->OnIdle = [&](QObject*, bool& done) {
        ++calls;
        done = calls >= 50;
    };
    manager_->Loaded();
    QEventLoop loop;
    // The loop waits for this timer, and OnIdle comes before every wait.
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(calls, 50);
}

TEST_F(AppManagerTest, ExecuteRequestsReachTheHandlers)
{
    AppManager& m = ProgramManager();
    EXPECT_NO_THROW(m.ExecuteRequest("[open(\"x.dat\")]"));
    std::string opened;
    m.OnFileOpen = [&](QObject*, const std::string& f) { opened = f; };
    m.ExecuteRequest("[open(\"x.dat\")]");
    EXPECT_EQ(opened, "x.dat");
}

} // namespace
} // namespace marlune::appmanager
