#include "widgets/statusbar.h"

#include "platform/cp1252.h"

#include <QPainter>
#include <QSizeGrip>
#include <qdrawutil.h>

namespace marlune::widgets {
namespace {

constexpr int kBarHeight = 19;
constexpr int kTopGap = 2;    // the bar's own border above the panels
constexpr int kPanelGap = 2;  // between two panels
constexpr int kTextInset = 3; // from a panel's edge to its text

} // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent), sizeGrip_(new QSizeGrip(this))
{
    setAutoFillBackground(true);
    setFixedHeight(kBarHeight);
}

void StatusBar::AddPanel(int width, Qt::Alignment alignment, std::string text)
{
    panels_.push_back({width, alignment, std::move(text)});
    update();
}

void StatusBar::SetPanelText(int index, std::string_view text)
{
    Panel& panel = panels_.at(static_cast<std::size_t>(index));
    if (panel.text == text) {
        return;
    }
    panel.text = std::string(text);
    update(PanelRect(index));
}

QRect StatusBar::PanelRect(int index) const
{
    int left = 0;
    for (int i = 0; i < index; ++i) {
        left += panels_[static_cast<std::size_t>(i)].width;
    }
    const bool last = index + 1 == PanelCount();
    const int right =
        last ? width() : left + panels_[static_cast<std::size_t>(index)].width - kPanelGap;
    return QRect(QPoint(left, kTopGap), QPoint(right - 1, height() - 1));
}

QSize StatusBar::sizeHint() const
{
    return {200, kBarHeight};
}

void StatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    for (int i = 0; i < PanelCount(); ++i) {
        const QRect box = PanelRect(i);
        if (box.width() <= 0) {
            continue;
        }
        qDrawShadePanel(&painter, box, palette(), true, 1);
        const Panel& panel = panels_[static_cast<std::size_t>(i)];
        if (panel.text.empty()) {
            continue;
        }
        const QRect textBox = box.adjusted(kTextInset, 1, -kTextInset, -1);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textBox,
                         static_cast<int>(panel.alignment | Qt::AlignVCenter) | Qt::TextSingleLine,
                         platform::ToQString(panel.text));
    }
}

void StatusBar::resizeEvent(QResizeEvent*)
{
    const QSize grip =
        sizeGrip_->sizeHint().boundedTo(QSize(height() - kTopGap, height() - kTopGap));
    sizeGrip_->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(),
                           grip.height());
}

} // namespace marlune::widgets
