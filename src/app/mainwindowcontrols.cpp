#include "app/mainwindowcontrols.h"

#include "table/postcodeschema.h"
#include "widgets/clipboardtext.h"
#include "widgets/dbgrid.h"
#include "widgets/labelededit.h"
#include "widgets/statusbar.h"
#include "widgets/toolbar.h"

#include <QButtonGroup>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QShortcut>
#include <QToolButton>

#include <limits>
#include <string_view>
#include <utility>

namespace marlune::app {
namespace {

constexpr int kPanelHeight = 89;
constexpr int kToolButtonWidth = 47;
constexpr int kToolButtonHeight = 36;
constexpr int kSeparatorWidth = 8;

void CreateToolBar(MainWindowControls& c)
{
    c.toolImages = std::make_unique<widgets::ImageList>(16, 16);
    // At 200 % and 300 % the icons take drawings of their own, not the 16-pixel
    // pictures scaled up.
    for (const char* picture : {"tb_exit", "tb_print", "tb_update", "tb_about"}) {
        const QString name = QStringLiteral(":/marlune/%1").arg(QLatin1String(picture));
        c.toolImages->Add(
            QPixmap(name + QStringLiteral(".png")),
            {QPixmap(name + QStringLiteral("_32.png")), QPixmap(name + QStringLiteral("_48.png"))});
    }

    c.toolBar = new widgets::ToolBar(c.panel, kToolButtonWidth, kToolButtonHeight);
    c.toolBar->setObjectName(QStringLiteral("ToolBar1"));
    c.toolBar->SetImages(c.toolImages.get());
    c.toolBar->AddSeparator(kSeparatorWidth)->setObjectName(QStringLiteral("ToolButton2"));
    c.exitButton = c.toolBar->AddButton(QStringLiteral("Exit"), 0, QStringLiteral("Exit Marlune"));
    c.exitButton->setObjectName(QStringLiteral("ToolButton1"));
    c.printButton =
        c.toolBar->AddButton(QStringLiteral("Print"), 1, QStringLiteral("Print complete list"));
    c.printButton->setObjectName(QStringLiteral("ToolButton3"));
    c.updateButton =
        c.toolBar->AddButton(QStringLiteral("Update"), 2, QStringLiteral("Check for updates"));
    c.updateButton->setObjectName(QStringLiteral("ToolButton6"));
    c.toolBar->AddSeparator(kSeparatorWidth)->setObjectName(QStringLiteral("ToolButton5"));
    c.aboutButton =
        c.toolBar->AddButton(QStringLiteral("About"), 3, QStringLiteral("About Marlune"));
    c.aboutButton->setObjectName(QStringLiteral("ToolButton4"));
    // Standard keys for the toolbar's commands. A key presses its button, so
    // it does nothing while the button is disabled. The hints stay as they
    // are; assistive technology hears the key after the hint.
    const std::pair<QToolButton*, QKeySequence> keys[] = {
        {c.exitButton, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {c.printButton, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {c.updateButton, QKeySequence(Qt::Key_F5)},
        {c.aboutButton, QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [button, key] : keys) {
        button->setShortcut(key);
        button->setAccessibleDescription(QStringLiteral("%1 (%2)").arg(
            button->toolTip(), key.toString(QKeySequence::NativeText)));
    }
}

void CreateSearchControls(QWidget& window, MainWindowControls& c)
{
    c.searchEdit = new widgets::LabeledEdit(c.panel);
    c.searchEdit->setObjectName(QStringLiteral("Edit1"));
    c.searchEdit->EditLabel()->setObjectName(QStringLiteral("Edit1Label"));
    c.searchEdit->SetLabelCaption(QStringLiteral("Search"));
    c.searchEdit->setToolTip(QStringLiteral("Type your search here"));
    c.searchEdit->setAccessibleName(QStringLiteral("Search"));
    c.searchEdit->setAccessibleDescription(c.searchEdit->toolTip());
    c.searchEdit->setGeometry(8, 61, 121, 21);
    c.searchEdit->setMaxLength(std::numeric_limits<int>::max()); // no limit of its own
    // Escape in the search box empties it, which searches again.
    new QShortcut(QKeySequence(Qt::Key_Escape), c.searchEdit, c.searchEdit, &QLineEdit::clear,
                  Qt::WidgetShortcut);

    c.bySuburbButton = new QRadioButton(QStringLiteral("By Suburb"), c.panel);
    c.bySuburbButton->setObjectName(QStringLiteral("RadioButton1"));
    c.bySuburbButton->setGeometry(144, 51, 113, 17);
    c.bySuburbButton->setToolTip(QStringLiteral("Select search field"));
    c.bySuburbButton->setChecked(true);
    c.byPostcodeButton = new QRadioButton(QStringLiteral("By Post Code"), c.panel);
    c.byPostcodeButton->setObjectName(QStringLiteral("RadioButton2"));
    c.byPostcodeButton->setGeometry(144, 67, 113, 17);
    c.byPostcodeButton->setToolTip(QStringLiteral("Select search field"));
    c.bySuburbButton->setAccessibleDescription(c.bySuburbButton->toolTip());
    c.byPostcodeButton->setAccessibleDescription(c.byPostcodeButton->toolTip());
    auto* group = new QButtonGroup(&window);
    group->addButton(c.bySuburbButton);
    group->addButton(c.byPostcodeButton);
}

// The Copy key in the search box copies the grid's row, as it does in the
// grid, unless the box has a selection of its own to copy.
class SearchBoxCopyKey : public QObject {
public:
    SearchBoxCopyKey(QLineEdit* search, widgets::DBGrid* grid)
        : QObject(search), search_(search), grid_(grid)
    {
        search->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            widgets::IsCopyKey(static_cast<const QKeyEvent*>(event)) &&
            !search_->hasSelectedText()) {
            widgets::CopyToClipboard(grid_->CurrentRowText());
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLineEdit* search_;
    widgets::DBGrid* grid_;
};

// Copying what was found: a right click on a record (or the menu key) offers
// its postcode, its suburb or the whole row.
void CreateRecordMenu(QWidget& window, MainWindowControls& c)
{
    c.recordMenu = new QMenu(&window);
    c.recordMenu->setObjectName(QStringLiteral("RecordMenu"));
    widgets::DBGrid* grid = c.grid;
    const auto copyField = [grid](std::string_view field) {
        return
            [grid, field] { widgets::CopyToClipboard(grid->CurrentFieldText(std::string(field))); };
    };
    c.recordMenu->addAction(QStringLiteral("Copy postcode"), grid,
                            copyField(table::kPostcodeFields[0].name));
    c.recordMenu->addAction(QStringLiteral("Copy suburb"), grid,
                            copyField(table::kPostcodeFields[1].name));
    c.recordMenu->addAction(QStringLiteral("Copy row"), grid,
                            [grid] { widgets::CopyToClipboard(grid->CurrentRowText()); });
    QMenu* menu = c.recordMenu;
    grid->OnRecordMenu = [menu](widgets::DBGrid&, QPoint at, bool fromKeyboard) {
        menu->popup(at);
        if (fromKeyboard) {
            // Enter then copies the postcode, the likeliest want.
            menu->setActiveAction(menu->actions().constFirst());
        }
    };
}

} // namespace

MainWindowControls::MainWindowControls() = default;
MainWindowControls::MainWindowControls(MainWindowControls&&) noexcept = default;
MainWindowControls& MainWindowControls::operator=(MainWindowControls&&) noexcept = default;
MainWindowControls::~MainWindowControls() = default;

std::vector<widgets::DBGridColumn> PostcodeGridColumns()
{
    std::vector<widgets::DBGridColumn> columns;
    for (const table::PostcodeField& f : table::kPostcodeFields) {
        widgets::DBGridColumn c;
        c.fieldName = std::string(f.name);
        c.caption =
            QString::fromLatin1(f.columnTitle.data(), static_cast<qsizetype>(f.columnTitle.size()));
        c.width = f.columnWidth;
        c.widthStored = f.columnWidth > 0;
        columns.push_back(std::move(c));
    }
    return columns;
}

MainWindowControls CreateMainWindowControls(QWidget& window, table::DataSource& source)
{
    MainWindowControls c;
    c.panel = new QFrame(&window);
    c.panel->setObjectName(QStringLiteral("Panel1"));
    c.panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    c.panel->setLineWidth(1);
    CreateToolBar(c);
    CreateSearchControls(window, c);

    c.grid = new widgets::DBGrid(&window);
    c.grid->setObjectName(QStringLiteral("DBGrid1"));
    c.grid->setAccessibleName(QStringLiteral("Postcodes"));
    c.grid->SetColumns(PostcodeGridColumns());
    c.grid->SetDataSource(&source);
    CreateRecordMenu(window, c);
    new SearchBoxCopyKey(c.searchEdit, c.grid);

    c.statusBar = new widgets::StatusBar(&window);
    c.statusBar->setObjectName(QStringLiteral("StatusBar1"));
    c.statusBar->AddPanel(200, Qt::AlignLeft);
    c.statusBar->AddPanel(200, Qt::AlignHCenter, "Calderix Software");

    // Tab order: the grid first, so it has the focus when the window opens.
    QWidget::setTabOrder(c.grid, c.searchEdit);
    QWidget::setTabOrder(c.searchEdit, c.bySuburbButton);
    QWidget::setTabOrder(c.bySuburbButton, c.byPostcodeButton);
    c.grid->setFocus();
    return c;
}

void ArrangeMainWindowControls(const MainWindowControls& c, QSize client)
{
    const int w = client.width();
    const int h = client.height();
    const int statusHeight = c.statusBar->height();
    c.panel->setGeometry(0, 0, w, kPanelHeight);
    // Aligned to the top of the panel, inside its bevel.
    const int bevel = c.panel->frameWidth();
    c.toolBar->setGeometry(bevel, bevel, w - 2 * bevel, c.toolBar->FittingHeight());
    c.statusBar->setGeometry(0, h - statusHeight, w, statusHeight);
    c.grid->setGeometry(0, kPanelHeight, w, h - kPanelHeight - statusHeight);
}

} // namespace marlune::app
