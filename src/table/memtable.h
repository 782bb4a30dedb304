#pragma once

#include "table/datasource.h"
#include "table/field.h"
#include "table/memtablebase.h"
#include "table/variant.h"

#include <string>

namespace marlune::table {

// The postcode table: a memory table created with its five text fields
// Pcode, Locality, State, Comments and DeliveryOffice, closed.
class MemTable : public MemTableBase {
public:
    explicit MemTable(std::string name = "Table1");
};

} // namespace marlune::table
