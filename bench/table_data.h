#pragma once

// Data shared by the table benchmarks: the shipped postcode file, a file of
// 1,000,000 records made of the same list repeated, and the same rows for
// the SQLite baselines.

#include "datafilewriter.h"
#include "platform/stream.h"
#include "table/memtable.h"

#include <sqlite3.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace marlune::bench {

inline constexpr int kMillion = 1000000;

inline const std::string& ShippedPath()
{
    static const std::string path = std::string(MARLUNE_BIN_DIR) + "/20051206.dat";
    return path;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline const std::string& ShippedBytes()
{
    static const std::string bytes = ReadFile(ShippedPath());
    return bytes;
}

// The rows of the shipped list, read back through the table.
inline const std::vector<tools::PostcodeRow>& ShippedRows()
{
    static const std::vector<tools::PostcodeRow> rows = [] {
        std::vector<tools::PostcodeRow> out;
        table::MemTable t;
        t.Open();
        t.LoadTableFile(ShippedPath());
        t.DisableControls();
        for (t.First(); !t.Eof(); t.Next()) {
            tools::PostcodeRow row;
            for (int i = 0; i < 5; ++i) {
                if (!t.Fields(i).IsNull()) {
                    row[static_cast<std::size_t>(i)] = t.Fields(i).AsString();
                }
            }
            out.push_back(std::move(row));
        }
        t.EnableControls();
        return out;
    }();
    return rows;
}

// The shipped list repeated to a million rows.
inline const std::vector<tools::PostcodeRow>& MillionRows()
{
    static const std::vector<tools::PostcodeRow> rows = [] {
        std::vector<tools::PostcodeRow> out;
        out.reserve(kMillion);
        const auto& base = ShippedRows();
        while (out.size() < static_cast<std::size_t>(kMillion)) {
            out.push_back(base[out.size() % base.size()]);
        }
        return out;
    }();
    return rows;
}

inline const std::string& MillionBytes()
{
    static const std::string bytes = [] {
        std::ostringstream out(std::ios::binary);
        tools::WriteDataFile(out, MillionRows());
        return out.str();
    }();
    return bytes;
}

inline const std::string& MillionPath()
{
    static const std::string path = [] {
        const std::string p = std::string(MARLUNE_BIN_DIR) + "/bench_1000000.dat";
        std::ofstream out(p, std::ios::binary);
        out << MillionBytes();
        return p;
    }();
    return path;
}

// An in-memory SQLite database with the rows in table t.
class SqliteTable {
public:
    explicit SqliteTable(const std::vector<tools::PostcodeRow>& rows)
    {
        sqlite3_open(":memory:", &db_);
        Exec("CREATE TABLE t(pcode TEXT, locality TEXT, state TEXT, comments TEXT, "
             "deliveryoffice TEXT)");
        Insert(rows);
    }
    ~SqliteTable() { sqlite3_close(db_); }
    SqliteTable(const SqliteTable&) = delete;
    SqliteTable& operator=(const SqliteTable&) = delete;

    void Exec(const char* sql) { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    sqlite3* Db() const { return db_; }

    // One prepared statement, one transaction.
    void Insert(const std::vector<tools::PostcodeRow>& rows)
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "INSERT INTO t VALUES(?1, ?2, ?3, ?4, ?5)", -1, &st, nullptr);
        Exec("BEGIN");
        for (const auto& row : rows) {
            for (int i = 0; i < 5; ++i) {
                const auto& v = row[static_cast<std::size_t>(i)];
                if (v) {
                    sqlite3_bind_text(st, i + 1, v->data(), static_cast<int>(v->size()),
                                      SQLITE_STATIC);
                } else {
                    sqlite3_bind_null(st, i + 1);
                }
            }
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        Exec("COMMIT");
        sqlite3_finalize(st);
    }

private:
    sqlite3* db_ = nullptr;
};

} // namespace marlune::bench
