#pragma once

#include "appmanager/appmanager.h"
#include "appmanager/trayicon.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

namespace marlune::app {

// Whether the windowing platform tells a window that it was minimised. On
// Wayland it does not (minimise-to-tray cannot happen there; the window
// goes to the dock or taskbar like any other).
bool PlatformReportsMinimising();

// The desktop's notification area through QSystemTrayIcon: an add fails
// while the desktop has no tray; clicks on the icon go to the tray icon.
class SystemTrayArea : public QObject, public appmanager::NotifyArea {
    Q_OBJECT
public:
    explicit SystemTrayArea(QObject* parent = nullptr);

    // Where the icon's clicks go.
    void SetTrayIcon(appmanager::TrayIcon* tray) { tray_ = tray; }
    const QSystemTrayIcon& Icon() const { return icon_; }

    bool Add(const appmanager::NotifyIconData& data) override;
    bool Modify(const appmanager::NotifyIconData& data) override;
    bool Delete() override;

private:
    void Set(const appmanager::NotifyIconData& data);
    void Activated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon icon_;
    appmanager::TrayIcon* tray_ = nullptr;
};

// The program's application manager as the main window owns it: the title
// "Marlune", the window's icon, the date formats, and the tray icon in `area`
// while the window is minimised. Its tray click is the window's to handle.
std::unique_ptr<appmanager::AppManager> CreateAppManager(QWidget& window, SystemTrayArea& area);

} // namespace marlune::app
