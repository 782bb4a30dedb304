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

#include "platform/cp1252.h"
#include "platform/gui/application.h"
#include "platform/paint/fonts.h"
#include "table/memtable.h"

namespace marlune::widgets {

namespace {

constexpr int kDefaultColumnWidth = 64;
constexpr int kWheelStep = 120;
constexpr int kSizingZone = 2; // pixels either side of a title border that grab it

// Scroll bar position of the first visible column: 0..127 spread over the
// range of first columns, rounded.
int HorzThumbFor(int leftCol, int maxLeftCol)
{
    if (maxLeftCol <= 0) {
        return 0;
    }
    return (leftCol * DBGrid::kHorzThumbRange + maxLeftCol / 2) / maxLeftCol;
}

int LeftColForThumb(int thumb, int maxLeftCol)
{
    thumb = std::clamp(thumb, 0, DBGrid::kHorzThumbRange);
    return (thumb * maxLeftCol + DBGrid::kHorzThumbRange / 2) / DBGrid::kHorzThumbRange;
}

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
    BindColumns();
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
    columns_ = std::move(columns);
    int id = 0;
    for (DBGridColumn& c : columns_) {
        c.id = id++;
        c.field = nullptr;
        if (!c.widthStored) {
            c.width = kDefaultColumnWidth;
        }
    }
    titles_.assign(columns_.size(), QString());
    BindColumns();
    Relayout();
}

const DBGridColumn& DBGrid::Columns(int index) const
{
    return columns_.at(static_cast<std::size_t>(index));
}

QString DBGrid::ColumnTitle(int index) const
{
    return titles_.at(static_cast<std::size_t>(Columns(index).id));
}

void DBGrid::BindColumns()
{
    table::MemTable* t = Table();
    for (DBGridColumn& c : columns_) {
        c.field = t ? t->FindField(c.fieldName) : nullptr;
        QString& title = titles_[static_cast<std::size_t>(c.id)];
        if (!c.caption.isEmpty()) {
            title = c.caption;
        } else if (c.field) {
            title = platform::ToQString(c.field->DisplayName());
        } else {
            title = platform::ToQString(c.fieldName);
        }
    }
}

int DBGrid::ComputedFirstColumnWidth(const DBGridColumn& column) const
{
    if (!column.field) {
        return kDefaultColumnWidth;
    }
    // Neither stand-in face has an overhang (it comes from synthesised
    // italics and bold on the original platform).
    const int overhang = 0;
    const QFontMetrics fm = fontMetrics();
    int width = column.field->DisplayWidth() * (fm.horizontalAdvance(QLatin1Char('0')) - overhang) +
                overhang + 4;
    if (options_ & dgTitles) {
        const QFontMetrics tfm(titleFont_, this);
        width = std::max(width,
                         tfm.horizontalAdvance(titles_[static_cast<std::size_t>(column.id)]) + 4);
    }
    return width;
}

void DBGrid::SetColumnWidth(int index, int width)
{
    DBGridColumn& c = columns_.at(static_cast<std::size_t>(index));
    width = std::max(width, 1);
    if (c.widthStored && c.width == width) {
        return;
    }
    c.width = width;
    c.widthStored = true;
    Relayout();
}

void DBGrid::MoveColumn(int from, int to)
{
    const int count = ColumnCount();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) {
        return;
    }
    auto first = columns_.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
    Relayout();
}

int DBGrid::TotalColumnWidth() const
{
    return geometry_.TotalColumnWidth();
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

    for (DBGridColumn& c : columns_) {
        if (!c.widthStored) {
            c.width = ComputedFirstColumnWidth(c);
        }
    }
}

void DBGrid::Relayout()
{
    UpdateMetrics();

    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int vWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, vScroll_);
    const int hHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, hScroll_);
    geometry_.widths.clear();
    for (const DBGridColumn& c : columns_) {
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
    rows_.Read(Table(), columns_);
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
    const int total = TotalColumnWidth();
    const int width = geometry_.client.width();
    // A thumb as long as the share of the columns that can be seen.
    const int page = total > width && width > 0
                         ? std::clamp(kHorzThumbRange * width / (total - width), 1, 1016)
                         : kHorzThumbRange;
    hScroll_->setPageStep(page);
    const int pos = HorzThumbFor(geometry_.leftCol, maxLeftCol_);
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

int DBGrid::ColumnLeft(int column) const
{
    return geometry_.ColumnLeft(column);
}

int DBGrid::ColumnsRight() const
{
    return geometry_.ColumnsRight();
}

QRect DBGrid::RowRect(int slot) const
{
    return geometry_.RowRect(slot);
}

QRect DBGrid::CellRect(int column, int slot) const
{
    return geometry_.CellRect(column, slot);
}

int DBGrid::SlotAt(int y) const
{
    return geometry_.SlotAt(y, rows_.rows);
}

int DBGrid::ColumnAt(int x) const
{
    return geometry_.ColumnAt(x);
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
    update(RowRect(slot) & geometry_.client);
}

QSize DBGrid::sizeHint() const
{
    return QSize(492, 200);
}

// --- notifications --------------------------------------------------------------------------

void DBGrid::ActiveChanged(bool /*active*/)
{
    BindColumns();
    Relayout();
}

void DBGrid::DataSetChanged()
{
    // A data set handed over by the data source, or fields it changed in
    // place, show up here as different bindings.
    std::vector<const table::Field*> before;
    before.reserve(columns_.size());
    for (const DBGridColumn& c : columns_) {
        before.push_back(c.field);
    }
    BindColumns();
    bool rebound = false;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        rebound = rebound || before[i] != columns_[i].field;
    }
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
    BindColumns();
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
        HorizontalPage(false);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        HorizontalPage(true);
        break;
    case QAbstractSlider::SliderToMinimum:
        SetLeftCol(0);
        break;
    case QAbstractSlider::SliderToMaximum:
        SetLeftCol(maxLeftCol_);
        break;
    case QAbstractSlider::SliderMove:
        if (!hScroll_->isSliderDown()) {
            SetLeftCol(LeftColForThumb(hScroll_->sliderPosition(), maxLeftCol_));
        }
        break;
    default:
        break;
    }
    hScroll_->setSliderPosition(HorzThumbFor(geometry_.leftCol, maxLeftCol_));
}

void DBGrid::HorizontalPage(bool forward)
{
    const int width = geometry_.client.width();
    int used = 0;
    int count = 0;
    if (forward) {
        for (int c = geometry_.leftCol; c < ColumnCount(); ++c) {
            used += columns_[static_cast<std::size_t>(c)].width;
            if (used > width) {
                break;
            }
            ++count;
        }
        SetLeftCol(geometry_.leftCol + std::max(1, count));
    } else {
        for (int c = geometry_.leftCol - 1; c >= 0; --c) {
            used += columns_[static_cast<std::size_t>(c)].width;
            if (used > width) {
                break;
            }
            ++count;
        }
        SetLeftCol(geometry_.leftCol - std::max(1, count));
    }
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
            dragOffset_ =
                pos.x() - (ColumnLeft(border) + columns_[static_cast<std::size_t>(border)].width);
        } else if (const int column = ColumnAt(pos.x()); column >= 0) {
            drag_ = Drag::PendingMove;
            dragColumn_ = column;
            pressPos_ = pos;
        }
        return;
    }

    const int slot = SlotAt(pos.y());
    const int column = ColumnAt(pos.x());
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
    const int slot = SlotAt(pos.y());
    if (overTitles || slot < 0 || slot >= rows_.filled || ColumnAt(pos.x()) < 0) {
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
    const QRect row = RowRect(rows_.activeSlot).intersected(geometry_.client);
    OnRecordMenu(*this, mapToGlobal(QPoint(row.left() + 2, row.bottom())), true);
}

void DBGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    switch (drag_) {
    case Drag::Sizing: {
        const int left = ColumnLeft(dragColumn_);
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
        int target = ColumnAt(std::clamp(pos.x(), geometry_.client.left(),
                                         std::max(geometry_.client.left(), ColumnsRight() - 1)));
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
                          columns_,
                          titles_,
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
