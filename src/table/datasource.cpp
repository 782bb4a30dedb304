#include "table/datasource.h"

#include "table/memtable.h"

#include <algorithm>

namespace marlune::table {

DataSource::DataSource(MemTable* dataSet)
{
    SetDataSet(dataSet);
}

DataSource::~DataSource()
{
    if (dataSet_ != nullptr) {
        dataSet_->DetachDataSource(this);
    }
}

void DataSource::SetDataSet(MemTable* dataSet)
{
    if (dataSet == dataSet_) {
        return;
    }
    if (dataSet_ != nullptr) {
        dataSet_->DetachDataSource(this);
    }
    dataSet_ = dataSet;
    if (dataSet_ != nullptr) {
        dataSet_->AttachDataSource(this);
    }
    NotifyActiveChanged(dataSet_ != nullptr && dataSet_->Active());
}

void DataSource::AddObserver(DataSourceObserver* observer)
{
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
        observers_.push_back(observer);
    }
}

void DataSource::RemoveObserver(DataSourceObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// Observers may add or remove observers while being told; work on a copy and
// skip those removed meanwhile.
template <class F> void DataSource::ForEach(F&& f)
{
    const std::vector<DataSourceObserver*> snapshot = observers_;
    for (DataSourceObserver* o : snapshot) {
        if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) {
            f(*o);
        }
    }
}

void DataSource::NotifyActiveChanged(bool active)
{
    ForEach([active](DataSourceObserver& o) { o.ActiveChanged(active); });
}

void DataSource::NotifyDataSetChanged()
{
    ForEach([](DataSourceObserver& o) { o.DataSetChanged(); });
}

void DataSource::NotifyDataSetScrolled(int distance)
{
    ForEach([distance](DataSourceObserver& o) { o.DataSetScrolled(distance); });
}

void DataSource::NotifyLayoutChanged()
{
    ForEach([](DataSourceObserver& o) { o.LayoutChanged(); });
}

void DataSource::NotifyRecordChanged(Field* field)
{
    ForEach([field](DataSourceObserver& o) { o.RecordChanged(field); });
}

} // namespace marlune::table
