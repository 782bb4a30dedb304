#include "support.h"

#include <thread>

namespace marlune::table::testing {

std::vector<std::vector<Value>> NumberedRecords(int count)
{
    std::vector<std::vector<Value>> records;
    for (int i = 1; i <= count; ++i) {
        records.push_back(
            {std::to_string(i), "PLACE " + std::to_string(i), "NSW", std::nullopt, "OFFICE"});
    }
    return records;
}

void Load(MemTableBase& table, const std::vector<std::vector<Value>>& records,
          std::vector<int> statuses)
{
    table.Open();
    MemoryStream stream(PostcodeFile(records, 251, true, std::move(statuses)));
    table.ReadTableStream(stream);
}

std::vector<std::string> WindowPcodes(const MemTableBase& table)
{
    std::vector<std::string> out;
    const Field& pcode = table.FieldByName("Pcode");
    for (int s = 0; s < table.WindowRecordCount(); ++s) {
        out.emplace_back(table.SlotText(s, pcode));
    }
    return out;
}

std::vector<int> WindowRecNos(const MemTableBase& table)
{
    std::vector<int> out;
    for (int s = 0; s < table.WindowRecordCount(); ++s) {
        out.push_back(table.SlotRecNo(s));
    }
    return out;
}

bool LockIsFree(const MemTableBase& table)
{
    bool free = false;
    std::thread t([&] {
        free = table.Store().Mutex().try_lock();
        if (free) {
            table.Store().Mutex().unlock();
        }
    });
    t.join();
    return free;
}

std::string ShippedFile()
{
    return std::string(MARLUNE_BINARY_DIR) + "/bin/20051206.dat";
}

} // namespace marlune::table::testing
