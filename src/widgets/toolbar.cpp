#include "widgets/toolbar.h"

#include <QPainter>
#include <QToolButton>

namespace marlune::widgets {

void ImageList::Add(const QPixmap& picture, const std::vector<QPixmap>& larger)
{
    images_.push_back(picture);
    QIcon icon(picture);
    for (const QPixmap& size : larger) {
        icon.addPixmap(size);
    }
    icons_.push_back(icon);
}

ToolSeparator::ToolSeparator(QWidget* parent, int width) : QWidget(parent)
{
    setFixedWidth(width);
    setFocusPolicy(Qt::NoFocus);
}

void ToolSeparator::paintEvent(QPaintEvent*)
{
    // Etched: a shadow line with a light line to its right.
    QPainter painter(this);
    const int x = width() / 2 - 1;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(x, 0, x, height() - 1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(x + 1, 0, x + 1, height() - 1);
}

ToolBar::ToolBar(QWidget* parent, int buttonWidth, int buttonHeight)
    : QWidget(parent), buttonWidth_(buttonWidth), buttonHeight_(buttonHeight)
{
}

QToolButton* ToolBar::AddButton(const QString& caption, int imageIndex, const QString& hint)
{
    auto* button = new QToolButton(this);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAccessibleDescription(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    if (images_ && imageIndex >= 0 && imageIndex < images_->Count()) {
        button->setIcon(images_->Icon(imageIndex));
        button->setIconSize(QSize(images_->Width(), images_->Height()));
    }
    button->setFixedSize(buttonWidth_, buttonHeight_);
    items_.push_back(button);
    Arrange();
    return button;
}

ToolSeparator* ToolBar::AddSeparator(int width)
{
    auto* separator = new ToolSeparator(this, width);
    separator->setFixedHeight(buttonHeight_);
    items_.push_back(separator);
    Arrange();
    return separator;
}

void ToolBar::resizeEvent(QResizeEvent*)
{
    Arrange();
}

void ToolBar::Arrange()
{
    int x = 0;
    for (QWidget* item : items_) {
        item->move(x, kMargin);
        x += item->width();
    }
}

} // namespace marlune::widgets
