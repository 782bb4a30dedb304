#include "app/form1.h"

#include "app/dbgrid.h"
#include "app/labelededit.h"
#include "app/statusbar.h"
#include "app/toolbar.h"
#include "platform/cp1252.h"
#include "platform/gui/application.h"
#include "platform/paint/colors.h"
#include "platform/paint/fonts.h"
#include "settings/datafilesetting.h"
#include "table/postcodeschema.h"
#include "platform/gui/messagebox.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <limits>

// Resources of a static library are registered by hand, outside any namespace.
static void InitMarluneResources()
{
    Q_INIT_RESOURCE(marlune);
}

namespace marlune::app {
namespace {

constexpr int kPanelHeight = 89;
constexpr int kToolButtonWidth = 47;
constexpr int kToolButtonHeight = 36;
constexpr int kSeparatorWidth = 8;

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    InitMarluneResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Marlune"));
    setWindowIcon(QIcon(QStringLiteral(":/marlune/marlune_256.png")));
    setFont(paint::VerdanaFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, paint::ColorToQColor(paint::clBtnFace));
    pal.setColor(QPalette::WindowText, paint::ColorToQColor(paint::clWindowText));
    setPalette(pal);
    setAutoFillBackground(true);

    // The outer size is 500 x 330. Until the window manager has framed the
    // window its frame is unknown, so the client area starts at that size
    // and is made smaller by the frame once the frame is known.
    setMinimumSize(kWidth, kHeight);
    resize(kWidth, kHeight);
    if (const QScreen* screen = this->screen()) {
        const QRect desktop = screen->geometry();
        move(desktop.x() + (desktop.width() - kWidth) / 2,
             desktop.y() + (desktop.height() - kHeight) / 2);
    }

    settings::ConfigureDataFileSetting(StoreData1);
    Hint1 = std::make_unique<hints::HintComponent>();
    Hint1->SetHintFont(paint::SansSerifFont(11), paint::clWindowText);
    Table1.Open();
    CreateControls();
    ArrangeControls();
}

TForm1::~TForm1()
{
    // The grid observes DataSource1: the controls go before the components.
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        delete child;
    }
}

std::vector<DBGridColumn> TForm1::GridColumns()
{
    std::vector<DBGridColumn> columns;
    for (const table::PostcodeField& f : table::kPostcodeFields) {
        DBGridColumn c;
        c.fieldName = std::string(f.name);
        c.caption =
            QString::fromLatin1(f.columnTitle.data(), static_cast<qsizetype>(f.columnTitle.size()));
        c.width = f.columnWidth;
        c.widthStored = f.columnWidth > 0;
        columns.push_back(std::move(c));
    }
    return columns;
}

void TForm1::CreateControls()
{
    imageList1_ = std::make_unique<TImageList>(16, 16);
    for (const char* picture : {"tb_exit", "tb_print", "tb_update", "tb_about"}) {
        imageList1_->Add(QPixmap(QStringLiteral(":/marlune/%1.png").arg(QLatin1String(picture))));
    }

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);

    ToolBar1 = new TToolBar(Panel1, kToolButtonWidth, kToolButtonHeight);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->SetImages(imageList1_.get());
    ToolButton2 = ToolBar1->AddSeparator(kSeparatorWidth);
    ToolButton2->setObjectName(QStringLiteral("ToolButton2"));
    ToolButton1 = ToolBar1->AddButton(QStringLiteral("Exit"), 0, QStringLiteral("Exit Marlune"));
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton3 =
        ToolBar1->AddButton(QStringLiteral("Print"), 1, QStringLiteral("Print complete list"));
    ToolButton3->setObjectName(QStringLiteral("ToolButton3"));
    ToolButton6 =
        ToolBar1->AddButton(QStringLiteral("Update"), 2, QStringLiteral("Check for updates"));
    ToolButton6->setObjectName(QStringLiteral("ToolButton6"));
    ToolButton5 = ToolBar1->AddSeparator(kSeparatorWidth);
    ToolButton5->setObjectName(QStringLiteral("ToolButton5"));
    ToolButton4 = ToolBar1->AddButton(QStringLiteral("About"), 3, QStringLiteral("About Marlune"));
    ToolButton4->setObjectName(QStringLiteral("ToolButton4"));
    // Print, Update and About have no commands yet.
    ToolButton3->setEnabled(false);
    ToolButton6->setEnabled(false);
    ToolButton4->setEnabled(false);
    connect(ToolButton1, &QToolButton::clicked, this,
            [this] { platform::RunHandler([this] { ToolButton1Click(); }); });

    Edit1 = new TLabeledEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->EditLabel()->setObjectName(QStringLiteral("Edit1Label"));
    Edit1->SetLabelCaption(QStringLiteral("Search"));
    Edit1->setToolTip(QStringLiteral("Type your search here"));
    Edit1->setGeometry(8, 61, 121, 21);
    Edit1->setMaxLength(std::numeric_limits<int>::max()); // no limit of its own
    connect(Edit1, &QLineEdit::textChanged, this,
            [this] { platform::RunHandler([this] { Edit1Change(); }); });

    RadioButton1 = new QRadioButton(QStringLiteral("By Suburb"), Panel1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(144, 51, 113, 17);
    RadioButton1->setToolTip(QStringLiteral("Select search field"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("By Post Code"), Panel1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(144, 67, 113, 17);
    RadioButton2->setToolTip(QStringLiteral("Select search field"));
    auto* group = new QButtonGroup(this);
    group->addButton(RadioButton1);
    group->addButton(RadioButton2);
    // One handler for both, raised only when a button becomes checked.
    for (QRadioButton* button : {RadioButton1, RadioButton2}) {
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) {
                platform::RunHandler([this] { RadioButton1Click(); });
            }
        });
    }

    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetColumns(GridColumns());
    DBGrid1->SetDataSource(&DataSource1);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->AddPanel(200, Qt::AlignLeft);
    StatusBar1->AddPanel(200, Qt::AlignHCenter, "Calderix Software");

    // Tab order: the grid first, so it has the focus when the window opens.
    setTabOrder(DBGrid1, Edit1);
    setTabOrder(Edit1, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    DBGrid1->setFocus();
}

void TForm1::ArrangeControls()
{
    const int w = width();
    const int h = height();
    const int statusHeight = StatusBar1->height();
    Panel1->setGeometry(0, 0, w, kPanelHeight);
    // Aligned to the top of the panel, inside its bevel.
    const int bevel = Panel1->frameWidth();
    ToolBar1->setGeometry(bevel, bevel, w - 2 * bevel, ToolBar1->FittingHeight());
    StatusBar1->setGeometry(0, h - statusHeight, w, statusHeight);
    DBGrid1->setGeometry(0, kPanelHeight, w, h - kPanelHeight - statusHeight);
}

void TForm1::FitOuterSize()
{
    if (outerSizeFitted_ || !windowHandle()) {
        return;
    }
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) {
        return;
    }
    outerSizeFitted_ = true;
    const QSize client(kWidth - frame.left() - frame.right(),
                       kHeight - frame.top() - frame.bottom());
    setMinimumSize(client);
    if (windowState() == Qt::WindowNoState && size() == QSize(kWidth, kHeight)) {
        resize(client);
        if (const QScreen* screen = this->screen()) {
            const QRect desktop = screen->geometry();
            move(desktop.x() + (desktop.width() - kWidth) / 2,
                 desktop.y() + (desktop.height() - kHeight) / 2);
        }
    }
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shown_) {
        return;
    }
    shown_ = true;
    // After the window is on the screen, so that it is painted behind a
    // message of the show step.
    QTimer::singleShot(0, this, [this] {
        FitOuterSize();
        FormShow();
    });
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager's frame arrives some time after the first show.
    if (shown_) {
        FitOuterSize();
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted()) {
        Q_EMIT Closed();
    }
}

void TForm1::FormShow()
{
    try {
        CurrentDataFileName =
            StoreData1.ReadString(settings::kDataFileNameSetting, settings::kDefaultDataFileName);
        StoreData1.WriteString(settings::kDataFileNameSetting, CurrentDataFileName);
        Table1.LoadTableFile(CurrentDataFileName);
    } catch (...) {
        platform::ShowMessage("Data file could not be loaded.");
    }
    showStepDone_ = true;
}

void TForm1::Edit1Change()
{
    // Errors go to the default error handling.
    const std::string text = platform::FromQString(Edit1->text());
    const table::LocateOptions options = table::loCaseInsensitive | table::loPartialKey;
    if (RadioButton1->isChecked()) {
        Table1.Locate("Locality", text, options);
    } else {
        Table1.Locate("PCode", text, options);
    }
}

void TForm1::RadioButton1Click()
{
    // Raises Edit1Change only when the box held text.
    Edit1->setText(QString());
}

void TForm1::ToolButton1Click()
{
    close();
}

} // namespace marlune::app
