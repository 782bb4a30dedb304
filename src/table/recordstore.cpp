#include "table/recordstore.h"

#include "platform/error.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace marlune::table {

namespace {

// Chunks start small (a table of a few records stays small) and grow to a
// size where the per-chunk cost vanishes; memory comes straight from the
// system so that fresh blocks are already zero and untouched pages cost nothing.
// Chunks from 2 MB on are aligned to 2 MB and asked for huge pages: a scan
// over all records then costs far fewer TLB misses.
constexpr std::size_t kFirstChunkBytes = 64 * 1024;
constexpr std::size_t kMaxChunkBytes = 32 * 1024 * 1024;
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kWholeEstimateBlocks = 2048;

std::uint8_t* MapChunk(std::size_t bytes, bool populate)
{
    const bool huge = bytes >= kHugePage;
    const std::size_t mapped = huge ? bytes + kHugePage : bytes;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        throw std::bad_alloc();
    }
    auto* start = static_cast<std::uint8_t*>(p);
    std::uint8_t* aligned = start;
    if (huge) {
        const auto address = reinterpret_cast<std::uintptr_t>(start);
        aligned = reinterpret_cast<std::uint8_t*>((address + kHugePage - 1) & ~(kHugePage - 1));
        if (aligned > start) {
            ::munmap(start, static_cast<std::size_t>(aligned - start));
        }
        std::uint8_t* end = start + mapped;
        if (end > aligned + bytes) {
            ::munmap(aligned + bytes, static_cast<std::size_t>(end - (aligned + bytes)));
        }
#ifdef MADV_HUGEPAGE
        ::madvise(aligned, bytes, MADV_HUGEPAGE);
#endif
    }
#ifdef MADV_POPULATE_WRITE
    // One call instead of a page fault per page; on virtual machines a fault
    // costs more than the page it brings. Older kernels refuse it: the pages
    // then come one by one as before.
    if (populate) {
        ::madvise(aligned, bytes, MADV_POPULATE_WRITE);
    }
#else
    (void)populate;
#endif
    return aligned;
}

std::size_t PageSize()
{
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

} // namespace

RecordStore::RecordStore() : flags_(kMaxFields, 0) {}

RecordStore::~RecordStore()
{
    Empty();
    FreeChunks();
}

void RecordStore::SetLayout(RecordLayout layout)
{
    Guard lock(*this);
    Empty();
    FreeChunks();
    layout_ = std::move(layout);
    std::fill(flags_.begin(), flags_.end(), 0);
    for (std::size_t i = 0; i < layout_.fields.size() && i < flags_.size(); ++i) {
        if (layout_.fields[i].outsideSlot >= 0) {
            flags_[i] = ffOutside;
        }
    }
}

void RecordStore::ClearLayout()
{
    Guard lock(*this);
    Empty();
    FreeChunks();
    layout_ = RecordLayout{};
    std::fill(flags_.begin(), flags_.end(), 0);
}

std::uint8_t* RecordStore::AllocateBlock()
{
    const auto size = static_cast<std::size_t>(layout_.recordSize);
    if (!freeBlocks_.empty()) {
        std::uint8_t* block = freeBlocks_.back();
        freeBlocks_.pop_back();
        std::memset(block, 0, size);
        ++blocksInUse_;
        return block;
    }
    if (bumpNext_ == nullptr || static_cast<std::size_t>(bumpEnd_ - bumpNext_) < size) {
        const bool expected = expectedBlocks_ > 0;
        std::size_t bytes = 0;
        if (expected) {
            // Sized for the blocks a loader expects, whole pages; for half of
            // them while there are many, as the estimate improves as it goes.
            const std::size_t page = PageSize();
            const std::size_t blocks =
                expectedBlocks_ > kWholeEstimateBlocks ? expectedBlocks_ / 2 : expectedBlocks_;
            bytes = std::clamp(blocks * size, kFirstChunkBytes, kMaxChunkBytes);
            bytes = (bytes + page - 1) & ~(page - 1);
        } else {
            bytes = chunks_.empty() ? kFirstChunkBytes
                                    : std::min(chunks_.back().size * 2, kMaxChunkBytes);
        }
        if (bytes < size) {
            bytes = (size + kHugePage - 1) & ~(kHugePage - 1);
        }
        std::uint8_t* memory = MapChunk(bytes, expected);
        chunks_.push_back({memory, bytes});
        chunkBytes_ += bytes;
        bumpNext_ = memory;
        bumpEnd_ = memory + bytes;
    }
    std::uint8_t* block = bumpNext_; // fresh mapped memory is zero
    bumpNext_ += size;
    ++blocksInUse_;
    if (expectedBlocks_ > 0) {
        --expectedBlocks_;
    }
    return block;
}

void RecordStore::ReleaseBlock(std::uint8_t* block)
{
    freeBlocks_.push_back(block);
    --blocksInUse_;
}

void RecordStore::ReleaseSpare()
{
    expectedBlocks_ = 0;
    if (chunks_.empty() || bumpNext_ == nullptr) {
        return;
    }
    const std::size_t page = PageSize();
    const auto next = reinterpret_cast<std::uintptr_t>(bumpNext_);
    auto* spare = reinterpret_cast<std::uint8_t*>((next + page - 1) & ~(page - 1));
    if (spare >= bumpEnd_) {
        return;
    }
    Chunk& last = chunks_.back();
    const auto released = static_cast<std::size_t>(bumpEnd_ - spare);
    ::munmap(spare, released);
    last.size -= released;
    chunkBytes_ -= released;
    bumpEnd_ = spare;
}

void RecordStore::FreeChunks()
{
    for (const Chunk& c : chunks_) {
        ::munmap(c.memory, c.size);
    }
    chunks_.clear();
    freeBlocks_.clear();
    freeBlocks_.shrink_to_fit();
    bumpNext_ = bumpEnd_ = nullptr;
    chunkBytes_ = 0;
    expectedBlocks_ = 0;
    blocksInUse_ = 0;
}

Record* RecordStore::AllocateRecord()
{
    Guard lock(*this);
    if (!HasLayout()) {
        throw Error("Invalid record ");
    }
    std::uint8_t* block = AllocateBlock();
    auto* r = new (block) RecordHeader{};
    r->data = block + sizeof(RecordHeader);
    return r;
}

void RecordStore::FreeOutsideValues(Record* record)
{
    if (layout_.outsideCount == 0) {
        return;
    }
    for (int i = 0; i < layout_.outsideCount; ++i) {
        std::uint8_t* slot = record->data + layout_.outsideOffset + i * kOutsideSlotSize;
        std::uint8_t* value = nullptr;
        std::memcpy(&value, slot, sizeof value);
        delete[] value;
        value = nullptr;
        std::memcpy(slot, &value, sizeof value);
    }
}

void RecordStore::FreeRecord(Record* record)
{
    Guard lock(*this);
    while (record != nullptr) {
        Record* older = record->olderVersion;
        FreeOutsideValues(record);
        ReleaseBlock(reinterpret_cast<std::uint8_t*>(record));
        record = older;
    }
}

void RecordStore::AddRecord(Record* record)
{
    Guard lock(*this);
    record->identity = identityCounter_++;
    record->unique = uniqueCounter_++;
    records_.push_back(record);
    for (const Record* r = record; r != nullptr; r = r->olderVersion) {
        ++storedBlocks_;
    }
    if (record->IsDeleted()) {
        ++deletedCount_;
    }
}

void RecordStore::Reserve(std::size_t capacity)
{
    Guard lock(*this);
    records_.reserve(capacity);
}

void RecordStore::Empty()
{
    Guard lock(*this);
    if (layout_.outsideCount == 0 && storedBlocks_ == blocksInUse_) {
        // Nothing else holds a block and no record owns memory of its own:
        // give the chunks back whole instead of freeing record by record.
        FreeChunks();
    } else {
        for (Record* r : records_) {
            FreeRecord(r);
        }
    }
    storedBlocks_ = 0;
    records_.clear();
    records_.shrink_to_fit();
    identityCounter_ = 0;
    uniqueCounter_ = 0;
    deletedCount_ = 0;
    ++generation_;
}

std::size_t RecordStore::BlockBytesInUse() const
{
    return blocksInUse_ * static_cast<std::size_t>(layout_.recordSize);
}

void RecordStore::ClearChangedFlags()
{
    for (auto& f : flags_) {
        f = static_cast<std::uint8_t>(f & ~ffChanged);
    }
}

void RecordStore::RecomputeLocale()
{
    localeId_ = (static_cast<std::uint32_t>(sortId_) << 16) |
                ((static_cast<std::uint32_t>(subLanguageId_) & 0xFFFFu) << 10) |
                static_cast<std::uint32_t>(languageId_);
}

void RecordStore::SetLanguageID(int id)
{
    languageId_ = id;
    RecomputeLocale();
}

void RecordStore::SetSubLanguageID(int id)
{
    subLanguageId_ = id;
    RecomputeLocale();
}

void RecordStore::SetSortID(int id)
{
    sortId_ = id;
    RecomputeLocale();
}

void RecordStore::SetLocaleID(std::uint32_t id)
{
    localeId_ = id;
    languageId_ = static_cast<int>(id & 0xFFu);
    subLanguageId_ = static_cast<int>((id >> 10) & 0x3Fu);
    sortId_ = static_cast<int>((id >> 16) & 0xFu);
}

void RecordStore::SetAttachMaxCount(int count)
{
    attachMaxCount_ = std::max(1, count);
}

int RecordStore::Attach(MemTableBase* table)
{
    auto it = std::find(tables_.begin(), tables_.end(), table);
    if (it != tables_.end()) {
        return static_cast<int>(it - tables_.begin());
    }
    if (static_cast<int>(tables_.size()) >= attachMaxCount_) {
        throw Error("Maximum number of attached tables reached");
    }
    tables_.push_back(table);
    return static_cast<int>(tables_.size()) - 1;
}

void RecordStore::Detach(MemTableBase* table)
{
    tables_.erase(std::remove(tables_.begin(), tables_.end(), table), tables_.end());
}

namespace {

bool ValidRecord(const Record* record)
{
    return record != nullptr &&
           record->data == reinterpret_cast<const std::uint8_t*>(record) + sizeof(RecordHeader);
}

// The link to a value stored outside the record, after checking that the
// record and the slot belong to the layout.
inline std::uint8_t* OutsideLink(const RecordLayout& layout, const Record* record, int slot)
{
    if (!ValidRecord(record) || slot < 0 || slot >= layout.outsideCount) {
        throw Error("Invalid record ");
    }
    return record->data + layout.outsideOffset + slot * RecordStore::kOutsideSlotSize;
}

} // namespace

std::string_view RecordStore::OutsideValue(const Record* record, int slot) const
{
    Guard lock(*this);
    const std::uint8_t* p = OutsideLink(layout_, record, slot);
    const std::uint8_t* value = nullptr;
    std::memcpy(&value, p, sizeof value);
    if (value == nullptr) {
        return {};
    }
    std::uint32_t length = 0;
    std::memcpy(&length, value, sizeof length);
    return {reinterpret_cast<const char*>(value + sizeof length), length};
}

void RecordStore::SetOutsideValue(Record* record, int slot, std::string_view bytes)
{
    Guard lock(*this);
    std::uint8_t* p = OutsideLink(layout_, record, slot);
    std::uint8_t* old = nullptr;
    std::memcpy(&old, p, sizeof old);
    const auto length = static_cast<std::uint32_t>(bytes.size());
    auto* value = new std::uint8_t[sizeof length + bytes.size()];
    std::memcpy(value, &length, sizeof length);
    if (!bytes.empty()) {
        std::memcpy(value + sizeof length, bytes.data(), bytes.size());
    }
    std::memcpy(p, &value, sizeof value);
    p[sizeof value] = 0;
    delete[] old;
}

void RecordStore::ClearOutsideValue(Record* record, int slot)
{
    Guard lock(*this);
    std::uint8_t* p = OutsideLink(layout_, record, slot);
    std::uint8_t* old = nullptr;
    std::memcpy(&old, p, sizeof old);
    std::uint8_t* none = nullptr;
    std::memcpy(p, &none, sizeof none);
    delete[] old;
}

void RecordStore::DuplicateOutsideValues(Record* copy)
{
    Guard lock(*this);
    for (int i = 0; i < layout_.outsideCount; ++i) {
        std::uint8_t* slot = copy->data + layout_.outsideOffset + i * kOutsideSlotSize;
        const std::uint8_t* value = nullptr;
        std::memcpy(&value, slot, sizeof value);
        if (value == nullptr) {
            continue;
        }
        std::uint32_t length = 0;
        std::memcpy(&length, value, sizeof length);
        auto* duplicate = new std::uint8_t[sizeof length + length];
        std::memcpy(duplicate, value, sizeof length + length);
        std::memcpy(slot, &duplicate, sizeof duplicate);
    }
}

void RecordStore::CopyRecord(const Record* from, Record* to) const
{
    std::memcpy(static_cast<void*>(to), from, static_cast<std::size_t>(layout_.recordSize));
    to->data = reinterpret_cast<std::uint8_t*>(to) + sizeof(RecordHeader);
}

} // namespace marlune::table
