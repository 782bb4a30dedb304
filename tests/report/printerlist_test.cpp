// The printer list asked with a time limit: against Qt's own list on a real
// scheduler, and beside print servers that are missing or never answer.
#include "../table/support.h"
#include "cupsqueues.h"
#include "listreport.h"
#include "servers.h"

#include "platform/error.h"
#include "platform/gui/messagebox.h"
#include "postcodelist/postcodelist.h"
#include "report/print/printerlist.h"
#include "report/print/printform.h"
#include "report/print/printrun.h"
#include "report/print/qprinterdevice.h"
#include "report/report.h"
#include "report/reportprinter.h"
#include "report/shapeview.h"

#include <QPrinterInfo>

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace marlune::report::print {
namespace {

using Clock = std::chrono::steady_clock;

// Points the process's CUPS clients at `server` (unchanged: none) and puts
// the setting back when it goes.
class ServerScope {
public:
    explicit ServerScope(const std::optional<std::string>& server = std::nullopt)
    {
        if (qEnvironmentVariableIsSet("CUPS_SERVER")) {
            previous_ = qgetenv("CUPS_SERVER");
        }
        if (server) {
            qputenv("CUPS_SERVER", QByteArray::fromStdString(*server));
        }
        cupsSetServer(nullptr); // libcups keeps the name it read first
    }
    ~ServerScope()
    {
        if (previous_) {
            qputenv("CUPS_SERVER", *previous_);
        } else {
            qunsetenv("CUPS_SERVER");
        }
        cupsSetServer(nullptr);
    }
    ServerScope(const ServerScope&) = delete;
    ServerScope& operator=(const ServerScope&) = delete;

private:
    std::optional<QByteArray> previous_;
};

TEST(PrinterList, WithoutAnAnswerInTimeNoPrinterAndNoWaitBeyondTheLimit)
{
    const testing::SilentPort silent; // a print server that is down
    // A refused connection answers at once: its limit is generous, so that a
    // loaded machine does not turn the refusal into silence.
    const struct {
        std::string name, server;
        std::chrono::milliseconds limit;
        bool answered;
    } cases[] = {
        {"no print server", "127.0.0.1:" + std::to_string(testing::ClosedPort()),
         std::chrono::seconds(5), true},
        {"a print server that never answers", silent.HostPort(), std::chrono::milliseconds(300),
         false},
    };
    for (const auto& c : cases) {
        const ServerScope scope(c.server);
        const auto start = Clock::now();
        const PrinterList list = ListPrinters(c.limit);
        const auto waited = Clock::now() - start;
        EXPECT_EQ(list.answered, c.answered) << c.name;
        EXPECT_TRUE(list.names.empty()) << c.name;
        EXPECT_LT(waited, c.limit + std::chrono::seconds(2)) << c.name;

        // The printer layer then has its built-in printer only.
        ReportPrinter printer;
        EXPECT_EQ(AttachPlatformPrinter(printer).answered, c.answered) << c.name;
        EXPECT_EQ(printer.BuiltInIndex(), 0) << c.name;
        EXPECT_TRUE(printer.IsBuiltIn()) << c.name;
    }
}

// One Print from the window, through the preview's print command and its
// print run, asks a print server that never answers once: the steps after
// the window's Print connect no more.
TEST(PrinterList, OnePrintCommandAsksASilentServerOnce)
{
    testing::SilentPort silent;
    const ServerScope scope(silent.HostPort());
    test::ListReport list;
    table::testing::Load(list.table, table::testing::NumberedRecords(40));
    std::vector<std::string> messages;
    const platform::gui::ScopedMessageBoxShower shower{
        [&messages](const platform::gui::MessageBoxRequest& request) {
            messages.push_back(request.text.toStdString());
        }};
    EXPECT_FALSE(AttachReportToPrinters(list.report).answered);
    // libcups may connect more than once for one ask.
    const int oneAsk = silent.Connections();
    ASSERT_GT(oneAsk, 0);
    std::optional<PreparedPages> pages = list.report.Build();
    ASSERT_TRUE(pages && !pages->Empty());
    EXPECT_FALSE(RunPrintCommand(list.report, *pages, 1, nullptr).printed);
    EXPECT_EQ(messages, std::vector<std::string>{kNoPrinterAnswers});
    EXPECT_THROW(PrintPreparedReport(list.report, *pages, "", 1), Error);
    EXPECT_EQ(silent.Connections(), oneAsk);
}

class PrinterListOnAScheduler : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (queues_.Failed()) {
            GTEST_SKIP() << "printing on CUPS skipped: " << queues_.Failure();
        }
        cupsSetServer(nullptr); // the queues' scheduler, not a name read before
    }

    // Made before the queues, which point CUPS_SERVER at their scheduler, and
    // gone after them.
    ServerScope restore_;
    testing::CupsQueues queues_{{"first", "second"}};
};

TEST_F(PrinterListOnAScheduler, NamesTheSamePrintersAndDefaultAsQt)
{
    const PrinterList list = ListPrinters();
    ASSERT_TRUE(list.answered);
    std::vector<std::string> qt;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
        qt.push_back(name.toStdString());
    }
    EXPECT_EQ(list.names, qt);
    EXPECT_EQ(list.defaultName, QPrinterInfo::defaultPrinterName().toStdString());
    EXPECT_EQ(list.defaultName, queues_.Name("first"));
}

// Asking for printers when the user prints gives every template page the
// paper and geometry that asking at start-up, before the template was read,
// gave.
TEST_F(PrinterListOnAScheduler, PagesAttachedOnPrintMatchPagesLoadedWithThePrinters)
{
    ReportPrinter atStart;
    ASSERT_TRUE(AttachPlatformPrinter(atStart).answered);
    ShapeObject shapes;
    Report loadedWithPrinters(atStart);
    marlune::postcodelist::LoadPostcodeListTemplate(loadedWithPrinters);

    ReportPrinter onPrint;
    Report attachedLater(onPrint);
    marlune::postcodelist::LoadPostcodeListTemplate(attachedLater);
    ASSERT_TRUE(onPrint.IsBuiltIn());
    const PrintGeometry builtIn = attachedLater.Pages.at(0)->Geometry;
    ASSERT_TRUE(AttachReportToPrinters(attachedLater).answered);

    EXPECT_EQ(onPrint.PrinterNames(), atStart.PrinterNames());
    EXPECT_EQ(onPrint.CurrentPrinterName(), queues_.Name("first"));
    ASSERT_EQ(attachedLater.Pages.size(), loadedWithPrinters.Pages.size());
    for (std::size_t i = 0; i < attachedLater.Pages.size(); ++i) {
        const ReportPage& later = *attachedLater.Pages[i];
        const ReportPage& loaded = *loadedWithPrinters.Pages[i];
        EXPECT_EQ(later.PaperCode, loaded.PaperCode) << i;
        EXPECT_EQ(later.PaperWidth, loaded.PaperWidth) << i;
        EXPECT_EQ(later.PaperHeight, loaded.PaperHeight) << i;
        EXPECT_EQ(later.Geometry, loaded.Geometry) << i;
    }
    // The queue's margins are not the built-in printer's 5 millimetres.
    EXPECT_NE(attachedLater.Pages.at(0)->Geometry, builtIn);
}

// The window's Print asks afresh, so a queue added since shows; the steps
// after it reuse its answer, as a print run does the dialog's however long
// that stays open, until the answer is older than they accept.
TEST_F(PrinterListOnAScheduler, AQueueAddedBetweenTwoPrintCommandsShowsInTheSecond)
{
    test::ListReport list;
    const ReportPrinter& printer = list.report.Printer();
    const auto shows = [&printer](const std::string& name) {
        const auto& names = printer.PrinterNames();
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    const std::chrono::milliseconds shortAge{5}; // the answers below are older
    ASSERT_TRUE(AttachReportToPrinters(list.report).answered);
    ASSERT_TRUE(shows(queues_.Name("second")));
    ASSERT_TRUE(queues_.Add("third")) << queues_.Failure();

    // The preview's Print moments later, and a print run under a dialog's
    // hold, keep the answer.
    ASSERT_TRUE(AttachPlatformPrinter(list.report.Printer()).answered);
    EXPECT_FALSE(shows(queues_.Name("third")));
    {
        const PrinterAnswerHold hold;
        std::this_thread::sleep_for(2 * shortAge);
        ASSERT_TRUE(AttachPlatformPrinter(list.report.Printer(), shortAge).answered);
        EXPECT_FALSE(shows(queues_.Name("third")));
    }

    ASSERT_TRUE(AttachReportToPrinters(list.report).answered);
    EXPECT_TRUE(shows(queues_.Name("third")));

    // A Print from the preview after the answer is too old asks again.
    ASSERT_TRUE(queues_.Add("fourth")) << queues_.Failure();
    std::this_thread::sleep_for(2 * shortAge);
    ASSERT_TRUE(AttachPlatformPrinter(list.report.Printer(), shortAge).answered);
    EXPECT_TRUE(shows(queues_.Name("fourth")));
}

} // namespace
} // namespace marlune::report::print
