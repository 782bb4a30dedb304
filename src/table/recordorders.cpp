#include "table/memtablebase.h"

#include "platform/error.h"
#include "table/datasource.h"
#include "table/fieldstorage.h"
#include "table/recordcompare.h"
#include "table/textcompare.h"

#include <algorithm>

namespace marlune::table {

// The record orders: the file order and the index orders, and the walk over
// the records an order keeps visible.

void MemTableBase::ResetOrders()
{
    orders_.clear();
    auto row = std::make_unique<RecordOrder>();
    row->name = kRowOrderName;
    orders_.push_back(std::move(row));
    currentOrder_ = 0;
}

void MemTableBase::RebuildOrders()
{
    RecordStore::Guard lock(store_);
    const std::string currentName = orders_[currentOrder_]->name;
    RecordOrder& row = *orders_[0];
    row.records = store_.Records();
    // Orders of the index definitions, after the row order; a refused index
    // is dropped with its definition so that the table stays usable.
    orders_.resize(1);
    currentOrder_ = 0;
    for (std::size_t i = 0; i < indexDefs_.size(); ++i) {
        auto order = std::make_unique<RecordOrder>();
        try {
            BuildIndexOrder(*order, indexDefs_[i]);
        } catch (...) {
            indexDefs_.erase(indexDefs_.begin() + static_cast<std::ptrdiff_t>(i));
            throw;
        }
        orders_.push_back(std::move(order));
    }
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        if (orders_[i]->name == currentName) {
            currentOrder_ = i;
        }
    }
}

void MemTableBase::BuildIndexOrder(RecordOrder& order, const IndexDef& def)
{
    CompareOptions options = 0;
    if (def.descending) {
        options |= mtcoDescending;
    }
    if (def.caseInsensitive) {
        options |= mtcoCaseInsensitive;
    }
    order.name = def.name;
    order.keyFields = BuildKeyFieldList(def.fields, options);
    order.unique = def.unique;
    order.records = store_.Records();
    RecordComparer compare(order.keyFields, store_.LocaleID());
    std::stable_sort(order.records.begin(), order.records.end(),
                     [&](const Record* a, const Record* b) { return compare(a, b) < 0; });
    order.sorted = true;
    if (order.unique) {
        for (std::size_t i = 1; i < order.records.size(); ++i) {
            if (compare(order.records[i - 1], order.records[i]) == 0) {
                throw Error("Duplicate index value. Operation aborted.");
            }
        }
    }
}

void MemTableBase::SetIndexName(std::string_view name)
{
    RecordStore::Guard lock(store_);
    std::size_t index = orders_.size();
    if (name.empty()) {
        index = 0;
    }
    for (std::size_t i = 0; i < orders_.size() && index == orders_.size(); ++i) {
        if (orders_[i]->name == name) {
            index = i;
        }
    }
    if (index == orders_.size()) {
        throw Error(NamedMessage(name_, "Index '" + std::string(name) + "' not found"));
    }
    if (index == currentOrder_) {
        return;
    }
    PostPendingEdit();
    currentOrder_ = index;
    if (!Active()) {
        return;
    }
    WindowAtFirst();
    NotifyDataSetChanged();
}

KeyFieldList MemTableBase::BuildKeyFieldList(std::string_view names, CompareOptions extra) const
{
    KeyFieldList list;
    std::size_t pos = 0;
    while (pos <= names.size()) {
        std::size_t end = names.find(';', pos);
        if (end == std::string_view::npos) {
            end = names.size();
        }
        std::string_view item = names.substr(pos, end - pos);
        pos = end + 1;
        CompareOptions options = extra;
        if (auto colon = item.find(':'); colon != std::string_view::npos) {
            for (char c : item.substr(colon + 1)) {
                switch (c) {
                case 'C':
                case 'c':
                    options |= mtcoCaseInsensitive;
                    break;
                case 'D':
                case 'd':
                    options |= mtcoDescending;
                    break;
                case 'N':
                case 'n':
                    options |= mtcoIgnoreNullKey;
                    break;
                case 'P':
                case 'p':
                    options |= mtcoPartialKey;
                    break;
                case 'L':
                case 'l':
                    options |= mtcoIgnoreLocale;
                    break;
                default:
                    break;
                }
            }
            item = item.substr(0, colon);
        }
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) {
            item.remove_prefix(1);
        }
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) {
            item.remove_suffix(1);
        }
        if (item.empty()) {
            continue;
        }
        Field& f = FieldByName(item);
        const bool kindOk = f.Kind() == FieldKind::fkData || f.Kind() == FieldKind::fkCalculated;
        if (!kindOk || !storage::Comparable(f.DataType()) || !f.IsBound()) {
            throw Error("Can't index on field " + f.DisplayName());
        }
        list.push_back({&f, options});
    }
    return list;
}

// ---------------------------------------------------------------- visibility

int MemTableBase::OrderLength() const
{
    return static_cast<int>(orders_[currentOrder_]->records.size());
}

int MemTableBase::NextVisible(int place) const
{
    const int length = OrderLength();
    if (place >= length) {
        return length;
    }
    if (store_.DeletedCount() == 0) {
        return place + 1;
    }
    const auto& records = orders_[currentOrder_]->records;
    for (int p = place + 1; p < length; ++p) {
        if (!records[static_cast<std::size_t>(p)]->IsDeleted()) {
            return p;
        }
    }
    return length;
}

int MemTableBase::PriorVisible(int place) const
{
    if (place < 0) {
        return -1;
    }
    const int length = OrderLength();
    if (place > length) {
        place = length;
    }
    if (store_.DeletedCount() == 0) {
        return place - 1;
    }
    const auto& records = orders_[currentOrder_]->records;
    for (int p = place - 1; p >= 0; --p) {
        if (!records[static_cast<std::size_t>(p)]->IsDeleted()) {
            return p;
        }
    }
    return -1;
}

int MemTableBase::CurrentPlace() const
{
    if (windowCount_ == 0) {
        return -1;
    }
    return slots_[static_cast<std::size_t>(activeRecord_)]->position;
}

} // namespace marlune::table
