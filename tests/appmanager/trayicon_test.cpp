#include "appmanager/trayicon.h"

#include "appmanagertest.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marlune::appmanager {
namespace {

// A notification area that records what it is asked and can refuse adds,
// as a desktop without a tray (host) does.
class FakeArea : public NotifyArea {
public:
    bool Add(const NotifyIconData& data) override
    {
        calls.push_back("add");
        if (!hasTray) {
            return false;
        }
        shown = true;
        last = data;
        return true;
    }
    bool Modify(const NotifyIconData& data) override
    {
        calls.push_back("modify");
        last = data;
        return true;
    }
    bool Delete() override
    {
        calls.push_back("delete");
        shown = false;
        return true;
    }
    bool hasTray = true;
    bool shown = false;
    NotifyIconData last;
    std::vector<std::string> calls;
};

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }
    TrayHost Host()
    {
        TrayHost host;
        host.hideTaskbarEntry = [this] { log.push_back("hide entry"); };
        host.showTaskbarEntry = [this] { log.push_back("show entry"); };
        host.restoreApplication = [this] { log.push_back("restore"); };
        host.bringToFront = [this] { log.push_back("front"); };
        host.applicationHint = [this] { return appHint; };
        return host;
    }
    // Set up as the program's: on minimise, single click, "Marlune".
    std::unique_ptr<TrayIcon> ProgramTray(bool minimized = false)
    {
        auto tray = std::make_unique<TrayIcon>(&area, Host(), minimized);
        tray->SetActive(tsOnMinimized);
        tray->SetHint("Marlune");
        tray->SetAppRestore(OnSingleClick);
        tray->OnClick = [this] { log.push_back("OnClick"); };
        tray->OnDblClick = [this] { log.push_back("OnDblClick"); };
        tray->OnRightClick = [this] { log.push_back("OnRightClick"); };
        tray->OnMinimize = [this] { log.push_back("OnMinimize"); };
        tray->OnRestore = [this] { log.push_back("OnRestore"); };
        return tray;
    }

    FakeArea area;
    std::vector<std::string> log;
    std::string appHint;
};

using Log = std::vector<std::string>;

TEST_F(TrayIconTest, DefaultsAreInactive)
{
    TrayIcon tray(&area, Host());
    EXPECT_EQ(tray.Active(), tsNever);
    EXPECT_EQ(tray.AppRestore(), NoRestore);
    EXPECT_TRUE(tray.Hint().empty());
    EXPECT_FALSE(tray.TrayEnabled());
    EXPECT_TRUE(tray.NeedsAdd());
    tray.Minimize();
    EXPECT_TRUE(area.calls.empty());
    EXPECT_TRUE(tray.AppMinimized());
}

TEST_F(TrayIconTest, MinimiseShowsTheIconAndHidesTheTaskbarEntryClickRestores)
{
    auto tray = ProgramTray();
    EXPECT_TRUE(area.calls.empty()); // nothing while the application is up
    tray->Minimize();
    EXPECT_TRUE(area.shown);
    EXPECT_EQ(area.last.tip, "Marlune");
    EXPECT_TRUE(area.last.hasTip);
    EXPECT_TRUE(tray->TaskbarEntryHidden());
    EXPECT_EQ(log, (Log{"hide entry", "OnMinimize"}));

    log.clear();
    tray->MouseMessage(TrayMouse::LeftButtonUp);
    // The host's restore leads to the application's restore notification.
    EXPECT_EQ(log, (Log{"restore", "OnClick"}));
    log.clear();
    tray->Restore();
    EXPECT_FALSE(area.shown);
    EXPECT_FALSE(tray->TaskbarEntryHidden());
    EXPECT_FALSE(tray->AppMinimized());
    EXPECT_EQ(log, (Log{"show entry", "OnRestore"}));

    // Minimising again adds the icon again.
    tray->Minimize();
    EXPECT_TRUE(area.shown);
    EXPECT_EQ(area.calls, (Log{"add", "delete", "add"}));
}

TEST_F(TrayIconTest, WithoutATrayTheTaskbarEntryStaysAndTheAddIsTriedAgain)
{
    area.hasTray = false;
    auto tray = ProgramTray();
    tray->Minimize();
    EXPECT_TRUE(tray->NeedsAdd());
    EXPECT_FALSE(tray->TaskbarEntryHidden());
    EXPECT_EQ(log, (Log{"OnMinimize"}));
    tray->Restore();
    EXPECT_EQ(log, (Log{"OnMinimize", "OnRestore"}));

    // A tray host has come up since: the next minimise gets the icon.
    area.hasTray = true;
    tray->Minimize();
    EXPECT_TRUE(area.shown);
    EXPECT_TRUE(tray->TaskbarEntryHidden());
    EXPECT_EQ(area.calls, (Log{"add", "add"}));
}

// Where the platform cannot report minimising the window is never hidden:
// nothing could bring it back once the icon is gone. The icon still comes
// and goes with the minimise and restore notifications that do arrive.
TEST_F(TrayIconTest, KeepingTheTaskbarEntryNeverHidesTheWindow)
{
    const struct {
        bool keep;
        bool startMinimized;
        Log log;
    } cases[] = {
        {false, false, {"hide entry", "OnMinimize", "show entry", "OnRestore"}},
        {true, false, {"OnMinimize", "OnRestore"}},
        {false, true, {"hide entry", "OnMinimize", "show entry", "OnRestore"}},
        {true, true, {"OnMinimize", "OnRestore"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.keep) + std::to_string(c.startMinimized));
        log.clear();
        area.calls.clear();
        auto tray = std::make_unique<TrayIcon>(&area, Host(), c.startMinimized);
        tray->SetKeepTaskbarEntry(c.keep);
        tray->SetActive(tsOnMinimized);
        tray->OnMinimize = [this] { log.push_back("OnMinimize"); };
        tray->OnRestore = [this] { log.push_back("OnRestore"); };
        tray->Minimize();
        EXPECT_TRUE(area.shown);
        EXPECT_EQ(tray->TaskbarEntryHidden(), !c.keep);
        tray->Restore();
        EXPECT_FALSE(area.shown);
        EXPECT_FALSE(tray->TaskbarEntryHidden());
        EXPECT_EQ(log, c.log);
    }
}

TEST_F(TrayIconTest, StartingMinimisedShowsTheIconAtOnce)
{
    auto tray = ProgramTray(true);
    EXPECT_TRUE(area.shown);
    EXPECT_TRUE(tray->TaskbarEntryHidden());
}

TEST_F(TrayIconTest, NeverLeavesTheTaskbarEntryAndStillRaisesOnMinimize)
{
    auto tray = ProgramTray();
    tray->SetActive(tsNever);
    tray->Minimize();
    EXPECT_FALSE(area.shown);
    EXPECT_FALSE(tray->TaskbarEntryHidden());
    EXPECT_EQ(log, (Log{"OnMinimize"}));
}

TEST_F(TrayIconTest, AlwaysShowsTheIconAndKeepsItOnRestore)
{
    auto tray = ProgramTray();
    tray->SetActive(tsAlways);
    EXPECT_TRUE(area.shown);
    tray->Minimize();
    tray->Restore();
    EXPECT_TRUE(area.shown);
    EXPECT_EQ(area.calls, (Log{"add", "modify"}));
}

TEST_F(TrayIconTest, DoubleClickRestoresOnTheFirstButtonUpThenRaisesItsEvent)
{
    auto tray = ProgramTray();
    tray->Minimize();
    log.clear();
    // What a double click delivers: a button-up, then the double click.
    tray->MouseMessage(TrayMouse::LeftButtonUp);
    tray->MouseMessage(TrayMouse::LeftDoubleClick);
    EXPECT_EQ(log, (Log{"restore", "OnClick", "OnDblClick"}));

    log.clear();
    tray->SetAppRestore(OnDoubleClick);
    tray->MouseMessage(TrayMouse::LeftButtonUp);
    tray->MouseMessage(TrayMouse::LeftDoubleClick);
    EXPECT_EQ(log, (Log{"OnClick", "restore", "front", "OnDblClick"}));
}

TEST_F(TrayIconTest, RightClickPopsTheMenuOnlyWhileTheEntryIsHidden)
{
    auto tray = ProgramTray();
    tray->MouseMessage(TrayMouse::RightButtonUp);
    EXPECT_EQ(log, (Log{"OnRightClick"}));
    tray->PopupMenu = [this] { log.push_back("menu"); };
    log.clear();
    tray->MouseMessage(TrayMouse::RightButtonUp);
    EXPECT_EQ(log, (Log{"OnRightClick"}));
    tray->Minimize();
    log.clear();
    tray->MouseMessage(TrayMouse::RightButtonUp);
    EXPECT_EQ(log, (Log{"menu", "OnRightClick"}));
}

TEST_F(TrayIconTest, HintsEmptyLongAndChanged)
{
    auto tray = ProgramTray();
    tray->Minimize();
    tray->SetHint("Postcodes");
    EXPECT_EQ(area.calls.back(), "modify");
    EXPECT_EQ(area.last.tip, "Postcodes");

    // An empty hint takes the application's hint text; with none, no tip.
    appHint = "from the application";
    tray->SetHint("");
    EXPECT_EQ(tray->Hint(), "from the application");
    appHint.clear();
    tray->SetHint("x");
    tray->SetHint("");
    EXPECT_FALSE(area.last.hasTip);

    const std::string longHint(80, 'h');
    tray->SetHint(longHint);
    EXPECT_EQ(tray->Hint(), longHint);
    EXPECT_EQ(area.last.tip, longHint.substr(0, TrayIcon::kMaxTip));
}

TEST_F(TrayIconTest, AnIconChangeIsSentAndReported)
{
    auto tray = ProgramTray();
    int changes = 0;
    tray->OnIconChange = [&] { ++changes; };
    tray->Minimize();
    QPixmap red(16, 16);
    red.fill(Qt::red);
    tray->SetIcon(QIcon(red));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(area.calls.back(), "modify");
    EXPECT_EQ(area.last.icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
}

TEST_F(TrayIconTest, DestructionRemovesAShownIcon)
{
    auto tray = ProgramTray();
    tray->Minimize();
    tray.reset();
    EXPECT_FALSE(area.shown);
}

} // namespace
} // namespace marlune::appmanager
