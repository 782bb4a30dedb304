#pragma once

#include "platform/stream.h"
#include "table/memtable.h"
#include "tablefile.h"

#include <string>
#include <vector>

namespace marlune::table::testing {

using platform::FileStream;
using platform::MemoryStream;

// Counts what a bound control is told.
class CountingObserver : public DataSourceObserver {
public:
    void ActiveChanged(bool active) override
    {
        ++activeChanged;
        lastActive = active;
        events.push_back(active ? "open" : "close");
    }
    void DataSetChanged() override
    {
        ++dataSetChanged;
        events.push_back("changed");
    }
    void DataSetScrolled(int distance) override
    {
        ++scrolled;
        lastDistance = distance;
        events.push_back("scrolled " + std::to_string(distance));
    }
    void LayoutChanged() override
    {
        ++layoutChanged;
        events.push_back("layout");
    }
    void RecordChanged(Field*) override { ++recordChanged; }

    int Total() const { return activeChanged + dataSetChanged + scrolled + layoutChanged; }
    void Reset() { *this = CountingObserver{}; }

    int activeChanged = 0;
    bool lastActive = false;
    int dataSetChanged = 0;
    int scrolled = 0;
    int lastDistance = 0;
    int layoutChanged = 0;
    int recordChanged = 0;
    std::vector<std::string> events;
};

// Records named by their number: Pcode "<n>", Locality "PLACE <n>".
std::vector<std::vector<Value>> NumberedRecords(int count);

// Loads records into the table (opened first) from a version-251 file.
void Load(MemTableBase& table, const std::vector<std::vector<Value>>& records,
          std::vector<int> statuses = {});

// The Pcode texts of the window's slots, in slot order.
std::vector<std::string> WindowPcodes(const MemTableBase& table);

// The 1-based record numbers of the window's slots.
std::vector<int> WindowRecNos(const MemTableBase& table);

// Whether another thread can take the store's lock now.
bool LockIsFree(const MemTableBase& table);

// The path of the data file the build writes.
std::string ShippedFile();

} // namespace marlune::table::testing
