#include "report/preview/previewform.h"

#include "platform/cp1252.h"
#include "platform/error.h"
#include "platform/gui/application.h"
#include "report/preview/pagebox.h"
#include "report/preview/previewsearchform.h"
#include "report/preview/toolbarbutton.h"
#include "report/units.h"

#include <QActionGroup>
#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace marlune::report::preview {
namespace {

constexpr int kTopPanelHeight = 33;
constexpr int kSidePanelWidth = 16;
constexpr int kBottomPanelHeight = 18;
constexpr int kBevel1Width = 77;
constexpr int kSmallChange = 10;
constexpr int kLargeChange = 200;
const QColor kAreaGrey(0x80, 0x80, 0x80);

// The zoom menu; a fixed item names its percentage.
struct ZoomItem {
    const char* text;
    ZoomMode mode;
    int percent;
};
constexpr ZoomItem kZoomItems[] = {
    {"200%", ZoomMode::Fixed, 200},
    {"150%", ZoomMode::Fixed, 150},
    {"100%", ZoomMode::Fixed, 100},
    {"75%", ZoomMode::Fixed, 75},
    {"50%", ZoomMode::Fixed, 50},
    {"25%", ZoomMode::Fixed, 25},
    {"10%", ZoomMode::Fixed, 10},
    {"&Page width", ZoomMode::PageWidth, 0},
    {"&Whole page", ZoomMode::WholePage, 0},
    {"&Two pages", ZoomMode::TwoPages, 0},
};

// The menu item's index for a zoom; -1 when no item has it.
int ZoomItemIndex(ZoomMode mode, int percent)
{
    for (int i = 0; i < static_cast<int>(std::size(kZoomItems)); ++i) {
        const ZoomItem& item = kZoomItems[i];
        if (item.mode == mode && (mode != ZoomMode::Fixed || item.percent == percent)) {
            return i;
        }
    }
    return -1;
}

QPushButton* PageButton(QWidget* parent, Glyph glyph, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(GlyphPixmap(glyph, {12, 12})));
    button->setIconSize({12, 12});
    button->setFixedSize(kSidePanelWidth, kSidePanelWidth);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void SetUpBar(QScrollBar* bar)
{
    bar->setSingleStep(kSmallChange);
    bar->setPageStep(kLargeChange);
    bar->setRange(0, 0);
}

// Runs a handler of the window; an error goes to the default handling.
template <typename Handler> void Guarded(Handler&& handler)
{
    platform::gui::RunHandler(std::forward<Handler>(handler));
}

} // namespace

ZoomMemory& PreviewZoomMemory()
{
    static ZoomMemory memory;
    return memory;
}

PreviewForm::PreviewForm(PreparedPages pages, PreviewOptions options, QWidget* parent)
    : QDialog(parent), pages_(std::move(pages)), options_(std::move(options))
{
    setObjectName(QStringLiteral("previewForm"));
    setWindowTitle(platform::ToQString(options_.caption));
    QIcon icon;
    icon.addPixmap(GlyphPixmap(Glyph::Window, {16, 16}));
    icon.addPixmap(GlyphPixmap(Glyph::Window, {32, 32}));
    setWindowIcon(icon);
    setSizeGripEnabled(false);
    resize(443, 305);
    BuildWindow();

    const PreviewButtons shown = options_.buttons;
    zoomBtn_->setVisible((shown & pbZoom) != 0);
    loadBtn_->setVisible((shown & pbLoad) != 0);
    saveBtn_->setVisible((shown & pbSave) != 0);
    printBtn_->setVisible((shown & pbPrint) != 0);
    findBtn_->setVisible((shown & pbFind) != 0);
    helpBtn_->setVisible((shown & pbHelp) != 0);
    exitBtn_->setVisible((shown & pbExit) != 0);
    afterZoomSeparator_->setVisible((shown & pbZoom) != 0);
    afterHelpSeparator_->setVisible((shown & (pbFind | pbHelp)) != 0);
    ArrangeToolbar();

    const bool printers = options_.printersAvailable ? options_.printersAvailable()
                                                     : !QPrinterInfo::availablePrinters().isEmpty();
    printBtn_->setEnabled(printers);

    switch (options_.initialZoom) {
    case pzPageWidth:
        PreviewZoomMemory().mode = ZoomMode::PageWidth;
        break;
    case pzOnePage:
        PreviewZoomMemory().mode = ZoomMode::WholePage;
        break;
    case pzTwoPages:
        PreviewZoomMemory().mode = ZoomMode::TwoPages;
        break;
    case pzDefault:
        break;
    }

    // The window sees every key first, whichever of its parts has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    InitializeView();
}

PreviewForm::~PreviewForm()
{
    // The pages of a long list take hundreds of megabytes in many small
    // blocks; freed, they would stay with the allocator. Handing its free
    // memory back lets the program shrink again when the preview closes.
    pages_ = PreparedPages();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void PreviewForm::BuildWindow()
{
    topPanel_ = new QWidget(this);
    topPanel_->setObjectName(QStringLiteral("TPanel"));
    auto* bevel2 = new QFrame(topPanel_);
    bevel2->setObjectName(QStringLiteral("Bevel2"));
    bevel2->setFrameShape(QFrame::HLine);
    bevel2->setFrameShadow(QFrame::Sunken);
    bevel2->setGeometry(0, 0, 4096, 2);
    buttonRow_ = new QWidget(topPanel_);
    buttonRow_->setObjectName(QStringLiteral("Panel1"));
    buttonRow_->setGeometry(4, 6, 241, 24);

    // Glyph buttons are named by their hints for assistive technology; the
    // description adds the key that does the same.
    auto button = [this](Glyph glyph, const char* name, int tag, const char* hint,
                         const char* key) {
        auto* b = new ToolBarButton(buttonRow_, glyph, 22, 24);
        b->setObjectName(QLatin1String(name));
        b->SetTag(tag);
        b->setToolTip(QLatin1String(hint));
        b->setAccessibleName(QLatin1String(hint));
        if (key != nullptr) {
            b->setAccessibleDescription(
                QStringLiteral("%1 (%2)").arg(QLatin1String(hint), QLatin1String(key)));
        }
        return b;
    };
    zoomBtn_ = new ToolBarButton(buttonRow_, 53, 24);
    zoomBtn_->setObjectName(QStringLiteral("ZoomBtn"));
    zoomBtn_->setText(QStringLiteral("200%"));
    zoomBtn_->SetTag(200);
    zoomBtn_->setToolTip(QStringLiteral("Scale"));
    zoomBtn_->setAccessibleName(QStringLiteral("Scale"));
    afterZoomSeparator_ = new ToolBarSeparator(buttonRow_, 8, 24, false);
    loadBtn_ = button(Glyph::Open, "LoadBtn", 201, "Open report", "Ctrl+O");
    saveBtn_ = button(Glyph::Save, "SaveBtn", 202, "Save report", "Ctrl+S");
    printBtn_ = button(Glyph::Print, "PrintBtn", 203, "Print report", "Ctrl+P");
    afterPrintSeparator_ = new ToolBarSeparator(buttonRow_, 8, 24, true);
    findBtn_ = button(Glyph::Find, "FindBtn", 204, "Find text", "Ctrl+F");
    helpBtn_ = button(Glyph::Help, "HelpBtn", 0, "Show help", nullptr);
    afterHelpSeparator_ = new ToolBarSeparator(buttonRow_, 8, 24, true);
    exitBtn_ = button(Glyph::Exit, "ExitBtn", 205, "Close preview", "Escape");

    connect(zoomBtn_, &QAbstractButton::clicked, this, [this] { PopupZoomMenu(); });
    connect(loadBtn_, &QAbstractButton::clicked, this, [this] { Load(); });
    connect(saveBtn_, &QAbstractButton::clicked, this, [this] { Save(); });
    connect(printBtn_, &QAbstractButton::clicked, this, [this] { Print(); });
    connect(findBtn_, &QAbstractButton::clicked, this, [this] { OpenSearchForm(); });
    connect(exitBtn_, &QAbstractButton::clicked, this, [this] { close(); });

    previewPanel_ = new QWidget(this);
    previewPanel_->setObjectName(QStringLiteral("PreviewPanel"));
    auto* scrollBox = new QWidget(previewPanel_);
    scrollBox->setObjectName(QStringLiteral("ScrollBox1"));
    pageBox_ = new PageBox(scrollBox);
    pageBox_->setAccessibleName(QStringLiteral("Pages"));
    pageBox_->OnPaint = [this](QPainter& painter, const QRegion& region) {
        PaintPages(painter, region);
    };
    pageBox_->OnMouseDown = [this](QMouseEvent* event) { PageAreaMouseDown(event); };
    pageBox_->OnWheel = [this](QWheelEvent* event) {
        const int lines = QApplication::wheelScrollLines();
        vbar_->setValue(vbar_->value() - event->angleDelta().y() * lines * kSmallChange / 120);
    };

    rPanel_ = new QWidget(scrollBox);
    rPanel_->setObjectName(QStringLiteral("RPanel"));
    vbar_ = new QScrollBar(Qt::Vertical, rPanel_);
    vbar_->setObjectName(QStringLiteral("VScrollBar"));
    SetUpBar(vbar_);
    pgUp_ = PageButton(rPanel_, Glyph::PageUp, "PgUp");
    pgDown_ = PageButton(rPanel_, Glyph::PageDown, "PgDown");

    bPanel_ = new QWidget(scrollBox);
    bPanel_->setObjectName(QStringLiteral("BPanel"));
    auto* bevel1 = new QFrame(bPanel_);
    bevel1->setObjectName(QStringLiteral("Bevel1"));
    bevel1->setFrameShape(QFrame::Panel);
    bevel1->setFrameShadow(QFrame::Sunken);
    pageBevel_ = bevel1;
    pageLabel_ = new QLabel(bevel1);
    pageLabel_->setObjectName(QStringLiteral("Label1"));
    // Wide enough for the longest indicator a build can give, six digits
    // on each side, in the label's own font.
    const QFontMetrics metrics(pageLabel_->font());
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c) {
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    }
    const int textWidth = metrics.horizontalAdvance(QStringLiteral("Page /")) + 12 * digit;
    bevel1Width_ = std::max(kBevel1Width, textWidth + 8);
    bevel1->setGeometry(0, 1, bevel1Width_, 17);
    pageLabel_->setGeometry(3, 1, bevel1Width_ - 6, 15);
    hbar_ = new QScrollBar(Qt::Horizontal, bPanel_);
    hbar_->setObjectName(QStringLiteral("HScrollBar"));
    SetUpBar(hbar_);

    connect(vbar_, &QScrollBar::valueChanged, this, [this](int v) { VerticalScrolled(v); });
    connect(hbar_, &QScrollBar::valueChanged, this, [this](int v) { HorizontalScrolled(v); });
    connect(pgUp_, &QPushButton::clicked, this, [this] { GoToPage(current_ - 1); });
    connect(pgDown_, &QPushButton::clicked, this, [this] { GoToPage(current_ + 1); });

    BuildMenu();
    ArrangePanels();
}

void PreviewForm::BuildMenu()
{
    procMenu_ = new QMenu(this);
    procMenu_->setObjectName(QStringLiteral("ProcMenu"));
    zoomGroup_ = new QActionGroup(this);
    zoomGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    int n = 1;
    for (const ZoomItem& item : kZoomItems) {
        QAction* action = procMenu_->addAction(QLatin1String(item.text));
        action->setCheckable(true);
        action->setData(static_cast<int>(&item - kZoomItems));
        zoomGroup_->addAction(action);
        if (item.mode != ZoomMode::Fixed) {
            action->setObjectName(QStringLiteral("N%1").arg(n++));
        }
    }
    QAction* separator = procMenu_->addSeparator();
    separator->setObjectName(QStringLiteral("N4"));
    separator->setVisible(false);
    n = 5;
    // Page editing needs the report designer, which this program has not.
    for (const char* text : {"Edit page", "Add page", "Delete page"}) {
        QAction* action = procMenu_->addAction(QLatin1String(text));
        action->setObjectName(QStringLiteral("N%1").arg(n++));
        action->setVisible(false);
    }
    connect(zoomGroup_, &QActionGroup::triggered, this, [this](QAction* action) {
        const ZoomItem& item = kZoomItems[action->data().toInt()];
        ApplyZoom(item.mode, item.percent);
    });
}

void PreviewForm::ArrangeToolbar()
{
    // Left-aligned: each shown item right after the one before.
    int x = 0;
    for (QWidget* item :
         {static_cast<QWidget*>(zoomBtn_), afterZoomSeparator_, static_cast<QWidget*>(loadBtn_),
          static_cast<QWidget*>(saveBtn_), static_cast<QWidget*>(printBtn_), afterPrintSeparator_,
          static_cast<QWidget*>(findBtn_), static_cast<QWidget*>(helpBtn_), afterHelpSeparator_,
          static_cast<QWidget*>(exitBtn_)}) {
        if (item->isHidden()) {
            continue;
        }
        item->move(x, 0);
        x += item->width();
    }
}

void PreviewForm::ArrangePanels()
{
    const int w = width();
    const int h = std::max(height() - kTopPanelHeight, 0);
    topPanel_->setGeometry(0, 0, w, kTopPanelHeight);
    previewPanel_->setGeometry(0, kTopPanelHeight, w, h);
    previewPanel_->findChild<QWidget*>(QStringLiteral("ScrollBox1"))->setGeometry(0, 0, w, h);
    const int areaHeight = std::max(h - kBottomPanelHeight, 0);
    const int areaWidth = std::max(w - kSidePanelWidth, 0);
    bPanel_->setGeometry(0, areaHeight, w, kBottomPanelHeight);
    rPanel_->setGeometry(areaWidth, 0, kSidePanelWidth, areaHeight);
    pageBox_->setGeometry(0, 0, areaWidth, areaHeight);
    // PgDown 16 pixels above the bottom, PgUp above it, the bar above both
    // less a pixel.
    pgDown_->move(0, areaHeight - kSidePanelWidth);
    pgUp_->move(0, areaHeight - 2 * kSidePanelWidth);
    vbar_->setGeometry(0, 0, kSidePanelWidth, std::max(areaHeight - 2 * kSidePanelWidth - 1, 0));
    const int barRight = rPanel_->isHidden() ? w : w - kSidePanelWidth;
    hbar_->setGeometry(bevel1Width_, 1, std::max(barRight - bevel1Width_, 0), 16);
}

void PreviewForm::Show()
{
    InitializeView();
    // Maximised: the state for a window manager that knows it, the screen's
    // free area for one that does not.
    if (const QScreen* area = screen()) {
        setGeometry(area->availableGeometry());
    }
    if (options_.modal) {
        setWindowState(windowState() | Qt::WindowMaximized);
        exec();
        return;
    }
    setAttribute(Qt::WA_DeleteOnClose);
    showMaximized();
}

void PreviewForm::SetPages(PreparedPages pages)
{
    pages_ = std::move(pages);
    ShowFromStart();
}

void PreviewForm::ShowFromStart()
{
    match_.reset();
    resumePage_ = 0;
    resumeRecord_ = 0;
    InitializeView();
}

void PreviewForm::InitializeView()
{
    factor_ = PreviewZoomMemory().factor;
    mode_ = PreviewZoomMemory().mode;
    const int checked = ZoomItemIndex(mode_, Round(factor_ * 100));
    for (QAction* action : zoomGroup_->actions()) {
        action->setChecked(action->data().toInt() == checked);
    }
    current_ = pages_.Empty() ? 0 : 1;
    ofx_ = 0;
    ofy_ = 0;
    paintingAllowed_ = false;
    hbar_->setValue(0);
    vbar_->setValue(0);
    LayOut();
    for (int i = 0; i < pages_.Count(); ++i) {
        pages_[i].visible = false;
        pages_.Release(i);
    }
    UpdateIndicator();
    pageBox_->update();
}

void PreviewForm::LayOut()
{
    paintingAllowed_ = false;
    std::vector<PaperUnits> papers;
    papers.reserve(static_cast<std::size_t>(pages_.Count()));
    for (int i = 0; i < pages_.Count(); ++i) {
        papers.push_back(PaperOf(pages_[i]));
    }
    const PageLayout layout =
        LayOutPages(papers, current_ - 1, mode_, factor_, pageBox_->width(), pageBox_->height());
    factor_ = layout.factor;
    for (int i = 0; i < pages_.Count(); ++i) {
        pages_[i].screenRect = layout.rects[static_cast<std::size_t>(i)];
    }
    zoomBtn_->setText(QStringLiteral("%1%").arg(Round(factor_ * 100)));
    hbar_->setRange(0, layout.horizontalRange);
    hbar_->setEnabled(layout.horizontalRange > 0);
    vbar_->setRange(0, layout.verticalRange);
    vbar_->setEnabled(layout.verticalRange > 0);
    ArrangePanels();
    if (current_ > 0) {
        const int top = pages_[current_ - 1].screenRect.top - 10;
        if (vbar_->value() != top) {
            vbar_->setValue(top);
        }
    }
    ofx_ = -hbar_->value();
    ofy_ = -vbar_->value();
    paintingAllowed_ = true;
    UpdatePageViews();
    pageBox_->update();
}

void PreviewForm::UpdatePageViews()
{
    for (int i = 0; i < pages_.Count(); ++i) {
        PreparedPage& page = pages_[i];
        const DrawRectangle& r = page.screenRect;
        const PageNeed need = NeedOf({r.left + ofx_, r.top + ofy_, r.right + ofx_, r.bottom + ofy_},
                                     pageBox_->width(), pageBox_->height());
        page.visible = need == PageNeed::Show;
        if (need == PageNeed::Release && page.viewsLoaded) {
            pages_.Release(i);
        }
    }
}

QString PreviewForm::PageIndicator() const
{
    return QStringLiteral("Page %1/%2").arg(current_).arg(pages_.Count());
}

void PreviewForm::UpdateIndicator()
{
    const QString text = PageIndicator();
    pageLabel_->setText(text);
    // A screen reader hears the page the view has moved to.
    if (pageBox_->accessibleDescription() != text) {
        pageBox_->setAccessibleDescription(text);
        QAccessibleEvent event(pageBox_, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QRect PreviewForm::ScreenRect(int index) const
{
    const DrawRectangle& r = pages_[index].screenRect;
    return QRect(QPoint(r.left + ofx_, r.top + ofy_),
                 QPoint(r.right + ofx_ - 1, r.bottom + ofy_ - 1));
}

void PreviewForm::ScrollTo(int vertical, std::optional<int> horizontal)
{
    scrollingToPage_ = true;
    vbar_->setValue(vertical);
    if (horizontal) {
        hbar_->setValue(*horizontal);
    }
    scrollingToPage_ = false;
}

void PreviewForm::VerticalScrolled(int value)
{
    const int dy = -value - ofy_;
    ofy_ = -value;
    if (!paintingAllowed_) {
        return;
    }
    UpdatePageViews();
    if (dy != 0) {
        // Move the pixels already painted; only the uncovered strip repaints.
        pageBox_->scroll(0, dy);
    }
    if (!scrollingToPage_) {
        for (int i = 0; i < pages_.Count(); ++i) {
            const QRect r = ScreenRect(i);
            if (r.top() <= 11 && r.bottom() >= 11) {
                current_ = i + 1;
                break;
            }
        }
    }
    UpdateIndicator();
}

void PreviewForm::HorizontalScrolled(int value)
{
    const int dx = -value - ofx_;
    ofx_ = -value;
    if (!paintingAllowed_) {
        return;
    }
    UpdatePageViews();
    if (dx != 0) {
        pageBox_->scroll(dx, 0);
    }
}

void PreviewForm::GoToPage(int page)
{
    if (pages_.Empty()) {
        return;
    }
    current_ = std::clamp(page, 1, pages_.Count());
    UpdateIndicator();
    ScrollTo(pages_[current_ - 1].screenRect.top - 10);
}

void PreviewForm::ChooseZoom(ZoomMode mode)
{
    ApplyZoom(mode, 0);
}

void PreviewForm::ChooseZoomPercent(int percent)
{
    ApplyZoom(ZoomMode::Fixed, percent);
}

void PreviewForm::ApplyZoom(ZoomMode mode, int percent)
{
    ofx_ = 0;
    mode_ = mode;
    if (mode == ZoomMode::Fixed) {
        factor_ = percent / 100.0;
    }
    const int checked = ZoomItemIndex(mode, percent);
    for (QAction* action : zoomGroup_->actions()) {
        action->setChecked(action->data().toInt() == checked);
    }
    paintingAllowed_ = false;
    hbar_->setValue(0);
    LayOut();
    PreviewZoomMemory() = {factor_, mode_};
    pageBox_->update();
}

void PreviewForm::PaintPages(QPainter& painter, const QRegion& region)
{
    if (!paintingAllowed_) {
        return;
    }
    const QRect area = pageBox_->rect();
    if (pages_.Empty()) {
        painter.fillRect(area, palette().color(QPalette::Button));
        return;
    }
    std::vector<int> drawn;
    QRegion background = region;
    for (int i = 0; i < pages_.Count(); ++i) {
        const QRect r = ScreenRect(i);
        if (region.intersects(r)) {
            drawn.push_back(i);
            background -= r.adjusted(1, 1, -1, -1);
        }
    }
    painter.setClipRegion(background);
    painter.fillRect(area, kAreaGrey);
    painter.setClipRegion(region);

    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.setBrush(Qt::white);
    for (const int i : drawn) {
        const QRect r = ScreenRect(i);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.drawLine(r.left() + 1, r.bottom() + 1, r.right() + 1, r.bottom() + 1);
        painter.drawLine(r.right() + 1, r.top() + 1, r.right() + 1, r.bottom());
    }
    for (const int i : drawn) {
        const PreparedPage& page = pages_[i];
        const QRect r = ScreenRect(i);
        const PaperUnits paper = PaperOf(page);
        QRect target = r;
        if (!page.useMargins) {
            target = QRect(r.left() + Round(page.geometry.offsetX * factor_),
                           r.top() + Round(page.geometry.offsetY * factor_),
                           Round(page.geometry.printableWidth * factor_),
                           Round(page.geometry.printableHeight * factor_));
        }
        if (paper.width <= 0 || paper.height <= 0) {
            continue;
        }
        painter.save();
        try {
            DrawPreparedPage(painter, pages_, i, target.width() / static_cast<double>(paper.width),
                             target.height() / static_cast<double>(paper.height), target.left(),
                             target.top(), false);
        } catch (const Error&) {
            // A damaged page shows as an empty sheet.
            pages_.Release(i);
        }
        painter.restore();
        if (match_ && match_->page == i) {
            const QRectF& m = match_->matchBox;
            const QRect mark(QPoint(r.left() + Round(m.left() * factor_) - 1,
                                    r.top() + Round(m.top() * factor_) - 1),
                             QPoint(r.left() + Round(m.right() * factor_),
                                    r.top() + Round(m.bottom() * factor_)));
            QColor fill = palette().color(QPalette::Highlight);
            fill.setAlpha(80);
            painter.fillRect(mark, fill);
            painter.setPen(palette().color(QPalette::Highlight));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(mark);
            painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
            painter.setBrush(Qt::white);
        }
    }
}

void PreviewForm::PageAreaMouseDown(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        procMenu_->popup(pageBox_->mapToGlobal(event->position().toPoint()));
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->position().toPoint();
    for (int i = 0; i < pages_.Count(); ++i) {
        if (ScreenRect(i).contains(at)) {
            GoToPage(i + 1);
            return;
        }
    }
}

void PreviewForm::PopupZoomMenu()
{
    procMenu_->popup(zoomBtn_->mapToGlobal(QPoint(4, zoomBtn_->height() + 8)));
}

bool PreviewForm::HandleKey(QKeyEvent* event)
{
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    auto stepBar = [](QScrollBar* bar, int by, bool focus) {
        if (focus && bar->isEnabled()) {
            bar->setFocus();
        }
        bar->setValue(bar->value() + by);
    };
    switch (event->key()) {
    case Qt::Key_Up:
        stepBar(vbar_, -kSmallChange, true);
        return true;
    case Qt::Key_Down:
        stepBar(vbar_, kSmallChange, true);
        return true;
    case Qt::Key_Left:
        stepBar(hbar_, -kSmallChange, false);
        return true;
    case Qt::Key_Right:
        stepBar(hbar_, kSmallChange, false);
        return true;
    case Qt::Key_PageUp:
        if (ctrl) {
            GoToPage(current_ - 1);
        } else {
            stepBar(vbar_, -kLargeChange, false);
        }
        return true;
    case Qt::Key_PageDown:
        if (ctrl) {
            GoToPage(current_ + 1);
        } else {
            stepBar(vbar_, kLargeChange, false);
        }
        return true;
    case Qt::Key_Home:
        if (ctrl) {
            vbar_->setValue(0);
        }
        return true;
    case Qt::Key_End:
        if (ctrl) {
            GoToPage(pages_.Count());
        }
        return true;
    case Qt::Key_Space:
        PopupZoomMenu();
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_F3:
        FindNext();
        return true;
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    if (!ctrl) {
        return false;
    }
    switch (event->key()) {
    case Qt::Key_O:
        Load();
        return true;
    case Qt::Key_S:
        Save();
        return true;
    case Qt::Key_P:
        Print();
        return true;
    case Qt::Key_F:
        OpenSearchForm();
        return true;
    case Qt::Key_E:
        return true;
    default:
        return false;
    }
}

bool PreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { handled = HandleKey(static_cast<QKeyEvent*>(event)); });
        if (handled) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PreviewForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ArrangePanels();
    LayOut();
}

void PreviewForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ArrangePanels();
    LayOut();
}

void PreviewForm::OpenSearchForm()
{
    if (pages_.Empty()) {
        return;
    }
    PreviewSearchForm form(this);
    form.SetText(typedText_);
    form.SetCaseSensitive(caseSensitive_);
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    typedText_ = form.Text();
    FindText(form.Text(), form.CaseSensitive(), form.FromFirstPage());
}

void PreviewForm::FindText(const QString& text, bool caseSensitive, bool fromFirstPage)
{
    caseSensitive_ = caseSensitive;
    searchText_ = caseSensitive ? text : text.toUpper();
    if (fromFirstPage) {
        resumePage_ = 0;
        resumeRecord_ = 0;
    } else if (!(match_ && match_->page == current_ - 1)) {
        // From the current page's start, unless it holds the last match:
        // then on after that.
        resumePage_ = std::max(current_ - 1, 0);
        resumeRecord_ = 0;
    }
    FindNext();
}

void PreviewForm::FindNext()
{
    if (searchText_.isEmpty() || pages_.Empty()) {
        return;
    }
    std::optional<SearchHit> hit;
    Guarded([&] {
        hit = preview::FindText(pages_, searchText_, caseSensitive_, resumePage_, resumeRecord_);
    });
    if (!hit) {
        return;
    }
    match_ = hit;
    resumePage_ = hit->page;
    resumeRecord_ = hit->record + 1;
    current_ = hit->page + 1;
    UpdateIndicator();
    const DrawRectangle& page = pages_[hit->page].screenRect;
    ScrollTo(Round(hit->recordBox.top() * factor_) + page.top - 10,
             Round(hit->recordBox.left() * factor_) + page.left - 10);
    pageBox_->update();
}

void PreviewForm::Print()
{
    if (pages_.Empty() || !printBtn_->isEnabled() || !OnPrint) {
        return;
    }
    PrintOutcome outcome;
    Guarded([&] { outcome = OnPrint(pages_, current_); });
    if (outcome.rebuilt) {
        SetPages(std::move(*outcome.rebuilt));
    } else if (outcome.printed) {
        ShowFromStart();
    }
}

void PreviewForm::Save()
{
    if (pages_.Empty() || !OnSave) {
        return;
    }
    Guarded([this] { OnSave(*this); });
}

void PreviewForm::Load()
{
    if (pages_.Empty() || !OnLoad) {
        return;
    }
    Guarded([this] { OnLoad(*this); });
}

} // namespace marlune::report::preview
