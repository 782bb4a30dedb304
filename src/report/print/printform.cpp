#include "report/print/printform.h"

#include "platform/cp1252.h"
#include "platform/error.h"
#include "platform/gui/application.h"
#include "platform/gui/messagebox.h"
#include "platform/paint/fonts.h"
#include "report/pagelist.h"
#include "report/print/printerlist.h"
#include "report/print/printrun.h"
#include "report/print/qprinterdevice.h"
#include "report/report.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace marlune::report::print {

namespace {

constexpr int kItemHeight = 16;
constexpr int kIconLeft = 2;
constexpr int kTextLeft = 24;

// An 18 x 16 printer: the paper feeding in at the top, the body with its
// light front and a green lamp, the printed sheet coming out below.
const QPixmap& PrinterIcon()
{
    static const QPixmap icon = [] {
        QPixmap pixmap(18, 16);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setPen(QColor(0, 0, 0));
        p.setBrush(Qt::white);
        p.drawRect(5, 1, 8, 5); // paper in
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(1, 6, 16, 6); // body
        p.setPen(QColor(255, 255, 255));
        p.drawLine(2, 7, 15, 7);
        p.setPen(QColor(128, 128, 128));
        p.drawLine(2, 11, 16, 11);
        p.fillRect(14, 8, 2, 2, QColor(0, 160, 0)); // lamp
        p.setPen(QColor(0, 0, 0));
        p.setBrush(Qt::white);
        p.drawRect(4, 12, 10, 3); // paper out
        return pixmap;
    }();
    return icon;
}

// Draws one printer entry: the icon 2 pixels and the name 24 pixels from the
// left, centred in the height.
void DrawPrinterItem(QPainter& painter, const QRect& rect, const QString& name)
{
    const QPixmap& icon = PrinterIcon();
    painter.drawPixmap(rect.left() + kIconLeft, rect.top() + (rect.height() - icon.height()) / 2,
                       icon);
    painter.drawText(rect.adjusted(kTextLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
}

class PrinterItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        painter->fillRect(option.rect,
                          option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        DrawPrinterItem(*painter, option.rect, index.data(Qt::DisplayRole).toString());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width() + kTextLeft, kItemHeight};
    }
};

QLineEdit* Edit(QWidget* parent, const char* name, int left, int top, int width)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, top, width, 21);
    return edit;
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* text, int top)
{
    auto* radio = new QRadioButton(QLatin1String(text), parent);
    radio->setObjectName(QLatin1String(name));
    radio->setGeometry(8, top, std::max(radio->sizeHint().width(), 73), 17);
    return radio;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, int left, int top)
{
    auto* button = new QPushButton(QLatin1String(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, top, 75, 25);
    return button;
}

QString Trimmed(const QLineEdit* edit)
{
    return edit->text().trimmed();
}

void ShowError(const std::string& message)
{
    platform::gui::ShowMessage(platform::gui::ErrorDisplayText(message),
                               platform::gui::MessageIcon::Error);
}

} // namespace

PrinterComboBox::PrinterComboBox(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new PrinterItemDelegate(this));
}

void PrinterComboBox::paintEvent(QPaintEvent* /*event*/)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    painter.setPen(palette().color(QPalette::Text));
    DrawPrinterItem(painter, field, currentText());
}

ArrowButton::ArrowButton(bool up, QWidget* parent) : QAbstractButton(parent), up_(up)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoRepeat(true);
}

void ArrowButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    const bool down = isDown();
    p.fillRect(rect(), palette().color(QPalette::Button));
    // A raised bevel, sunken while pressed.
    p.setPen(down ? QColor(128, 128, 128) : QColor(255, 255, 255));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(down ? QColor(255, 255, 255) : QColor(64, 64, 64));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    // A black triangle 5 pixels wide and 3 high, shifted while pressed.
    const int cx = width() / 2 + (down ? 1 : 0);
    const int cy = height() / 2 + (down ? 1 : 0);
    p.setPen(isEnabled() ? QColor(0, 0, 0) : QColor(128, 128, 128));
    for (int row = 0; row < 3; ++row) {
        const int y = up_ ? cy - 2 + row : cy + 1 - row;
        p.drawLine(cx - row, y, cx + row, y);
    }
}

PrintForm::PrintForm(ReportPrinter& printer, int pageCount, QWidget* parent)
    : QDialog(parent), printer_(printer), pageCount_(pageCount), remembered_(printer.PrinterIndex())
{
    setObjectName(QStringLiteral("printForm"));
    setWindowTitle(QStringLiteral("Print"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    // MS Sans Serif's narrow metrics: the hint below fits its two lines.
    setFont(platform::paint::ArialFont(11));
    setFixedSize(365, 230);

    printerBox_ = new QGroupBox(QStringLiteral("Printer"), this);
    printerBox_->setObjectName(QStringLiteral("GroupBox1"));
    printerBox_->setGeometry(8, 8, 349, 49);
    printerCombo_ = new PrinterComboBox(printerBox_);
    printerCombo_->setObjectName(QStringLiteral("CB1"));
    printerCombo_->setGeometry(8, 17, 245, kItemHeight + 6);
    propertiesButton_ = Button(printerBox_, "PropButton", "Properties", 264, 15);

    copiesLabel_ = new QLabel(QStringLiteral("&Copies:"), this);
    copiesLabel_->setObjectName(QStringLiteral("Label1"));
    copiesLabel_->move(8, 76);
    copiesLabel_->adjustSize();
    copiesEdit_ = Edit(this, "E1", 64, 72, 61);
    copiesEdit_->setText(QStringLiteral("1"));
    // The arrows stand inside the edit's right end; its text stays clear of them.
    copiesEdit_->setTextMargins(0, 0, 19, 0);
    copiesLabel_->setBuddy(copiesEdit_);
    copiesUpButton_ = new ArrowButton(true, this);
    copiesUpButton_->setObjectName(QStringLiteral("spinButton1"));
    copiesUpButton_->setGeometry(106, 74, 17, 8);
    copiesDownButton_ = new ArrowButton(false, this);
    copiesDownButton_->setObjectName(QStringLiteral("spinButton2"));
    copiesDownButton_->setGeometry(106, 82, 17, 8);

    pageRangeBox_ = new QGroupBox(QStringLiteral("Page range"), this);
    pageRangeBox_->setObjectName(QStringLiteral("GroupBox2"));
    pageRangeBox_->setGeometry(8, 104, 253, 117);
    allPagesButton_ = Radio(pageRangeBox_, "RB1", "&All", 20);
    allPagesButton_->setChecked(true);
    currentPageButton_ = Radio(pageRangeBox_, "RB2", "Current &page", 40);
    pageNumbersButton_ = Radio(pageRangeBox_, "RB3", "&Numbers:", 60);
    pageNumbersEdit_ = Edit(pageRangeBox_, "E2", 88, 58, 155);
    pageNumbersHint_ =
        new QLabel(QStringLiteral("Enter page numbers and/or page ranges, separated by "
                                  "commas. For example, 1,3,5-12"),
                   pageRangeBox_);
    pageNumbersHint_->setObjectName(QStringLiteral("Label2"));
    pageNumbersHint_->setWordWrap(true);
    pageNumbersHint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pageNumbersHint_->setGeometry(8, 82, 237, 29);

    okButton_ = Button(this, "Button1", "OK", 276, 108);
    okButton_->setDefault(true);
    cancelButton_ = Button(this, "Button2", "Cancel", 276, 136);
    setTabOrder(printerCombo_, propertiesButton_);
    setTabOrder(propertiesButton_, copiesEdit_);
    setTabOrder(copiesEdit_, allPagesButton_);
    setTabOrder(allPagesButton_, currentPageButton_);
    setTabOrder(currentPageButton_, pageNumbersButton_);
    setTabOrder(pageNumbersButton_, pageNumbersEdit_);
    setTabOrder(pageNumbersEdit_, okButton_);
    setTabOrder(okButton_, cancelButton_);

    connect(okButton_, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
    connect(printerCombo_, &QComboBox::activated, this, [this](int index) {
        platform::gui::RunHandler([&] { printer_.SelectPrinter(index); });
    });
    connect(propertiesButton_, &QPushButton::clicked, this,
            [this] { platform::gui::RunHandler([this] { ShowProperties(); }); });
    connect(copiesUpButton_, &QAbstractButton::clicked, this, [this] { StepCopies(1); });
    connect(copiesDownButton_, &QAbstractButton::clicked, this, [this] { StepCopies(-1); });
    connect(pageNumbersButton_, &QRadioButton::toggled, pageNumbersEdit_, [this](bool checked) {
        if (checked) {
            pageNumbersEdit_->setFocus(Qt::OtherFocusReason);
        }
    });
    copiesEdit_->installEventFilter(this);
    pageNumbersEdit_->installEventFilter(this);

    ShowPrinters();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void PrintForm::ShowPrinters()
{
    printerCombo_->clear();
    const auto& names = printer_.PrinterNames();
    // The last entry is the built-in printer, which cannot print.
    for (int i = 0; i < printer_.BuiltInIndex(); ++i) {
        printerCombo_->addItem(platform::ToQString(names[static_cast<std::size_t>(i)]));
    }
    printerCombo_->setCurrentIndex(printer_.IsBuiltIn() ? -1 : printer_.PrinterIndex());
}

void PrintForm::ShowProperties()
{
    auto* device = dynamic_cast<QPrinterDevice*>(printer_.Platform());
    if (device == nullptr || printer_.IsBuiltIn()) {
        return;
    }
    QPageSetupDialog dialog(&device->Printer(), this);
    dialog.exec();
    // Read back what the dialog changed.
    printer_.SelectPrinter(device->PrinterIndex());
    printerCombo_->setCurrentIndex(device->PrinterIndex());
}

std::optional<int> PrintForm::ReadCopies()
{
    try {
        return ParseInteger(platform::FromQString(Trimmed(copiesEdit_)));
    } catch (const Error& error) {
        ShowError(error.what());
        copiesEdit_->setFocus(Qt::OtherFocusReason);
        copiesEdit_->selectAll();
        return std::nullopt;
    }
}

void PrintForm::StepCopies(int step)
{
    const std::optional<int> copies = ReadCopies();
    if (!copies) {
        return;
    }
    const long long next = static_cast<long long>(*copies) + step;
    copiesEdit_->setText(QString::number(next < 2 ? 1 : std::min<long long>(next, kMaxCopies)));
}

std::string PrintForm::PageList(int currentPage) const
{
    if (currentPageButton_->isChecked()) {
        return std::to_string(currentPage);
    }
    return pageNumbersButton_->isChecked() ? platform::FromQString(pageNumbersEdit_->text())
                                           : std::string();
}

int PrintForm::Copies() const
{
    try {
        return ParseInteger(platform::FromQString(Trimmed(copiesEdit_)));
    } catch (const Error&) {
        return 1;
    }
}

void PrintForm::accept()
{
    const std::optional<int> copies = ReadCopies();
    if (!copies) {
        return;
    }
    if (*copies < 1 || *copies > kMaxCopies) {
        ShowError(CopiesOutOfRange());
        copiesEdit_->setFocus(Qt::OtherFocusReason);
        copiesEdit_->selectAll();
        return;
    }
    if (pageNumbersButton_->isChecked()) {
        std::string problem;
        try {
            problem =
                PageListNamesNoPage(platform::FromQString(pageNumbersEdit_->text()), pageCount_);
        } catch (const Error& error) {
            problem = error.what();
        }
        if (!problem.empty()) {
            ShowError(problem);
            pageNumbersEdit_->setFocus(Qt::OtherFocusReason);
            pageNumbersEdit_->selectAll();
            return;
        }
    }
    QDialog::accept();
}

void PrintForm::reject()
{
    // Closed without OK: the printer chosen here is not kept.
    if (printer_.PrinterIndex() != remembered_) {
        platform::gui::RunHandler([this] { printer_.SelectPrinter(remembered_); });
    }
    QDialog::reject();
}

bool PrintForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pageNumbersEdit_ && event->type() == QEvent::MouseButtonPress) {
        pageNumbersButton_->setChecked(true);
    }
    // The arrow keys in the copies do what the arrow buttons do.
    if (watched == copiesEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepCopies(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ChangeReportPrinter(Report& report, int index, int previous)
{
    ReportPrinter& printer = report.Printer();
    const auto reselect = [&](int printerIndex) {
        printer.SelectPrinter(printerIndex);
        printer.ForgetPaper();
        for (const auto& page : report.Pages) {
            page->ChangePaper(page->PaperCode, page->PaperWidth, page->PaperHeight,
                              page->Orientation);
        }
    };
    try {
        reselect(index);
        return true;
    } catch (const Error&) {
        platform::gui::ShowMessage("Printer selected is not valid", "Error",
                                   platform::gui::MessageIcon::Error);
    }
    try {
        reselect(previous);
    } catch (const Error&) {
        // The pages keep what the old printer last gave them.
    }
    return false;
}

PrintOutcome RunPrintCommand(Report& report, const PreparedPages& pages, int currentPage,
                             QWidget* parent)
{
    ReportPrinter& printer = report.Printer();
    if (pages.Empty()) {
        return {};
    }
    if (!AttachPlatformPrinter(printer).answered) {
        platform::gui::ShowMessage(kNoPrinterAnswers, platform::gui::MessageIcon::Warning);
        return {};
    }
    // The print run below prints to the printers the dialog shows.
    const PrinterAnswerHold hold;
    if (printer.BuiltInIndex() == 0) {
        return {};
    }
    PrintForm form(printer, pages.Count(), parent);
    if (form.exec() != QDialog::Accepted) {
        return {};
    }
    const std::string pageList = form.PageList(currentPage);
    const int copies = form.Copies();
    if (printer.PrinterIndex() == form.RememberedIndex() || !report.CanRebuild) {
        PrintPreparedReport(report, pages, pageList, copies);
        return {true, std::nullopt};
    }
    if (!ChangeReportPrinter(report, printer.PrinterIndex(), form.RememberedIndex())) {
        return {};
    }
    // The caller keeps its pages until the new ones are complete.
    std::optional<PreparedPages> rebuilt = report.Build();
    if (report.ErrorFlag) {
        platform::gui::ShowMessage(report.ErrorText, "Error", platform::gui::MessageIcon::Error);
        return {};
    }
    if (!rebuilt || rebuilt->Empty()) {
        return {};
    }
    platform::gui::RunHandler([&] { PrintPreparedReport(report, *rebuilt, pageList, copies); });
    return {true, std::move(rebuilt)};
}

} // namespace marlune::report::print
