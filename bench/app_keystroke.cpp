// One keystroke in the search box, whole: the key event, searchEdit's text
// change, search, Locate, the table's window rebuild, the grid's
// notification and a synchronous repaint of the grid (offscreen). Measured
// on the real list and on a table of 1,000,000 records (the real list
// repeated), beside baselines from the same run: Locate alone, a repaint
// with nothing changed, and a keystroke into an edit box that searches
// nothing.
#include "widgets/dbgrid.h"
#include "app/mainwindow.h"
#include "widgets/labelededit.h"
#include "datafilewriter.h"
#include "platform/gui/application.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using marlune::app::MainWindow;

constexpr int kMillion = 1000000;

marlune::platform::gui::Application& App()
{
    static marlune::platform::gui::Application* app = [] {
        static int argc = 1;
        static char name[] = "marlune_bench_app";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new marlune::platform::gui::Application(argc, argv);
    }();
    return *app;
}

QTemporaryDir& WorkDir()
{
    static QTemporaryDir dir;
    return dir;
}

std::string RealFile()
{
    return MARLUNE_BIN_DIR "/20051206.dat";
}

// The real list repeated until there are a million records.
std::string MillionFile()
{
    static const std::string path = [] {
        std::ifstream csv(MARLUNE_SOURCE_DIR "/data/aus_postcodes.csv");
        const auto rows = marlune::tools::ReadPostcodeCsv(csv, "aus_postcodes.csv");
        const std::string file = WorkDir().filePath(QStringLiteral("million.dat")).toStdString();
        std::ofstream out(file, std::ios::binary);
        marlune::tools::DataFileWriter writer(out);
        for (int i = 0; i < kMillion; ++i) {
            writer.Add(rows[static_cast<std::size_t>(i) % rows.size()]);
        }
        writer.Finish();
        return file;
    }();
    return path;
}

// The main window as the program shows it, its show step having loaded the
// given file (named in the settings, as a stored name would be).
std::unique_ptr<MainWindow> ShowWindow(const std::string& dataFile)
{
    App();
    marlune::platform::SetRegistryRootDirectory(
        WorkDir().filePath(QStringLiteral("registry")).toStdString());
    auto key = marlune::platform::CreateKey(marlune::platform::PredefinedKey::CurrentUser,
                                            "Software\\Calderix\\Marlune\\Settings");
    if (!key ||
        !key->SetValue("DataFileName", marlune::platform::RegistryValue::String(dataFile))) {
        throw std::runtime_error("cannot write the setting");
    }
    auto form = std::make_unique<MainWindow>();
    form->show();
    while (!form->showStepDone()) {
        QCoreApplication::processEvents();
    }
    if (form->catalogue().Table().RecordCount() == 0) {
        throw std::runtime_error("data file not loaded: " + dataFile);
    }
    form->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setFocus();
    QCoreApplication::processEvents();
    return form;
}

// One main window at a time, as in the program: it carries the program's
// one hint component.
MainWindow& WindowOn(const std::string& dataFile, int expectedRecords)
{
    static std::unique_ptr<MainWindow> form;
    static std::string loaded;
    if (!form || loaded != dataFile) {
        form.reset();
        form = ShowWindow(dataFile);
        loaded = dataFile;
        if (expectedRecords >= 0 && form->catalogue().Table().RecordCount() != expectedRecords) {
            throw std::runtime_error("the table is incomplete");
        }
    }
    return *form;
}

MainWindow& RealWindow()
{
    return WindowOn(RealFile(), -1);
}

MainWindow& MillionWindow()
{
    return WindowOn(MillionFile(), kMillion);
}

void SendKey(QWidget* target, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

struct Keystroke {
    int key;
    QString text;
};

// Typing "bondi" and deleting it again: each step finds a record in the
// first part of the file.
const std::vector<Keystroke>& TypingBondi()
{
    static const std::vector<Keystroke> keys = [] {
        std::vector<Keystroke> k;
        for (char c : std::string("bondi")) {
            k.push_back({Qt::Key_A + (c - 'a'), QString(QChar(c))});
        }
        for (int i = 0; i < 5; ++i) {
            k.push_back({Qt::Key_Backspace, QString()});
        }
        return k;
    }();
    return keys;
}

// After "qq" (no suburb begins with it), "q" and Backspace in turn: every
// keystroke scans the whole table and finds nothing.
const std::vector<Keystroke>& TypingNoMatch()
{
    static const std::vector<Keystroke> keys = {{Qt::Key_Q, QStringLiteral("q")},
                                                {Qt::Key_Backspace, QString()}};
    return keys;
}

void RunKeystrokes(benchmark::State& state, MainWindow& form, const std::vector<Keystroke>& keys,
                   const QString& startText)
{
    auto* search = form.findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* grid = form.findChild<marlune::widgets::DBGrid*>(QStringLiteral("DBGrid1"));
    form.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->setChecked(true);
    search->setText(startText);
    search->end(false);
    std::size_t i = 0;
    for (auto _ : state) {
        const Keystroke& k = keys[i];
        SendKey(search, k.key, k.text);
        grid->repaint();
        QCoreApplication::processEvents();
        i = (i + 1) % keys.size();
    }
    // Each run ends where it began, at a whole cycle or not; say where.
    state.counters["RecNo"] = form.catalogue().Table().RecNo();
    state.SetItemsProcessed(state.iterations());
}

void BM_Keystroke_RealList_TypeSuburb(benchmark::State& state)
{
    RunKeystrokes(state, RealWindow(), TypingBondi(), QString());
}

void BM_Keystroke_RealList_NoMatch(benchmark::State& state)
{
    RunKeystrokes(state, RealWindow(), TypingNoMatch(), QStringLiteral("qq"));
}

void BM_Keystroke_Million_TypeSuburb(benchmark::State& state)
{
    RunKeystrokes(state, MillionWindow(), TypingBondi(), QString());
}

void BM_Keystroke_Million_NoMatch(benchmark::State& state)
{
    RunKeystrokes(state, MillionWindow(), TypingNoMatch(), QStringLiteral("qq"));
}

// Baseline: the searches of the keystrokes above, without the window.
void RunLocates(benchmark::State& state, MainWindow& form, const std::vector<std::string>& texts)
{
    const auto options = marlune::table::loCaseInsensitive | marlune::table::loPartialKey;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(form.catalogue().Table().Locate("Locality", texts[i], options));
        i = (i + 1) % texts.size();
    }
    state.SetItemsProcessed(state.iterations());
}

const std::vector<std::string> kBondiTexts = {"b",    "bo",  "bon", "bond", "bondi",
                                              "bond", "bon", "bo",  "b",    ""};
const std::vector<std::string> kNoMatchTexts = {"qqq", "qq"};

void BM_Locate_RealList_TypeSuburb(benchmark::State& state)
{
    RunLocates(state, RealWindow(), kBondiTexts);
}

void BM_Locate_RealList_NoMatch(benchmark::State& state)
{
    RunLocates(state, RealWindow(), kNoMatchTexts);
}

void BM_Locate_Million_TypeSuburb(benchmark::State& state)
{
    RunLocates(state, MillionWindow(), kBondiTexts);
}

void BM_Locate_Million_NoMatch(benchmark::State& state)
{
    RunLocates(state, MillionWindow(), kNoMatchTexts);
}

// Baseline: repainting the grid when nothing changed.
void BM_GridRepaint_RealList(benchmark::State& state)
{
    auto* grid = RealWindow().findChild<marlune::widgets::DBGrid*>(QStringLiteral("DBGrid1"));
    for (auto _ : state) {
        grid->repaint();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
}

// Baseline: a keystroke into an edit box that searches nothing.
void BM_Keystroke_PlainEdit(benchmark::State& state)
{
    MainWindow& form = RealWindow();
    QLineEdit edit(&form);
    edit.setGeometry(300, 40, 121, 21);
    edit.show();
    std::size_t i = 0;
    const auto& keys = TypingBondi();
    for (auto _ : state) {
        SendKey(&edit, keys[i].key, keys[i].text);
        QCoreApplication::processEvents();
        i = (i + 1) % keys.size();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Keystroke_PlainEdit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridRepaint_RealList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Locate_RealList_TypeSuburb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Keystroke_RealList_TypeSuburb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Locate_RealList_NoMatch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Keystroke_RealList_NoMatch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Locate_Million_TypeSuburb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Keystroke_Million_TypeSuburb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Locate_Million_NoMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keystroke_Million_NoMatch)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
