#pragma once

#include "table/memtablebase.h"

namespace marlune::platform {
class Collator;
}

namespace marlune::table {

// Compares a key record with a candidate record over a key field list: null
// handling, partial keys (a cut partial match ends the comparison as equal),
// descending fields, locale or character-code text comparison.
class RecordComparer {
public:
    RecordComparer(const KeyFieldList& fields, std::uint32_t localeId,
                   const RecordStore* store = nullptr);

    // <0, 0 or >0: the key sorts before, equals or sorts after the candidate.
    int operator()(const Record* key, const Record* candidate) const;

    // The text comparison of one key text with one candidate text.
    int CompareText(std::string_view key, std::string_view candidate, CompareOptions options,
                    bool& cut) const;

private:
    int CompareField(const KeyField& kf, const Record* key, const Record* candidate,
                     bool& cut) const;
    std::string_view TextOf(const Field& f, const Record* r) const;
    const platform::Collator& Collator() const;

    const KeyFieldList& fields_;
    std::uint32_t localeId_;
    const RecordStore* store_;
    mutable const platform::Collator* collator_ = nullptr;
};

// Writes a key value into a key record by the field's storage rules (text
// cut to the field's size); a null value leaves the field null.
void WriteKeyValue(RecordStore& store, const Field& field, Record* record, const Variant& value);

} // namespace marlune::table
