#include "widgets/clipboardtext.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>

namespace marlune::widgets {

void CopyToClipboard(const QString& text)
{
    if (text.isNull()) {
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    if (clipboard->supportsSelection()) {
        clipboard->setText(text, QClipboard::Selection);
    }
}

bool IsCopyKey(const QKeyEvent* event)
{
    return event->matches(QKeySequence::Copy) || event->key() == Qt::Key_Copy;
}

} // namespace marlune::widgets
