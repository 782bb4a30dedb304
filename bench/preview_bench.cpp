// The preview window on a list-like report of 344 pages of 54 rows (four
// memos a row), offscreen: one page painted whole at page width, warm (its
// views read) and cold (read from its stream first), and scrolling down
// through all the pages a Page Down (200 pixels) at a time, which paints
// only the uncovered strip. Baselines from the same run: the same page drawn
// into a plain QImage with no window around it, and a scroll step that
// repaints the whole page area. Counters give the pixels painted per step.
#include "samplepages.h"

#include "report/preview/pagebox.h"
#include "report/preview/previewform.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace marlune::report;
using namespace marlune::report::preview;

constexpr int kPages = 344;
// A page area 1000 pixels wide shows an A4 page at 130 %: 980 × 1396
// pixels, whole in an area of this height.
constexpr int kAreaWidth = 1000;
constexpr int kAreaHeight = 1416;

QApplication& App()
{
    static QApplication* app = [] {
        static int argc = 1;
        static char name[] = "marlune_bench_preview";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

PreviewForm& Form()
{
    static std::unique_ptr<PreviewForm> form = [] {
        App();
        PreviewOptions options;
        options.initialZoom = pzPageWidth;
        options.buttons = pbZoom | pbPrint | pbExit;
        options.printersAvailable = [] { return false; };
        auto f = std::make_unique<PreviewForm>(test::ListPages(kPages), options);
        f->show();
        f->resize(kAreaWidth + 16, kAreaHeight + 33 + 18);
        QApplication::processEvents();
        return f;
    }();
    return *form;
}

void GoToPage(PreviewForm& form, int page)
{
    form.GoToPage(page);
    QApplication::processEvents();
}

// The whole page area repainted at once with page 2 on it, its views read.
void BM_PaintPageAtPageWidth(benchmark::State& state)
{
    PreviewForm& form = Form();
    GoToPage(form, 2);
    PageBox& area = *form.PageArea();
    area.repaint();
    for (auto _ : state) {
        area.repaint();
    }
    state.counters["zoom%"] = form.Factor() * 100;
}
BENCHMARK(BM_PaintPageAtPageWidth)->Unit(benchmark::kMillisecond);

// The same, with the page's views read from its stream first, as when it
// comes into view.
void BM_PaintPageAtPageWidthCold(benchmark::State& state)
{
    PreviewForm& form = Form();
    GoToPage(form, 2);
    PageBox& area = *form.PageArea();
    for (auto _ : state) {
        form.Pages().Release(1);
        area.repaint();
    }
}
BENCHMARK(BM_PaintPageAtPageWidthCold)->Unit(benchmark::kMillisecond);

// Baseline: the same page at the same scale into a plain image.
void BM_BaselineDrawPageIntoImage(benchmark::State& state)
{
    PreviewForm& form = Form();
    PreparedPages& pages = form.Pages();
    const DrawRectangle r = pages[1].screenRect;
    QImage image(r.right - r.left, r.bottom - r.top, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 dpi, as the screen
    image.setDotsPerMeterY(3780);
    const double scale = form.Factor();
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawPreparedPage(painter, pages, 1, scale, scale, 0, 0, false);
    }
}
BENCHMARK(BM_BaselineDrawPageIntoImage)->Unit(benchmark::kMillisecond);

// Page Down through all the pages, each step shown before the next; back
// at the top (untimed) when the end is reached.
void ScrollThrough(benchmark::State& state, bool repaintAll)
{
    PreviewForm& form = Form();
    GoToPage(form, 1);
    PageBox& area = *form.PageArea();
    QScrollBar& bar = *form.VScrollBar();
    area.ResetPaintedPixels();
    long long steps = 0;
    for (auto _ : state) {
        if (bar.value() >= bar.maximum()) {
            state.PauseTiming();
            bar.setValue(0);
            QApplication::processEvents();
            area.ResetPaintedPixels();
            steps = 0;
            state.ResumeTiming();
        }
        bar.setValue(bar.value() + bar.pageStep());
        if (repaintAll) {
            area.update();
        }
        QApplication::processEvents();
        ++steps;
    }
    const double perStep = steps > 0 ? static_cast<double>(area.PaintedPixels()) / steps : 0;
    state.counters["painted_px_per_step"] = perStep;
    state.counters["area_px"] = static_cast<double>(area.width()) * area.height();
    state.counters["steps_for_all_pages"] = bar.maximum() / bar.pageStep() + 1;
}

void BM_ScrollPageDown(benchmark::State& state)
{
    ScrollThrough(state, false);
}
BENCHMARK(BM_ScrollPageDown)->Unit(benchmark::kMillisecond)->Iterations(2400);

// Baseline: the same steps with the whole area repainted each time.
void BM_BaselineScrollRepaintingAll(benchmark::State& state)
{
    ScrollThrough(state, true);
}
BENCHMARK(BM_BaselineScrollRepaintingAll)->Unit(benchmark::kMillisecond)->Iterations(2400);

} // namespace

BENCHMARK_MAIN();
