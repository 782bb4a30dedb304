#pragma once

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

class QProcess;

// A private CUPS scheduler for the printing tests: its own configuration,
// spool and port on 127.0.0.1, with PDF queues (the cups-pdf backend) that
// write every job to a folder of their own. The process's CUPS clients (Qt's
// printer list among them) are pointed at it through CUPS_SERVER.
namespace marlune::testing {

// One printed job as it arrived: its number and its text, one entry a page.
struct ArrivedJob {
    int id = 0;
    std::string file;
    std::vector<std::string> pages;
};

class CupsQueues {
public:
    // Starts the scheduler and adds the queues (the first is the default).
    // Failed() says why when any of it cannot be done.
    explicit CupsQueues(const std::vector<std::string>& queues);
    ~CupsQueues();
    CupsQueues(const CupsQueues&) = delete;
    CupsQueues& operator=(const CupsQueues&) = delete;

    bool Failed() const { return !failure_.empty(); }
    const std::string& Failure() const { return failure_; }
    // Adds a queue to the running scheduler; false (and Failure() says why)
    // when it cannot.
    bool Add(const std::string& queue);
    // The queue's name as the printer list shows it.
    std::string Name(const std::string& queue) const;

    // Waits until the scheduler has finished every job, then returns the
    // jobs of the queue that arrived since the last call, in job order.
    std::vector<ArrivedJob> TakeJobs(const std::string& queue);

private:
    bool Run(const QStringList& command, std::string* output = nullptr);
    std::string OutDir(const std::string& queue) const;

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> cupsd_;
    std::string server_;
    std::string prefix_;
    std::vector<std::string> configs_; // the backend's per-queue files
    std::vector<std::string> seen_;
    std::string failure_;
};

// A line of what pdfinfo tells of a PDF file ("Title", "Page size"), without
// its key.
std::string PdfInfo(const std::string& file, const std::string& key);

} // namespace marlune::testing
