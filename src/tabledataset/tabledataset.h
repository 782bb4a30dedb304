#pragma once

#include "report/reportdataset.h"
#include "table/memtablebase.h"

#include <functional>
#include <string>

namespace marlune::table {
class DataSource;
class MemTable;
} // namespace marlune::table

// The report's adapter over a table: the one place where the report reaches
// the table. It walks the table's records in the table's current order and
// gives their fields to the report's expressions.
namespace marlune::tabledataset {

enum class RangeBegin { rbFirst, rbCurrent };
enum class RangeEnd { reLast, reCurrent, reCount };

class TableDataset final : public report::ReportDataset {
public:
    explicit TableDataset(std::string name = "TableDataset1");

    // The table walked: the data source's table when a data source is set,
    // otherwise DataSet. Raises "Unable to open dataset " and the adapter's
    // name when there is neither.
    table::MemTable& Table() const;
    std::string DataSetName() const override;
    void Check() const override { Table(); }

    // Opens the table (OpenDataSource), remembers the current record.
    void Init() override;
    void First() override;
    void Next() override;
    bool Eof() const override;
    int RecordNo() const override { return recNo_; }
    // Goes back to the remembered record for a range that started or ended
    // there; closes the table with CloseDataSource.
    void Exit() override;
    std::optional<report::expr::Value> FieldValue(const std::string& field) override;

    table::MemTable* DataSet = nullptr;
    table::DataSource* DataSource = nullptr;
    bool OpenDataSource = true;
    bool CloseDataSource = false;
    RangeBegin Begin = RangeBegin::rbFirst;
    RangeEnd End = RangeEnd::reLast;
    int RangeEndCount = 0;
    std::function<void()> OnOpen;
    std::function<void()> OnClose;
    std::function<void()> OnFirst;
    std::function<void()> OnNext;
    // True: the data ends here.
    std::function<bool()> OnCheckEOF;

private:
    table::Bookmark bookmark_;
    bool atEnd_ = false;
    int recNo_ = 0;
};

} // namespace marlune::tabledataset
