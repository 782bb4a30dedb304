// The main window's application manager: the program's settings in force
// once the window exists, and the tray click restoring the window.
#include "apptestbase.h"

#include "appmanager/appmanager.h"
#include "platform/apptitle.h"
#include "platform/dateformat.h"
#include "platform/hintsettings.h"

#include <QTest>

namespace marlune::testing {
namespace {

class MainWindowAppManagerTest : public AppTestBase {
protected:
    void SetUp() override
    {
        AppTestBase::SetUp();
        CopyRealDataFile();
        platform::ResetDateFormats();
        platform::SetApplicationTitle("before");
    }
    void TearDown() override
    {
        AppTestBase::TearDown();
        platform::ResetDateFormats();
    }
};

TEST_F(MainWindowAppManagerTest, TheProgramsSettingsAreInForceBeforeTheWindowIsShown)
{
    form_ = std::make_unique<app::MainWindow>();
    // The window made the program's one manager.
    ASSERT_NE(appmanager::AppManager::Instance(), nullptr);
    EXPECT_EQ(appmanager::AppManager::Instance()->parent(), form_.get());
    const appmanager::AppManager& m = *appmanager::AppManager::Instance();
    EXPECT_FALSE(m.IsLoading());
    EXPECT_EQ(platform::ApplicationTitle(), "Marlune");
    platform::SetDateSeparator('/');
    EXPECT_EQ(platform::FormatShortDate(QDate(2005, 12, 6)), "6/12/2005");
    EXPECT_EQ(platform::FormatLongDate(QDate(2005, 12, 6)), "Tuesday, 6 December 2005");
    // The hint component came first and set the application's pause.
    EXPECT_EQ(m.HintPause(), 600);
    EXPECT_EQ(m.Associations.DDEUniqueName, "MarluneDDEAppManager");
    appmanager::AppManager& manager = *appmanager::AppManager::Instance();
    EXPECT_EQ(manager.TrayIcon().Active(), appmanager::tsOnMinimized);
    EXPECT_EQ(manager.TrayIcon().Hint(), "Marlune");
    EXPECT_EQ(manager.TrayIcon().AppRestore(), appmanager::OnSingleClick);
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
}

TEST_F(MainWindowAppManagerTest, WithoutATrayMinimisingKeepsTheWindowAndATrayClickRestoresIt)
{
    app::MainWindow& form = ShowForm();
    form.showMinimized();
    QCoreApplication::processEvents();
    // The offscreen platform has no tray: the window stays reachable.
    EXPECT_TRUE(appmanager::AppManager::Instance()->TrayIcon().NeedsAdd());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());

    appmanager::AppManager::Instance()->TrayIcon().MouseMessage(
        appmanager::TrayMouse::LeftButtonUp);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_EQ(form.windowState() & Qt::WindowMinimized, Qt::WindowNoState);
    // The show step ran once only.
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(MainWindowAppManagerTest, TheTrayClickHandlerSetsTheWindowStateToNormal)
{
    app::MainWindow& form = ShowForm();
    form.setWindowState(Qt::WindowMinimized);
    appmanager::AppManager& manager = *appmanager::AppManager::Instance();
    manager.OnTrayClick(&manager);
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(form.isVisible());
}

} // namespace
} // namespace marlune::testing
