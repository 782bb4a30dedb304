#include "app/systemtray.h"

#include "platform/cp1252.h"
#include "platform/gui/application.h"

#include <QGuiApplication>
#include <QWidget>

namespace marlune::app {

std::unique_ptr<appmanager::AppManager> CreateAppManager(QWidget& window, SystemTrayArea& area)
{
    auto manager = std::make_unique<appmanager::AppManager>(&window, &area);
    area.SetTrayIcon(&manager->TrayIcon());
    appmanager::AppManager& m = *manager;
    m.SetApplicationTitle("Marlune");
    m.SetIcon(window.windowIcon());
    m.SetSysShortDateFormat("d/MM/yyyy");
    m.SetSysLongDateFormat("dddd, d MMMM yyyy");
    m.TrayIcon().SetKeepTaskbarEntry(!PlatformReportsMinimising());
    m.TrayIcon().SetActive(appmanager::tsOnMinimized);
    m.TrayIcon().SetHint("Marlune");
    m.TrayIcon().SetAppRestore(appmanager::OnSingleClick);
    m.TrayIcon().SetIcon(window.windowIcon());
    m.Associations.DDEUniqueName = "MarluneDDEAppManager";
    return manager;
}

bool PlatformReportsMinimising()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

SystemTrayArea::SystemTrayArea(QObject* parent) : QObject(parent)
{
    connect(&icon_, &QSystemTrayIcon::activated, this, &SystemTrayArea::Activated);
}

void SystemTrayArea::Set(const appmanager::NotifyIconData& data)
{
    icon_.setIcon(data.icon);
    icon_.setToolTip(data.hasTip ? platform::ToQString(data.tip) : QString());
}

bool SystemTrayArea::Add(const appmanager::NotifyIconData& data)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    Set(data);
    icon_.show();
    return icon_.isVisible();
}

bool SystemTrayArea::Modify(const appmanager::NotifyIconData& data)
{
    Set(data);
    return true;
}

bool SystemTrayArea::Delete()
{
    icon_.hide();
    return true;
}

void SystemTrayArea::Activated(QSystemTrayIcon::ActivationReason reason)
{
    if (tray_ == nullptr) {
        return;
    }
    platform::gui::RunHandler([this, reason] {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            tray_->MouseMessage(appmanager::TrayMouse::LeftButtonUp);
            break;
        case QSystemTrayIcon::DoubleClick:
            tray_->MouseMessage(appmanager::TrayMouse::LeftDoubleClick);
            break;
        case QSystemTrayIcon::Context:
            tray_->MouseMessage(appmanager::TrayMouse::RightButtonUp);
            break;
        default:
            break;
        }
    });
}

} // namespace marlune::app
