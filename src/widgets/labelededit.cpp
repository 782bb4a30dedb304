#include "widgets/labelededit.h"

#include <QEvent>
#include <QLabel>

namespace marlune::widgets {

LabeledEdit::LabeledEdit(QWidget* parent) : QLineEdit(parent), label_(new QLabel(parent))
{
    label_->setBuddy(this);
    label_->setTextFormat(Qt::PlainText);
    PlaceLabel();
}

LabeledEdit::~LabeledEdit()
{
    // The label is the parent's child; it goes with the edit (unless the
    // parent has already deleted it).
    delete label_.data();
}

void LabeledEdit::SetLabelSpacing(int spacing)
{
    labelSpacing_ = spacing;
    PlaceLabel();
}

void LabeledEdit::SetLabelCaption(const QString& caption)
{
    label_->setText(caption);
    PlaceLabel();
}

void LabeledEdit::moveEvent(QMoveEvent* event)
{
    QLineEdit::moveEvent(event);
    PlaceLabel();
}

void LabeledEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    PlaceLabel();
}

void LabeledEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        label_->setFont(font());
        PlaceLabel();
    } else if (event->type() == QEvent::EnabledChange) {
        label_->setEnabled(isEnabled());
    }
}

void LabeledEdit::PlaceLabel()
{
    // An auto-sized label, left-aligned with the edit, its bottom
    // LabelSpacing pixels above the edit's top.
    const QSize size = label_->sizeHint();
    label_->setGeometry(x(), y() - labelSpacing_ - size.height(), size.width(), size.height());
}

} // namespace marlune::widgets
