#include "table/tablereader.h"

#include "platform/cp1252.h"
#include "platform/error.h"
#include "table/fieldstorage.h"
#include "table/memtablebase.h"
#include "platform/stream.h"

#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>

namespace marlune::table {

// ---------------------------------------------------------------- values

ValueReader::ValueReader(platform::Stream& stream)
    : stream_(stream), size_(stream.Size()), bufferStart_(stream.Position())
{
}

void ValueReader::ReadError()
{
    throw Error("Stream read error");
}

void ValueReader::InvalidValue()
{
    throw Error("Invalid property value");
}

bool ValueReader::Fill()
{
    if (pos_ < len_) {
        return true;
    }
    bufferStart_ += static_cast<std::int64_t>(len_);
    pos_ = 0;
    len_ = stream_.Read(buffer_.data(), buffer_.size());
    return len_ > 0;
}

void ValueReader::ReadRaw(void* out, std::size_t count)
{
    auto* dst = static_cast<std::uint8_t*>(out);
    while (count > 0) {
        if (pos_ >= len_ && !Fill()) {
            ReadError();
        }
        const std::size_t n = std::min(count, len_ - pos_);
        std::memcpy(dst, buffer_.data() + pos_, n);
        pos_ += n;
        dst += n;
        count -= n;
    }
}

std::int32_t ValueReader::ReadInteger()
{
    switch (ReadByte()) {
    case vaInt8:
        return static_cast<std::int8_t>(ReadByte());
    case vaInt16: {
        std::uint8_t b[2];
        ReadRaw(b, 2);
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
    }
    case vaInt32: {
        std::uint8_t b[4];
        ReadRaw(b, 4);
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
    }
    default:
        InvalidValue();
    }
}

double ValueReader::ExtendedToDouble(const std::uint8_t bytes[10])
{
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) {
        mantissa = (mantissa << 8) | bytes[i];
    }
    const unsigned signExponent = static_cast<unsigned>(bytes[8] | (bytes[9] << 8));
    const bool negative = (signExponent & 0x8000u) != 0;
    int exponent = static_cast<int>(signExponent & 0x7FFFu);
    double value;
    if (exponent == 0x7FFF) {
        value = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::quiet_NaN();
    } else if (mantissa == 0) {
        value = 0.0;
    } else {
        if (exponent == 0) {
            exponent = 1; // denormal: same scale as the smallest normal
        }
        value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    }
    return negative ? -value : value;
}

double ValueReader::ReadNumber()
{
    const std::uint8_t tag = PeekTag();
    if (tag == vaExtended) {
        ReadByte();
        std::uint8_t b[10];
        ReadRaw(b, sizeof b);
        return ExtendedToDouble(b);
    }
    if (tag == vaInt8 || tag == vaInt16 || tag == vaInt32) {
        return ReadInteger();
    }
    ReadByte();
    InvalidValue();
}

std::string_view ValueReader::ReadText()
{
    const std::uint8_t tag = ReadByte();
    std::uint64_t count = 0; // bytes that follow
    switch (tag) {
    case vaString:
        count = ReadByte();
        break;
    case vaLString:
    case vaWString:
    case vaUTF8String: {
        std::uint8_t b[4];
        ReadRaw(b, 4);
        count = static_cast<std::uint64_t>(b[0]) | (static_cast<std::uint64_t>(b[1]) << 8) |
                (static_cast<std::uint64_t>(b[2]) << 16) | (static_cast<std::uint64_t>(b[3]) << 24);
        if (tag == vaWString) {
            count *= 2;
        }
        break;
    }
    default:
        InvalidValue();
    }
    // A length beyond the end of the stream fails before anything is allocated.
    if (count > static_cast<std::uint64_t>(std::max<std::int64_t>(0, Remaining()))) {
        ReadError();
    }
    const auto n = static_cast<std::size_t>(count);
    std::string_view raw;
    if (len_ - pos_ >= n) {
        raw = {reinterpret_cast<const char*>(buffer_.data() + pos_), n};
        pos_ += n;
    } else {
        scratch_.resize(n);
        ReadRaw(scratch_.data(), n);
        raw = scratch_;
    }
    if (tag == vaUTF8String) {
        converted_ = platform::FromUtf8(raw);
        return converted_;
    }
    if (tag == vaWString) {
        std::u16string units(n / 2, u'\0');
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                             (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
        }
        converted_ = platform::FromUtf16(units);
        return converted_;
    }
    return raw;
}

// ---------------------------------------------------------------- the table load

namespace {

constexpr const char* kTypeNames[] = {
    "Unknown",      "String",      "SmallInt", "Integer",     "Word",      "Boolean",
    "Float",        "Currency",    "BCD",      "Date",        "Time",      "DateTime",
    "Bytes",        "VarBytes",    "AutoInc",  "Blob",        "Memo",      "Graphic",
    "FmtMemo",      "ParadoxOle",  "dBaseOle", "TypedBinary", "Cursor",    "FixedChar",
    "WideString",   "LargeInt",    "ADT",      "Array",       "Reference", "DataSet",
    "HugeBlob",     "HugeClob",    "Variant",  "Interface",   "Dispatch",  "Guid",
    "SQLTimeStamp", "FMTBcdField",
};

bool Accepted(FieldType t)
{
    switch (t) {
    case FieldType::ftUnknown:
    case FieldType::ftCursor:
    case FieldType::ftWideString:
    case FieldType::ftReference:
    case FieldType::ftDataSet:
    case FieldType::ftHugeBlob:
    case FieldType::ftHugeClob:
    case FieldType::ftVariant:
    case FieldType::ftInterface:
    case FieldType::ftDispatch:
    case FieldType::ftGuid:
    case FieldType::ftSQLTimeStamp:
    case FieldType::ftFMTBcdField:
        return false;
    default:
        return true;
    }
}

FieldType LookUpType(std::string_view name)
{
    for (std::size_t i = 0; i < std::size(kTypeNames); ++i) {
        if (name == kTypeNames[i]) {
            const auto t = static_cast<FieldType>(i);
            if (Accepted(t)) {
                return t;
            }
            break;
        }
    }
    throw Error("Unknown field type (" + std::string(name) + ")");
}

FieldKind LookUpKind(std::string_view name)
{
    if (name == "Calculated") {
        return FieldKind::fkCalculated;
    }
    if (name == "Lookup") {
        return FieldKind::fkLookup;
    }
    if (name == "InternalCalc") {
        return FieldKind::fkInternalCalc;
    }
    if (name == "Aggregate") {
        return FieldKind::fkAggregate;
    }
    return FieldKind::fkData;
}

constexpr std::size_t kBaseBudget = 64u * 1024 * 1024;
constexpr std::size_t kBytesPerFileByte = 128;

// Owns a record being loaded (with its older versions) until it is stored.
struct RecordFree {
    RecordStore* store;
    void operator()(Record* r) const { store->FreeRecord(r); }
};
using RecordHolder = std::unique_ptr<Record, RecordFree>;

// Estimates, from the records read so far, how many blocks the rest of the
// file will take, and tells the store, so that the memory for them comes in
// one piece with its pages already there. The number of records is not in the
// file; the estimate is bounded by the memory budget and by what the record
// list may sensibly presize (a file with a huge sparse tail must not reserve
// gigabytes). What the estimate took too much goes back at the end.
class LoadEstimate {
public:
    LoadEstimate(RecordStore& store, const ValueReader& in, std::size_t budget)
        : store_(store), in_(in), budget_(budget), startPosition_(in.Position()),
          startBytes_(store.BlockBytesInUse())
    {
    }
    ~LoadEstimate() { store_.ReleaseSpare(); }
    LoadEstimate(const LoadEstimate&) = delete;
    LoadEstimate& operator=(const LoadEstimate&) = delete;

    // Called before record number `count` (from 1) is read.
    void Update(int count)
    {
        if (count != kFirstEstimate && count % kEstimateInterval != 0) {
            return;
        }
        const auto recordSize = static_cast<std::size_t>(store_.RecordSize());
        const std::int64_t read = in_.Position() - startPosition_;
        const std::size_t bytesInUse = store_.BlockBytesInUse();
        if (recordSize == 0 || read <= 0 || bytesInUse <= startBytes_) {
            return;
        }
        const double blocks = static_cast<double>((bytesInUse - startBytes_) / recordSize);
        const double perByte = blocks / static_cast<double>(read);
        const double remaining = static_cast<double>(std::max<std::int64_t>(0, in_.Remaining()));
        const double allowed =
            static_cast<double>(budget_ > bytesInUse ? (budget_ - bytesInUse) / recordSize : 0);
        const double expected = std::min(remaining * perByte * 1.02 + 16.0, allowed);
        store_.ExpectBlocks(static_cast<std::size_t>(expected));
        const auto records = static_cast<std::size_t>(store_.RecordCount());
        const auto presize =
            std::min(records + static_cast<std::size_t>(expected), records + kMaxPresize);
        try {
            store_.Reserve(presize);
        } catch (const std::bad_alloc&) {
            // Not presized: the list grows as records come.
        }
    }

private:
    static constexpr int kFirstEstimate = 64;
    static constexpr int kEstimateInterval = 4096;
    static constexpr std::size_t kMaxPresize = std::size_t{1} << 22;

    RecordStore& store_;
    const ValueReader& in_;
    std::size_t budget_;
    std::int64_t startPosition_;
    std::size_t startBytes_;
};

} // namespace

void TableReader::Progress(int percentage)
{
    if (table_.OnProgress) {
        table_.OnProgress(table_, percentage);
    }
}

void TableReader::Read()
{
    MemTableBase& t = table_;
    RecordStore::Guard lock(t.store_);
    Progress(0);
    t.DisableControls();
    std::exception_ptr error;
    try {
        if (stream_.Size() - stream_.Position() > 0) {
            ValueReader in(stream_);
            ReadContent(in);
        }
    } catch (...) {
        error = std::current_exception();
    }
    // Finish on every path; a later failure replaces an earlier one.
    t.loadRecord_ = nullptr;
    if (t.state_ == DataSetState::dsLoad) {
        t.state_ = DataSetState::dsBrowse;
    }
    try {
        if (t.Active()) {
            t.RebuildOrders();
        }
    } catch (...) {
        error = std::current_exception();
    }
    try {
        t.RefreshWindow();
    } catch (...) {
        error = std::current_exception();
    }
    t.EnableControls();
    Progress(100);
    if (error) {
        std::rethrow_exception(error);
    }
}

void TableReader::ReadContent(ValueReader& in)
{
    char signature[4];
    in.ReadRaw(signature, sizeof signature);
    if (std::memcmp(signature, "TPF0", 4) != 0) {
        throw Error("Invalid stream format");
    }
    const int version = in.PeekTag() == vaList ? 100 : in.ReadInteger();
    ReadFieldDefinitions(in, version);
    bool indexesRead = false;
    if (version >= 200) {
        ReadIndexDefinitions(in, indexesRead);
    }
    ReadRecords(in, version);
    (void)indexesRead;
}

void TableReader::ReadFieldDefinitions(ValueReader& in, int version)
{
    MemTableBase& t = table_;
    in.ReadListBegin();
    bool begun = false;
    try {
        while (!in.EndOfList()) {
            if (!begun) {
                begun = true;
                t.Close();
                t.fieldDefs_.clear();
                t.ClearFields();
                t.layoutChangedWhileDisabled_ = true;
            }
            const std::string name(in.ReadText());
            const std::string typeName(in.ReadText());
            const int size = in.ReadInteger();
            std::string label(in.ReadText());
            std::string editMask(in.ReadText());
            const int displayWidth = in.ReadInteger();
            const bool required = in.ReadBoolean();
            const bool readOnly = in.ReadBoolean();
            std::string kindName = version >= 250 ? std::string(in.ReadText()) : "Data";
            std::string defaultExpression = version >= 251 ? std::string(in.ReadText()) : "";
            const FieldType type = LookUpType(typeName);
            const FieldKind kind = LookUpKind(kindName);
            Field& f = t.AddField(name, type, size, kind);
            t.fieldDefs_.push_back({name, type, size, required});
            f.SetRequired(required);
            f.SetDisplayLabel(std::move(label));
            f.SetEditMask(std::move(editMask));
            f.SetReadOnly(readOnly);
            f.SetDisplayWidth(displayWidth);
            f.SetDefaultExpression(std::move(defaultExpression));
        }
        in.ReadListEnd();
    } catch (...) {
        // The table reopens with the definitions read so far; when that
        // fails too, its error is the one that counts.
        if (begun) {
            t.Open();
        }
        throw;
    }
    if (begun) {
        t.Open();
    }
}

void TableReader::ReadIndexDefinitions(ValueReader& in, bool& read)
{
    MemTableBase& t = table_;
    in.ReadListBegin();
    while (!in.EndOfList()) {
        if (!read) {
            read = true;
            for (auto& order : t.orders_) {
                order->records.clear();
            }
            t.orders_.resize(1);
            t.currentOrder_ = 0;
            t.indexDefs_.clear();
        }
        IndexDef def;
        def.name = std::string(in.ReadText());
        def.fields = std::string(in.ReadText());
        def.name = std::string(in.ReadText()); // the display name replaces the name
        def.descending = in.ReadBoolean();
        def.caseInsensitive = in.ReadBoolean();
        def.notMaintained = in.ReadBoolean();
        def.unique = in.ReadBoolean();
        t.indexDefs_.push_back(std::move(def));
    }
    in.ReadListEnd();
}

void TableReader::ReadRecords(ValueReader& in, int version)
{
    MemTableBase& t = table_;
    RecordStore& store = t.store_;
    t.CheckActive();
    t.loadedCount_ = 0;
    t.loadedCompletely_ = true;
    // Memory for records grows with the file; a small file that defines wide
    // records and many empty ones must not take gigabytes.
    const std::size_t budget = store.BlockBytesInUse() + kBaseBudget +
                               kBytesPerFileByte * static_cast<std::size_t>(in.Size());
    auto allocate = [&] {
        if (store.BlockBytesInUse() + static_cast<std::size_t>(store.RecordSize()) > budget) {
            throw Error("Out of memory");
        }
        return store.AllocateRecord();
    };
    RecordStore::Guard lock(store);
    LoadEstimate estimate(store, in, budget);
    t.state_ = DataSetState::dsLoad;
    in.ReadListBegin();
    int counter = 0;
    while (!in.EndOfList()) {
        if (++counter % 100 == 0 && in.Size() > 0) {
            Progress(static_cast<int>(static_cast<double>(in.Position()) /
                                      static_cast<double>(in.Size()) * 100.0));
        }
        estimate.Update(counter);
        RecordHolder record(allocate(), RecordFree{&store});
        t.loadRecord_ = record.get();
        if (version >= 230) {
            in.ReadListBegin();
            Record* current = record.get();
            for (;;) {
                const int status = in.ReadInteger();
                if (status < usUnmodified || status > usDeleted) {
                    throw Error("Invalid property value");
                }
                current->updateStatus = static_cast<std::uint8_t>(status);
                ReadValues(in, version);
                if (in.EndOfList()) {
                    break;
                }
                Record* older = allocate();
                current->olderVersion = older; // owned through the chain from now on
                current = older;
                t.loadRecord_ = current;
            }
            in.ReadListEnd();
        } else {
            ReadValues(in, version);
        }
        t.loadRecord_ = nullptr;
        if (t.loadLimit_ >= 0 && t.loadedCount_ >= t.loadLimit_) {
            t.loadedCompletely_ = false;
            continue;
        }
        store.AddRecord(record.release());
        ++t.loadedCount_;
    }
    if (!t.indexDefs_.empty()) {
        t.RebuildOrders();
    }
    t.state_ = DataSetState::dsBrowse;
    in.ReadListEnd();
}

void TableReader::ReadValues(ValueReader& in, int version)
{
    MemTableBase& t = table_;
    for (const auto& fp : t.fields_) {
        Field& f = *fp;
        if (version >= 249 && in.ReadBoolean()) {
            f.Clear();
            continue;
        }
        switch (f.DataType()) {
        case FieldType::ftSmallint:
        case FieldType::ftInteger:
        case FieldType::ftWord:
            f.SetAsInteger(in.ReadInteger());
            break;
        case FieldType::ftAutoInc: {
            const std::int32_t v = in.ReadInteger();
            f.SetAsInteger(v);
            if (v > t.maxAutoInc_) {
                t.maxAutoInc_ = v;
            }
            break;
        }
        case FieldType::ftBoolean:
            f.SetAsBoolean(in.ReadBoolean());
            break;
        case FieldType::ftFloat:
        case FieldType::ftLargeint:
        case FieldType::ftCurrency:
        case FieldType::ftBCD:
            f.SetAsFloat(in.ReadNumber());
            break;
        case FieldType::ftDate:
        case FieldType::ftTime:
        case FieldType::ftDateTime: {
            const double v = in.ReadNumber();
            if (v == 0) {
                f.Clear();
            } else {
                f.SetAsFloat(v);
            }
            break;
        }
        default:
            f.SetAsString(in.ReadText());
            break;
        }
    }
}

// ---------------------------------------------------------------- table operations

void MemTableBase::ReadTableStream(platform::Stream& stream)
{
    TableReader(*this, stream).Read();
}

void MemTableBase::LoadTableFile(const std::string& fileName)
{
    platform::FileStream stream(fileName);
    if (OnLoad) {
        OnLoad(*this);
    }
    ReadTableStream(stream);
}

} // namespace marlune::table
