#include "table/memtablebase.h"

#include "platform/error.h"
#include "table/datasource.h"
#include "table/fieldstorage.h"
#include "table/recordcompare.h"
#include "table/textcompare.h"

#include <algorithm>
#include <cstring>

namespace marlune::table {

namespace {

constexpr const char* kClosedMessage = "Cannot perform this operation on a closed dataset";

int RoundUp8(int n)
{
    return (n + 7) & ~7;
}

} // namespace

MemTableBase::MemTableBase(std::string name) : name_(std::move(name))
{
    ResetOrders();
    bookmarkSlot_ = store_.Attach(this);
}

MemTableBase::~MemTableBase()
{
    for (DataSource* ds : dataSources_) {
        ds->DataSetDestroyed();
    }
    dataSources_.clear();
    RecordStore::Guard lock(store_);
    ClearWindow();
    if (editRecord_ != nullptr) {
        store_.FreeOutsideValues(editRecord_);
    }
    editRecord_ = nullptr;
    store_.Empty();
    store_.Detach(this);
}

// ---------------------------------------------------------------- errors

void MemTableBase::RaiseClosed() const
{
    throw Error(NamedMessage(name_, kClosedMessage));
}

void MemTableBase::CheckActive() const
{
    if (!Active()) {
        RaiseClosed();
    }
}

// ---------------------------------------------------------------- structure

Field* MemTableBase::FindField(std::string_view name) const
{
    for (const auto& f : fields_) {
        if (text::SameName(f->FieldName(), name)) {
            return f.get();
        }
    }
    return nullptr;
}

Field& MemTableBase::FieldByName(std::string_view name) const
{
    if (Field* f = FindField(name)) {
        return *f;
    }
    throw Error(NamedMessage(name_, "Field '" + std::string(name) + "' not found"));
}

int MemTableBase::IndexOfField(const Field* field) const
{
    if (field == nullptr || &field->DataSet() != this) {
        return -1;
    }
    const int i = field->Index();
    return (i >= 0 && i < FieldCount() && fields_[static_cast<std::size_t>(i)].get() == field) ? i
                                                                                               : -1;
}

void MemTableBase::RenumberFields()
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        fields_[i]->SetIndex(static_cast<int>(i));
    }
}

namespace {

void CheckFieldSize(FieldType type, int size)
{
    const bool sized =
        IsTextType(type) || type == FieldType::ftBytes || type == FieldType::ftVarBytes;
    if (sized && (size < 0 || size > storage::kMaxFieldSize)) {
        throw Error("Invalid field size");
    }
}

} // namespace

Field& MemTableBase::AddField(std::string name, FieldType type, int size, FieldKind kind)
{
    RecordStore::Guard lock(store_);
    if (Active()) {
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    }
    if (static_cast<int>(fields_.size()) >= RecordStore::kMaxFields) {
        throw Error("Too many fields");
    }
    CheckFieldSize(type, size);
    fields_.push_back(std::make_unique<Field>(*this, std::move(name), type, size, kind));
    autoCreated_.push_back(false);
    RenumberFields();
    if (disableCount_ > 0) {
        layoutChangedWhileDisabled_ = true;
    }
    return *fields_.back();
}

void MemTableBase::ClearFields()
{
    RecordStore::Guard lock(store_);
    if (Active()) {
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    }
    fields_.clear();
    autoCreated_.clear();
    if (disableCount_ > 0) {
        layoutChangedWhileDisabled_ = true;
    }
}

void MemTableBase::DestroyAutoFields()
{
    for (std::size_t i = fields_.size(); i-- > 0;) {
        if (autoCreated_[i]) {
            fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(i));
            autoCreated_.erase(autoCreated_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    RenumberFields();
}

void MemTableBase::SetAttachMaxCount(int count)
{
    if (Active()) {
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    }
    store_.SetAttachMaxCount(count);
}

void MemTableBase::SetPerformance(Performance p)
{
    if (Active()) {
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    }
    performance_ = p;
}

void MemTableBase::BuildLayout()
{
    if (static_cast<int>(fields_.size()) > RecordStore::kMaxFields) {
        throw Error("Too many fields");
    }
    RecordLayout layout;
    layout.fields.resize(fields_.size());
    int offset = 0;
    int outside = 0;
    auto place = [&](std::size_t i) {
        Field& f = *fields_[i];
        const int inlineSize = storage::InlineSize(f.DataType(), f.Size());
        if (inlineSize < 0) {
            throw Error("Fielddef " + f.FieldName() + " (" + f.DisplayName() + ")" + " Datatype " +
                        std::to_string(static_cast<int>(f.DataType())) + " not supported.)");
        }
        FieldLayout& fl = layout.fields[i];
        fl.offset = offset;
        if (storage::StoredOutside(f.DataType(), f.Size(), performance_)) {
            fl.outsideSlot = outside++;
            fl.storageSize = 0;
        } else {
            fl.storageSize = inlineSize;
        }
        offset += 1 + fl.storageSize;
    };
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i]->Kind() == FieldKind::fkData) {
            place(i);
        }
    }
    layout.calcOffset = offset;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i]->Kind() != FieldKind::fkData) {
            place(i);
        }
    }
    layout.calcSize = offset - layout.calcOffset;
    layout.bookmarkOffset = offset;
    offset += store_.AttachMaxCount() * RecordStore::kBookmarkSlotSize;
    layout.outsideOffset = offset;
    layout.outsideCount = outside;
    offset += outside * RecordStore::kOutsideSlotSize;
    layout.dataSize = offset;
    layout.recordSize = RoundUp8(static_cast<int>(sizeof(RecordHeader)) + offset);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        fields_[i]->Bind(
            {layout.fields[i].offset, layout.fields[i].storageSize, layout.fields[i].outsideSlot});
    }
    store_.SetLayout(std::move(layout));
}

// ---------------------------------------------------------------- open and close

void MemTableBase::SetActive(bool active)
{
    if (active) {
        Open();
    } else {
        Close();
    }
}

void MemTableBase::Open()
{
    RecordStore::Guard lock(store_);
    if (Active()) {
        return;
    }
    std::size_t created = 0;
    if (fields_.empty()) {
        if (fieldDefs_.empty()) {
            throw Error("There must be at least one field");
        }
        for (const FieldDef& def : fieldDefs_) {
            CheckFieldSize(def.dataType, def.size);
            fields_.push_back(std::make_unique<Field>(*this, def.name, def.dataType, def.size));
            fields_.back()->SetRequired(def.required);
            autoCreated_.push_back(true);
            ++created;
        }
        RenumberFields();
    } else {
        fieldDefs_.clear();
        for (const auto& f : fields_) {
            if (f->Kind() == FieldKind::fkData) {
                fieldDefs_.push_back({f->FieldName(), f->DataType(), f->Size(), f->Required()});
            }
        }
    }
    try {
        BuildLayout();
    } catch (...) {
        for (const auto& f : fields_) {
            f->Unbind();
        }
        if (created > 0) {
            DestroyAutoFields();
        }
        store_.ClearLayout();
        throw;
    }
    state_ = DataSetState::dsBrowse;
    cursor_ = -1;
    ResetOrders();
    RebuildOrders();
    AllocateWindow();
    const int first = FirstVisible();
    if (first < OrderLength()) {
        PlaceWindow(first, 0);
    }
    bof_ = true;
    eof_ = windowCount_ == 0;
    NotifyActiveChanged(true);
}

void MemTableBase::EmptyTable()
{
    ClearWindow();
    for (auto& order : orders_) {
        order->records.clear();
    }
    cursor_ = -1;
    store_.Empty();
}

void MemTableBase::Close()
{
    RecordStore::Guard lock(store_);
    if (!Active()) {
        return;
    }
    if (state_ == DataSetState::dsEdit) {
        Cancel();
    }
    EmptyTable();
    ResetOrders();
    for (const auto& f : fields_) {
        f->Unbind();
    }
    store_.ClearLayout();
    windowStorage_.clear();
    windowStorage_.shrink_to_fit();
    slots_.clear();
    DestroyAutoFields();
    state_ = DataSetState::dsInactive;
    bof_ = eof_ = true;
    loadRecord_ = nullptr;
    if (disableCount_ > 0) {
        layoutChangedWhileDisabled_ = true;
    }
    NotifyActiveChanged(false);
}

// ---------------------------------------------------------------- navigation

bool MemTableBase::IsEmpty() const
{
    return windowCount_ == 0;
}

// Every move of the current record takes these steps in this order: the
// table must be open, a pending edit is posted, BeforeScroll fires, the window
// moves, the observers learn of it, AfterScroll fires.
void MemTableBase::PrepareScroll()
{
    CheckActive();
    PostPendingEdit();
    FireBeforeScroll();
}

void MemTableBase::PostPendingEdit()
{
    if (state_ == DataSetState::dsEdit) {
        Post();
    }
}

void MemTableBase::FireBeforeScroll()
{
    if (BeforeScroll) {
        BeforeScroll(*this);
    }
}

void MemTableBase::FireAfterScroll()
{
    if (AfterScroll) {
        AfterScroll(*this);
    }
}

void MemTableBase::First()
{
    RecordStore::Guard lock(store_);
    PrepareScroll();
    WindowAtFirst();
    NotifyDataSetChanged();
    FireAfterScroll();
}

void MemTableBase::Last()
{
    RecordStore::Guard lock(store_);
    PrepareScroll();
    const int last = LastVisible();
    if (last >= 0) {
        PlaceWindow(last, bufferCount_ - 1);
    } else {
        ClearWindow();
    }
    eof_ = true;
    bof_ = windowCount_ == 0;
    NotifyDataSetChanged();
    FireAfterScroll();
}

void MemTableBase::Next()
{
    MoveBy(1);
}

void MemTableBase::Prior()
{
    MoveBy(-1);
}

int MemTableBase::MoveBy(int distance)
{
    RecordStore::Guard lock(store_);
    CheckActive();
    PostPendingEdit();
    if (distance == 0 || windowCount_ == 0) {
        return 0;
    }
    if ((distance > 0 && eof_) || (distance < 0 && bof_)) {
        return 0;
    }
    FireBeforeScroll();
    const int current = CurrentPlace();
    int target = current;
    int moved = 0;
    bof_ = eof_ = false;
    if (store_.DeletedCount() == 0) {
        if (distance > 0) {
            moved = std::min(distance, OrderLength() - 1 - current);
            eof_ = moved < distance;
        } else {
            moved = -std::min(-distance, current);
            bof_ = moved > distance;
        }
        target = current + moved;
    } else if (distance > 0) {
        while (moved < distance) {
            const int p = NextVisible(target);
            if (p >= OrderLength()) {
                eof_ = true;
                break;
            }
            target = p;
            ++moved;
        }
    } else {
        while (moved > distance) {
            const int p = PriorVisible(target);
            if (p < 0) {
                bof_ = true;
                break;
            }
            target = p;
            --moved;
        }
    }
    if (moved != 0) {
        const int slot = activeRecord_ + moved;
        int scrolled = 0;
        if (slot >= windowCount_) {
            scrolled = slot - (windowCount_ - 1);
            ShiftWindow(scrolled);
            activeRecord_ = windowCount_ - 1;
        } else if (slot < 0) {
            scrolled = slot;
            ShiftWindow(scrolled);
            activeRecord_ = 0;
        } else {
            activeRecord_ = slot;
        }
        cursor_ = target;
        NotifyDataSetScrolled(scrolled);
        FireAfterScroll();
    }
    return moved;
}

// The end of a successful Locate or GotoBookmark.
void MemTableBase::MoveToFound(int place)
{
    PlaceWindow(place, (bufferCount_ - 1) / 2);
    bof_ = eof_ = false;
    NotifyDataSetChanged();
    FireAfterScroll();
}

int MemTableBase::RecNo() const
{
    RecordStore::Guard lock(store_);
    if (!Active() || windowCount_ == 0) {
        return -1;
    }
    return CurrentPlace() + 1;
}

void MemTableBase::SetRecNo(int recNo)
{
    RecordStore::Guard lock(store_);
    CheckActive();
    const int current = RecNo();
    if (recNo >= 1 && recNo <= OrderLength() && recNo != current) {
        MoveBy(recNo - current);
    }
}

int MemTableBase::RecordCount() const
{
    RecordStore::Guard lock(store_);
    CheckActive();
    if (store_.DeletedCount() == 0) {
        return OrderLength();
    }
    int count = 0;
    for (const Record* r : orders_[currentOrder_]->records) {
        if (!r->IsDeleted()) {
            ++count;
        }
    }
    return count;
}

UpdateStatus MemTableBase::CurrentUpdateStatus() const
{
    RecordStore::Guard lock(store_);
    const Record* r = ReadRecord();
    return r ? static_cast<UpdateStatus>(r->updateStatus) : usUnmodified;
}

// ---------------------------------------------------------------- bookmarks

Bookmark MemTableBase::GetBookmark() const
{
    RecordStore::Guard lock(store_);
    if (!Active() || windowCount_ == 0) {
        return {};
    }
    const Record* slot = slots_[static_cast<std::size_t>(activeRecord_)];
    Record* stored = nullptr;
    std::memcpy(&stored,
                slot->data + store_.Layout().bookmarkOffset +
                    bookmarkSlot_ * RecordStore::kBookmarkSlotSize,
                sizeof stored);
    return {stored, slot->identity, store_.Generation()};
}

bool MemTableBase::BookmarkValid(const Bookmark& bookmark) const
{
    return bookmark.record != nullptr && Active() && bookmark.generation == store_.Generation();
}

bool MemTableBase::GotoBookmark(const Bookmark& bookmark)
{
    RecordStore::Guard lock(store_);
    CheckActive();
    PostPendingEdit();
    if (!BookmarkValid(bookmark)) {
        return false;
    }
    const auto& records = orders_[currentOrder_]->records;
    int found = -1;
    // In the row order a record's place is normally its identity number.
    const auto id = static_cast<std::size_t>(bookmark.identity);
    if (bookmark.identity >= 0 && id < records.size() &&
        records[id]->identity == bookmark.identity) {
        found = bookmark.identity;
    }
    for (std::size_t i = 0; found < 0 && i < records.size(); ++i) {
        if (records[i]->identity == bookmark.identity) {
            found = static_cast<int>(i);
        }
    }
    if (found < 0 || !Visible(records[static_cast<std::size_t>(found)])) {
        return false;
    }
    FireBeforeScroll();
    MoveToFound(found);
    return true;
}

int MemTableBase::CompareBookmarks(const Bookmark& a, const Bookmark& b) const
{
    if (!a && !b) {
        return 0;
    }
    if (!a) {
        return 1;
    }
    if (!b) {
        return -1;
    }
    return a.identity < b.identity ? -1 : (a.identity > b.identity ? 1 : 0);
}

// ---------------------------------------------------------------- field access

const Record* MemTableBase::ReadRecord() const
{
    if (loadRecord_ != nullptr) {
        return loadRecord_;
    }
    if (state_ == DataSetState::dsEdit) {
        return editRecord_;
    }
    if (windowCount_ == 0) {
        return nullptr;
    }
    return slots_[static_cast<std::size_t>(activeRecord_)];
}

Record* MemTableBase::EditRecordFor(const Field& field)
{
    if (!Active() || &field.DataSet() != this) {
        return nullptr;
    }
    if (state_ != DataSetState::dsEdit) {
        throw Error("Dataset is not in edit mode.");
    }
    if (readOnly_ || field.ReadOnly()) {
        throw Error("Field " + field.DisplayName() + " is read only");
    }
    return field.IsBound() ? editRecord_ : nullptr;
}

void MemTableBase::NotifyRecordChanged(Field& field)
{
    for (DataSource* ds : std::vector<DataSource*>(dataSources_)) {
        ds->NotifyRecordChanged(&field);
    }
}

// ---------------------------------------------------------------- editing

void MemTableBase::Edit()
{
    RecordStore::Guard lock(store_);
    CheckActive();
    if (state_ == DataSetState::dsEdit) {
        return;
    }
    if (windowCount_ == 0) {
        throw Error(NamedMessage(name_, "Cannot perform this operation on an empty dataset"));
    }
    editStorage_.assign(static_cast<std::size_t>(store_.RecordSize()), 0);
    editRecord_ = reinterpret_cast<Record*>(editStorage_.data());
    store_.CopyRecord(slots_[static_cast<std::size_t>(activeRecord_)], editRecord_);
    store_.DuplicateOutsideValues(editRecord_);
    store_.ClearChangedFlags();
    state_ = DataSetState::dsEdit;
}

void MemTableBase::Post()
{
    RecordStore::Guard lock(store_);
    if (state_ != DataSetState::dsEdit) {
        return;
    }
    const RecordLayout& layout = store_.Layout();
    Record* stored = nullptr;
    std::memcpy(&stored,
                editRecord_->data + layout.bookmarkOffset +
                    bookmarkSlot_ * RecordStore::kBookmarkSlotSize,
                sizeof stored);
    store_.FreeOutsideValues(stored);
    std::memcpy(stored->data, editRecord_->data, static_cast<std::size_t>(layout.bookmarkOffset));
    std::memcpy(stored->data + layout.outsideOffset, editRecord_->data + layout.outsideOffset,
                static_cast<std::size_t>(layout.outsideCount * RecordStore::kOutsideSlotSize));
    if (stored->updateStatus == usUnmodified) {
        stored->updateStatus = usModified;
    }
    editRecord_ = nullptr;
    state_ = DataSetState::dsBrowse;
    FetchInto(activeRecord_, CurrentPlace());
    NotifyDataSetChanged();
}

void MemTableBase::Cancel()
{
    RecordStore::Guard lock(store_);
    if (state_ != DataSetState::dsEdit) {
        return;
    }
    store_.FreeOutsideValues(editRecord_);
    editRecord_ = nullptr;
    state_ = DataSetState::dsBrowse;
    NotifyDataSetChanged();
}

void MemTableBase::Refresh()
{
    RecordStore::Guard lock(store_);
    CheckActive();
    PostPendingEdit();
    RefreshWindow();
    NotifyDataSetChanged();
}

// The window rebuilt around the current record, which keeps its slot; with
// no current record the first visible record becomes current.
void MemTableBase::RefreshWindow()
{
    CheckActive();
    int place = windowCount_ > 0 ? CurrentPlace() : -1;
    const int slot = windowCount_ > 0 ? activeRecord_ : 0;
    if (place < 0 || place >= OrderLength() ||
        !Visible(orders_[currentOrder_]->records[static_cast<std::size_t>(place)])) {
        place = FirstVisible();
    }
    if (place < OrderLength()) {
        PlaceWindow(place, slot);
        if (place == FirstVisible()) {
            bof_ = true;
        }
        eof_ = false;
    } else {
        ClearWindow();
        bof_ = eof_ = true;
    }
}

// ---------------------------------------------------------------- controls

void MemTableBase::DisableControls()
{
    if (disableCount_++ == 0) {
        activeWhenDisabled_ = Active();
        layoutChangedWhileDisabled_ = false;
    }
}

void MemTableBase::EnableControls()
{
    if (disableCount_ == 0) {
        return;
    }
    if (--disableCount_ > 0) {
        return;
    }
    const bool active = Active();
    if (active != activeWhenDisabled_) {
        NotifyActiveChanged(active);
    } else if (active && layoutChangedWhileDisabled_) {
        NotifyLayoutChanged();
    } else if (active) {
        NotifyDataSetChanged();
    }
    layoutChangedWhileDisabled_ = false;
}

void MemTableBase::AttachDataSource(DataSource* source)
{
    if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end()) {
        dataSources_.push_back(source);
    }
}

void MemTableBase::DetachDataSource(DataSource* source)
{
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source),
                       dataSources_.end());
}

// Tells every data source, unless controls are disabled. The list is copied
// because an observer may detach while it is told.
template <class... Args>
void MemTableBase::NotifyAll(void (DataSource::*notify)(Args...), Args... args)
{
    if (disableCount_ > 0) {
        return;
    }
    for (DataSource* ds : std::vector<DataSource*>(dataSources_)) {
        (ds->*notify)(args...);
    }
}

void MemTableBase::NotifyActiveChanged(bool active)
{
    NotifyAll(&DataSource::NotifyActiveChanged, active);
}

void MemTableBase::NotifyDataSetChanged()
{
    NotifyAll(&DataSource::NotifyDataSetChanged);
}

void MemTableBase::NotifyDataSetScrolled(int distance)
{
    NotifyAll(&DataSource::NotifyDataSetScrolled, distance);
}

void MemTableBase::NotifyLayoutChanged()
{
    NotifyAll(&DataSource::NotifyLayoutChanged);
}

} // namespace marlune::table
