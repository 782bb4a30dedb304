#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include "widgets/gridcolumns.h"
#include "widgets/gridgeometry.h"
#include "widgets/gridrows.h"
#include "platform/paint/colors.h"
#include "table/datasource.h"

class QScrollBar;

namespace marlune::table {
class Field;
class MemTable;
} // namespace marlune::table

namespace marlune::widgets {

// Options of the grid; only the ones named in a comment change what it does.
enum GridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2, // a title row above the data rows
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4, // columns can be resized and moved with the mouse
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6, // a 1-pixel line after every row
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9, // the current row stays highlighted without the focus
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12,
};
using GridOptions = unsigned;

// The read-only data grid: a title row over one row per record of the
// table's record window, the current record highlighted. It follows the table
// only through the notifications of its data source and reads the record
// window; it is drawn by hand so that its geometry and colours are exact.
//
// The data source must outlive the grid, or be unhooked with
// SetDataSource(nullptr) before it goes.
class DBGrid : public QWidget, public table::DataSourceObserver {
    Q_OBJECT
public:
    using TColor = platform::paint::TColor;

    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;
    DBGrid(const DBGrid&) = delete;
    DBGrid& operator=(const DBGrid&) = delete;

    void SetDataSource(table::DataSource* dataSource);
    table::DataSource* DataSource() const { return dataSource_; }

    // --- settings
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    GridOptions Options() const { return options_; }
    void SetOptions(GridOptions options);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    // The grid font is the widget's font (inherited from the parent).
    const QFont& TitleFont() const { return titleFont_; }
    void SetTitleFont(const QFont& font);
    TColor TitleFontColor() const { return titleFontColor_; }
    void SetTitleFontColor(TColor color);

    // --- columns, in display order
    // Replaces the columns; each is bound to the table's field of its name.
    // A column whose width is not stored gets one computed from its field.
    void SetColumns(std::vector<DBGridColumn> columns);
    int ColumnCount() const { return columns_.Count(); }
    const DBGridColumn& Columns(int index) const { return columns_.At(index); }
    void SetColumnWidth(int index, int width); // the width then stays as given
    void MoveColumn(int from, int to);
    QString ColumnTitle(int index) const { return columns_.Title(index); }

    // --- geometry (widget coordinates)
    int DefaultRowHeight() const { return geometry_.rowHeight; } // without the row line
    int TitleRowHeight() const { return geometry_.titleHeight; } // without the title line
    int RowPitch() const { return geometry_.RowPitch(); }
    int VisibleRowCount() const { return visibleRows_; }  // N, the record window wanted
    QRect ClientRect() const { return geometry_.client; } // inside the border, without scroll bars
    const GridGeometry& Geometry() const { return geometry_; }
    int DataTop() const { return geometry_.DataTop(); }
    // A data row, full client width, no line.
    QRect RowRect(int slot) const { return geometry_.RowRect(slot); }
    // A cell; slot -1: the title cell.
    QRect CellRect(int column, int slot) const { return geometry_.CellRect(column, slot); }
    // The x of a column's left edge (it may be hidden).
    int ColumnLeft(int column) const { return geometry_.ColumnLeft(column); }
    int LeftCol() const { return geometry_.leftCol; } // first visible column
    void SetLeftCol(int column);
    int MaxLeftCol() const { return maxLeftCol_; }
    // Rows drawn: the filled slots; one blank row when the table is closed or empty.
    int PaintedRowCount() const { return rows_.rows; }
    // The slot drawn as the current row; -1 while the table is closed.
    int CurrentSlot() const { return rows_.activeSlot; }
    // Rows that hold records (none while the table is closed or empty), and
    // the text a cell shows (column by display index).
    int RecordRowCount() const { return rows_.filled; }
    QString DisplayText(int slot, int column) const;
    // The current record as the grid shows it: its cells in display order,
    // separated by tabs; one field's text of it. Null while there is no
    // current record (the table closed or empty) or no column of that field.
    QString CurrentRowText() const;
    QString CurrentFieldText(const std::string& fieldName) const;

    // --- scroll bars. The vertical one in the platform's terms: range min to
    // max including the page, thumb at pos.
    struct ScrollInfo {
        int min = 0;
        int max = 0;
        int page = 0;
        int pos = 0;
        bool enabled = false;
    };
    ScrollInfo VerticalScrollInfo() const { return vInfo_; }
    QScrollBar* VerticalScrollBar() const { return vScroll_; }
    QScrollBar* HorizontalScrollBar() const { return hScroll_; }
    static constexpr int kHorzThumbRange = GridGeometry::kHorzThumbRange;

    // Raised by the second press of a left double click.
    std::function<void(DBGrid&)> OnDblClick;
    // Raised for a context menu over a record: a right click on a data row
    // (which makes that row current first) or the keyboard's menu key, with
    // where the menu goes in global coordinates and whether the keyboard asked.
    std::function<void(DBGrid&, QPoint, bool)> OnRecordMenu;

    // --- DataSourceObserver
    void ActiveChanged(bool active) override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void LayoutChanged() override;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    table::MemTable* Table() const;
    bool CanNavigate() const; // open, and not walked by someone else right now
    void UpdateMetrics();
    void Relayout();
    void ReadWindow();
    void UpdateVerticalScrollBar();
    void UpdateHorizontalScrollBar();
    void InvalidateRow(int slot);
    int ResizeBorderAt(QPoint pos) const;

    void OnVerticalAction(int action);
    void OnHorizontalAction(int action);
    void MoveBy(int distance);
    void ScrollWheel(int angleDelta);
    void KeyboardRecordMenu(); // the record menu at the current row

    table::DataSource* dataSource_ = nullptr;
    bool readOnly_ = true;
    GridOptions options_ = dgTitles | dgColumnResize | dgRowLines | dgRowSelect |
                           dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit;
    TColor color_ = platform::paint::clWindow;
    TColor fixedColor_ = platform::paint::clBtnFace;
    TColor fontColor_ = platform::paint::clWindowText;
    TColor titleFontColor_ = platform::paint::clWindowText;
    QFont titleFont_;

    GridColumns columns_;

    // Layout.
    int textHeight_ = 0;
    int titleTextHeight_ = 0;
    int ascent_ = 0;
    int titleAscent_ = 0;
    int visibleRows_ = 1;
    GridGeometry geometry_;
    int maxLeftCol_ = 0;
    bool hScrollVisible_ = false;
    QScrollBar* vScroll_ = nullptr;
    QScrollBar* hScroll_ = nullptr;
    ScrollInfo vInfo_;

    // What the grid shows, read from the record window at each notification,
    // so that a repaint while the table's controls are disabled keeps the
    // picture as it was.
    GridRows rows_;

    // Mouse.
    enum class Drag { None, Sizing, PendingMove, Moving };
    Drag drag_ = Drag::None;
    int dragColumn_ = -1; // display index
    int dragOffset_ = 0;  // sizing: press x minus the column's right edge
    QPoint pressPos_;
    int dropColumn_ = -1;
    int wheelRemainder_ = 0;
};

} // namespace marlune::widgets
