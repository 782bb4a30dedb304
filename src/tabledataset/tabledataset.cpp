#include "tabledataset/tabledataset.h"

#include "platform/error.h"
#include "table/datasource.h"
#include "table/field.h"
#include "table/memtable.h"

namespace marlune::tabledataset {

namespace {

report::expr::Value ValueOf(const table::Field& field)
{
    using table::FieldType;
    if (field.IsNull()) {
        return {};
    }
    switch (field.DataType()) {
    case FieldType::ftSmallint:
    case FieldType::ftInteger:
    case FieldType::ftWord:
    case FieldType::ftAutoInc:
    case FieldType::ftLargeint:
        return report::expr::Value::Integer(field.AsInteger());
    case FieldType::ftFloat:
    case FieldType::ftCurrency:
    case FieldType::ftBCD:
        return report::expr::Value::Float(field.AsFloat());
    case FieldType::ftBoolean:
        return report::expr::Value::Boolean(field.AsBoolean());
    case FieldType::ftDate:
    case FieldType::ftTime:
    case FieldType::ftDateTime:
        return report::expr::Value::DateTime(field.AsFloat());
    default:
        return report::expr::Value::Text(field.AsString());
    }
}

} // namespace

TableDataset::TableDataset(std::string name) : report::ReportDataset(std::move(name)) {}

table::MemTable& TableDataset::Table() const
{
    table::MemTable* table = DataSource != nullptr ? DataSource->DataSet() : DataSet;
    if (table == nullptr) {
        throw Error("Unable to open dataset " + Name());
    }
    return *table;
}

std::string TableDataset::DataSetName() const
{
    table::MemTable* table = DataSource != nullptr ? DataSource->DataSet() : DataSet;
    return table != nullptr ? table->Name() : std::string();
}

void TableDataset::Init()
{
    table::MemTable& table = Table();
    if (OpenDataSource && !table.Active()) {
        table.Open();
    }
    if (OnOpen) {
        OnOpen();
    }
    bookmark_ = table.GetBookmark();
    atEnd_ = false;
}

void TableDataset::First()
{
    table::MemTable& table = Table();
    if (Begin == RangeBegin::rbFirst) {
        table.First();
    } else if (bookmark_) {
        table.GotoBookmark(bookmark_);
    }
    atEnd_ = false;
    recNo_ = 0;
    if (OnFirst) {
        OnFirst();
    }
}

void TableDataset::Next()
{
    table::MemTable& table = Table();
    if (End == RangeEnd::reCurrent && bookmark_ &&
        table.CompareBookmarks(table.GetBookmark(), bookmark_) == 0) {
        atEnd_ = true;
        return;
    }
    table.Next();
    ++recNo_;
    if (OnNext) {
        OnNext();
    }
}

bool TableDataset::Eof() const
{
    if (End == RangeEnd::reCount && recNo_ >= RangeEndCount) {
        return true;
    }
    if (OnCheckEOF && OnCheckEOF()) {
        return true;
    }
    const table::MemTable& table = Table();
    return atEnd_ || !table.Active() || table.Eof();
}

void TableDataset::Exit()
{
    table::MemTable& table = Table();
    if ((Begin == RangeBegin::rbCurrent || End == RangeEnd::reCurrent) && bookmark_) {
        table.GotoBookmark(bookmark_);
    }
    table.FreeBookmark(bookmark_);
    if (OnClose) {
        OnClose();
    }
    if (CloseDataSource) {
        table.Close();
    }
}

std::optional<report::expr::Value> TableDataset::FieldValue(const std::string& field)
{
    table::MemTable& table = Table();
    if (OpenDataSource && !table.Active()) {
        table.Open();
    }
    const table::Field* found = table.FindField(field);
    if (found == nullptr) {
        return std::nullopt;
    }
    return ValueOf(*found);
}

} // namespace marlune::tabledataset
