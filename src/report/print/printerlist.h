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

// How long one answer of the print server (or its silence) stands for the
// printers. The steps of one print command (the window's Print, the
// preview's Print, the print run) follow each other within seconds, and each
// ask of a silent server costs the user its limit and a message; a printer
// added or removed in CUPS still shows at a command made after this, sooner
// than a user can set one up and come back.
inline constexpr std::chrono::seconds kPrinterAnswerReuse{30};

// The list ListPrinters gave for the same print server no more than `maxAge`
// ago, or, when there is none that recent, its answer now, which is kept for
// the next call. A maxAge of zero always asks, and keeps the answer. Safe on
// any thread.
PrinterList RecentPrinters(std::chrono::milliseconds maxAge = kPrinterAnswerReuse);

// While one lives, RecentPrinters with a maxAge above zero reuses the answer
// it kept whatever its age: the print run that follows a print dialog prints to the printers the
// dialog showed, however long the user took, without asking again.
class PrinterAnswerHold {
public:
    PrinterAnswerHold();
    ~PrinterAnswerHold();
    PrinterAnswerHold(const PrinterAnswerHold&) = delete;
    PrinterAnswerHold& operator=(const PrinterAnswerHold&) = delete;
};

} // namespace marlune::report::print
