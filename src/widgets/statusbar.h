#pragma once

#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

class QSizeGrip;

namespace marlune::widgets {

// A status bar of fixed-width panels, each a sunken box with one line of
// text. A panel's width is where its right edge lies relative to the
// previous one; the last panel reaches the right edge of the bar.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    struct Panel {
        int width = 50;
        Qt::Alignment alignment = Qt::AlignLeft;
        std::string text; // Windows-1252
    };

    explicit StatusBar(QWidget* parent);

    void AddPanel(int width, Qt::Alignment alignment, std::string text = {});
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    const Panel& Panels(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
    void SetPanelText(int index, std::string_view text);

    // Where panel `index` is drawn, in the bar's coordinates.
    QRect PanelRect(int index) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<Panel> panels_;
    QSizeGrip* sizeGrip_;
};

} // namespace marlune::widgets
