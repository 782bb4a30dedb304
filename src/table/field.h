#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marlune::table {

class MemTableBase;

// Field types, numbered as the data file names them.
enum class FieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftHugeBlob,
    ftHugeClob,
    ftVariant,
    ftInterface,
    ftDispatch,
    ftGuid,
    ftSQLTimeStamp,
    ftFMTBcdField
};

enum class FieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// A definition the table's structure is built from (name, type, size, required).
struct FieldDef {
    std::string name;
    FieldType dataType = FieldType::ftUnknown;
    int size = 0;
    bool required = false;
};

// Types whose values are text (stored NUL-terminated in Size + 1 bytes).
inline bool IsTextType(FieldType t)
{
    return t == FieldType::ftString || t == FieldType::ftFixedChar;
}
// Large-object types: always stored outside the record.
bool IsBlobType(FieldType t);

// A field object of a table. Values are read from and written to the record
// the table's state designates (the current window slot when browsing, the
// record being loaded during a load, the edit buffer while editing).
class Field {
public:
    Field(MemTableBase& dataSet, std::string fieldName, FieldType dataType, int size,
          FieldKind kind = FieldKind::fkData);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;
    ~Field();

    MemTableBase& DataSet() const { return *dataSet_; }
    const std::string& FieldName() const { return fieldName_; }
    const std::string& DisplayLabel() const { return displayLabel_; }
    void SetDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
    std::string DisplayName() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    FieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    FieldKind Kind() const { return kind_; }
    void SetKind(FieldKind kind) { kind_ = kind; }
    int Index() const { return index_; }
    void SetIndex(int index) { index_ = index; } // kept by the table
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(std::string mask) { editMask_ = std::move(mask); }
    const std::string& DefaultExpression() const { return defaultExpression_; }
    void SetDefaultExpression(std::string e) { defaultExpression_ = std::move(e); }

    // Value of the current record.
    bool IsNull() const;
    std::string AsString() const;   // 8-bit text; a null reads as the empty text
    std::int64_t AsInteger() const; // numbers (and Boolean as 0/1); 0 for null or text
    double AsFloat() const;
    bool AsBoolean() const;

    // Writes; in edit or load state only (else "Dataset is not in edit mode.").
    void SetAsString(std::string_view text);
    void SetAsInteger(std::int64_t value);
    void SetAsFloat(double value);
    void SetAsBoolean(bool value);
    void Clear();

    // Storage position inside a record's data area, set when the table opens.
    struct Binding {
        int offset = -1;      // indicator byte within the data area; -1 = not bound
        int storageSize = 0;  // bytes of storage after the indicator (inline fields)
        int outsideSlot = -1; // slot number when stored outside the record
    };
    const Binding& StorageBinding() const { return binding_; }
    void Bind(const Binding& b) { binding_ = b; }
    void Unbind() { binding_ = Binding{}; }
    bool IsBound() const { return binding_.offset >= 0; }

private:
    // Takes the store's lock, finds the record a write goes to (none: the
    // table takes no write now, and nothing happens), lets write fill the
    // field's bytes (the null flag, then the value) and tells the table.
    template <typename Write> void WriteValue(Write&& write);
    // Reads a number stored in the record; zero where there is none.
    template <typename T, typename Read> T ReadNumber(Read&& read) const;

    MemTableBase* dataSet_;
    std::string fieldName_;
    std::string displayLabel_;
    std::string editMask_;
    std::string defaultExpression_;
    FieldType dataType_;
    int size_;
    int displayWidth_ = -1; // -1: derived from the type and size
    int index_ = -1;
    FieldKind kind_;
    bool required_ = false;
    bool readOnly_ = false;
    Binding binding_;
};

} // namespace marlune::table
