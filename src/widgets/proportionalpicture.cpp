#include "widgets/proportionalpicture.h"

#include <QPainter>

#include <algorithm>

namespace marlune::widgets {

ProportionalPicture::ProportionalPicture(QWidget* parent, const QPixmap& picture,
                                         const QPixmap& large)
    : QLabel(parent), large_(large)
{
    setPixmap(picture);
}

QRect ProportionalPicture::PictureRect() const
{
    const QRect box = contentsRect();
    const QSize size = pixmap().size().scaled(box.size(), Qt::KeepAspectRatio);
    return QRect(box.x() + (box.width() - size.width()) / 2,
                 box.y() + (box.height() - size.height()) / 2, size.width(), size.height());
}

void ProportionalPicture::paintEvent(QPaintEvent*)
{
    const QPixmap& picture = pixmap();
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    const QRect target = PictureRect();
    // Scaled once to the device pixels it covers, from the larger source
    // when the picture itself has too few.
    // (The painter's scale counts too: rendering into an image of its own
    // ratio.)
    const qreal ratio = std::max(devicePixelRatioF(), painter.deviceTransform().m11());
    const QSize pixels = target.size() * ratio;
    const QPixmap& source = !large_.isNull() && pixels.width() > picture.width() ? large_ : picture;
    QPixmap scaled = source.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    painter.drawPixmap(target.topLeft(), scaled);
}

} // namespace marlune::widgets
