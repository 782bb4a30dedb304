#pragma once

#include <QPainter>

#include <memory>
#include <string>

class QPdfWriter;
class QPrinter;
class QTemporaryFile;

// One print job for a CUPS printer. The sheets are drawn into a PDF file with
// the printer's page layout and resolution, and the file goes to the printer
// only when the job ends, so an abandoned job sends nothing at all (QPrinter
// itself cannot take back what it has begun). The job begins with its first
// sheet: a job without sheets sends nothing either.
namespace marlune::report::print {

class PrintJob {
public:
    // `printer` names the destination and gives the paper; it must keep the
    // same paper while the job runs.
    PrintJob(QPrinter& printer, std::string title);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // The painter of the next sheet (the job's first or a new page), with
    // its origin at the printable area's corner as on the printer.
    QPainter& NextSheet();
    // Sends the job to the printer, if it has begun. Raises marlune::Error
    // when the printer does not take it.
    void End();
    // Drops the sheets drawn so far.
    void Abandon();

private:
    void Begin();

    QPrinter& printer_;
    std::string title_;
    std::unique_ptr<QTemporaryFile> file_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
};

} // namespace marlune::report::print
