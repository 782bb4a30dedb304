// Locate on the shipped list and on a table of 1,000,000 records, beside
// SQLite's LIKE 'text%' LIMIT 1 over the same rows.

#include "table_data.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace marlune;

namespace {

struct Loaded {
    explicit Loaded(const std::string& bytes)
    {
        t.SetBufferCount(40);
        t.Open();
        platform::MemoryStream s = platform::MemoryStream::View(bytes);
        t.ReadTableStream(s);
    }
    table::MemTable t;
};

Loaded& ShippedTable()
{
    static Loaded l(bench::ShippedBytes());
    return l;
}

Loaded& MillionTable()
{
    static Loaded l(bench::MillionBytes());
    return l;
}

bench::SqliteTable& ShippedSqlite()
{
    static bench::SqliteTable db(bench::ShippedRows());
    return db;
}

bench::SqliteTable& MillionSqlite()
{
    static bench::SqliteTable db(bench::MillionRows());
    return db;
}

// Arguments: the search text; searched field Locality, or Pcode for digits.
void Locate(benchmark::State& state, Loaded& l, const char* text, bool expectFound)
{
    const bool byPcode = text[0] >= '0' && text[0] <= '9';
    const char* field = byPcode ? "PCode" : "Locality";
    for (auto _ : state) {
        const bool found = l.t.Locate(field, text, table::loCaseInsensitive | table::loPartialKey);
        if (found != expectFound) {
            state.SkipWithError("unexpected result");
        }
    }
    state.counters["recNo"] = l.t.RecNo();
}

void SqliteLike(benchmark::State& state, bench::SqliteTable& db, const char* text, bool expectFound)
{
    const bool byPcode = text[0] >= '0' && text[0] <= '9';
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.Db(),
                       byPcode ? "SELECT rowid FROM t WHERE pcode LIKE ?1 LIMIT 1"
                               : "SELECT rowid FROM t WHERE locality LIKE ?1 LIMIT 1",
                       -1, &st, nullptr);
    const std::string pattern = std::string(text) + "%";
    sqlite3_int64 rowid = 0;
    for (auto _ : state) {
        sqlite3_bind_text(st, 1, pattern.data(), static_cast<int>(pattern.size()), SQLITE_STATIC);
        const bool found = sqlite3_step(st) == SQLITE_ROW;
        if (found) {
            rowid = sqlite3_column_int64(st, 0);
        }
        sqlite3_reset(st);
        if (found != expectFound) {
            state.SkipWithError("unexpected result");
        }
    }
    sqlite3_finalize(st);
    state.counters["recNo"] = static_cast<double>(rowid);
}

struct Case {
    const char* name;
    const char* text;
    bool found;
};
constexpr Case kCases[] = {
    {"nomatch_zzzq", "zzzq", false}, {"syd", "syd", true}, {"mel", "mel", true}, {"b", "b", true},
    {"pcode_30", "30", true},
};

int Register()
{
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark(
            (std::string("BM_Locate_Shipped/") + c.name).c_str(),
            [c](benchmark::State& s) { Locate(s, ShippedTable(), c.text, c.found); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(
            (std::string("BM_Baseline_SqliteLike_Shipped/") + c.name).c_str(),
            [c](benchmark::State& s) { SqliteLike(s, ShippedSqlite(), c.text, c.found); })
            ->Unit(benchmark::kMicrosecond);
    }
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark(
            (std::string("BM_Locate_Million/") + c.name).c_str(),
            [c](benchmark::State& s) { Locate(s, MillionTable(), c.text, c.found); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(
            (std::string("BM_Baseline_SqliteLike_Million/") + c.name).c_str(),
            [c](benchmark::State& s) { SqliteLike(s, MillionSqlite(), c.text, c.found); })
            ->Unit(benchmark::kMicrosecond);
    }
    return 0;
}

const int registered = Register();

} // namespace

BENCHMARK_MAIN();
