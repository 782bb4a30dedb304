// The postcode list over the shipped data file (18,545 records, 344 pages):
// the build with both passes, and the build with the PDF written, beside
// what a Qt program would otherwise do for the same list in the same run:
// the rows as an HTML table in a QTextDocument, laid out on A4 and printed
// to a PDF.
#include "report/pdfexport.h"
#include "postcodelist/postcodelistreport.h"
#include "report/report.h"
#include "platform/cp1252.h"
#include "table/memtable.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

namespace {

using namespace marlune::report;

struct ListSetup {
    ListSetup()
    {
        static int argc = 1;
        static char name[] = "marlune_bench_report";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        table.Open();
        table.LoadTableFile(MARLUNE_BIN_DIR "/20051206.dat");
        list = std::make_unique<marlune::postcodelist::PostcodeListReport>(table);
    }

    std::unique_ptr<QGuiApplication> app;
    marlune::table::MemTable table;
    std::unique_ptr<marlune::postcodelist::PostcodeListReport> list;
    QTemporaryDir dir;
};

ListSetup& Setup()
{
    static ListSetup setup;
    return setup;
}

PreparedPages Build(ListSetup& s)
{
    std::optional<PreparedPages> pages = s.list->report().Build();
    if (!pages || pages->Count() != 344) {
        throw std::runtime_error("the list should make 344 pages");
    }
    return std::move(*pages);
}

void BM_BuildList(benchmark::State& state)
{
    ListSetup& s = Setup();
    int count = 0;
    for (auto _ : state) {
        count = Build(s).Count();
    }
    state.counters["pages"] = count;
}
BENCHMARK(BM_BuildList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BuildListAndWritePdf(benchmark::State& state)
{
    ListSetup& s = Setup();
    const std::string path = s.dir.filePath(QStringLiteral("list.pdf")).toStdString();
    for (auto _ : state) {
        WritePreparedPagesPdf(Build(s), path);
    }
}
BENCHMARK(BM_BuildListAndWritePdf)->Unit(benchmark::kMillisecond)->Iterations(3);

// Baseline: the same rows through QTextDocument's HTML table and print().
void BM_QTextDocumentTablePdf(benchmark::State& state)
{
    ListSetup& s = Setup();
    const QString path = s.dir.filePath(QStringLiteral("baseline.pdf"));
    auto& t = s.table;
    const auto& pcode = t.FieldByName("Pcode");
    const auto& locality = t.FieldByName("Locality");
    const auto& st = t.FieldByName("State");
    const auto& comments = t.FieldByName("Comments");
    for (auto _ : state) {
        QString html = QStringLiteral("<table>"
                                      "<tr><th>Post Code</th><th>Suburb</th><th>State</th>"
                                      "<th>Comments</th></tr>");
        for (t.First(); !t.Eof(); t.Next()) {
            html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                        .arg(marlune::platform::ToQString(pcode.AsString()).toHtmlEscaped(),
                             marlune::platform::ToQString(locality.AsString()).toHtmlEscaped(),
                             marlune::platform::ToQString(st.AsString()).toHtmlEscaped(),
                             marlune::platform::ToQString(comments.AsString()).toHtmlEscaped());
        }
        html += QStringLiteral("</table>");
        QTextDocument document;
        document.setHtml(html);
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        document.print(&writer);
    }
}
BENCHMARK(BM_QTextDocumentTablePdf)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
