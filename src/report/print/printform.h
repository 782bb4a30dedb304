#pragma once

#include "report/preparedpages.h"
#include "report/printoutcome.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>

#include <optional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace marlune::report {
class Report;
class ReportPrinter;
} // namespace marlune::report

// The print dialog: printer, copies and page range. Choosing a printer
// selects it in the printer layer at once; closing without OK selects the
// printer that was current when the dialog opened again.
namespace marlune::report::print {

// The printer list: each name drawn beside a small printer icon.
class PrinterComboBox final : public QComboBox {
public:
    explicit PrinterComboBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A small button with an arrow glyph, up or down.
class ArrowButton final : public QAbstractButton {
public:
    ArrowButton(bool up, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {17, 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool up_;
};

class PrintForm final : public QDialog {
public:
    PrintForm(ReportPrinter& printer, int pageCount, QWidget* parent = nullptr);

    // The printer current when the dialog opened.
    int RememberedIndex() const { return remembered_; }
    // After OK: empty for all pages, the current page's number, or the
    // numbers typed.
    std::string PageList(int currentPage) const;
    int Copies() const;

    // Checks the copies and the page list; says what is wrong and stays
    // open when either is not valid.
    void accept() override;
    void reject() override;

    // The controls a caller drives, as a user would.
    QComboBox* printerCombo() const { return printerCombo_; }
    QLineEdit* copiesEdit() const { return copiesEdit_; }
    QAbstractButton* copiesUpButton() const { return copiesUpButton_; }
    QAbstractButton* copiesDownButton() const { return copiesDownButton_; }
    QRadioButton* allPagesButton() const { return allPagesButton_; }
    QRadioButton* currentPageButton() const { return currentPageButton_; }
    QRadioButton* pageNumbersButton() const { return pageNumbersButton_; }
    QLineEdit* pageNumbersEdit() const { return pageNumbersEdit_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPrinters();
    void ShowProperties();
    // The copies typed, or nullopt after saying why they are not valid.
    std::optional<int> ReadCopies();
    void StepCopies(int step);

    ReportPrinter& printer_;
    int pageCount_;
    int remembered_;

    QGroupBox* printerBox_ = nullptr;
    PrinterComboBox* printerCombo_ = nullptr;
    QPushButton* propertiesButton_ = nullptr;
    QLabel* copiesLabel_ = nullptr;
    QLineEdit* copiesEdit_ = nullptr;
    ArrowButton* copiesUpButton_ = nullptr;
    ArrowButton* copiesDownButton_ = nullptr;
    QGroupBox* pageRangeBox_ = nullptr;
    QRadioButton* allPagesButton_ = nullptr;
    QRadioButton* currentPageButton_ = nullptr;
    QRadioButton* pageNumbersButton_ = nullptr;
    QLineEdit* pageNumbersEdit_ = nullptr;
    QLabel* pageNumbersHint_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

// The preview's print command. Does nothing without pages or without a
// printer; otherwise opens the print dialog over `parent`, and on OK prints
// `pages`, which it only reads. When another printer was chosen (and
// report.CanRebuild) it builds the report anew for that printer, prints the
// new pages instead and returns them: the caller shows those from then on.
// A dialog closed with Cancel prints nothing and says so in the outcome.
// An error while printing new pages goes to the default error handling, so
// that they still reach the caller; other errors are raised. `currentPage`
// counts from 1. It asks the print server for printers only when no answer
// is recent (see AttachPlatformPrinter), and its print run asks no more.
PrintOutcome RunPrintCommand(Report& report, const PreparedPages& pages, int currentPage,
                             QWidget* parent);

// Moves the report to the printer layer's printer `index`: every template
// page selects its paper again. On an error says "Printer selected is not
// valid", goes back to the printer `previous` and returns false.
bool ChangeReportPrinter(Report& report, int index, int previous);

} // namespace marlune::report::print
