#pragma once

#include <QSize>

#include <memory>
#include <vector>

class QFrame;
class QMenu;
class QRadioButton;
class QToolButton;
class QWidget;

namespace marlune::table {
class DataSource;
}

namespace marlune::widgets {
class DBGrid;
struct DBGridColumn;
class ImageList;
class LabeledEdit;
class StatusBar;
class ToolBar;
class ToolSeparator;
} // namespace marlune::widgets

namespace marlune::app {

// The main window's controls, made by CreateMainWindowControls as children
// of the window, which owns them; the pictures of the toolbar are owned here.
// The object names are the ones assistive technology and the end-to-end
// tests see.
struct MainWindowControls {
    MainWindowControls();
    MainWindowControls(MainWindowControls&&) noexcept;
    MainWindowControls& operator=(MainWindowControls&&) noexcept;
    ~MainWindowControls();

    std::unique_ptr<widgets::ImageList> toolImages;
    QFrame* panel = nullptr; // "Panel1"
    widgets::ToolBar* toolBar = nullptr;
    QToolButton* exitButton = nullptr;          // "ToolButton1"
    QToolButton* printButton = nullptr;         // "ToolButton3"
    QToolButton* updateButton = nullptr;        // "ToolButton6"
    QToolButton* aboutButton = nullptr;         // "ToolButton4"
    widgets::LabeledEdit* searchEdit = nullptr; // "Edit1"
    QRadioButton* bySuburbButton = nullptr;     // "RadioButton1"
    QRadioButton* byPostcodeButton = nullptr;   // "RadioButton2"
    widgets::DBGrid* grid = nullptr;            // "DBGrid1"
    widgets::StatusBar* statusBar = nullptr;    // "StatusBar1"
    // The grid's record menu: "Copy postcode", "Copy suburb", "Copy row".
    QMenu* recordMenu = nullptr;
};

// The grid's columns: the postcode fields, with their titles and widths.
std::vector<widgets::DBGridColumn> PostcodeGridColumns();

// Makes the panel with its toolbar (and the toolbar's keys), the search box
// and the radio buttons, the grid over `source` with its record menu (and the
// Copy key, which copies the grid's row from the search box too) and the
// status bar, in the window's tab order with the grid focused. Wires nothing
// to the window's commands.
MainWindowControls CreateMainWindowControls(QWidget& window, table::DataSource& source);

// Places the controls in a client area of that size: the panel at the top,
// the status bar at the bottom, the grid between them.
void ArrangeMainWindowControls(const MainWindowControls& controls, QSize client);

} // namespace marlune::app
