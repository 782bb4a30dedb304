#include "table/memtable.h"

#include "table/postcodeschema.h"

namespace marlune::table {

MemTable::MemTable(std::string name) : MemTableBase(std::move(name))
{
    for (const PostcodeField& f : kPostcodeFields) {
        AddField(std::string(f.name), FieldType::ftString, f.size).SetDisplayWidth(f.displayWidth);
    }
    // The stored settings, in their stored order.
    SetAttachMaxCount(1);
    SetLanguageID(0);
    SetSortID(0);
    SetSubLanguageID(1);
    SetLocaleID(1024);
}

} // namespace marlune::table
