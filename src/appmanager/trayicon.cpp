#include "appmanager/trayicon.h"

#include <QGuiApplication>

namespace marlune::appmanager {

TrayIcon::TrayIcon(NotifyArea* area, TrayHost host, bool appMinimized)
    : area_(area), host_(std::move(host)), icon_(QGuiApplication::windowIcon()),
      appMinimized_(appMinimized)
{
}

TrayIcon::~TrayIcon()
{
    if (TrayEnabled()) {
        DeleteTrayIcon();
    }
}

NotifyIconData TrayIcon::Data() const
{
    NotifyIconData data;
    data.icon = icon_;
    data.hasTip = !hint_.empty();
    // The tooltip holds 63 characters; a longer hint is cut there.
    data.tip = hint_.substr(0, kMaxTip);
    return data;
}

void TrayIcon::AddTrayIcon()
{
    if (TrayEnabled() && needsAdd_ && area_ != nullptr && area_->Add(Data())) {
        needsAdd_ = false;
    }
}

void TrayIcon::ModifyTrayIcon()
{
    // Before an add this changes nothing the user sees.
    if (TrayEnabled() && !needsAdd_ && area_ != nullptr) {
        area_->Modify(Data());
    }
}

void TrayIcon::DeleteTrayIcon()
{
    if (area_ != nullptr && !needsAdd_) {
        area_->Delete();
    }
    needsAdd_ = true;
}

void TrayIcon::HideTaskbarEntry()
{
    // Only with the icon up: a desktop without a tray keeps the entry.
    if (!needsAdd_ && !taskbarHidden_ && !keepTaskbarEntry_) {
        taskbarHidden_ = true;
        Call(host_.hideTaskbarEntry);
    }
}

void TrayIcon::ShowTaskbarEntry()
{
    if (taskbarHidden_) {
        taskbarHidden_ = false;
        Call(host_.showTaskbarEntry);
    }
}

void TrayIcon::SetActive(TrayState value)
{
    active_ = value;
    switch (value) {
    case tsAlways:
        AddTrayIcon();
        break;
    case tsOnMinimized:
        if (appMinimized_) {
            AddTrayIcon();
            HideTaskbarEntry();
        }
        break;
    case tsNever:
        DeleteTrayIcon();
        ShowTaskbarEntry();
        break;
    }
}

void TrayIcon::SetHint(const std::string& value)
{
    if (value == hint_) {
        return;
    }
    hint_ = value.empty() && host_.applicationHint ? host_.applicationHint() : value;
    if (!loading_) {
        ModifyTrayIcon();
    }
}

void TrayIcon::SetIcon(const QIcon& icon)
{
    icon_ = icon;
    ModifyTrayIcon();
    Call(OnIconChange);
}

void TrayIcon::Minimize()
{
    if (TrayEnabled()) {
        if (needsAdd_) {
            AddTrayIcon();
        } else {
            ModifyTrayIcon();
        }
        HideTaskbarEntry();
    }
    appMinimized_ = true;
    Call(OnMinimize);
}

void TrayIcon::Restore()
{
    if (TrayEnabled()) {
        ShowTaskbarEntry();
        if (active_ == tsOnMinimized) {
            DeleteTrayIcon();
        }
    }
    Call(OnRestore);
    appMinimized_ = false;
}

void TrayIcon::MouseMessage(TrayMouse message)
{
    switch (message) {
    case TrayMouse::LeftButtonUp:
        if (appRestore_ == OnSingleClick) {
            Call(host_.restoreApplication);
        }
        Call(OnClick);
        break;
    case TrayMouse::LeftDoubleClick:
        if (appRestore_ == OnDoubleClick) {
            Call(host_.restoreApplication);
            Call(host_.bringToFront);
        }
        Call(OnDblClick);
        break;
    case TrayMouse::RightButtonUp:
        if (PopupMenu && (taskbarHidden_ || active_ == tsAlways)) {
            PopupMenu();
        }
        Call(OnRightClick);
        break;
    }
}

} // namespace marlune::appmanager
