#pragma once

#include "table/field.h"
#include "table/recordstore.h"
#include "table/variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::platform {
class Stream;
}

namespace marlune::table {

class DataSource;
class RecordComparer;
class TableReader;

// Options of Locate.
enum LocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using LocateOptions = unsigned;

// Compare options of a key field.
enum CompareOption : unsigned {
    mtcoDescending = 1,
    mtcoCaseInsensitive = 2,
    mtcoPartialKey = 4,
    mtcoIgnoreNullKey = 8,
    mtcoIgnoreLocale = 16,
};
using CompareOptions = unsigned;

// Where text values are kept: inside the record (mtpfFast) or, for text and
// byte fields above 12 bytes, outside it.
enum class Performance { mtpfFast, mtpfBalanced, mtpfSmall };

enum class DataSetState { dsInactive, dsBrowse, dsEdit, dsLoad };

// One key field with its compare options.
struct KeyField {
    Field* field = nullptr;
    CompareOptions options = 0;
};
using KeyFieldList = std::vector<KeyField>;

// A remembered record. It stays valid until the table is closed or reloaded.
struct Bookmark {
    Record* record = nullptr;
    int identity = -1;
    std::uint64_t generation = 0;
    explicit operator bool() const { return record != nullptr; }
};

// An index definition read from a data file (or added by the caller).
struct IndexDef {
    std::string name;
    std::string fields; // key field names separated by ";"
    bool descending = false;
    bool caseInsensitive = false;
    bool notMaintained = false;
    bool unique = false;
};

// A list of links to stored records. The row order lists every stored record
// in store order and is never sorted; the others are sorted by their keys.
struct RecordOrder {
    std::string name;
    std::vector<Record*> records;
    KeyFieldList keyFields;
    bool sorted = false;
    bool unique = false;
};

inline constexpr const char* kRowOrderName = "__ROWORDER__";

// The in-memory table with all its behaviour; MemTable adds the postcode fields.
class MemTableBase {
public:
    explicit MemTableBase(std::string name = "Table1");
    virtual ~MemTableBase();
    MemTableBase(const MemTableBase&) = delete;
    MemTableBase& operator=(const MemTableBase&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // --- opening and closing
    bool Active() const { return state_ != DataSetState::dsInactive; }
    void SetActive(bool active);
    void Open();
    void Close();
    DataSetState State() const { return state_; }

    // --- structure
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    Field& Fields(int i) const { return *fields_[static_cast<std::size_t>(i)]; }
    Field* FindField(std::string_view name) const;
    Field& FieldByName(std::string_view name) const;
    int IndexOfField(const Field* field) const;
    // A field object created by the caller; kept over Close. Table closed only.
    Field& AddField(std::string name, FieldType type, int size = 0,
                    FieldKind kind = FieldKind::fkData);
    void ClearFields(); // table closed only
    std::vector<FieldDef>& FieldDefs() { return fieldDefs_; }
    const std::vector<FieldDef>& FieldDefs() const { return fieldDefs_; }
    std::vector<IndexDef>& IndexDefs() { return indexDefs_; }

    // --- settings
    int AttachMaxCount() const { return store_.AttachMaxCount(); }
    void SetAttachMaxCount(int count);
    Performance GetPerformance() const { return performance_; }
    void SetPerformance(Performance p);
    int LanguageID() const { return store_.LanguageID(); }
    int SubLanguageID() const { return store_.SubLanguageID(); }
    int SortID() const { return store_.SortID(); }
    std::uint32_t LocaleID() const { return store_.LocaleID(); }
    void SetLanguageID(int id) { store_.SetLanguageID(id); }
    void SetSubLanguageID(int id) { store_.SetSubLanguageID(id); }
    void SetSortID(int id) { store_.SetSortID(id); }
    void SetLocaleID(std::uint32_t id) { store_.SetLocaleID(id); }
    bool Standalone() const { return store_.Standalone(); }
    void SetStandalone(bool standalone) { store_.SetStandalone(standalone); }
    int LoadLimit() const { return loadLimit_; }
    void SetLoadLimit(int limit) { loadLimit_ = limit; }
    bool LoadedCompletely() const { return loadedCompletely_; }
    int LoadedCount() const { return loadedCount_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    std::int64_t MaxAutoIncValue() const { return maxAutoInc_; }
    RecordStore& Store() { return store_; }
    const RecordStore& Store() const { return store_; }

    // --- orders
    int RecordOrderCount() const { return static_cast<int>(orders_.size()); }
    const RecordOrder& RecordOrders(int i) const { return *orders_[static_cast<std::size_t>(i)]; }
    const RecordOrder& CurrentOrder() const { return *orders_[currentOrder_]; }
    // Makes the named order current ("" or the row order's name: the row
    // order); the first record becomes current. Raises "Index '%s' not found".
    void SetIndexName(std::string_view name);
    const std::string& IndexName() const { return orders_[currentOrder_]->name; }

    // --- navigation among the visible records of the current order
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance); // returns the number of records moved (signed)
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const;
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const;
    // Update status of the current record (usUnmodified without one).
    UpdateStatus CurrentUpdateStatus() const;

    // --- bookmarks
    Bookmark GetBookmark() const;
    bool GotoBookmark(const Bookmark& bookmark); // false (nothing moves) when not found
    void FreeBookmark(Bookmark& bookmark) { bookmark = Bookmark{}; }
    int CompareBookmarks(const Bookmark& a, const Bookmark& b) const;
    bool BookmarkValid(const Bookmark& bookmark) const;

    // --- bound controls
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // The record window: copies of up to BufferCount consecutive visible
    // records. Changing the size sends no notification.
    void SetBufferCount(int n);
    int BufferCount() const { return bufferCount_; }
    int WindowRecordCount() const { return windowCount_; }
    int ActiveRecord() const { return activeRecord_; }
    bool SlotIsNull(int slot, const Field& field) const;
    // The stored text of a slot; for non-text fields the value as text (the
    // view is then valid until the next call).
    std::string_view SlotText(int slot, const Field& field) const;
    int SlotRecNo(int slot) const; // 1-based place of a slot's record; -1 for an empty slot

    // --- editing the current record (the program itself never edits)
    void Edit();
    void Post();
    void Cancel();
    // Rebuilds the window around the current record.
    void Refresh();

    // --- search
    bool Locate(std::string_view keyFields, const Variant& keyValues, LocateOptions options);
    bool Found() const { return found_; }

    // --- data files
    void LoadTableFile(const std::string& fileName);
    void ReadTableStream(platform::Stream& stream);

    // --- events
    std::function<void(MemTableBase&)> BeforeScroll;
    std::function<void(MemTableBase&)> AfterScroll;
    std::function<void(MemTableBase&)> OnLoad;
    std::function<void(MemTableBase&, int percentage)> OnProgress;

    // --- used by Field and DataSource
    const Record* ReadRecord() const; // the record field reads use; null if none
    // The record field writes go to (checks the state); null when closed.
    Record* WriteRecord(const Field& field)
    {
        if (state_ == DataSetState::dsLoad && loadRecord_ != nullptr && &field.DataSet() == this) {
            return field.IsBound() ? loadRecord_ : nullptr;
        }
        return EditRecordFor(field);
    }
    void FieldWritten(Field& field)
    {
        const int index = field.Index();
        if (index >= 0 && index < RecordStore::kMaxFields) {
            store_.SetFieldFlags(index,
                                 static_cast<std::uint8_t>(store_.FieldFlags(index) | ffChanged));
        }
        if (state_ != DataSetState::dsLoad && disableCount_ == 0) {
            NotifyRecordChanged(field);
        }
    }
    void AttachDataSource(DataSource* source);
    void DetachDataSource(DataSource* source);
    [[noreturn]] void RaiseClosed() const;
    void CheckActive() const;

private:
    friend class TableReader;

    // structure
    void BuildLayout();
    void DestroyAutoFields();
    void RenumberFields();
    void RebuildOrders();
    void ResetOrders();
    void BuildIndexOrder(RecordOrder& order, const IndexDef& def);
    KeyFieldList BuildKeyFieldList(std::string_view names, CompareOptions extra) const;
    int SearchSorted(const RecordOrder& order, const KeyFieldList& keys, const Record* key,
                     const RecordComparer& comparer) const;
    void EmptyTable();

    // visibility within the current order
    bool Visible(const Record* r) const { return store_.DeletedCount() == 0 || !r->IsDeleted(); }
    int OrderLength() const;
    int NextVisible(int place) const;  // first visible place after place, or length
    int PriorVisible(int place) const; // last visible place before place, or -1
    int FirstVisible() const { return NextVisible(-1); }
    int LastVisible() const { return PriorVisible(OrderLength()); }
    int CurrentPlace() const; // place of the current record, -1 if none

    // window
    void AllocateWindow();
    void ClearWindow();
    void FetchInto(int slot, int place);
    void PlaceWindow(int place, int wantedSlot); // current record at place
    void WindowAtFirst();        // current record at the first visible one, at the beginning
    void MoveToFound(int place); // the same, mid-window, after a search
    void PrepareScroll();        // open check, pending edit posted, BeforeScroll
    void PostPendingEdit();
    void FireBeforeScroll();
    void FireAfterScroll();
    void FillWindowFrom(int firstPlace, int count);
    void ShiftWindow(int distance);
    void RefreshWindow();

    Record* EditRecordFor(const Field& field);

    // notifications
    void NotifyRecordChanged(Field& field);
    void NotifyActiveChanged(bool active);
    void NotifyDataSetChanged();
    void NotifyDataSetScrolled(int distance);
    void NotifyLayoutChanged();
    template <class... Args> void NotifyAll(void (DataSource::*notify)(Args...), Args... args);

    // loading
    void BeginLoadState();
    void EndLoadState();

    std::string name_;
    RecordStore store_;
    DataSetState state_ = DataSetState::dsInactive;
    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<bool> autoCreated_;
    std::vector<FieldDef> fieldDefs_;
    std::vector<IndexDef> indexDefs_;
    std::vector<std::unique_ptr<RecordOrder>> orders_;
    std::size_t currentOrder_ = 0;
    Performance performance_ = Performance::mtpfFast;
    int loadLimit_ = -1;
    bool loadedCompletely_ = true;
    int loadedCount_ = 0;
    bool readOnly_ = false;
    std::int64_t maxAutoInc_ = 0;
    int bookmarkSlot_ = 0;

    int cursor_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    bool found_ = false;

    // window
    int bufferCount_ = 1;
    std::vector<std::uint8_t> windowStorage_;
    std::vector<Record*> slots_;
    int windowCount_ = 0;
    int activeRecord_ = 0;
    mutable std::string slotTextScratch_;

    // edit and load
    std::vector<std::uint8_t> editStorage_;
    Record* editRecord_ = nullptr;
    Record* loadRecord_ = nullptr;

    // controls
    int disableCount_ = 0;
    bool activeWhenDisabled_ = false;
    bool layoutChangedWhileDisabled_ = false;
    std::vector<DataSource*> dataSources_;
};

} // namespace marlune::table
