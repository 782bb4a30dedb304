#include "report/preview/pagebox.h"

#include <QPaintEvent>
#include <QPainter>

namespace marlune::report::preview {

PageBox::PageBox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageBox"));
    // Every pixel is painted here: nothing to clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void PageBox::paintEvent(QPaintEvent* event)
{
    for (const QRect& r : event->region()) {
        painted_ += static_cast<long long>(r.width()) * r.height();
    }
    QPainter painter(this);
    if (OnPaint) {
        OnPaint(painter, event->region());
    }
}

void PageBox::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown) {
        OnMouseDown(event);
    }
}

void PageBox::wheelEvent(QWheelEvent* event)
{
    if (OnWheel) {
        OnWheel(event);
    }
}

} // namespace marlune::report::preview
