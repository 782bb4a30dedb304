#include "table/field.h"

#include "platform/error.h"
#include "table/fieldstorage.h"
#include "table/memtablebase.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace marlune::table {

bool IsBlobType(FieldType t)
{
    switch (t) {
    case FieldType::ftBlob:
    case FieldType::ftMemo:
    case FieldType::ftGraphic:
    case FieldType::ftFmtMemo:
    case FieldType::ftParadoxOle:
    case FieldType::ftDBaseOle:
    case FieldType::ftTypedBinary:
        return true;
    default:
        return false;
    }
}

namespace storage {

int InlineSize(FieldType type, int size)
{
    switch (type) {
    case FieldType::ftString:
    case FieldType::ftFixedChar:
        return size + 1;
    case FieldType::ftSmallint:
    case FieldType::ftWord:
    case FieldType::ftBoolean:
        return 2;
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
        return 4;
    case FieldType::ftFloat:
    case FieldType::ftCurrency:
    case FieldType::ftDate:
    case FieldType::ftTime:
    case FieldType::ftDateTime:
    case FieldType::ftLargeint:
        return 8;
    case FieldType::ftBCD:
        return 34;
    case FieldType::ftBytes:
        return size;
    case FieldType::ftVarBytes:
        return size + 2;
    default:
        return IsBlobType(type) ? 0 : -1;
    }
}

bool StoredOutside(FieldType type, int size, Performance performance)
{
    if (IsBlobType(type)) {
        return true;
    }
    switch (type) {
    case FieldType::ftString:
    case FieldType::ftFixedChar:
    case FieldType::ftBytes:
    case FieldType::ftVarBytes:
        return size > 12 && performance != Performance::mtpfFast;
    default:
        return false;
    }
}

bool Comparable(FieldType type)
{
    return IsTextType(type) || IsIntegerType(type) || IsFloatType(type) || IsScaledType(type);
}

bool IsIntegerType(FieldType type)
{
    switch (type) {
    case FieldType::ftSmallint:
    case FieldType::ftInteger:
    case FieldType::ftWord:
    case FieldType::ftBoolean:
    case FieldType::ftAutoInc:
    case FieldType::ftLargeint:
        return true;
    default:
        return false;
    }
}

bool IsFloatType(FieldType type)
{
    return type == FieldType::ftFloat || type == FieldType::ftDate || type == FieldType::ftTime ||
           type == FieldType::ftDateTime;
}

bool IsScaledType(FieldType type)
{
    return type == FieldType::ftCurrency || type == FieldType::ftBCD;
}

} // namespace storage

namespace {

using storage::ClampToInt64;
using storage::FormatFloat;
using storage::Load;
using storage::Store;

// Days since 30 December 1899 (the fraction is the time of day) as text.
std::string FormatDateTime(double value, FieldType type)
{
    const double days = std::floor(value);
    double fraction = value - days;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        return FormatFloat(value);
    }
    // Civil date from the day count (1899-12-30 is day 0; 1970-01-01 is day 25569).
    long long z = static_cast<long long>(days) - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) {
        ++y;
    }
    long long secs = std::llround(fraction * 86400.0);
    if (secs >= 86400) {
        secs = 86399;
    }
    char buf[128];
    if (type == FieldType::ftDate) {
        std::snprintf(buf, sizeof buf, "%02lld/%02lld/%04lld", d, m, y);
    } else if (type == FieldType::ftTime) {
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60,
                      secs % 60);
    } else {
        std::snprintf(buf, sizeof buf, "%02lld/%02lld/%04lld %02lld:%02lld:%02lld", d, m, y,
                      secs / 3600, secs / 60 % 60, secs % 60);
    }
    return buf;
}

} // namespace

Field::Field(MemTableBase& dataSet, std::string fieldName, FieldType dataType, int size,
             FieldKind kind)
    : dataSet_(&dataSet), fieldName_(std::move(fieldName)), dataType_(dataType), size_(size),
      kind_(kind)
{
}

Field::~Field() = default;

int Field::DisplayWidth() const
{
    if (displayWidth_ >= 0) {
        return displayWidth_;
    }
    if (IsTextType(dataType_)) {
        return size_;
    }
    return 10;
}

bool Field::IsNull() const
{
    RecordStore::Guard lock(dataSet_->Store());
    const Record* r = dataSet_->ReadRecord();
    if (r == nullptr || !IsBound()) {
        return true;
    }
    return r->data[binding_.offset] == 0;
}

std::string Field::AsString() const
{
    RecordStore::Guard lock(dataSet_->Store());
    const Record* r = dataSet_->ReadRecord();
    if (r == nullptr || !IsBound() || r->data[binding_.offset] == 0) {
        return {};
    }
    const std::uint8_t* p = r->data + binding_.offset + 1;
    if (binding_.outsideSlot >= 0) {
        std::string_view v = dataSet_->Store().OutsideValue(r, binding_.outsideSlot);
        if (IsTextType(dataType_)) {
            v = storage::CutText(v, size_);
        }
        return std::string(v);
    }
    switch (dataType_) {
    case FieldType::ftString:
    case FieldType::ftFixedChar:
        return std::string(storage::StoredText(p, size_));
    case FieldType::ftBoolean:
        return Load<std::int16_t>(p) ? "True" : "False";
    case FieldType::ftSmallint:
    case FieldType::ftWord:
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
    case FieldType::ftLargeint:
        return std::to_string(AsInteger());
    case FieldType::ftFloat:
        return FormatFloat(Load<double>(p));
    case FieldType::ftDate:
    case FieldType::ftTime:
    case FieldType::ftDateTime:
        return FormatDateTime(Load<double>(p), dataType_);
    case FieldType::ftCurrency:
    case FieldType::ftBCD:
        return FormatFloat(static_cast<double>(Load<std::int64_t>(p)) / 10000.0);
    case FieldType::ftBytes:
        return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(size_));
    case FieldType::ftVarBytes: {
        const auto n = std::min<int>(Load<std::uint16_t>(p), size_);
        return std::string(reinterpret_cast<const char*>(p + 2), static_cast<std::size_t>(n));
    }
    default:
        return {};
    }
}

template <typename T, typename Read> T Field::ReadNumber(Read&& read) const
{
    RecordStore::Guard lock(dataSet_->Store());
    const Record* r = dataSet_->ReadRecord();
    // A null value, an unbound field or a value kept outside the record reads
    // as zero.
    if (r == nullptr || !IsBound() || r->data[binding_.offset] == 0 || binding_.outsideSlot >= 0) {
        return T{};
    }
    return read(r->data + binding_.offset + 1);
}

std::int64_t Field::AsInteger() const
{
    return ReadNumber<std::int64_t>([&](const std::uint8_t* p) -> std::int64_t {
        if (storage::IsIntegerType(dataType_)) {
            return storage::LoadInteger(dataType_, p);
        }
        switch (dataType_) {
        case FieldType::ftFloat:
        case FieldType::ftDate:
        case FieldType::ftTime:
        case FieldType::ftDateTime:
            return ClampToInt64(Load<double>(p));
        case FieldType::ftCurrency:
        case FieldType::ftBCD:
            return ClampToInt64(static_cast<double>(Load<std::int64_t>(p)) / 10000.0);
        case FieldType::ftString:
        case FieldType::ftFixedChar:
            return std::strtoll(std::string(storage::StoredText(p, size_)).c_str(), nullptr, 10);
        default:
            return 0;
        }
    });
}

double Field::AsFloat() const
{
    return ReadNumber<double>([&](const std::uint8_t* p) -> double {
        if (storage::IsFloatType(dataType_)) {
            return Load<double>(p);
        }
        if (storage::IsScaledType(dataType_)) {
            return static_cast<double>(Load<std::int64_t>(p)) / 10000.0;
        }
        if (IsTextType(dataType_)) {
            return std::strtod(std::string(storage::StoredText(p, size_)).c_str(), nullptr);
        }
        return static_cast<double>(AsInteger());
    });
}

bool Field::AsBoolean() const
{
    if (IsTextType(dataType_)) {
        const std::string s = AsString();
        return s == "True" || s == "true" || s == "TRUE" || s == "1";
    }
    return AsFloat() != 0;
}

template <typename Write> void Field::WriteValue(Write&& write)
{
    RecordStore::Guard lock(dataSet_->Store());
    Record* r = dataSet_->WriteRecord(*this);
    if (r == nullptr) {
        return;
    }
    // write answers false when it handed the value on to another setter,
    // which has told the table already.
    if (write(r, r->data + binding_.offset)) {
        dataSet_->FieldWritten(*this);
    }
}

void Field::SetAsString(std::string_view text)
{
    WriteValue([&](Record* r, std::uint8_t* p) {
        if (IsTextType(dataType_) && binding_.outsideSlot < 0) {
            // At most Size bytes and the NUL; a NUL inside the text ends it on
            // reading, which always stops at the first NUL.
            const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size_));
            p[0] = 1;
            storage::CopyText(p + 1, text.data(), n);
            p[1 + n] = 0;
        } else if (binding_.outsideSlot >= 0) {
            if (IsTextType(dataType_)) {
                text = storage::CutText(text, size_);
            }
            dataSet_->Store().SetOutsideValue(r, binding_.outsideSlot, text);
            p[0] = 1;
        } else if (dataType_ == FieldType::ftBytes || dataType_ == FieldType::ftVarBytes) {
            const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size_));
            p[0] = 1;
            if (dataType_ == FieldType::ftBytes) {
                std::memset(p + 1, 0, static_cast<std::size_t>(size_));
                if (n) {
                    std::memcpy(p + 1, text.data(), n);
                }
            } else {
                Store<std::uint16_t>(p + 1, static_cast<std::uint16_t>(n));
                if (n) {
                    std::memcpy(p + 3, text.data(), n);
                }
            }
        } else if (dataType_ == FieldType::ftBoolean) {
            SetAsBoolean(text == "True" || text == "true" || text == "TRUE" || text == "1");
            return false;
        } else if (storage::IsIntegerType(dataType_)) {
            SetAsInteger(std::strtoll(std::string(text).c_str(), nullptr, 10));
            return false;
        } else {
            SetAsFloat(std::strtod(std::string(text).c_str(), nullptr));
            return false;
        }
        return true;
    });
}

void Field::SetAsInteger(std::int64_t value)
{
    RecordStore::Guard lock(dataSet_->Store());
    if (!storage::IsIntegerType(dataType_) && !storage::IsFloatType(dataType_) &&
        !storage::IsScaledType(dataType_)) {
        SetAsString(std::to_string(value));
        return;
    }
    if (storage::IsFloatType(dataType_) || storage::IsScaledType(dataType_)) {
        SetAsFloat(static_cast<double>(value));
        return;
    }
    WriteValue([&](Record*, std::uint8_t* p) {
        p[0] = 1;
        storage::StoreInteger(dataType_, p + 1, value);
        return true;
    });
}

void Field::SetAsFloat(double value)
{
    RecordStore::Guard lock(dataSet_->Store());
    if (storage::IsIntegerType(dataType_)) {
        SetAsInteger(ClampToInt64(value));
        return;
    }
    if (!storage::IsFloatType(dataType_) && !storage::IsScaledType(dataType_)) {
        SetAsString(FormatFloat(value));
        return;
    }
    WriteValue([&](Record*, std::uint8_t* p) {
        p[0] = 1;
        if (storage::IsScaledType(dataType_)) {
            Store<std::int64_t>(p + 1, ClampToInt64(value * 10000.0));
        } else {
            Store<double>(p + 1, value);
        }
        return true;
    });
}

void Field::SetAsBoolean(bool value)
{
    if (IsTextType(dataType_)) {
        SetAsString(value ? "True" : "False");
        return;
    }
    SetAsInteger(value ? 1 : 0);
}

void Field::Clear()
{
    WriteValue([&](Record* r, std::uint8_t* p) {
        p[0] = 0;
        if (binding_.outsideSlot >= 0) {
            dataSet_->Store().ClearOutsideValue(r, binding_.outsideSlot);
        }
        return true;
    });
}

} // namespace marlune::table
