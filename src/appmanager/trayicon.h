#pragma once

#include <QIcon>

#include <functional>
#include <string>

namespace marlune::appmanager {

enum TrayState { tsNever = 0, tsAlways = 1, tsOnMinimized = 2 };
enum AppRestoreMode { NoRestore = 0, OnDoubleClick = 1, OnSingleClick = 2 };
enum class TrayMouse { LeftButtonUp, LeftDoubleClick, RightButtonUp };

// What is sent to the notification area: the icon and its tooltip.
struct NotifyIconData {
    QIcon icon;
    std::string tip; // Windows-1252, at most kMaxTip characters
    bool hasTip = false;
};

// The desktop's notification area (system tray). Add fails where the
// desktop has no tray, or none yet.
class NotifyArea {
public:
    virtual ~NotifyArea() = default;
    virtual bool Add(const NotifyIconData& data) = 0;
    virtual bool Modify(const NotifyIconData& data) = 0;
    virtual bool Delete() = 0;
};

// What the tray icon does to the application.
struct TrayHost {
    std::function<void()> hideTaskbarEntry;
    std::function<void()> showTaskbarEntry;
    std::function<void()> restoreApplication;
    std::function<void()> bringToFront;
    // The application's current hint text, taken by an empty Hint.
    std::function<std::string()> applicationHint;
};

// An icon with a tooltip in the notification area that turns clicks into
// application actions and events. With tsOnMinimized it is shown while the
// application is minimised, and the taskbar entry is hidden meanwhile, but
// only once the icon is up: where the desktop has no tray the taskbar entry
// stays, so that the program can always be reached. A failed add is tried
// again at the next minimise.
class TrayIcon {
public:
    static constexpr std::size_t kMaxTip = 63;

    TrayIcon(NotifyArea* area, TrayHost host, bool appMinimized = false);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    TrayState Active() const { return active_; }
    void SetActive(TrayState value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value);
    AppRestoreMode AppRestore() const { return appRestore_; }
    void SetAppRestore(AppRestoreMode value) { appRestore_ = value; }
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    // A menu popped up by a right click while the taskbar entry is hidden
    // (or always, with tsAlways); none by default.
    std::function<void()> PopupMenu;

    bool TrayEnabled() const { return active_ == tsAlways || active_ == tsOnMinimized; }
    bool NeedsAdd() const { return needsAdd_; }
    bool AppMinimized() const { return appMinimized_; }
    // Whether the taskbar entry is hidden by the tray icon.
    bool TaskbarEntryHidden() const { return taskbarHidden_; }
    // The data the notification area gets, as the properties stand.
    NotifyIconData Data() const;

    void AddTrayIcon();
    void ModifyTrayIcon();
    void DeleteTrayIcon();

    // The application's minimise and restore notifications.
    void Minimize();
    void Restore();
    // A mouse action on the icon.
    void MouseMessage(TrayMouse message);

    // While the manager is being loaded a hint change sends nothing.
    void SetLoading(bool loading) { loading_ = loading; }
    // Where the platform cannot report minimising (Wayland: the compositor
    // never tells a window it was minimised), a hidden window could not be
    // got back from the taskbar once the tray icon is gone: the taskbar entry
    // then always stays, beside the icon.
    void SetKeepTaskbarEntry(bool keep) { keepTaskbarEntry_ = keep; }
    bool KeepTaskbarEntry() const { return keepTaskbarEntry_; }

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void()> OnRightClick;
    std::function<void()> OnMinimize;
    std::function<void()> OnRestore;
    // Raised after every change of the icon.
    std::function<void()> OnIconChange;

private:
    static void Call(const std::function<void()>& f)
    {
        if (f) {
            f();
        }
    }
    void HideTaskbarEntry();
    void ShowTaskbarEntry();

    NotifyArea* area_;
    TrayHost host_;
    TrayState active_ = tsNever;
    std::string hint_;
    AppRestoreMode appRestore_ = NoRestore;
    QIcon icon_;
    bool needsAdd_ = true;
    bool appMinimized_;
    bool taskbarHidden_ = false;
    bool loading_ = false;
    bool keepTaskbarEntry_ = false;
};

} // namespace marlune::appmanager
