// Loading a data file into the table, beside reading the same bytes into
// memory and inserting the same rows into an in-memory SQLite table.

#include "table_data.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

using namespace marlune;

namespace {

// Kilobytes of a /proc/self/status line ("VmHWM", "VmRSS").
long StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':') {
            return std::strtol(line.c_str() + n + 1, nullptr, 10);
        }
    }
    return -1;
}

// Starts a new peak: the high-water mark drops to the present RSS.
void ResetPeak()
{
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f != nullptr) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

std::unique_ptr<table::MemTable> LoadOnce(const std::string& bytes)
{
    auto t = std::make_unique<table::MemTable>();
    t->Open();
    platform::MemoryStream stream = platform::MemoryStream::View(bytes);
    t->ReadTableStream(stream);
    return t;
}

// Timed: the load alone. Freeing the table afterwards is not part of it.
// One untimed load first, so that every run meets memory the process has
// touched before (a fresh virtual machine pays for first touches of memory).
void Load(benchmark::State& state, const std::string& bytes, int records)
{
    double blockBytes = 0;
    double peakIncrease = 0;
    // The first load of this size in the process, measured for memory.
    ResetPeak();
    const long firstBefore = StatusKb("VmRSS");
    auto first = LoadOnce(bytes);
    const double firstPeak = static_cast<double>(StatusKb("VmHWM") - firstBefore) * 1024.0;
    first.reset();
    for (auto _ : state) {
        state.PauseTiming();
        ResetPeak();
        const long before = StatusKb("VmRSS");
        state.ResumeTiming();
        auto t = LoadOnce(bytes);
        state.PauseTiming();
        if (t->RecordCount() != records) {
            state.SkipWithError("wrong record count");
        }
        blockBytes = static_cast<double>(t->Store().BlockBytesInUse());
        peakIncrease = static_cast<double>(StatusKb("VmHWM") - before) * 1024.0;
        t.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["blockMB"] = blockBytes / 1e6;
    state.counters["peakRssMB"] = peakIncrease / 1e6;
    state.counters["peak/blocks"] = blockBytes > 0 ? peakIncrease / blockBytes : 0;
    state.counters["firstPeakRssMB"] = firstPeak / 1e6;
    state.counters["firstPeak/blocks"] = blockBytes > 0 ? firstPeak / blockBytes : 0;
}

void LoadFile(benchmark::State& state, const std::string& path, int records)
{
    {
        table::MemTable warm;
        warm.Open();
        warm.LoadTableFile(path);
    }
    for (auto _ : state) {
        auto t = std::make_unique<table::MemTable>();
        t->Open();
        t->LoadTableFile(path);
        state.PauseTiming();
        if (t->RecordCount() != records) {
            state.SkipWithError("wrong record count");
        }
        t.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * records);
}

void ReadBytes(benchmark::State& state, const std::string& path, int records)
{
    std::string buffer;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        const off_t size = ::lseek(fd, 0, SEEK_END);
        ::lseek(fd, 0, SEEK_SET);
        buffer.resize(static_cast<std::size_t>(size));
        std::size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * records);
}

// Timed: creating the table and inserting the rows; closing the database is not.
void SqliteInsert(benchmark::State& state, const std::vector<tools::PostcodeRow>& rows)
{
    std::make_unique<bench::SqliteTable>(rows).reset();
    for (auto _ : state) {
        auto db = std::make_unique<bench::SqliteTable>(rows);
        benchmark::DoNotOptimize(db->Db());
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
}

void BM_Load_Shipped(benchmark::State& s)
{
    Load(s, bench::ShippedBytes(), 18545);
}
void BM_Load_Million(benchmark::State& s)
{
    Load(s, bench::MillionBytes(), bench::kMillion);
}
void BM_LoadTableFile_Shipped(benchmark::State& s)
{
    LoadFile(s, bench::ShippedPath(), 18545);
}
void BM_LoadTableFile_Million(benchmark::State& s)
{
    LoadFile(s, bench::MillionPath(), bench::kMillion);
}
void BM_Baseline_ReadBytes_Shipped(benchmark::State& s)
{
    ReadBytes(s, bench::ShippedPath(), 18545);
}
void BM_Baseline_ReadBytes_Million(benchmark::State& s)
{
    ReadBytes(s, bench::MillionPath(), bench::kMillion);
}
void BM_Baseline_SqliteInsert_Shipped(benchmark::State& s)
{
    SqliteInsert(s, bench::ShippedRows());
}
void BM_Baseline_SqliteInsert_Million(benchmark::State& s)
{
    SqliteInsert(s, bench::MillionRows());
}

} // namespace

BENCHMARK(BM_Load_Shipped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTableFile_Shipped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_ReadBytes_Shipped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_SqliteInsert_Shipped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_Million)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadTableFile_Million)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Baseline_ReadBytes_Million)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_SqliteInsert_Million)->Unit(benchmark::kMillisecond)->Iterations(3);
