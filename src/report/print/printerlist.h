#pragma once

#include <chrono>
#include <string>
#include <vector>

// The system's printers as CUPS lists them, asked with a time limit: a print
// server that accepts connections but never answers (down, or out of reach)
// must not hold the program. Nothing here loads Qt's print support.
namespace marlune::report::print {

struct PrinterList {
    // False when the print server did not answer within the limit; then
    // there are no names.
    bool answered = true;
    // As Qt's printer list names them: the queue, or "queue/instance".
    std::vector<std::string> names;
    // The default printer's name, or empty.
    std::string defaultName;
};

// How long printing waits for the print server before it says that no
// printer answers; libcups adds up to about a second of its own.
inline constexpr std::chrono::milliseconds kPrinterAnswerLimit{2000};

// The message shown when the list could not be had in time.
inline constexpr const char* kNoPrinterAnswers =
    "No printer answers: the print server does not reply.";

// Asks the print server that CUPS is set up for (CUPS_SERVER, client.conf,
// the local scheduler) as Qt's printer list does, so the names are the same.
// No print server at all is an answer: no printers. Safe on any thread.
PrinterList ListPrinters(std::chrono::milliseconds limit = kPrinterAnswerLimit);

} // namespace marlune::report::print
