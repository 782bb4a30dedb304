#include "app/labelededit.h"

#include <QEvent>
#include <QLabel>

namespace marlune::app {

TLabeledEdit::TLabeledEdit(QWidget* parent) : QLineEdit(parent), label_(new QLabel(parent))
{
    label_->setBuddy(this);
    label_->setTextFormat(Qt::PlainText);
    PlaceLabel();
}

TLabeledEdit::~TLabeledEdit()
{
    // The label is the parent's child; it goes with the edit (unless the
    // parent has already deleted it).
    delete label_.data();
}

void TLabeledEdit::SetLabelSpacing(int spacing)
{
    labelSpacing_ = spacing;
    PlaceLabel();
}

void TLabeledEdit::SetLabelCaption(const QString& caption)
{
    label_->setText(caption);
    PlaceLabel();
}

void TLabeledEdit::moveEvent(QMoveEvent* event)
{
    QLineEdit::moveEvent(event);
    PlaceLabel();
}

void TLabeledEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    PlaceLabel();
}

void TLabeledEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        label_->setFont(font());
        PlaceLabel();
    } else if (event->type() == QEvent::EnabledChange) {
        label_->setEnabled(isEnabled());
    }
}

void TLabeledEdit::PlaceLabel()
{
    // An auto-sized label, left-aligned with the edit, its bottom
    // LabelSpacing pixels above the edit's top.
    const QSize size = label_->sizeHint();
    label_->setGeometry(x(), y() - labelSpacing_ - size.height(), size.width(), size.height());
}

} // namespace marlune::app
