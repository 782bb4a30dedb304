#include "appmanager/appmanager.h"

#include "appmanager/executerequest.h"
#include "platform/appevents.h"
#include "platform/apptitle.h"
#include "platform/dateformat.h"
#include "platform/hintsettings.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>

namespace marlune::appmanager {
namespace {

AppManager* live = nullptr;

void Invoke(QObject* target, const char* slot)
{
    if (target != nullptr) {
        QMetaObject::invokeMethod(target, slot);
    }
}

} // namespace

AppManager::AppManager(QObject* owner, NotifyArea* area)
    : QObject(owner), owner_(owner), icon_(QGuiApplication::windowIcon())
{
    // Checked first, so that a refused manager leaves nothing behind.
    if (live != nullptr) {
        throw DuplicateComponentError("You can have only one AppManager component in each "
                                      "project and it must reside on the mainform.");
    }
    TrayHost host;
    // Hidden once the minimising is over, not inside it, and only if the
    // window was not restored meanwhile.
    host.hideTaskbarEntry = [this] {
        if (owner_ != nullptr) {
            QTimer::singleShot(0, owner_, [owner = owner_] {
                if (owner->property("minimized").toBool()) {
                    Invoke(owner, "hide");
                }
            });
        }
    };
    host.showTaskbarEntry = [this] { Invoke(owner_, "show"); };
    host.restoreApplication = [this] { Invoke(owner_, "showNormal"); };
    host.bringToFront = [this] { Invoke(owner_, "raise"); };
    host.applicationHint = [] { return std::string(); };
    const bool minimized = owner_ != nullptr && owner_->property("minimized").toBool();
    trayIcon_ = std::make_unique<appmanager::TrayIcon>(area, std::move(host), minimized);
    trayIcon_->SetLoading(true);
    trayIcon_->OnClick = [this] {
        if (OnTrayClick) {
            OnTrayClick(this);
        }
    };
    trayIcon_->OnDblClick = [this] {
        if (OnTrayDblClick) {
            OnTrayDblClick(this);
        }
    };
    trayIcon_->OnRightClick = [this] {
        if (OnTrayRightClick) {
            OnTrayRightClick(this);
        }
    };
    trayIcon_->OnIconChange = [this] {
        if (OnIconChange) {
            OnIconChange(this);
        }
    };
    live = this;
    if (owner_ != nullptr) {
        owner_->installEventFilter(this);
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
}

AppManager::~AppManager()
{
    if (forwardsException_) {
        platform::ApplicationExceptionHandler() = nullptr;
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
    trayIcon_.reset();
    live = nullptr;
}

AppManager* AppManager::Instance()
{
    return live;
}

void AppManager::Loaded()
{
    if (!loading_) {
        return;
    }
    loading_ = false;
    trayIcon_->SetLoading(false);
    // Instances (Max 0), autostart (no UniqueName), associations (not
    // ApplyOnRun) and the service registration are off at these settings.
    QGuiApplication::setWindowIcon(icon_);
    trayIcon_->ModifyTrayIcon();
    ApplyOnTaskbar();
    trayIcon_->OnMinimize = [this] {
        if (OnMinimize) {
            OnMinimize(this);
        }
    };
    trayIcon_->OnRestore = [this] {
        if (OnRestore) {
            OnRestore(this);
        }
    };
    ownerMinimized_ = owner_ != nullptr && owner_->property("minimized").toBool();
    // The application's events that are assigned now are forwarded.
    if (OnException) {
        forwardsException_ = true;
        platform::ApplicationExceptionHandler() = [this](const std::exception_ptr& error) {
            OnException(this, error);
        };
    }
    if (OnIdle) {
        if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                bool done = true;
                OnIdle(this, done);
                if (!done) {
                    // Called again before the loop waits.
                    QAbstractEventDispatcher::instance()->wakeUp();
                }
            });
        }
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive && OnActivate) {
                        OnActivate(this);
                    } else if (state != Qt::ApplicationActive && OnDeactivate) {
                        OnDeactivate(this);
                    }
                });
        connect(app, &QGuiApplication::commitDataRequest, this, &AppManager::CommitData,
                Qt::DirectConnection);
        connect(app, &QGuiApplication::primaryScreenChanged, this, [this] {
            WatchScreen();
            DisplayChanged();
        });
        WatchScreen();
    }
}

void AppManager::SetApplicationTitle(const std::string& title)
{
    applicationTitle_ = title;
    // An empty title leaves the application's as it is.
    if (!title.empty()) {
        platform::SetApplicationTitle(title);
    }
}

void AppManager::SetIcon(const QIcon& icon)
{
    icon_ = icon;
    trayIcon_->SetIcon(icon);
}

std::uint32_t AppManager::HintColor() const
{
    return platform::ApplicationHintSettings().hintColor;
}

void AppManager::SetHintColor(std::uint32_t color)
{
    platform::ApplicationHintSettings().hintColor = color;
}

int AppManager::HintPause() const
{
    return platform::ApplicationHintSettings().hintPause;
}

void AppManager::SetHintPause(int ms)
{
    platform::ApplicationHintSettings().hintPause = ms;
}

int AppManager::HintHidePause() const
{
    return platform::ApplicationHintSettings().hintHidePause;
}

void AppManager::SetHintHidePause(int ms)
{
    platform::ApplicationHintSettings().hintHidePause = ms;
}

int AppManager::HintShortPause() const
{
    return platform::ApplicationHintSettings().hintShortPause;
}

void AppManager::SetHintShortPause(int ms)
{
    platform::ApplicationHintSettings().hintShortPause = ms;
}

bool AppManager::HintShortCuts() const
{
    return platform::ApplicationHintSettings().hintShortCuts;
}

void AppManager::SetHintShortCuts(bool value)
{
    platform::ApplicationHintSettings().hintShortCuts = value;
}

bool AppManager::ShowHint() const
{
    return platform::ApplicationHintSettings().showHint;
}

void AppManager::SetShowHint(bool value)
{
    platform::ApplicationHintSettings().showHint = value;
}

void AppManager::SetOnTaskbar(bool value)
{
    onTaskbar_ = value;
    if (!loading_) {
        ApplyOnTaskbar();
    }
}

void AppManager::ApplyOnTaskbar()
{
    // The main window carries the taskbar entry itself and keeps it; with
    // OnTaskbar false it still has one, as Qt offers no portable way to
    // leave a normal window out of the taskbar.
}

std::string AppManager::SysShortDateFormat() const
{
    return platform::ShortDateFormat();
}

void AppManager::SetSysShortDateFormat(const std::string& format)
{
    platform::SetShortDateFormat(format);
}

std::string AppManager::SysLongDateFormat() const
{
    return platform::LongDateFormat();
}

void AppManager::SetSysLongDateFormat(const std::string& format)
{
    platform::SetLongDateFormat(format);
}

int AppManager::SysCenturyWindow() const
{
    return platform::TwoDigitYearCenturyWindow();
}

void AppManager::SetSysCenturyWindow(int window)
{
    if (window >= 0 && window < 100) {
        platform::SetTwoDigitYearCenturyWindow(window);
    }
}

void AppManager::ExecuteRequest(const std::string& request)
{
    RunExecuteRequest(
        request,
        [this](const std::string& fileName) {
            if (OnFileOpen) {
                OnFileOpen(this, fileName);
            }
        },
        [this](const std::string& command, const std::string& argument) {
            if (OnDDEMacro) {
                OnDDEMacro(this, command, argument);
            }
        });
}

bool AppManager::SessionMayEnd()
{
    bool endWindows = true;
    if (OnEndWindows) {
        OnEndWindows(this, endWindows);
    }
    return endWindows;
}

void AppManager::CommitData(QSessionManager& manager)
{
    if (!SessionMayEnd() && manager.allowsInteraction()) {
        manager.cancel();
    }
}

void AppManager::WatchScreen()
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        connect(screen, &QScreen::geometryChanged, this, &AppManager::DisplayChanged,
                Qt::UniqueConnection);
    }
}

void AppManager::DisplayChanged()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr && OnDisplayChange) {
        OnDisplayChange(this, screen->depth(), screen->geometry().width(),
                        screen->geometry().height());
    }
}

void AppManager::ReportStartParams()
{
    if (startParamsReported_) {
        return;
    }
    startParamsReported_ = true;
    if (!OnStartParam) {
        return;
    }
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString param = i == 0 ? QCoreApplication::applicationFilePath() : arguments[i];
        OnStartParam(this, i, param.toStdString());
    }
}

void AppManager::OwnerStateChanged()
{
    const bool minimized = owner_->property("minimized").toBool();
    if (minimized == ownerMinimized_) {
        return;
    }
    ownerMinimized_ = minimized;
    if (minimized) {
        trayIcon_->Minimize();
    } else {
        trayIcon_->Restore();
    }
}

bool AppManager::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_ && !loading_) {
        switch (event->type()) {
        case QEvent::WindowStateChange:
            OwnerStateChanged();
            break;
        case QEvent::ActivationChange:
            if (owner_->property("isActiveWindow").toBool()) {
                ApplyOnTaskbar();
                ReportStartParams();
            }
            break;
        case QEvent::Show:
            ApplyOnTaskbar();
            break;
        default:
            break;
        }
    } else if (watched == QCoreApplication::instance() && event->type() == QEvent::LocaleChange &&
               updateFormatSettings_) {
        // The system's settings changed: its date formats again.
        platform::ResetDateFormats();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace marlune::appmanager
