#include "report/print/printerlist.h"

#include <cups/cups.h>

#include <memory>
#include <mutex>
#include <optional>

namespace marlune::report::print {

namespace {

using Clock = std::chrono::steady_clock;

struct Deadline {
    Clock::time_point end;
    bool passed = false;
};

// Called by libcups whenever a read or write has waited one interval: go on
// until the deadline.
int KeepWaiting(http_t* /*http*/, void* data)
{
    auto* deadline = static_cast<Deadline*>(data);
    if (Clock::now() < deadline->end) {
        return 1;
    }
    deadline->passed = true;
    return 0;
}

std::string QueueName(const cups_dest_t& dest)
{
    std::string name = dest.name;
    if (dest.instance != nullptr) {
        name += '/';
        name += dest.instance;
    }
    return name;
}

struct CloseHttp {
    void operator()(http_t* http) const { httpClose(http); }
};

// The last answer, for the print server it came from.
struct KeptAnswer {
    std::mutex mutex;
    std::string server;
    Clock::time_point asked;
    std::optional<PrinterList> list;
    int holds = 0;
};

KeptAnswer& Kept()
{
    static KeptAnswer kept;
    return kept;
}

// The server as libcups will be asked: CUPS_SERVER, client.conf or the local
// scheduler, read without a connection.
std::string ServerName()
{
    return std::string(cupsServer()) + ':' + std::to_string(ippPort());
}

} // namespace

PrinterList ListPrinters(std::chrono::milliseconds limit)
{
    PrinterList list;
    Deadline deadline{Clock::now() + limit};
    const std::unique_ptr<http_t, CloseHttp> http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                     static_cast<int>(limit.count()), nullptr));
    if (!http) {
        // Refused at once: there is no print server. A connection still not
        // made at the limit is a server that does not answer.
        list.answered = Clock::now() < deadline.end;
        return list;
    }
    // Short waits, so that the deadline holds across every exchange.
    constexpr double kInterval = 0.1;
    httpSetTimeout(http.get(), kInterval, &KeepWaiting, &deadline);
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(http.get(), &dests);
    if (deadline.passed) {
        list.answered = false;
    } else {
        for (int i = 0; i < count; ++i) {
            list.names.push_back(QueueName(dests[i]));
            if (dests[i].is_default != 0 && list.defaultName.empty()) {
                list.defaultName = list.names.back();
            }
        }
    }
    cupsFreeDests(count, dests);
    return list;
}

PrinterList RecentPrinters(std::chrono::milliseconds maxAge)
{
    KeptAnswer& kept = Kept();
    // Held while asking, so that a second caller takes this answer instead of
    // asking too.
    const std::lock_guard lock(kept.mutex);
    const std::string server = ServerName();
    if (kept.list && kept.server == server && maxAge.count() > 0 &&
        (kept.holds > 0 || Clock::now() - kept.asked < maxAge)) {
        return *kept.list;
    }
    kept.list = ListPrinters();
    kept.server = server;
    kept.asked = Clock::now();
    return *kept.list;
}

PrinterAnswerHold::PrinterAnswerHold()
{
    const std::lock_guard lock(Kept().mutex);
    ++Kept().holds;
}

PrinterAnswerHold::~PrinterAnswerHold()
{
    const std::lock_guard lock(Kept().mutex);
    --Kept().holds;
}

} // namespace marlune::report::print
