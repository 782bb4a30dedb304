#pragma once

#include "appmanager/trayicon.h"
#include "platform/error.h"

#include <QIcon>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QSessionManager;

namespace marlune::appmanager {

// Raised when a second application manager is made while one exists.
class DuplicateComponentError : public Error {
public:
    using Error::Error;
};

enum InstanceAction { aRestoreAndExit, aRestore, aExit, aNone };
enum StartType { sNever, sOnBoot };

// A limit on running copies of the program; off with Max 0.
struct InstanceLimit {
    std::uint8_t Max = 0;
    InstanceAction Action = aRestoreAndExit;
};

// Starting with the session; off with an empty UniqueName.
struct AutoStartSettings {
    std::string UniqueName;
    StartType AutoStart = sNever;
};

// File associations opened through execute requests; not applied unless
// ApplyOnRun.
struct FileAssociations {
    std::string Extensions;
    bool ApplyOnRun = false;
    int Help = 0;
    std::string DDEUniqueName = "MarluneDDEAppManager";
    std::uint8_t IconID = 0;
};

// The application manager: application-wide settings that apply at once to
// the process (title, icon, hint timing, date formats), the tray icon shown
// while the application is minimised, the main window's and the system's
// notifications turned into events. One per program, owned by the main
// window, whose events it watches; it needs no widgets of its own.
//
// System notifications with a Linux equivalent: the session's end
// (QGuiApplication::commitDataRequest) raises OnEndWindows, which may refuse
// it; a change of the primary screen's size or depth raises OnDisplayChange.
// Qt reports nothing of low memory, a user change, power (suspend, stand-by,
// resume, battery low) or media arriving and leaving, so OnSysMemLow,
// OnUserChanged, OnUserLogoff (a log-off is not told apart from a shutdown),
// the OnAPM* events and OnCDInsert/OnCDRemove are never raised.
//
// Of the application's events, OnActivate and OnDeactivate (the application
// state), OnException (errors no handler caught) and OnIdle (the event loop
// about to wait) are forwarded when assigned before Loaded; window messages,
// help, actions and the hint text have no counterpart here and no event.
class AppManager : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultFlashInterval = 500;

    // `owner` is the main window; `area` the notification area (none: the
    // tray icon is never shown). Raises DuplicateComponentError when a
    // manager exists.
    explicit AppManager(QObject* owner, NotifyArea* area = nullptr);
    ~AppManager() override;
    AppManager(const AppManager&) = delete;
    AppManager& operator=(const AppManager&) = delete;

    // The live manager, or nullptr.
    static AppManager* Instance();

    // Completes loading once the stored settings are applied.
    void Loaded();
    bool IsLoading() const { return loading_; }

    const std::string& ApplicationTitle() const { return applicationTitle_; }
    void SetApplicationTitle(const std::string& title);
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string& file) { helpFile_ = file; }
    std::uint32_t HintColor() const;
    void SetHintColor(std::uint32_t color);
    int HintPause() const;
    void SetHintPause(int ms);
    int HintHidePause() const;
    void SetHintHidePause(int ms);
    int HintShortPause() const;
    void SetHintShortPause(int ms);
    bool HintShortCuts() const;
    void SetHintShortCuts(bool value);
    bool ShowHint() const;
    void SetShowHint(bool value);
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool value) { showMainForm_ = value; }
    bool OnTaskbar() const { return onTaskbar_; }
    void SetOnTaskbar(bool value);
    int FlashInterval() const { return flashInterval_; }
    void SetFlashInterval(int ms) { flashInterval_ = ms; }
    std::string SysShortDateFormat() const;
    void SetSysShortDateFormat(const std::string& format);
    std::string SysLongDateFormat() const;
    void SetSysLongDateFormat(const std::string& format);
    int SysCenturyWindow() const;
    // Values of 100 and above are ignored.
    void SetSysCenturyWindow(int window);
    bool UpdateFormatSettings() const { return updateFormatSettings_; }
    void SetUpdateFormatSettings(bool value) { updateFormatSettings_ = value; }
    bool UpdateMetricSettings() const { return updateMetricSettings_; }
    void SetUpdateMetricSettings(bool value) { updateMetricSettings_ = value; }
    bool AsService95() const { return asService95_; }
    // There is no service registration on this system: only stored.
    void SetAsService95(bool value) { asService95_ = value; }

    appmanager::TrayIcon& TrayIcon() { return *trayIcon_; }
    InstanceLimit Instances;
    AutoStartSettings AutoStart;
    FileAssociations Associations;

    // Carries out an execute request ([open("file")] lines) through
    // OnFileOpen and OnDDEMacro.
    void ExecuteRequest(const std::string& request);

    // Events. The tray's are raised after its own action.
    std::function<void(QObject* sender)> OnTrayClick;
    std::function<void(QObject* sender)> OnTrayDblClick;
    std::function<void(QObject* sender)> OnTrayRightClick;
    std::function<void(QObject* sender)> OnMinimize;
    std::function<void(QObject* sender)> OnRestore;
    std::function<void(QObject* sender)> OnActivate;
    std::function<void(QObject* sender)> OnDeactivate;
    std::function<void(QObject* sender)> OnIconChange;
    // The application's: an error no handler caught (in place of the
    // message box), and the event loop about to wait (set done to false to
    // be called again before it waits).
    std::function<void(QObject* sender, const std::exception_ptr& error)> OnException;
    std::function<void(QObject* sender, bool& done)> OnIdle;
    std::function<void(QObject* sender, int pos, const std::string& param)> OnStartParam;
    std::function<void(QObject* sender, const std::string& fileName)> OnFileOpen;
    std::function<void(QObject* sender, const std::string& command, const std::string& argument)>
        OnDDEMacro;
    std::function<void(QObject* sender, bool& endWindows)> OnEndWindows;
    std::function<void(QObject* sender, int bitsPerPixel, int width, int height)> OnDisplayChange;
    // Never raised here (see the class comment); kept for the program's
    // handlers.
    std::function<void(QObject* sender)> OnUserLogoff;
    std::function<void(QObject* sender)> OnUserChanged;
    std::function<void(QObject* sender, int compactRatio)> OnSysMemLow;
    std::function<void(QObject* sender)> OnAPMSuspend;
    std::function<void(QObject* sender)> OnAPMStandBy;
    std::function<void(QObject* sender)> OnAPMResume;
    std::function<void(QObject* sender)> OnAPMBatteryLow;
    std::function<void(QObject* sender, char driveLetter)> OnCDInsert;
    std::function<void(QObject* sender, char driveLetter)> OnCDRemove;

    // What the session manager asks at the session's end: true lets it end.
    bool SessionMayEnd();
    // The primary screen changed its size or depth.
    void DisplayChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyOnTaskbar();
    void ReportStartParams();
    void OwnerStateChanged();
    void CommitData(QSessionManager& manager);
    void WatchScreen();

    QObject* owner_;
    std::string applicationTitle_;
    QIcon icon_;
    std::string helpFile_;
    bool showMainForm_ = true;
    bool onTaskbar_ = true;
    int flashInterval_ = kDefaultFlashInterval;
    bool updateFormatSettings_ = true;
    bool updateMetricSettings_ = true;
    bool asService95_ = false;
    bool loading_ = true;
    bool startParamsReported_ = false;
    bool ownerMinimized_ = false;
    bool forwardsException_ = false;
    std::unique_ptr<appmanager::TrayIcon> trayIcon_;
};

} // namespace marlune::appmanager
