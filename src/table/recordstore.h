#pragma once

#include <cstddef>
#include <cstdint>
#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace marlune::table {

class MemTableBase;

// Update status of a stored record.
enum UpdateStatus : std::uint8_t {
    usUnmodified = 0,
    usModified = 1,
    usInserted = 2,
    usDeleted = 3
};

// The header in front of every stored record (and of every copy of one in a
// record window). The data area follows it in the same block.
struct RecordHeader {
    std::int32_t position = -1; // place in the current order (copies only)
    std::int32_t identity = -1; // index in the store's record list
    std::int32_t unique = -1;   // from the store's unique counter
    std::uint8_t versionFlag = 0;
    std::int32_t transactionLevel = -1;
    std::uint8_t updateStatus = usUnmodified;
    RecordHeader* olderVersion = nullptr;
    std::uint8_t* data = nullptr; // the data area after this header

    bool IsDeleted() const { return updateStatus == usDeleted; }
};
using Record = RecordHeader;

// A bookmark slot inside a record's data area: the stored record and a flag.
struct BookmarkSlot {
    Record* record;
    std::uint8_t flag;
};
// A slot of a value stored outside the record: link to a separately allocated
// block (32-bit length, then the bytes) and a flag.
struct OutsideSlot {
    std::uint8_t* value;
    std::uint8_t flag;
};

// Field flag bits kept by the store, one byte per field.
enum FieldFlag : std::uint8_t { ffOutside = 1, ffCompressed = 2, ffChanged = 4 };

// Storage of one field in the data area.
struct FieldLayout {
    int offset = 0;       // indicator byte, from the start of the data area
    int storageSize = 0;  // bytes after the indicator
    int outsideSlot = -1; // >= 0: the value lives outside the record
};

// Layout of a record of the store.
struct RecordLayout {
    std::vector<FieldLayout> fields;
    int calcOffset = 0; // calculated-field area
    int calcSize = 0;
    int bookmarkOffset = 0; // AttachMaxCount bookmark slots
    int outsideOffset = 0;  // slots of values stored outside the record
    int outsideCount = 0;
    int dataSize = 0;   // the whole data area
    int recordSize = 0; // header + data area (a multiple of 8)
};

// Keeps the records of a table: fixed-size blocks carved from large chunks,
// the record list in insertion order, the counters, the layout, the locale
// and the lock.
class RecordStore {
public:
    static constexpr int kMaxFields = 256;
    static constexpr int kBookmarkSlotSize = sizeof(Record*) + 1;
    static constexpr int kOutsideSlotSize = sizeof(std::uint8_t*) + 1;

    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // The lock: re-entrant; not used when Standalone. A thread that holds it
    // already enters again by counting, without calling into the mutex: the
    // loader enters it once per field value.
    class Guard {
    public:
        explicit Guard(const RecordStore& store) : store_(store.standalone_ ? nullptr : &store)
        {
            if (store_ == nullptr) {
                return;
            }
            if (store_->owner_.load(std::memory_order_relaxed) == ThreadTag()) {
                ++store_->depth_;
                return;
            }
            store_->mutex_.lock();
            store_->owner_.store(ThreadTag(), std::memory_order_relaxed);
            store_->depth_ = 1;
        }
        ~Guard()
        {
            if (store_ == nullptr || --store_->depth_ > 0) {
                return;
            }
            store_->owner_.store(nullptr, std::memory_order_relaxed);
            store_->mutex_.unlock();
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        static const void* ThreadTag()
        {
            static thread_local const char tag = 0;
            return &tag;
        }
        const RecordStore* store_;
    };
    std::recursive_mutex& Mutex() const { return mutex_; }
    bool Standalone() const { return standalone_; }
    void SetStandalone(bool standalone) { standalone_ = standalone; }

    // Layout. Setting it requires an empty store.
    void SetLayout(RecordLayout layout);
    void ClearLayout();
    const RecordLayout& Layout() const { return layout_; }
    bool HasLayout() const { return layout_.recordSize > 0; }
    int DataSize() const { return layout_.dataSize; }
    int RecordSize() const { return layout_.recordSize; }

    // A blank record (every field null, header unstored), owned by the caller
    // until AddRecord or FreeRecord.
    Record* AllocateRecord();
    // Frees a record not in the list, with its older versions and the values
    // it holds outside the record.
    void FreeRecord(Record* record);
    // Appends a record: identity and unique numbers from the counters.
    void AddRecord(Record* record);
    void Reserve(std::size_t capacity);
    // Tells the store how many more blocks are about to be allocated (a
    // loader's estimate): the next chunk is sized for them and its pages are
    // taken from the system in one go instead of faulting in one by one.
    void ExpectBlocks(std::size_t count) { expectedBlocks_ = count; }
    // Gives the unused tail of the newest chunk back to the system (after a
    // load whose estimate was too high).
    void ReleaseSpare();
    std::size_t Capacity() const { return records_.capacity(); }
    // Frees every record; counters back to 0.
    void Empty();

    int RecordCount() const { return static_cast<int>(records_.size()); }
    Record* RecordAt(int identity) const { return records_[static_cast<std::size_t>(identity)]; }
    const std::vector<Record*>& Records() const { return records_; }
    int IdentityCounter() const { return identityCounter_; }
    int UniqueCounter() const { return uniqueCounter_; }
    int DeletedCount() const { return deletedCount_; }
    // Bumped whenever the store is emptied; bookmarks of an older generation are void.
    std::uint64_t Generation() const { return generation_; }

    // Bytes of record blocks in use (records and their older versions) and
    // bytes reserved from the system for blocks.
    std::size_t BlockBytesInUse() const;
    std::size_t ChunkBytes() const { return chunkBytes_; }

    // Per-field flag bytes.
    std::uint8_t FieldFlags(int field) const { return flags_[static_cast<std::size_t>(field)]; }
    void SetFieldFlags(int field, std::uint8_t flags)
    {
        flags_[static_cast<std::size_t>(field)] = flags;
    }
    void ClearChangedFlags();

    // Locale of text comparisons.
    int LanguageID() const { return languageId_; }
    int SubLanguageID() const { return subLanguageId_; }
    int SortID() const { return sortId_; }
    std::uint32_t LocaleID() const { return localeId_; }
    void SetLanguageID(int id);
    void SetSubLanguageID(int id);
    void SetSortID(int id);
    void SetLocaleID(std::uint32_t id);

    // Tables served.
    int AttachMaxCount() const { return attachMaxCount_; }
    void SetAttachMaxCount(int count); // requires no layout
    int Attach(MemTableBase* table);   // the table's bookmark slot number
    void Detach(MemTableBase* table);

    // Values stored outside the record. Raises "Invalid record " when the
    // record is not a record of this layout.
    std::string_view OutsideValue(const Record* record, int slot) const;
    void SetOutsideValue(Record* record, int slot, std::string_view bytes);
    void ClearOutsideValue(Record* record, int slot);

    // Plain copy of a record block (header and data area); the copy's data
    // link points at its own data area. Values stored outside are shared.
    void CopyRecord(const Record* from, Record* to) const;
    // Gives a copy its own duplicates of the values stored outside the record,
    // so that it can be edited or freed on its own.
    void DuplicateOutsideValues(Record* copy);
    // Frees the values stored outside a record and clears their links.
    void FreeOutsideValues(Record* record);

private:
    void RecomputeLocale();
    std::uint8_t* AllocateBlock();
    void ReleaseBlock(std::uint8_t* block);
    void FreeChunks();

    mutable std::recursive_mutex mutex_;
    mutable std::atomic<const void*> owner_{nullptr}; // thread holding the lock
    mutable int depth_ = 0;                           // its entries, while it holds it
    bool standalone_ = false;
    RecordLayout layout_;
    std::vector<Record*> records_;
    int identityCounter_ = 0;
    int uniqueCounter_ = 0;
    int deletedCount_ = 0;
    std::uint64_t generation_ = 0;
    std::vector<std::uint8_t> flags_;
    int languageId_ = 0;
    int subLanguageId_ = 1;
    int sortId_ = 0;
    std::uint32_t localeId_ = 1024;
    int attachMaxCount_ = 1;
    std::vector<MemTableBase*> tables_;

    // Block allocation: chunks of many blocks, a free list of released blocks.
    struct Chunk {
        std::uint8_t* memory;
        std::size_t size;
    };
    std::vector<Chunk> chunks_;
    std::uint8_t* bumpNext_ = nullptr;
    std::uint8_t* bumpEnd_ = nullptr;
    std::vector<std::uint8_t*> freeBlocks_;
    std::size_t chunkBytes_ = 0;
    std::size_t blocksInUse_ = 0;
    std::size_t storedBlocks_ = 0;   // blocks of records in the list (with older versions)
    std::size_t expectedBlocks_ = 0; // a loader's estimate of the blocks still to come
};

} // namespace marlune::table
