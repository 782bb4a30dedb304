#pragma once

#include <QWidget>

#include <functional>

class QPainter;

// The preview's page area: a plain panel whose painting, mouse and wheel
// input the preview window handles. It counts the pixels it repaints, so
// that scrolling can be seen to repaint only what it uncovers.
namespace marlune::report::preview {

class PageBox : public QWidget {
    Q_OBJECT
public:
    explicit PageBox(QWidget* parent);

    int Tag() const { return 207; }

    std::function<void(QPainter&, const QRegion&)> OnPaint;
    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QWheelEvent*)> OnWheel;

    // The area of every region repainted since the last reset, in pixels.
    long long PaintedPixels() const { return painted_; }
    void ResetPaintedPixels() { painted_ = 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    long long painted_ = 0;
};

} // namespace marlune::report::preview
