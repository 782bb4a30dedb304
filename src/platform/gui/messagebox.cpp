#include "platform/gui/messagebox.h"

#include "platform/cp1252.h"
#include "platform/gui/application.h"

#include <QApplication>
#include <QMessageBox>

namespace marlune::platform {
namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

void ShowQMessageBox(const MessageBoxRequest& request)
{
    QMessageBox box(ToQtIcon(request.icon), request.caption, request.text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

// The one process-wide shower; replaced only by tests.
MessageBoxShower& CurrentShower()
{
    static MessageBoxShower shower;
    return shower;
}

} // namespace

MessageBoxShower SetMessageBoxShower(MessageBoxShower shower)
{
    MessageBoxShower previous = std::move(CurrentShower());
    CurrentShower() = std::move(shower);
    return previous;
}

void ShowMessage(const std::string& text, MessageIcon icon)
{
    MessageBoxRequest request{platform::ToQString(text), platform::ToQString(ApplicationTitle()),
                              icon};
    // A copy, so that a shower that swaps itself out while running stays alive.
    MessageBoxShower shower = CurrentShower();
    if (shower) {
        shower(request);
    } else {
        ShowQMessageBox(request);
    }
}

} // namespace marlune::platform
