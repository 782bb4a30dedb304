#include "table/recordcompare.h"

#include "platform/collate.h"
#include "table/fieldstorage.h"
#include "table/textcompare.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace marlune::table {

namespace {

using storage::ClampToInt64;
using storage::Load;
using storage::Store;

template <class T> int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

RecordComparer::RecordComparer(const KeyFieldList& fields, std::uint32_t localeId,
                               const RecordStore* store)
    : fields_(fields), localeId_(localeId), store_(store)
{
}

const platform::Collator& RecordComparer::Collator() const
{
    if (collator_ == nullptr) {
        collator_ = &text::CollatorFor(localeId_);
    }
    return *collator_;
}

std::string_view RecordComparer::TextOf(const Field& f, const Record* r) const
{
    const Field::Binding& b = f.StorageBinding();
    if (b.outsideSlot >= 0) {
        const RecordStore& store = store_ ? *store_ : f.DataSet().Store();
        return storage::CutText(store.OutsideValue(r, b.outsideSlot), f.Size());
    }
    return storage::StoredText(r->data + b.offset + 1, f.Size());
}

int RecordComparer::CompareText(std::string_view key, std::string_view candidate,
                                CompareOptions options, bool& cut) const
{
    cut = false;
    if ((options & mtcoPartialKey) && candidate.size() > key.size()) {
        candidate = candidate.substr(0, key.size());
        cut = true;
    }
    const bool ignoreCase = (options & mtcoCaseInsensitive) != 0;
    int result = (options & mtcoIgnoreLocale) ? text::CompareOrdinal(key, candidate, ignoreCase)
                                              : Collator().Compare(key, candidate, ignoreCase);
    if (options & mtcoDescending) {
        result = -result;
    }
    return result;
}

int RecordComparer::CompareField(const KeyField& kf, const Record* key, const Record* candidate,
                                 bool& cut) const
{
    cut = false;
    const Field& f = *kf.field;
    const int offset = f.StorageBinding().offset;
    const bool keyNull = key->data[offset] == 0;
    const bool candidateNull = candidate->data[offset] == 0;
    if (keyNull && (kf.options & mtcoIgnoreNullKey)) {
        return 0;
    }
    if (keyNull || candidateNull) {
        if (keyNull && candidateNull) {
            return 0;
        }
        return keyNull ? -1 : 1;
    }
    int result = 0;
    const FieldType type = f.DataType();
    const std::uint8_t* a = key->data + offset + 1;
    const std::uint8_t* b = candidate->data + offset + 1;
    if (IsTextType(type)) {
        return CompareText(TextOf(f, key), TextOf(f, candidate), kf.options, cut);
    } else if (storage::IsFloatType(type)) {
        result = Order(Load<double>(a), Load<double>(b));
    } else if (storage::IsScaledType(type)) {
        result = Order(Load<std::int64_t>(a), Load<std::int64_t>(b));
    } else {
        result = Order(storage::LoadInteger(type, a), storage::LoadInteger(type, b));
    }
    return (kf.options & mtcoDescending) ? -result : result;
}

int RecordComparer::operator()(const Record* key, const Record* candidate) const
{
    for (const KeyField& kf : fields_) {
        bool cut = false;
        const int result = CompareField(kf, key, candidate, cut);
        if (result != 0) {
            return result;
        }
        if (cut) {
            return 0;
        }
    }
    return 0;
}

void WriteKeyValue(RecordStore& store, const Field& field, Record* record, const Variant& value)
{
    if (value.IsNull() || !field.IsBound()) {
        return;
    }
    const Field::Binding& b = field.StorageBinding();
    std::uint8_t* p = record->data + b.offset;
    const FieldType type = field.DataType();
    if (IsTextType(type)) {
        const std::string text = value.AsText();
        const std::string_view cut = storage::CutText(text, field.Size());
        if (b.outsideSlot >= 0) {
            store.SetOutsideValue(record, b.outsideSlot, cut);
        } else {
            if (!cut.empty()) {
                std::memcpy(p + 1, cut.data(), cut.size());
            }
            p[1 + cut.size()] = 0;
        }
        p[0] = 1;
        return;
    }
    p[0] = 1;
    if (storage::IsFloatType(type)) {
        Store<double>(p + 1, value.AsFloat());
    } else if (storage::IsScaledType(type)) {
        Store<std::int64_t>(p + 1, ClampToInt64(value.AsFloat() * 10000.0));
    } else if (type == FieldType::ftBoolean) {
        storage::StoreInteger(type, p + 1, value.AsBoolean() ? 1 : 0);
    } else {
        storage::StoreInteger(type, p + 1, value.AsInteger());
    }
}

} // namespace marlune::table
