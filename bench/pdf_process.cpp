// marlune-report --pdf as a whole process beside its anchor in the same run,
// a twenty-line ReportLab script writing the same pages (reportlab_list.py):
// wall time, the file's size and the process's peak memory, over the shipped
// list (344 pages) and over 1,000,000 records; and the memory the build over
// the million records holds beside that of the loaded table alone.
#include "platform/cp1252.h"
#include "table_data.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace marlune::bench;

struct Run {
    double seconds = 0;
    double peakMb = 0;
    double fileMb = 0;
    double cpuSeconds = 0;
};

Run Spawn(std::vector<std::string> args, const fs::path& out)
{
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    fs::remove(out);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + args[0]);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(args[0] + " failed");
    }
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!out.empty()) {
        run.fileMb = static_cast<double>(fs::file_size(out)) / (1024 * 1024);
    }
    return run;
}

fs::path Scratch()
{
    static const fs::path dir = [] {
        std::string pattern = (fs::temp_directory_path() / "marlune-bench-pdf-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no scratch folder");
        }
        return fs::path(pattern);
    }();
    return dir;
}

// The rows as the anchor reads them: post code, suburb, state, comments.
fs::path Rows(const std::vector<marlune::tools::PostcodeRow>& rows, const std::string& name)
{
    const fs::path path = Scratch() / name;
    if (!fs::exists(path)) {
        std::ofstream out(path);
        for (const auto& row : rows) {
            for (std::size_t i = 0; i < 4; ++i) {
                out << marlune::platform::ToUtf8(row[i].value_or("")) << (i < 3 ? '\t' : '\n');
            }
        }
    }
    return path;
}

void Report(benchmark::State& state, const std::vector<std::string>& args, const fs::path& out)
{
    Run last;
    for (auto _ : state) {
        last = Spawn(args, out);
        state.SetIterationTime(last.seconds);
    }
    state.counters["peak_RSS_MB"] = last.peakMb;
    state.counters["file_MB"] = last.fileMb;
    // The machine may be shared: the process's own CPU time beside the wall.
    state.counters["cpu_s"] = last.cpuSeconds;
}

void MarluneShipped(benchmark::State& state)
{
    const fs::path out = Scratch() / "marlune.pdf";
    Report(state, {MARLUNE_BIN_DIR "/marlune-report", "--data", ShippedPath(), "--pdf", out}, out);
}

void ReportLabShipped(benchmark::State& state)
{
    const fs::path out = Scratch() / "reportlab.pdf";
    Report(state,
           {"/usr/bin/python3", MARLUNE_SOURCE_DIR "/bench/reportlab_list.py",
            Rows(ShippedRows(), "shipped.tsv"), out},
           out);
}

void MarluneMillion(benchmark::State& state)
{
    const fs::path out = Scratch() / "marlune-million.pdf";
    Report(state, {MARLUNE_BIN_DIR "/marlune-report", "--data", MillionPath(), "--pdf", out}, out);
}

void ReportLabMillion(benchmark::State& state)
{
    const fs::path out = Scratch() / "reportlab-million.pdf";
    Report(state,
           {"/usr/bin/python3", MARLUNE_SOURCE_DIR "/bench/reportlab_list.py",
            Rows(MillionRows(), "million.tsv"), out},
           out);
}

// What Print holds before it prints: the table and the built pages (both
// passes over the million records, one page drawn), beside the loaded table
// alone (marlune-find over the same file).
void MarluneMillionBuild(benchmark::State& state)
{
    const fs::path prefix = Scratch() / "million-page";
    Report(state,
           {MARLUNE_BIN_DIR "/marlune-report", "--data", MillionPath(), "--png", prefix, "--pages",
            "1"},
           prefix.string() + "-1.png");
}

void TableOnlyMillion(benchmark::State& state)
{
    Report(state, {MARLUNE_BIN_DIR "/marlune-find", "--postcode", "--data", MillionPath(), "0200"},
           {});
}

} // namespace

BENCHMARK(MarluneShipped)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ReportLabShipped)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(MarluneMillion)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(ReportLabMillion)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(MarluneMillionBuild)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(TableOnlyMillion)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::error_code ignored;
    fs::remove_all(Scratch(), ignored);
    return 0;
}
