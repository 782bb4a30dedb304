#include "platform/collate.h"
#include "platform/error.h"
#include "table/fieldstorage.h"
#include "table/memtablebase.h"
#include "table/recordcompare.h"
#include "table/textcompare.h"

#include <array>
#include <cstring>
#include <memory>

namespace marlune::table {

namespace {

// A blank record of the table's layout for one search, always given back.
class KeyRecord {
public:
    explicit KeyRecord(RecordStore& store) : store_(store), record_(store.AllocateRecord()) {}
    ~KeyRecord() { store_.FreeRecord(record_); }
    KeyRecord(const KeyRecord&) = delete;
    KeyRecord& operator=(const KeyRecord&) = delete;
    Record* get() const { return record_; }

private:
    RecordStore& store_;
    Record* record_;
};

bool IsAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The data area of a stored record without reading its header: stored
// records always have it right after the header, and the scan should touch
// only the cache line that holds the key field.
inline const std::uint8_t* DataOf(const Record* r)
{
    return reinterpret_cast<const std::uint8_t*>(r) + sizeof(RecordHeader);
}

// Far enough ahead to cover the memory latency of a scan that misses every cache.
constexpr std::size_t kPrefetchDistance = 64;

} // namespace

// The scan for the common search: one text field kept inside the record,
// a key with a value. Rejects most candidates on their first byte.
static int ScanSingleText(const std::vector<Record*>& records, bool hiddenPossible,
                          const Field& field, std::string_view key, CompareOptions options,
                          const RecordComparer& comparer, std::uint32_t localeId)
{
    const int offset = field.StorageBinding().offset;
    const int size = field.Size();
    const bool partial = (options & mtcoPartialKey) != 0;
    const bool ignoreCase = (options & mtcoCaseInsensitive) != 0;
    const bool ordinal = (options & mtcoIgnoreLocale) != 0;
    const platform::Collator* collator = nullptr;
    if (!ordinal) {
        collator = &text::CollatorFor(localeId);
    }

    // reject[c]: a candidate whose text starts with byte c cannot match.
    std::array<bool, 256> reject{};
    const auto k0 = key.empty() ? 0 : static_cast<unsigned char>(key[0]);
    if (!key.empty()) {
        const bool tableSafe = ordinal || (collator->HasFastPath(ignoreCase) && IsAsciiAlnum(k0));
        if (tableSafe) {
            const unsigned char folded = ignoreCase ? text::FoldAscii(k0) : k0;
            for (int c = 0; c < 256; ++c) {
                const auto b = static_cast<unsigned char>(c);
                if (ordinal) {
                    reject[b] = (ignoreCase ? text::FoldAscii(b) : b) != folded;
                } else {
                    reject[b] = IsAsciiAlnum(b) && (ignoreCase ? text::FoldAscii(b) : b) != folded;
                }
            }
        }
    }
    // With a partial key only the first length(K) bytes of a text matter.
    const std::size_t limit =
        partial ? std::min<std::size_t>(key.size(), static_cast<std::size_t>(size))
                : static_cast<std::size_t>(size);
    const std::size_t count = records.size();
    Record* const* list = records.data();
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kPrefetchDistance < count) {
            __builtin_prefetch(DataOf(list[i + kPrefetchDistance]) + offset);
        }
        const Record* r = list[i];
        const std::uint8_t* p = DataOf(r) + offset;
        if (p[0] == 0) {
            continue; // null: a key with a value sorts after it
        }
        if (reject[p[1]]) {
            continue;
        }
        if (hiddenPossible && r->IsDeleted()) {
            continue;
        }
        const auto* s = reinterpret_cast<const char*>(p + 1);
        const std::string_view candidate(s, ::strnlen(s, limit));
        bool equal;
        if (ordinal) {
            bool cut = false;
            const std::string_view full(s, ::strnlen(s, static_cast<std::size_t>(size)));
            equal = comparer.CompareText(key, full, options & ~mtcoDescending, cut) == 0;
        } else if (partial) {
            equal = collator->EqualPrefix(key, candidate, ignoreCase);
        } else {
            equal = collator->Equal(key, candidate, ignoreCase);
        }
        if (equal) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Halving over an order sorted by the key fields: the first place whose key
// no longer sorts after the record starts the run of possible matches, which
// is then walked for the first visible exact match. The order's comparison
// keeps its own direction and is coarsened by the search's options, so that
// every match lies inside the run.
int MemTableBase::SearchSorted(const RecordOrder& order, const KeyFieldList& keys,
                               const Record* key, const RecordComparer& comparer) const
{
    KeyFieldList coarse = order.keyFields;
    for (std::size_t i = 0; i < coarse.size(); ++i) {
        coarse[i].options |=
            keys[i].options & (mtcoCaseInsensitive | mtcoPartialKey | mtcoIgnoreNullKey);
    }
    const RecordComparer bound(coarse, store_.LocaleID(), &store_);
    const std::vector<Record*>& records = order.records;
    std::size_t low = 0;
    std::size_t high = records.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (bound(key, records[mid]) > 0) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    const bool hiddenPossible = store_.DeletedCount() > 0;
    for (std::size_t i = low; i < records.size() && bound(key, records[i]) == 0; ++i) {
        if (hiddenPossible && records[i]->IsDeleted()) {
            continue;
        }
        if (comparer(key, records[i]) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool MemTableBase::Locate(std::string_view keyFields, const Variant& keyValues,
                          LocateOptions options)
{
    FireBeforeScroll();
    if (keyValues.IsArray() && keyValues.DimensionCount() > 1) {
        throw Error("Values variant array has invalid dimension count");
    }
    CheckActive();
    RecordStore::Guard lock(store_);
    PostPendingEdit();
    CompareOptions extra = 0;
    if (options & loCaseInsensitive) {
        extra |= mtcoCaseInsensitive;
    }
    if (options & loPartialKey) {
        extra |= mtcoPartialKey;
    }
    const KeyFieldList keys = BuildKeyFieldList(keyFields, extra);
    if (!keyValues.IsArray() && keys.size() > 1) {
        throw Error("More fields than values");
    }
    if (keys.empty()) {
        throw Error("There must be at least one field");
    }
    if (keyValues.IsArray() && keyValues.Elements().size() < keys.size()) {
        throw Error("More fields than values");
    }

    KeyRecord key(store_);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        WriteKeyValue(store_, *keys[i].field, key.get(),
                      keyValues.IsArray() ? keyValues.Elements()[i] : keyValues);
    }

    const RecordOrder& order = *orders_[currentOrder_];
    const std::vector<Record*>& records = order.records;
    const bool hiddenPossible = store_.DeletedCount() > 0;
    RecordComparer comparer(keys, store_.LocaleID(), &store_);
    int found = -1;

    const Field& first = *keys[0].field;
    const bool keyHasValue = key.get()->data[first.StorageBinding().offset] != 0;
    bool sameKeys = !order.keyFields.empty() && order.keyFields.size() == keys.size();
    for (std::size_t i = 0; sameKeys && i < keys.size(); ++i) {
        sameKeys = order.keyFields[i].field == keys[i].field;
    }
    if (sameKeys && order.sorted && records.size() > 20) {
        found = SearchSorted(order, keys, key.get(), comparer);
    } else if (keys.size() == 1 && IsTextType(first.DataType()) &&
               first.StorageBinding().outsideSlot < 0 && keyHasValue && records.size() > 0) {
        const std::string_view keyText =
            storage::StoredText(key.get()->data + first.StorageBinding().offset + 1, first.Size());
        found = ScanSingleText(records, hiddenPossible, first, keyText, keys[0].options, comparer,
                               store_.LocaleID());
    } else {
        for (std::size_t i = 0; i < records.size(); ++i) {
            const Record* r = records[i];
            if (hiddenPossible && r->IsDeleted()) {
                continue;
            }
            if (comparer(key.get(), r) == 0) {
                found = static_cast<int>(i);
                break;
            }
        }
    }

    found_ = found >= 0;
    if (!found_) {
        return false;
    }
    MoveToFound(found);
    return true;
}

} // namespace marlune::table
