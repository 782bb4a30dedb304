#pragma once

#include <QLabel>
#include <QPixmap>

namespace marlune::widgets {

// A picture shown as large as its box allows, in proportion and centred, at
// the screen's pixel ratio: drawn from a large source on scaled screens so
// that it stays sharp. pixmap() is the picture at its own size.
class ProportionalPicture : public QLabel {
    Q_OBJECT
public:
    ProportionalPicture(QWidget* parent, const QPixmap& picture, const QPixmap& large);

    // Where the picture lies in the label, in the label's coordinates.
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap large_;
};

} // namespace marlune::widgets
