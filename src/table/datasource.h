#pragma once

#include <vector>

namespace marlune::table {

class Field;
class MemTable;

// Bound controls (the grid, the report adapter) implement this. All calls come
// on the UI thread, never while the table's controls are disabled.
class DataSourceObserver {
public:
    virtual ~DataSourceObserver() = default;
    virtual void ActiveChanged(bool /*active*/) {}    // table opened / closed
    virtual void DataSetChanged() {}                  // window rebuilt: repaint all, re-read slots
    virtual void DataSetScrolled(int /*distance*/) {} // window moved by distance records (>0:
                                                      // towards the end); 0 = current moved
                                                      // inside the window
    virtual void LayoutChanged() {}                   // fields replaced: rebind columns by name
    virtual void RecordChanged(Field* /*field*/) {}   // a field of the current record was written
};

// Links one table to its bound controls.
class DataSource {
public:
    explicit DataSource(MemTable* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    MemTable* DataSet() const { return dataSet_; }
    void SetDataSet(MemTable* dataSet);
    void AddObserver(DataSourceObserver* observer);
    void RemoveObserver(DataSourceObserver* observer);

    // Called by the table.
    void NotifyActiveChanged(bool active);
    void NotifyDataSetChanged();
    void NotifyDataSetScrolled(int distance);
    void NotifyLayoutChanged();
    void NotifyRecordChanged(Field* field);
    void DataSetDestroyed() { dataSet_ = nullptr; }

private:
    template <class F> void ForEach(F&& f);

    MemTable* dataSet_ = nullptr;
    std::vector<DataSourceObserver*> observers_;
};

} // namespace marlune::table
