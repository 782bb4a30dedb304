#pragma once

#include <QString>

class QKeyEvent;

namespace marlune::widgets {

// Puts text on the clipboard and, where the desktop has one (X11), on the
// primary selection too, so that both Ctrl+V and a middle click paste it.
// A null text (nothing to copy) leaves both as they were.
void CopyToClipboard(const QString& text);

// Whether the key is the platform's Copy key (Ctrl+C, Ctrl+Insert, the Copy key).
bool IsCopyKey(const QKeyEvent* event);

} // namespace marlune::widgets
