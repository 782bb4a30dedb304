#include "report/print/printrun.h"

#include "platform/error.h"
#include "report/buildprogress.h"
#include "report/pagelist.h"
#include "report/print/printjob.h"
#include "report/print/qprinterdevice.h"
#include "report/report.h"

#include <QElapsedTimer>

#include <algorithm>
#include <exception>

namespace marlune::report::print {

namespace {

class PrintRun {
public:
    PrintRun(Report& report, const PreparedPages& pages, std::vector<int> selected, int copies)
        : report_(report), pages_(pages), selected_(std::move(selected)), copies_(copies),
          job_(PlatformPrinter().Printer(), PrintJobTitle(report.Title))
    {
    }

    void Run()
    {
        ReportPrinter& printer = report_.Printer();
        if (!pages_.Empty()) {
            const PreparedPage& first = pages_[0];
            printer.SelectPaper(first.paperCode, first.paperWidth, first.paperHeight,
                                first.orientation);
        }
        // Copies are not collated: 1, 1, 2, 2, ...
        for (const int number : selected_) {
            for (int copy = 0; copy < copies_; ++copy) {
                PrintPage(number - 1);
                if (report_.Terminated) {
                    job_.Abandon();
                    return;
                }
            }
        }
        job_.End();
    }

private:
    void PrintPage(int index)
    {
        const PreparedPage& page = pages_[index];
        ReportPrinter& printer = report_.Printer();
        if (!printer.IsEqualCurrent(page.paperCode, page.paperWidth, page.paperHeight,
                                    page.orientation)) {
            // A printer takes its paper per job.
            job_.End();
            printer.SelectPaper(page.paperCode, page.paperWidth, page.paperHeight,
                                page.orientation);
        }
        QPainter& painter = job_.NextSheet();
        // The page is drawn in the geometry of the printer's paper as it is
        // now; the pages keep the one they were built or loaded with.
        PrintGeometry g = page.geometry;
        printer.FillGeometry(g);
        // With margins, report coordinates count from the paper's edge; the
        // painter's origin is the printable area's corner.
        const QRect area = page.useMargins ? QRect(-g.physicalOffsetXPx, -g.physicalOffsetYPx,
                                                   g.physicalWidthPx, g.physicalHeightPx)
                                           : QRect(0, 0, g.printableWidthPx, g.printableHeightPx);
        const double scaleX = g.paperWidth > 0 ? area.width() / double(g.paperWidth) : 1.0;
        const double scaleY = g.paperHeight > 0 ? area.height() / double(g.paperHeight) : 1.0;
        // Cancel is heard between views too (at a page's first view, then
        // every few milliseconds): one page may hold a great many, or a few
        // that take long to draw.
        sinceEvents_.invalidate();
        DrawPreparedPage(painter, pages_, index, scaleX, scaleY, area.left(), area.top(), true,
                         [this] { return Cancelled(); });
        if (!report_.Terminated) {
            Progress(index + 1);
        }
    }

    bool Cancelled()
    {
        constexpr int kEventsEveryMs = 50;
        BuildProgress* window = report_.ProgressWindow();
        if (window != nullptr &&
            (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= kEventsEveryMs)) {
            window->ProcessEvents();
            sinceEvents_.restart();
        }
        return report_.Terminated;
    }

    void Progress(int number)
    {
        if (report_.OnProgress) {
            report_.OnProgress(number);
            return;
        }
        if (BuildProgress* window = report_.ProgressWindow()) {
            window->SetLine("Printing page:  " + std::to_string(number));
            window->ProcessEvents();
        }
    }

    Report& report_;
    const PreparedPages& pages_;
    std::vector<int> selected_;
    int copies_;
    PrintJob job_;
    QElapsedTimer sinceEvents_;
};

} // namespace

std::string CopiesOutOfRange()
{
    return "The number of copies must be from 1 to " + std::to_string(kMaxCopies) + ".";
}

std::string PrintJobTitle(const std::string& title)
{
    return "Report: " + (title.empty() ? std::string("Untitled") : title);
}

bool PrintPreparedReport(Report& report, const PreparedPages& pages, const std::string& pageList,
                         int copies)
{
    report.Terminated = false;
    if (copies > kMaxCopies) {
        throw Error(CopiesOutOfRange());
    }
    // Qt's printer would wait for a silent print server without end. After a
    // print dialog, or a Print moments ago, the answer it had is reused.
    if (!AttachPlatformPrinter(report.Printer()).answered) {
        throw Error(kNoPrinterAnswers);
    }
    // Checked before the progress window opens: a list that is not valid
    // neither leaves a window on screen nor starts a job.
    PrintRun run(report, pages, ParsePageList(pageList, pages.Count()), std::max(copies, 1));
    BuildProgress* window = report.ProgressWindow();
    if (window == nullptr) {
        run.Run();
        return !report.Terminated;
    }
    // The run's errors leave the window's loop as results, not as exceptions
    // through the event loop.
    std::exception_ptr failure;
    const auto action = [&] {
        try {
            run.Run();
        } catch (...) {
            failure = std::current_exception();
        }
        window->Close(report.Terminated);
    };
    window->RunModal(report.ProgressCaption(), "Printing page:", action,
                     [&report] { report.Terminate(); });
    if (failure) {
        std::rethrow_exception(failure);
    }
    return !report.Terminated;
}

} // namespace marlune::report::print
