#pragma once

#include <QIcon>
#include <QWidget>

#include <vector>

class QToolButton;

namespace marlune::widgets {

// The toolbar's pictures, in order; a button names its picture by index.
// Each picture has its list size and may have larger drawings of itself for
// scaled screens, which the icon picks by the screen's pixel ratio.
class ImageList {
public:
    ImageList(int width, int height) : width_(width), height_(height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    void Add(const QPixmap& picture, const std::vector<QPixmap>& larger = {});
    // The picture at the list's size.
    const QPixmap& Image(int index) const { return images_.at(static_cast<std::size_t>(index)); }
    // The picture with every size it was drawn at.
    const QIcon& Icon(int index) const { return icons_.at(static_cast<std::size_t>(index)); }

private:
    int width_;
    int height_;
    std::vector<QPixmap> images_;
    std::vector<QIcon> icons_;
};

// A gap between toolbar buttons with an etched line in its middle.
class ToolSeparator : public QWidget {
    Q_OBJECT
public:
    ToolSeparator(QWidget* parent, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A row of flat buttons of one size with the caption under the picture,
// laid out left to right from the toolbar's left edge.
class ToolBar : public QWidget {
    Q_OBJECT
public:
    ToolBar(QWidget* parent, int buttonWidth, int buttonHeight);

    void SetImages(const ImageList* images) { images_ = images; }
    QToolButton* AddButton(const QString& caption, int imageIndex, const QString& hint);
    ToolSeparator* AddSeparator(int width);

    int ButtonWidth() const { return buttonWidth_; }
    int ButtonHeight() const { return buttonHeight_; }
    // Height that fits the buttons: one row with a 2-pixel margin above and below.
    int FittingHeight() const { return buttonHeight_ + 2 * kMargin; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int kMargin = 2;
    void Arrange();

    const ImageList* images_ = nullptr;
    int buttonWidth_;
    int buttonHeight_;
    std::vector<QWidget*> items_;
};

} // namespace marlune::widgets
