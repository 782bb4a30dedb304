#include "widgets/dbgrid.h"

#include "widgets/clipboardtext.h"
#include "widgets/dbgridaccessible.h"
#include "widgets/gridpainter.h"

#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "platform/gui/application.h"
#include "platform/paint/fonts.h"
#include "table/memtable.h"

namespace marlune::widgets {

namespace {

constexpr int kWheelStep = 120;
constexpr int kSizingZone = 2; // pixels either side of a title border that grab it

} // namespace

DBGrid::DBGrid(QWidget* parent) : QWidget(parent), titleFont_(platform::paint::VerdanaFont(11))
{
    InstallGridAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    vScroll_ = new QScrollBar(Qt::Vertical, this);
    hScroll_ = new QScrollBar(Qt::Horizontal, this);
    for (QScrollBar* bar : {vScroll_, hScroll_}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setTracking(false); // a dragged thumb acts only when released
        bar->setContextMenuPolicy(Qt::NoContextMenu);
        bar->installEventFilter(this);
    }
    hScroll_->setRange(0, kHorzThumbRange);
    hScroll_->hide();
    // Signals run outside any event handler's error guard: route errors to
    // the default error handling instead of through Qt.
    connect(vScroll_, &QAbstractSlider::actionTriggered, this,
            [this](int action) { platform::gui::RunHandler([&] { OnVerticalAction(action); }); });
    connect(hScroll_, &QAbstractSlider::actionTriggered, this,
            [this](int action) { platform::gui::RunHandler([&] { OnHorizontalAction(action); }); });

    Relayout();
}

DBGrid::~DBGrid()
{
    if (dataSource_) {
        dataSource_->RemoveObserver(this);
    }
}

// --- settings -------------------------------------------------------------------------------

void DBGrid::SetDataSource(table::DataSource* dataSource)
{
    if (dataSource == dataSource_) {
        return;
    }
    if (dataSource_) {
        dataSource_->RemoveObserver(this);
    }
    dataSource_ = dataSource;
    if (dataSource_) {
        dataSource_->AddObserver(this);
    }
    columns_.Bind(Table());
    Relayout();
}

void DBGrid::SetOptions(GridOptions options)
{
    if (options == options_) {
        return;
    }
    options_ = options;
    Relayout();
}

void DBGrid::SetColor(TColor color)
{
    color_ = color;
    update();
}

void DBGrid::SetFixedColor(TColor color)
{
    fixedColor_ = color;
    update();
}

void DBGrid::SetFontColor(TColor color)
{
    fontColor_ = color;
    update();
}

void DBGrid::SetTitleFont(const QFont& font)
{
    titleFont_ = font;
    Relayout();
}

void DBGrid::SetTitleFontColor(TColor color)
{
    titleFontColor_ = color;
    update();
}

// --- columns --------------------------------------------------------------------------------

void DBGrid::SetColumns(std::vector<DBGridColumn> columns)
{
    columns_.Assign(std::move(columns));
    columns_.Bind(Table());
    Relayout();
}

void DBGrid::SetColumnWidth(int index, int width)
{
    if (columns_.SetWidth(index, width)) {
        Relayout();
    }
}

void DBGrid::MoveColumn(int from, int to)
{
    if (columns_.Move(from, to)) {
        Relayout();
    }
}

// --- layout ---------------------------------------------------------------------------------

table::MemTable* DBGrid::Table() const
{
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

bool DBGrid::CanNavigate() const
{
    const table::MemTable* t = Table();
    return t && t->Active() && !t->ControlsDisabled();
}

void DBGrid::UpdateMetrics()
{
    const QFontMetrics fm = fontMetrics();
    const QFontMetrics tfm(titleFont_, this);
    textHeight_ = fm.height();
    ascent_ = fm.ascent();
    titleTextHeight_ = tfm.height();
    titleAscent_ = tfm.ascent();

    geometry_.rowLine = (options_ & dgRowLines) ? 1 : 0;
    // The row line is counted into the row height as well as drawn after it.
    geometry_.rowHeight = textHeight_ + 3 + geometry_.rowLine;
    const bool titles = (options_ & dgTitles) != 0;
    geometry_.titleHeight = titles ? titleTextHeight_ + 4 : 0;
    geometry_.titleLine = titles && (options_ & (dgRowLines | dgColLines)) ? 1 : 0;

    columns_.ComputeWidths(fm, titles ? &tfm : nullptr);
}

void DBGrid::Relayout()
{
    UpdateMetrics();

    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int vWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, vScroll_);
    const int hHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, hScroll_);
    geometry_.widths.clear();
    for (const DBGridColumn& c : columns_.All()) {
        geometry_.widths.push_back(c.width);
    }
    geometry_.LayOut(rect(), vWidth, hHeight);
    hScrollVisible_ = geometry_.HorizontalScrollBarNeeded();
    visibleRows_ = geometry_.VisibleRowCount();
    maxLeftCol_ = geometry_.MaxLeftCol();
    const int clientWidth = geometry_.client.width();
    const int clientHeight = geometry_.client.height();

    vScroll_->setGeometry(geometry_.client.right() + 1, inner.top(), vWidth, clientHeight);
    hScroll_->setGeometry(inner.left(), geometry_.client.bottom() + 1, clientWidth, hHeight);
    hScroll_->setVisible(hScrollVisible_);

    table::MemTable* t = Table();
    if (CanNavigate()) {
        if (t->BufferCount() != visibleRows_) {
            t->SetBufferCount(visibleRows_);
        }
        ReadWindow();
    } else if (!t || !t->Active()) {
        ReadWindow();
    }
    UpdateVerticalScrollBar();
    UpdateHorizontalScrollBar();
    update();
}

void DBGrid::ReadWindow()
{
    rows_.Read(Table(), columns_.All());
    NotifyGridChanged(*this);
}

QString DBGrid::DisplayText(int slot, int column) const
{
    if (slot < 0 || slot >= rows_.filled || column < 0 || column >= ColumnCount()) {
        return {};
    }
    return rows_.Text(slot, Columns(column).id);
}

QString DBGrid::CurrentRowText() const
{
    if (rows_.activeSlot < 0 || rows_.activeSlot >= rows_.filled) {
        return {};
    }
    QStringList cells;
    for (int column = 0; column < ColumnCount(); ++column) {
        cells.append(DisplayText(rows_.activeSlot, column));
    }
    return cells.join(QLatin1Char('\t'));
}

QString DBGrid::CurrentFieldText(const std::string& fieldName) const
{
    if (rows_.activeSlot < 0 || rows_.activeSlot >= rows_.filled) {
        return {};
    }
    for (int column = 0; column < ColumnCount(); ++column) {
        // Field names are ASCII and looked up without regard to case.
        if (QString::fromStdString(Columns(column).fieldName)
                .compare(QString::fromStdString(fieldName), Qt::CaseInsensitive) == 0) {
            // Never null: an empty field copies as empty text.
            const QString text = DisplayText(rows_.activeSlot, column);
            return text.isNull() ? QString::fromLatin1("") : text;
        }
    }
    return {};
}

void DBGrid::UpdateVerticalScrollBar()
{
    ScrollInfo info;
    if (rows_.active) {
        info.min = 1;
        info.max = rows_.recordCount + visibleRows_ - 1;
        info.page = visibleRows_;
        info.pos = std::clamp(rows_.recNo, info.min, std::max(info.min, rows_.recordCount));
        // Scrollable only while the page is smaller than the range.
        info.enabled = info.max - info.min >= info.page;
    }
    vInfo_ = info;
    // Qt's range is that of the thumb position; the page is added on top.
    vScroll_->setEnabled(info.enabled);
    if (rows_.active) {
        vScroll_->setRange(1, std::max(1, rows_.recordCount));
        vScroll_->setPageStep(std::max(1, info.page));
    } else {
        vScroll_->setRange(0, 0);
    }
    vScroll_->setSingleStep(1);
    vScroll_->setValue(info.pos);
    vScroll_->setSliderPosition(info.pos);
}

void DBGrid::UpdateHorizontalScrollBar()
{
    hScroll_->setPageStep(geometry_.HorzThumbPage());
    const int pos = geometry_.HorzThumb();
    hScroll_->setValue(pos);
    hScroll_->setSliderPosition(pos);
}

void DBGrid::SetLeftCol(int column)
{
    column = std::clamp(column, 0, maxLeftCol_);
    if (column == geometry_.leftCol) {
        return;
    }
    // Everything moves sideways, titles included, so the whole client is
    // repainted; the old focus rectangle goes with it.
    geometry_.leftCol = column;
    UpdateHorizontalScrollBar();
    update();
}

int DBGrid::ResizeBorderAt(QPoint pos) const
{
    return (options_ & dgTitles) ? geometry_.ResizeBorderAt(pos, kSizingZone) : -1;
}

void DBGrid::InvalidateRow(int slot)
{
    if (slot < 0 || slot >= visibleRows_) {
        return;
    }
    update(geometry_.RowRect(slot) & geometry_.client);
}

QSize DBGrid::sizeHint() const
{
    return QSize(492, 200);
}

// --- notifications --------------------------------------------------------------------------

void DBGrid::ActiveChanged(bool /*active*/)
{
    columns_.Bind(Table());
    Relayout();
}

void DBGrid::DataSetChanged()
{
    // A data set handed over by the data source, or fields it changed in
    // place, show up here as different bindings.
    const bool rebound = columns_.Bind(Table());
    if (rebound) {
        Relayout();
        return;
    }
    table::MemTable* t = Table();
    if (t && t->Active() && t->BufferCount() != visibleRows_) {
        t->SetBufferCount(visibleRows_);
    }
    ReadWindow();
    UpdateVerticalScrollBar();
    update();
}

void DBGrid::DataSetScrolled(int distance)
{
    const int oldSlot = rows_.activeSlot;
    const int oldRows = rows_.rows;
    ReadWindow();
    UpdateVerticalScrollBar();
    if (distance == 0 && rows_.rows == oldRows) {
        InvalidateRow(oldSlot);
        InvalidateRow(rows_.activeSlot);
        return;
    }
    const int shown = std::min(rows_.rows, visibleRows_);
    if (std::abs(distance) >= shown || rows_.rows != oldRows) {
        update();
        return;
    }
    // Move the pixels of the rows that stay and paint only the uncovered
    // rows; the old and the new current row are repainted for their colours
    // and the focus rectangle.
    const QRect rows(geometry_.client.left(), DataTop(), geometry_.client.width(),
                     shown * RowPitch());
    scroll(0, -distance * RowPitch(), rows & geometry_.client);
    InvalidateRow(oldSlot - distance);
    InvalidateRow(rows_.activeSlot);
}

void DBGrid::LayoutChanged()
{
    columns_.Bind(Table());
    Relayout();
}

// --- scroll bars ----------------------------------------------------------------------------

void DBGrid::OnVerticalAction(int action)
{
    setFocus(Qt::OtherFocusReason);
    table::MemTable* t = Table();
    if (CanNavigate()) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            MoveBy(-(t->ActiveRecord() + 1));
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            MoveBy(t->WindowRecordCount() - t->ActiveRecord());
            break;
        case QAbstractSlider::SliderPageStepSub:
            MoveBy(-visibleRows_);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            MoveBy(visibleRows_);
            break;
        case QAbstractSlider::SliderToMinimum:
            t->First();
            break;
        case QAbstractSlider::SliderToMaximum:
            t->Last();
            break;
        case QAbstractSlider::SliderMove:
            // With tracking off this comes once, when the thumb is released.
            if (!vScroll_->isSliderDown()) {
                const int p = vScroll_->sliderPosition();
                if (p <= 1) {
                    t->First();
                } else if (p >= t->RecordCount()) {
                    t->Last();
                } else {
                    t->SetRecNo(p);
                }
            }
            break;
        default:
            break;
        }
    }
    // The bar shows the table's position, not where the action would put it.
    vScroll_->setSliderPosition(vInfo_.pos);
}

void DBGrid::OnHorizontalAction(int action)
{
    setFocus(Qt::OtherFocusReason);
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        SetLeftCol(geometry_.leftCol - 1);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        SetLeftCol(geometry_.leftCol + 1);
        break;
    case QAbstractSlider::SliderPageStepSub:
        SetLeftCol(geometry_.PageLeftCol(false));
        break;
    case QAbstractSlider::SliderPageStepAdd:
        SetLeftCol(geometry_.PageLeftCol(true));
        break;
    case QAbstractSlider::SliderToMinimum:
        SetLeftCol(0);
        break;
    case QAbstractSlider::SliderToMaximum:
        SetLeftCol(maxLeftCol_);
        break;
    case QAbstractSlider::SliderMove:
        if (!hScroll_->isSliderDown()) {
            SetLeftCol(geometry_.LeftColForThumb(hScroll_->sliderPosition()));
        }
        break;
    default:
        break;
    }
    hScroll_->setSliderPosition(geometry_.HorzThumb());
}

// --- input ----------------------------------------------------------------------------------

void DBGrid::MoveBy(int distance)
{
    if (distance != 0 && CanNavigate()) {
        Table()->MoveBy(distance);
    }
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods & (Qt::AltModifier | Qt::MetaModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (IsCopyKey(event)) {
        CopyToClipboard(CurrentRowText());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        KeyboardRecordMenu();
        event->accept();
        return;
    }
    const bool ctrl = (mods & Qt::ControlModifier) != 0;
    table::MemTable* t = Table();
    const bool can = CanNavigate();
    const int slot = can ? t->ActiveRecord() : 0;
    switch (event->key()) {
    case Qt::Key_Up:
        MoveBy(ctrl ? -slot : -1);
        break;
    case Qt::Key_Down:
        MoveBy(ctrl ? visibleRows_ - 1 - slot : 1);
        break;
    case Qt::Key_Left:
        if (!ctrl) {
            MoveBy(-1);
        }
        break;
    case Qt::Key_Right:
        // With whole-row selection there is no current column to move; Ctrl
        // brings the first column back into view.
        if (ctrl) {
            SetLeftCol(0);
        } else {
            MoveBy(1);
        }
        break;
    case Qt::Key_PageUp:
        MoveBy(ctrl ? -slot : -visibleRows_);
        break;
    case Qt::Key_PageDown:
        MoveBy(ctrl ? visibleRows_ - 1 - slot : visibleRows_);
        break;
    case Qt::Key_Home:
        if (can) {
            t->First();
        }
        break;
    case Qt::Key_End:
        if (can) {
            t->Last();
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_F2:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        break; // read-only: no editor, nothing to delete
    default:
        if (event->text().isEmpty() || ctrl) {
            QWidget::keyPressEvent(event);
            return;
        }
        break; // typed characters would open an editor, which a read-only grid has not
    }
    event->accept();
}

void DBGrid::mousePressEvent(QMouseEvent* event)
{
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (!geometry_.client.contains(pos)) {
        return;
    }

    if ((options_ & dgTitles) && pos.y() < DataTop()) {
        if (button != Qt::LeftButton || !(options_ & dgColumnResize)) {
            return;
        }
        const int border = ResizeBorderAt(pos);
        if (border >= 0) {
            drag_ = Drag::Sizing;
            dragColumn_ = border;
            dragOffset_ = pos.x() - (geometry_.ColumnLeft(border) + columns_.At(border).width);
        } else if (const int column = geometry_.ColumnAt(pos.x()); column >= 0) {
            drag_ = Drag::PendingMove;
            dragColumn_ = column;
            pressPos_ = pos;
        }
        return;
    }

    const int slot = geometry_.SlotAt(pos.y(), rows_.rows);
    const int column = geometry_.ColumnAt(pos.x());
    if (slot < 0 || column < 0 || !CanNavigate()) {
        return;
    }
    if (column != 0 && geometry_.leftCol > 0) {
        SetLeftCol(0);
    }
    MoveBy(slot - Table()->ActiveRecord());
}

void DBGrid::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (!OnRecordMenu || rows_.activeSlot < 0 || rows_.activeSlot >= rows_.filled) {
        return;
    }
    if (event->reason() != QContextMenuEvent::Mouse) {
        KeyboardRecordMenu();
        return;
    }
    // The press before it made the row under the pointer current.
    const QPoint pos = event->pos();
    const bool overTitles = (options_ & dgTitles) && pos.y() < DataTop();
    const int slot = geometry_.SlotAt(pos.y(), rows_.rows);
    if (overTitles || slot < 0 || slot >= rows_.filled || geometry_.ColumnAt(pos.x()) < 0) {
        return;
    }
    OnRecordMenu(*this, event->globalPos(), false);
}

void DBGrid::KeyboardRecordMenu()
{
    if (!OnRecordMenu || rows_.activeSlot < 0 || rows_.activeSlot >= rows_.filled) {
        return;
    }
    // Below the current row's visible start.
    const QRect row = geometry_.RowRect(rows_.activeSlot).intersected(geometry_.client);
    OnRecordMenu(*this, mapToGlobal(QPoint(row.left() + 2, row.bottom())), true);
}

void DBGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    switch (drag_) {
    case Drag::Sizing: {
        const int left = geometry_.ColumnLeft(dragColumn_);
        SetColumnWidth(dragColumn_, pos.x() - dragOffset_ - left);
        return;
    }
    case Drag::PendingMove:
        if ((pos - pressPos_).manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        drag_ = Drag::Moving;
        setCursor(Qt::DragMoveCursor);
        [[fallthrough]];
    case Drag::Moving: {
        int target = geometry_.ColumnAt(
            std::clamp(pos.x(), geometry_.client.left(),
                       std::max(geometry_.client.left(), geometry_.ColumnsRight() - 1)));
        if (target < 0) {
            target = ColumnCount() - 1;
        }
        if (target != dropColumn_) {
            dropColumn_ = target;
            update(QRect(geometry_.client.left(), geometry_.client.top(), geometry_.client.width(),
                         geometry_.titleHeight));
        }
        return;
    }
    case Drag::None:
        break;
    }
    if ((options_ & dgColumnResize) && ResizeBorderAt(pos) >= 0) {
        setCursor(Qt::SplitHCursor);
    } else {
        unsetCursor();
    }
}

void DBGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const Drag drag = drag_;
    const int from = dragColumn_;
    const int to = dropColumn_;
    drag_ = Drag::None;
    dragColumn_ = -1;
    dropColumn_ = -1;
    if (drag == Drag::Moving) {
        unsetCursor();
        update();
        if (to >= 0) {
            MoveColumn(from, to);
        }
    }
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (OnDblClick) {
            OnDblClick(*this);
        }
        return;
    }
    mousePressEvent(event);
}

void DBGrid::wheelEvent(QWheelEvent* event)
{
    ScrollWheel(event->angleDelta().y());
    event->accept();
}

void DBGrid::ScrollWheel(int angleDelta)
{
    wheelRemainder_ += angleDelta;
    // Rotation away from the user is positive and goes back in the table.
    while (wheelRemainder_ >= kWheelStep) {
        wheelRemainder_ -= kWheelStep;
        setFocus(Qt::MouseFocusReason);
        MoveBy(-1);
    }
    while (wheelRemainder_ <= -kWheelStep) {
        wheelRemainder_ += kWheelStep;
        setFocus(Qt::MouseFocusReason);
        MoveBy(1);
    }
}

void DBGrid::focusInEvent(QFocusEvent* /*event*/)
{
    // Only the current row changes (its focus rectangle).
    InvalidateRow(rows_.activeSlot);
}

void DBGrid::focusOutEvent(QFocusEvent* /*event*/)
{
    InvalidateRow(rows_.activeSlot);
}

bool DBGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == vScroll_ || watched == hScroll_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            setFocus(Qt::MouseFocusReason);
            break;
        case QEvent::Wheel:
            // The wheel moves records wherever it is turned over the grid.
            ScrollWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DBGrid::resizeEvent(QResizeEvent* /*event*/)
{
    Relayout();
}

void DBGrid::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        Relayout();
        break;
    case QEvent::PaletteChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

// --- painting -------------------------------------------------------------------------------

void DBGrid::paintEvent(QPaintEvent* event)
{
    const GridLook look{color_,
                        fixedColor_,
                        fontColor_,
                        titleFontColor_,
                        font(),
                        titleFont_,
                        ascent_,
                        titleAscent_,
                        (options_ & dgTitles) != 0,
                        (options_ & dgAlwaysShowSelection) != 0};
    const QRect corner = hScrollVisible_
                             ? QRect(geometry_.client.right() + 1, geometry_.client.bottom() + 1,
                                     vScroll_->width(), hScroll_->height())
                             : QRect();
    const bool moving = drag_ == Drag::Moving;
    const GridScene scene{geometry_,
                          columns_.All(),
                          columns_.Titles(),
                          rows_,
                          look,
                          palette(),
                          rect(),
                          corner,
                          hasFocus(),
                          moving ? dragColumn_ : -1,
                          moving ? dropColumn_ : -1};
    QPainter painter(this);
    PaintGrid(painter, scene, event->rect());
}

} // namespace marlune::widgets
