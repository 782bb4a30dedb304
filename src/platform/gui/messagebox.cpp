#include "platform/gui/messagebox.h"

#include "platform/cp1252.h"
#include "platform/gui/application.h"

#include <QApplication>
#include <QMessageBox>

namespace marlune::platform::gui {
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

bool AskQMessageBox(const MessageBoxRequest& request)
{
    QMessageBox box(QMessageBox::Question, request.caption, request.text,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("QuestionBox"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

// The one process-wide shower; replaced only by tests.
MessageBoxShower& CurrentShower()
{
    static MessageBoxShower shower;
    return shower;
}

QuestionShower& CurrentQuestionShower()
{
    static QuestionShower shower;
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
    ShowMessage(text, ApplicationTitle(), icon);
}

void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    MessageBoxRequest request{platform::ToQString(text), platform::ToQString(caption), icon};
    // A copy, so that a shower that swaps itself out while running stays alive.
    MessageBoxShower shower = CurrentShower();
    if (shower) {
        shower(request);
    } else {
        ShowQMessageBox(request);
    }
}

QuestionShower SetQuestionShower(QuestionShower shower)
{
    QuestionShower previous = std::move(CurrentQuestionShower());
    CurrentQuestionShower() = std::move(shower);
    return previous;
}

bool AskYesNo(const std::string& text)
{
    MessageBoxRequest request{platform::ToQString(text), platform::ToQString(ApplicationTitle()),
                              MessageIcon::None};
    QuestionShower shower = CurrentQuestionShower();
    return shower ? shower(request) : AskQMessageBox(request);
}

} // namespace marlune::platform::gui
