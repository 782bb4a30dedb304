#include "report/print/printjob.h"

#include "platform/cp1252.h"
#include "platform/error.h"

#include <QDir>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cups/cups.h>

namespace marlune::report::print {

namespace {

// Sends a PDF file to a CUPS destination ("name" or "name/instance") with the
// destination's own options and the paper of the job.
void SendToPrinter(const QString& destination, const QString& file, const std::string& title,
                   const QPageLayout& layout)
{
    const QByteArray name = destination.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const QByteArray instance = destination.section(QLatin1Char('/'), 1).toLocal8Bit();
    cups_option_t* options = nullptr;
    int count = 0;
    if (cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(),
                                             instance.isEmpty() ? nullptr : instance.constData())) {
        for (int i = 0; i < dest->num_options; ++i) {
            count = cupsAddOption(dest->options[i].name, dest->options[i].value, count, &options);
        }
        cupsFreeDests(1, dest);
    }
    // The pages carry their size; the media tells the printer which tray.
    const QByteArray media = layout.pageSize().key().toLocal8Bit();
    count = cupsAddOption("media", media.constData(), count, &options);
    const QByteArray path = QFile::encodeName(file);
    const QByteArray jobTitle = platform::ToQString(title).toUtf8();
    const int job =
        cupsPrintFile(name.constData(), path.constData(), jobTitle.constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0) {
        throw Error("The printer " + platform::FromQString(destination) +
                    " did not take the job: " + cupsLastErrorString());
    }
}

} // namespace

PrintJob::PrintJob(QPrinter& printer, std::string title)
    : printer_(printer), title_(std::move(title))
{
}

PrintJob::~PrintJob()
{
    // An error half-way through: the sheets so far are not sent.
    Abandon();
}

QPainter& PrintJob::NextSheet()
{
    if (painter_.isActive()) {
        writer_->newPage();
    } else {
        Begin();
    }
    return painter_;
}

void PrintJob::Begin()
{
    file_ = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                             QStringLiteral("/marlune-print-XXXXXX.pdf"));
    if (!file_->open()) {
        file_.reset();
        throw Error("The print job could not be started: no temporary file");
    }
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setResolution(printer_.resolution());
    writer_->setPageLayout(printer_.pageLayout());
    writer_->setTitle(platform::ToQString(title_));
    writer_->setCreator(QStringLiteral("Marlune"));
    if (!painter_.begin(writer_.get())) {
        Abandon();
        throw Error("The print job could not be started");
    }
}

void PrintJob::End()
{
    if (!painter_.isActive()) {
        return;
    }
    // The PDF writer does not say when its file could not take a write (a
    // full disk): the file's own status does. A job whose file is not whole
    // is not sent, since the printer would print what arrived as if it were
    // all.
    const bool painted = painter_.end();
    writer_.reset();
    const bool flushed = file_->flush();
    QString failure = file_->error() != QFileDevice::NoError ? file_->errorString() : QString();
    const QString name = file_->fileName();
    file_->close();
    if (failure.isEmpty() && file_->error() != QFileDevice::NoError) {
        failure = file_->errorString();
    }
    if (failure.isEmpty() && (!painted || !flushed)) {
        failure = QStringLiteral("the PDF writer failed");
    }
    if (!failure.isEmpty()) {
        file_.reset();
        throw Error("The print job could not be written to " + platform::FromQString(name) + ": " +
                    platform::FromQString(failure) + ". Nothing was sent to the printer.");
    }
    SendToPrinter(printer_.printerName(), name, title_, printer_.pageLayout());
    file_.reset();
}

void PrintJob::Abandon()
{
    if (painter_.isActive()) {
        painter_.end();
    }
    writer_.reset();
    file_.reset();
}

} // namespace marlune::report::print
