#include "table/memtable.h"

namespace marlune::table {

MemTable::MemTable(std::string name) : MemTableBase(std::move(name))
{
    struct Spec {
        const char* name;
        int size;
        int displayWidth;
    };
    static constexpr Spec kFields[] = {
        {"Pcode", 5, 9},        {"Locality", 64, 77},       {"State", 32, 39},
        {"Comments", 128, 154}, {"DeliveryOffice", 64, 77},
    };
    for (const Spec& s : kFields) {
        AddField(s.name, FieldType::ftString, s.size).SetDisplayWidth(s.displayWidth);
    }
    // The stored settings, in their stored order.
    SetAttachMaxCount(1);
    SetLanguageID(0);
    SetSortID(0);
    SetSubLanguageID(1);
    SetLocaleID(1024);
}

} // namespace marlune::table
