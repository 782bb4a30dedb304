// The print dialog and the print run: the dialog driven as a user would, the
// pages printed on PDF queues of a private CUPS scheduler and read back from
// the PDF files that arrive.
#include "../table/support.h"
#include "cupsqueues.h"
#include "fakeprinter.h"
#include "listreport.h"

#include "platform/error.h"
#include "platform/gui/messagebox.h"
#include "postcodelist/postcodelist.h"
#include "report/preview/previewform.h"
#include "report/preview/progressform.h"
#include "report/preview/reportpreview.h"
#include "report/print/printform.h"
#include "report/print/printrun.h"
#include "report/print/qprinterdevice.h"
#include "report/report.h"
#include "report/shapeview.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

#include <unistd.h>

namespace marlune::report::print {
namespace {

using testing::ArrivedJob;
using testing::CupsQueues;

// The application object for the whole run, and one scheduler with two PDF
// queues, started when a test first prints.
class PrintEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "report_print_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override
    {
        queues_.reset();
        app_.reset();
    }

    CupsQueues& Queues()
    {
        if (!queues_) {
            queues_ = std::make_unique<CupsQueues>(std::vector<std::string>{"a", "b"});
        }
        return *queues_;
    }

private:
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<CupsQueues> queues_;
};

PrintEnvironment* const environment =
    static_cast<PrintEnvironment*>(::testing::AddGlobalTestEnvironment(new PrintEnvironment));

CupsQueues& Queues()
{
    return environment->Queues();
}

// The report's progress window, recording what it shows; it can press its
// Cancel button when a line appears.
class RecordingProgress final : public BuildProgress {
public:
    bool RunModal(const std::string& caption, const std::string& line,
                  const std::function<void()>& action, const std::function<void()>& cancel) override
    {
        captions.push_back(caption);
        lines.push_back(line);
        return form.RunModal(caption, line, action, cancel);
    }
    bool Showing() const override { return form.Showing(); }
    void SetCaption(const std::string& caption) override { form.SetCaption(caption); }
    void SetLine(const std::string& line) override
    {
        lines.push_back(line);
        form.SetLine(line);
        if (line == cancelAt) {
            form.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        }
    }
    void Close(bool cancelled) override { form.Close(cancelled); }
    void ProcessEvents() override
    {
        form.ProcessEvents();
        if (++events == cancelAtEvents) {
            form.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        }
    }

    preview::ProgressForm form;
    int events = 0;
    int cancelAtEvents = 0;
    std::vector<std::string> captions;
    std::vector<std::string> lines;
    std::string cancelAt;
};

// Runs `step` on the print dialog once it is on screen.
void WhenDialogShows(const std::function<void(PrintForm&)>& step)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        if (auto* form = dynamic_cast<PrintForm*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            step(*form);
            if (form->isVisible()) {
                ADD_FAILURE() << "the print dialog is still open";
                form->reject();
            }
        }
    });
    timer->start(10);
}

void PressOk(PrintForm& form, const std::string& pages, const std::string& copies)
{
    form.pageNumbersButton()->click();
    form.pageNumbersEdit()->setText(QString::fromStdString(pages));
    form.copiesEdit()->setText(QString::fromStdString(copies));
    form.okButton()->click();
}

// Chooses the queue's printer in the dialog and prints page 1 once.
std::function<void(PrintForm&)> ChoosePrinter(const std::string& queue)
{
    return [queue](PrintForm& form) {
        const int index =
            form.printerCombo()->findText(QString::fromStdString(Queues().Name(queue)));
        ASSERT_GE(index, 0);
        form.printerCombo()->setCurrentIndex(index);
        Q_EMIT form.printerCombo()->activated(index);
        PressOk(form, "1", "1");
    };
}

// The number "n of m" that the postcode list's footer prints on each page.
std::string Footer(int page, int count)
{
    return std::to_string(page) + " of " + std::to_string(count);
}

class PrintCommand : public ::testing::Test, protected test::ListReport {
protected:
    void SetUp() override
    {
        if (Queues().Failed()) {
            GTEST_SKIP() << "printing on CUPS skipped: " << Queues().Failure();
        }
        table::testing::Load(table, table::testing::NumberedRecords(220));
        std::optional<PreparedPages> built = report.Build();
        ASSERT_TRUE(built);
        pages = std::move(*built);
        count = pages.Count();
        ASSERT_GE(count, 4);
        report.Progress = &progress;
        Queues().TakeJobs("a");
        Queues().TakeJobs("b");
    }

    // The print command as the preview runs it, with `step` in the dialog;
    // true when it rebuilt the pages, which then replace the test's.
    bool Print(const std::function<void(PrintForm&)>& step, int currentPage = 1)
    {
        WhenDialogShows(step);
        PrintOutcome outcome = RunPrintCommand(report, pages, currentPage, nullptr);
        if (outcome.rebuilt) {
            pages = std::move(*outcome.rebuilt);
        }
        return outcome.rebuilt.has_value();
    }

    std::vector<std::string> messages;
    platform::gui::ScopedMessageBoxShower shower{
        [this](const platform::gui::MessageBoxRequest& request) {
            messages.push_back(request.text.toStdString());
        }};
    PreparedPages pages;
    int count = 0;
    RecordingProgress progress;
};

TEST_F(PrintCommand, PrintsTheChosenPagesEachAsOftenAsTheCopiesInOneJob)
{
    const struct {
        std::string list;
        std::string copies;
        std::vector<int> printed; // the footers that arrive, in order
    } cases[] = {
        {"2", "3", {2, 2, 2}},
        {" 1 , 3 ", "1", {1, 3}},
        {"3,1-2", "2", {1, 1, 2, 2, 3, 3}},
    };
    for (const auto& c : cases) {
        progress.lines.clear();
        ASSERT_FALSE(Print([&](PrintForm& form) { PressOk(form, c.list, c.copies); })) << c.list;
        const std::vector<ArrivedJob> jobs = Queues().TakeJobs("a");
        if (c.printed.empty()) {
            // Nothing selected: not even an empty sheet goes to the printer.
            EXPECT_TRUE(jobs.empty()) << c.list;
            continue;
        }
        ASSERT_EQ(jobs.size(), 1U) << c.list;
        ASSERT_EQ(jobs[0].pages.size(), c.printed.size()) << c.list;
        std::vector<std::string> expectedLines{"Printing page:"};
        for (std::size_t i = 0; i < c.printed.size(); ++i) {
            EXPECT_NE(jobs[0].pages[i].find(Footer(c.printed[i], count)), std::string::npos)
                << c.list << " sheet " << i << ":\n"
                << jobs[0].pages[i];
            expectedLines.push_back("Printing page:  " + std::to_string(c.printed[i]));
        }
        EXPECT_EQ(progress.lines, expectedLines) << c.list;
        EXPECT_EQ(testing::PdfInfo(jobs[0].file, "Title"), "(Report: Marlune)");
    }
    EXPECT_EQ(progress.captions.back(), "Report preparing - Marlune");
    EXPECT_TRUE(messages.empty());

    // "Current page" prints the preview's current page.
    ASSERT_FALSE(Print(
        [](PrintForm& form) {
            form.currentPageButton()->click();
            form.okButton()->click();
        },
        4));
    const std::vector<ArrivedJob> jobs = Queues().TakeJobs("a");
    ASSERT_EQ(jobs.size(), 1U);
    ASSERT_EQ(jobs[0].pages.size(), 1U);
    EXPECT_NE(jobs[0].pages[0].find(Footer(4, count)), std::string::npos);
}

TEST_F(PrintCommand, APageOnOtherPaperGoesInAJobOfItsOwn)
{
    PreparedPage& second = pages[1];
    second.paperCode = 11; // A5
    second.paperWidth = 1480;
    second.paperHeight = 2100;
    ASSERT_FALSE(Print([](PrintForm& form) { PressOk(form, "1-3", "1"); }));
    const std::vector<ArrivedJob> jobs = Queues().TakeJobs("a");
    ASSERT_EQ(jobs.size(), 3U);
    // Page 2 keeps its A4 layout, drawn on A5: its top rows are there, its
    // footer falls below the paper.
    const char* sizes[] = {"(A4)", "(A5)", "(A4)"};
    const std::string texts[] = {Footer(1, count), "PLACE 52 ", Footer(3, count)};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(jobs[i].pages.size(), 1U);
        EXPECT_NE(jobs[i].pages[0].find(texts[i]), std::string::npos) << jobs[i].pages[0];
        EXPECT_NE(testing::PdfInfo(jobs[i].file, "Page size").find(sizes[i]), std::string::npos)
            << testing::PdfInfo(jobs[i].file, "Page size");
    }
}

TEST_F(PrintCommand, CancelAbandonsTheJobAfterTheSheetInPrint)
{
    progress.cancelAt = "Printing page:  2";
    ASSERT_FALSE(Print([](PrintForm& form) {
        EXPECT_TRUE(form.allPagesButton()->isChecked()); // all pages
        form.okButton()->click();
    }));
    EXPECT_TRUE(report.Terminated);
    EXPECT_EQ(progress.lines.back(), "Printing page:  2");
    EXPECT_FALSE(progress.form.isVisible());
    EXPECT_TRUE(Queues().TakeJobs("a").empty());
    // The pages are the preview's again, whole.
    EXPECT_EQ(pages.Count(), count);
}

TEST_F(PrintCommand, CancelIsHeardWhileAPageIsDrawn)
{
    progress.cancelAtEvents = 1; // on the first page, before it is complete

    ASSERT_FALSE(Print([](PrintForm& form) { form.okButton()->click(); }));
    EXPECT_TRUE(report.Terminated);
    EXPECT_EQ(progress.lines, std::vector<std::string>{"Printing page:"});
    EXPECT_TRUE(Queues().TakeJobs("a").empty());
}

TEST_F(PrintCommand, ATemporaryFolderTooSmallForTheJobIsSaidAndNothingIsSent)
{
    QTemporaryDir dir;
    const std::string small = dir.path().toStdString();
    if (::geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=64k tmpfs '" + small + "'").c_str()) != 0) {
        GTEST_SKIP() << "a small tmpfs cannot be mounted here";
    }
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    std::string said;
    try {
        Print([](PrintForm& form) { PressOk(form, "", "10"); });
    } catch (const Error& e) {
        said = e.Message();
    }
    qputenv("TMPDIR", tmpdir);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_EQ(std::system(("umount '" + small + "'").c_str()), 0);
    EXPECT_NE(said.find("could not be written to " + small + "/"), std::string::npos) << said;
    EXPECT_NE(said.find("No space left on device"), std::string::npos) << said;
    EXPECT_TRUE(Queues().TakeJobs("a").empty());
}

TEST_F(PrintCommand, APageListOrCopiesNotValidIsSaidAndTheDialogStaysOpen)
{
    bool stayedOpen = false;
    ASSERT_FALSE(Print([&](PrintForm& form) {
        PressOk(form, "1,x", "1");
        PressOk(form, "1", "two");
        PressOk(form, "1-", "1");
        stayedOpen = form.isVisible() && progress.captions.empty();
        PressOk(form, "1", "1");
    }));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(messages, (std::vector<std::string>{"'x' is not a valid integer value.",
                                                  "'two' is not a valid integer value.",
                                                  "'' is not a valid integer value."}));
    const std::vector<ArrivedJob> jobs = Queues().TakeJobs("a");
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_EQ(jobs[0].pages.size(), 1U);

    // The run itself refuses such a list before its window opens.
    progress.captions.clear();
    EXPECT_THROW(PrintPreparedReport(report, pages, "2-x", 1), Error);
    EXPECT_TRUE(progress.captions.empty());
    EXPECT_TRUE(Queues().TakeJobs("a").empty());
}

TEST_F(PrintCommand, PagesThatAreNotThereOrCopiesOutOfRangeAreSaidAndTheDialogStaysOpen)
{
    const std::string last = std::to_string(count);
    const struct {
        std::string list;
        std::string copies;
        std::string said;
    } cases[] = {
        {"0", "1", "There is no page 0: the report has pages 1 to " + last + "."},
        {"999", "1", "There is no page 999: the report has pages 1 to " + last + "."},
        {"5-3", "1", "The range 5-3 ends before it starts."},
        {"1", "0", "The number of copies must be from 1 to 999."},
        {"1", "-5", "The number of copies must be from 1 to 999."},
        {"1", "1000000", "The number of copies must be from 1 to 999."},
    };
    std::vector<std::string> said;
    ASSERT_FALSE(Print([&](PrintForm& form) {
        for (const auto& c : cases) {
            PressOk(form, c.list, c.copies);
            said.push_back(form.isVisible() ? c.said : "closed");
        }
        PressOk(form, "2", "1");
    }));
    EXPECT_EQ(messages, said);
    const std::vector<ArrivedJob> jobs = Queues().TakeJobs("a");
    ASSERT_EQ(jobs.size(), 1U);
    ASSERT_EQ(jobs[0].pages.size(), 1U);

    // The run on its own: such a range sends nothing, such copies nothing.
    EXPECT_TRUE(PrintPreparedReport(report, pages, "5-3", 1));
    EXPECT_THROW(PrintPreparedReport(report, pages, "1", 100000), Error);
    EXPECT_TRUE(Queues().TakeJobs("a").empty());
}

TEST_F(PrintCommand, AnotherPrinterRebuildsTheReportUnlessItCannotBeRebuilt)
{
    // A blank first page shows whether the pages printed are the ones the
    // preview had or new ones.
    pages[0].stream.resize(1);
    report.CanRebuild = false;
    ASSERT_FALSE(Print(ChoosePrinter("b")));
    std::vector<ArrivedJob> jobs = Queues().TakeJobs("b");
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_EQ(jobs[0].pages.at(0).find(Footer(1, count)), std::string::npos);

    report.CanRebuild = true;
    ASSERT_TRUE(Print(ChoosePrinter("a")));
    jobs = Queues().TakeJobs("a");
    ASSERT_EQ(jobs.size(), 1U);
    EXPECT_NE(jobs[0].pages.at(0).find(Footer(1, count)), std::string::npos);
    EXPECT_EQ(pages.Count(), count);
    EXPECT_GT(pages[0].stream.size(), 1U);
}

// Print from the preview, as the program wires it, with another printer
// chosen: a Cancel while the report is built anew leaves the preview its
// pages; a finished build replaces them, and the preview's page count is
// the one the printed footer states.
TEST_F(PrintCommand, APrinterChangeFromThePreviewLeavesItShowingTheRebuiltPages)
{
    // More records than the preview's pages were built from.
    table.Close();
    table::testing::Load(table, table::testing::NumberedRecords(400));
    ASSERT_TRUE(AttachPlatformPrinter(report.Printer()).answered);
    report.ModalPreview = false;
    preview::ShowReportPreview(report, std::move(pages), "Preview", nullptr, RunPrintCommand);
    std::unique_ptr<preview::PreviewForm> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* form = dynamic_cast<preview::PreviewForm*>(widget)) {
            shown.reset(form);
        }
    }
    ASSERT_TRUE(shown);
    const auto other = [this] {
        return report.Printer().CurrentPrinterName() == Queues().Name("a") ? "b" : "a";
    };

    // A dialog closed with Cancel, and a rebuild cancelled, print nothing and
    // leave the preview where it was.
    shown->GoToPage(2);
    WhenDialogShows([](PrintForm& form) { form.reject(); });
    QTest::keyClick(shown.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(shown->PageIndicator(), QStringLiteral("Page 2/%1").arg(count));
    progress.cancelAt = "Performing 1st pass:  2";
    WhenDialogShows(ChoosePrinter(other()));
    QTest::keyClick(shown.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(shown->Pages().Count(), count);
    EXPECT_EQ(shown->PageIndicator(), QStringLiteral("Page 2/%1").arg(count));
    EXPECT_TRUE(Queues().TakeJobs("a").empty());
    EXPECT_TRUE(Queues().TakeJobs("b").empty());

    progress.cancelAt.clear();
    const std::string queue = other();
    WhenDialogShows(ChoosePrinter(queue));
    shown->GoToPage(3);
    QTest::keyClick(shown.get(), Qt::Key_P, Qt::ControlModifier);
    const int rebuilt = shown->Pages().Count();
    EXPECT_GT(rebuilt, count);
    EXPECT_EQ(shown->PageIndicator(), QStringLiteral("Page 1/%1").arg(rebuilt));
    const std::vector<ArrivedJob> jobs = Queues().TakeJobs(queue);
    ASSERT_EQ(jobs.size(), 1U);
    ASSERT_EQ(jobs[0].pages.size(), 1U);
    EXPECT_NE(jobs[0].pages[0].find(Footer(1, rebuilt)), std::string::npos) << jobs[0].pages[0];
    EXPECT_TRUE(messages.empty());
}

// The dialog's own behaviour, over a printer layer with two fake printers.
class PrintDialog : public ::testing::Test {
protected:
    void SetUp() override { printer.AttachPrinter(&device); }

    test::FakePrinter device{600, 600, 50, 50};
    ReportPrinter printer;
    std::vector<platform::gui::MessageBoxRequest> messages;
    platform::gui::ScopedMessageBoxShower shower{
        [this](const platform::gui::MessageBoxRequest& request) { messages.push_back(request); }};
};

TEST_F(PrintDialog, ArrowsNumbersAndAPrinterChosenThenCancelled)
{
    PrintForm form(printer, 10);
    form.show();
    EXPECT_EQ(form.printerCombo()->count(), 2);
    EXPECT_EQ(form.printerCombo()->currentText(), QStringLiteral("Laser"));
    form.copiesUpButton()->click();
    form.copiesUpButton()->click();
    EXPECT_EQ(form.copiesEdit()->text(), QStringLiteral("3"));
    form.copiesDownButton()->click();
    EXPECT_EQ(form.copiesEdit()->text(), QStringLiteral("2"));
    QTest::keyClick(form.copiesEdit(), Qt::Key_Up);
    EXPECT_EQ(form.copiesEdit()->text(), QStringLiteral("3"));
    QTest::keyClick(form.copiesEdit(), Qt::Key_Down);
    form.copiesEdit()->setText(QStringLiteral("-4"));
    form.copiesDownButton()->click();
    EXPECT_EQ(form.copiesEdit()->text(), QStringLiteral("1"));

    QTest::mouseClick(form.pageNumbersEdit(), Qt::LeftButton);
    EXPECT_TRUE(form.pageNumbersButton()->isChecked());
    form.allPagesButton()->click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.pageNumbersButton()->click();
    EXPECT_TRUE(form.pageNumbersEdit()->hasFocus());
    form.currentPageButton()->click();
    EXPECT_EQ(form.PageList(7), "7");

    form.printerCombo()->setCurrentIndex(1);
    Q_EMIT form.printerCombo()->activated(1);
    EXPECT_EQ(printer.PrinterIndex(), 1);
    form.cancelButton()->click();
    EXPECT_EQ(printer.PrinterIndex(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PrintDialog, APrinterThatTakesNoPaperIsNotValid)
{
    ShapeObject shapes;
    Report report(printer);
    marlune::postcodelist::LoadPostcodeListTemplate(report);
    const PrintGeometry before = report.Pages.front()->Geometry;
    device.refusingPrinter = 1;
    EXPECT_FALSE(ChangeReportPrinter(report, 1, 0));
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, QStringLiteral("Printer selected is not valid"));
    EXPECT_EQ(messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(messages[0].icon, platform::gui::MessageIcon::Error);
    EXPECT_EQ(printer.PrinterIndex(), 0);
    EXPECT_EQ(report.Pages.front()->Geometry, before);
}

} // namespace
} // namespace marlune::report::print
