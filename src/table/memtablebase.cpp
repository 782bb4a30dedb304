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
    for (DataSource* ds : dataSources_)
        ds->DataSetDestroyed();
    dataSources_.clear();
    RecordStore::Guard lock(store_);
    ClearWindow();
    if (editRecord_ != nullptr)
        store_.FreeOutsideValues(editRecord_);
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
    if (!Active())
        RaiseClosed();
}

// ---------------------------------------------------------------- structure

Field* MemTableBase::FindField(std::string_view name) const
{
    for (const auto& f : fields_)
        if (text::SameName(f->FieldName(), name))
            return f.get();
    return nullptr;
}

Field& MemTableBase::FieldByName(std::string_view name) const
{
    if (Field* f = FindField(name))
        return *f;
    throw Error(NamedMessage(name_, "Field '" + std::string(name) + "' not found"));
}

int MemTableBase::IndexOfField(const Field* field) const
{
    if (field == nullptr || &field->DataSet() != this)
        return -1;
    const int i = field->Index();
    return (i >= 0 && i < FieldCount() && fields_[static_cast<std::size_t>(i)].get() == field) ? i
                                                                                               : -1;
}

void MemTableBase::RenumberFields()
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->SetIndex(static_cast<int>(i));
}

namespace {

void CheckFieldSize(FieldType type, int size)
{
    const bool sized =
        IsTextType(type) || type == FieldType::ftBytes || type == FieldType::ftVarBytes;
    if (sized && (size < 0 || size > storage::kMaxFieldSize))
        throw Error("Invalid field size");
}

} // namespace

Field& MemTableBase::AddField(std::string name, FieldType type, int size, FieldKind kind)
{
    RecordStore::Guard lock(store_);
    if (Active())
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    if (static_cast<int>(fields_.size()) >= RecordStore::kMaxFields)
        throw Error("Too many fields");
    CheckFieldSize(type, size);
    fields_.push_back(std::make_unique<Field>(*this, std::move(name), type, size, kind));
    autoCreated_.push_back(false);
    RenumberFields();
    if (disableCount_ > 0)
        layoutChangedWhileDisabled_ = true;
    return *fields_.back();
}

void MemTableBase::ClearFields()
{
    RecordStore::Guard lock(store_);
    if (Active())
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    fields_.clear();
    autoCreated_.clear();
    if (disableCount_ > 0)
        layoutChangedWhileDisabled_ = true;
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
    if (Active())
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    store_.SetAttachMaxCount(count);
}

void MemTableBase::SetPerformance(Performance p)
{
    if (Active())
        throw Error(NamedMessage(name_, "Cannot perform this operation on an open dataset"));
    performance_ = p;
}

void MemTableBase::BuildLayout()
{
    if (static_cast<int>(fields_.size()) > RecordStore::kMaxFields)
        throw Error("Too many fields");
    RecordLayout layout;
    layout.fields.resize(fields_.size());
    int offset = 0;
    int outside = 0;
    auto place = [&](std::size_t i) {
        Field& f = *fields_[i];
        const int inlineSize = storage::InlineSize(f.DataType(), f.Size());
        if (inlineSize < 0)
            throw Error("Fielddef " + f.FieldName() + " (" + f.DisplayName() + ")" + " Datatype " +
                        std::to_string(static_cast<int>(f.DataType())) + " not supported.)");
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
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i]->Kind() == FieldKind::fkData)
            place(i);
    layout.calcOffset = offset;
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i]->Kind() != FieldKind::fkData)
            place(i);
    layout.calcSize = offset - layout.calcOffset;
    layout.bookmarkOffset = offset;
    offset += store_.AttachMaxCount() * RecordStore::kBookmarkSlotSize;
    layout.outsideOffset = offset;
    layout.outsideCount = outside;
    offset += outside * RecordStore::kOutsideSlotSize;
    layout.dataSize = offset;
    layout.recordSize = RoundUp8(static_cast<int>(sizeof(RecordHeader)) + offset);
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->Bind(
            {layout.fields[i].offset, layout.fields[i].storageSize, layout.fields[i].outsideSlot});
    store_.SetLayout(std::move(layout));
}

void MemTableBase::ResetOrders()
{
    orders_.clear();
    auto row = std::make_unique<RecordOrder>();
    row->name = kRowOrderName;
    orders_.push_back(std::move(row));
    currentOrder_ = 0;
}

void MemTableBase::RebuildOrders()
{
    RecordStore::Guard lock(store_);
    const std::string currentName = orders_[currentOrder_]->name;
    RecordOrder& row = *orders_[0];
    row.records = store_.Records();
    // Orders of the index definitions, after the row order; a refused index
    // is dropped with its definition so that the table stays usable.
    orders_.resize(1);
    currentOrder_ = 0;
    for (std::size_t i = 0; i < indexDefs_.size(); ++i) {
        auto order = std::make_unique<RecordOrder>();
        try {
            BuildIndexOrder(*order, indexDefs_[i]);
        } catch (...) {
            indexDefs_.erase(indexDefs_.begin() + static_cast<std::ptrdiff_t>(i));
            throw;
        }
        orders_.push_back(std::move(order));
    }
    for (std::size_t i = 0; i < orders_.size(); ++i)
        if (orders_[i]->name == currentName)
            currentOrder_ = i;
}

void MemTableBase::BuildIndexOrder(RecordOrder& order, const IndexDef& def)
{
    CompareOptions options = 0;
    if (def.descending)
        options |= mtcoDescending;
    if (def.caseInsensitive)
        options |= mtcoCaseInsensitive;
    order.name = def.name;
    order.keyFields = BuildKeyFieldList(def.fields, options);
    order.unique = def.unique;
    order.records = store_.Records();
    RecordComparer compare(order.keyFields, store_.LocaleID());
    std::stable_sort(order.records.begin(), order.records.end(),
                     [&](const Record* a, const Record* b) { return compare(a, b) < 0; });
    order.sorted = true;
    if (order.unique) {
        for (std::size_t i = 1; i < order.records.size(); ++i)
            if (compare(order.records[i - 1], order.records[i]) == 0)
                throw Error("Duplicate index value. Operation aborted.");
    }
}

void MemTableBase::SetIndexName(std::string_view name)
{
    RecordStore::Guard lock(store_);
    std::size_t index = orders_.size();
    if (name.empty())
        index = 0;
    for (std::size_t i = 0; i < orders_.size() && index == orders_.size(); ++i)
        if (orders_[i]->name == name)
            index = i;
    if (index == orders_.size())
        throw Error(NamedMessage(name_, "Index '" + std::string(name) + "' not found"));
    if (index == currentOrder_)
        return;
    if (state_ == DataSetState::dsEdit)
        Post();
    currentOrder_ = index;
    if (!Active())
        return;
    const int first = FirstVisible();
    if (first < OrderLength())
        PlaceWindow(first, 0);
    else
        ClearWindow();
    bof_ = true;
    eof_ = windowCount_ == 0;
    NotifyDataSetChanged();
}

KeyFieldList MemTableBase::BuildKeyFieldList(std::string_view names, CompareOptions extra) const
{
    KeyFieldList list;
    std::size_t pos = 0;
    while (pos <= names.size()) {
        std::size_t end = names.find(';', pos);
        if (end == std::string_view::npos)
            end = names.size();
        std::string_view item = names.substr(pos, end - pos);
        pos = end + 1;
        CompareOptions options = extra;
        if (auto colon = item.find(':'); colon != std::string_view::npos) {
            for (char c : item.substr(colon + 1)) {
                switch (c) {
                case 'C':
                case 'c':
                    options |= mtcoCaseInsensitive;
                    break;
                case 'D':
                case 'd':
                    options |= mtcoDescending;
                    break;
                case 'N':
                case 'n':
                    options |= mtcoIgnoreNullKey;
                    break;
                case 'P':
                case 'p':
                    options |= mtcoPartialKey;
                    break;
                case 'L':
                case 'l':
                    options |= mtcoIgnoreLocale;
                    break;
                default:
                    break;
                }
            }
            item = item.substr(0, colon);
        }
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
            item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
            item.remove_suffix(1);
        if (item.empty())
            continue;
        Field& f = FieldByName(item);
        const bool kindOk = f.Kind() == FieldKind::fkData || f.Kind() == FieldKind::fkCalculated;
        if (!kindOk || !storage::Comparable(f.DataType()) || !f.IsBound())
            throw Error("Can't index on field " + f.DisplayName());
        list.push_back({&f, options});
    }
    return list;
}

// ---------------------------------------------------------------- open and close

void MemTableBase::SetActive(bool active)
{
    if (active)
        Open();
    else
        Close();
}

void MemTableBase::Open()
{
    RecordStore::Guard lock(store_);
    if (Active())
        return;
    std::size_t created = 0;
    if (fields_.empty()) {
        if (fieldDefs_.empty())
            throw Error("There must be at least one field");
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
        for (const auto& f : fields_)
            if (f->Kind() == FieldKind::fkData)
                fieldDefs_.push_back({f->FieldName(), f->DataType(), f->Size(), f->Required()});
    }
    try {
        BuildLayout();
    } catch (...) {
        for (const auto& f : fields_)
            f->Unbind();
        if (created > 0)
            DestroyAutoFields();
        store_.ClearLayout();
        throw;
    }
    state_ = DataSetState::dsBrowse;
    cursor_ = -1;
    ResetOrders();
    RebuildOrders();
    AllocateWindow();
    const int first = FirstVisible();
    if (first < OrderLength())
        PlaceWindow(first, 0);
    bof_ = true;
    eof_ = windowCount_ == 0;
    NotifyActiveChanged(true);
}

void MemTableBase::EmptyTable()
{
    ClearWindow();
    for (auto& order : orders_)
        order->records.clear();
    cursor_ = -1;
    store_.Empty();
}

void MemTableBase::Close()
{
    RecordStore::Guard lock(store_);
    if (!Active())
        return;
    if (state_ == DataSetState::dsEdit)
        Cancel();
    EmptyTable();
    ResetOrders();
    for (const auto& f : fields_)
        f->Unbind();
    store_.ClearLayout();
    windowStorage_.clear();
    windowStorage_.shrink_to_fit();
    slots_.clear();
    DestroyAutoFields();
    state_ = DataSetState::dsInactive;
    bof_ = eof_ = true;
    loadRecord_ = nullptr;
    if (disableCount_ > 0)
        layoutChangedWhileDisabled_ = true;
    NotifyActiveChanged(false);
}

// ---------------------------------------------------------------- visibility

int MemTableBase::OrderLength() const
{
    return static_cast<int>(orders_[currentOrder_]->records.size());
}

int MemTableBase::NextVisible(int place) const
{
    const int length = OrderLength();
    if (place >= length)
        return length;
    if (store_.DeletedCount() == 0)
        return place + 1;
    const auto& records = orders_[currentOrder_]->records;
    for (int p = place + 1; p < length; ++p)
        if (!records[static_cast<std::size_t>(p)]->IsDeleted())
            return p;
    return length;
}

int MemTableBase::PriorVisible(int place) const
{
    if (place < 0)
        return -1;
    const int length = OrderLength();
    if (place > length)
        place = length;
    if (store_.DeletedCount() == 0)
        return place - 1;
    const auto& records = orders_[currentOrder_]->records;
    for (int p = place - 1; p >= 0; --p)
        if (!records[static_cast<std::size_t>(p)]->IsDeleted())
            return p;
    return -1;
}

int MemTableBase::CurrentPlace() const
{
    if (windowCount_ == 0)
        return -1;
    return slots_[static_cast<std::size_t>(activeRecord_)]->position;
}

// ---------------------------------------------------------------- the window

void MemTableBase::AllocateWindow()
{
    windowCount_ = 0;
    activeRecord_ = 0;
    slots_.clear();
    if (!store_.HasLayout()) {
        windowStorage_.clear();
        return;
    }
    const auto size = static_cast<std::size_t>(store_.RecordSize());
    windowStorage_.assign(size * static_cast<std::size_t>(bufferCount_), 0);
    for (int i = 0; i < bufferCount_; ++i)
        slots_.push_back(
            reinterpret_cast<Record*>(windowStorage_.data() + size * static_cast<std::size_t>(i)));
}

void MemTableBase::ClearWindow()
{
    windowCount_ = 0;
    activeRecord_ = 0;
}

void MemTableBase::FetchInto(int slot, int place)
{
    const Record* stored = orders_[currentOrder_]->records[static_cast<std::size_t>(place)];
    Record* copy = slots_[static_cast<std::size_t>(slot)];
    store_.CopyRecord(stored, copy);
    copy->position = place;
    BookmarkSlot bm{const_cast<Record*>(stored), 0};
    std::uint8_t* p = copy->data + store_.Layout().bookmarkOffset +
                      bookmarkSlot_ * RecordStore::kBookmarkSlotSize;
    std::memcpy(p, &bm.record, sizeof bm.record);
    p[sizeof bm.record] = bm.flag;
}

namespace {

// A walk over visible records: the place reached and the records stepped over.
struct Walk {
    int place;
    int steps;
};

} // namespace

void MemTableBase::PlaceWindow(int place, int wantedSlot)
{
    const int n = bufferCount_;
    wantedSlot = std::clamp(wantedSlot, 0, n - 1);
    auto back = [&](int from, int count) {
        Walk w{from, 0};
        while (w.steps < count) {
            const int p = PriorVisible(w.place);
            if (p < 0)
                break;
            w.place = p;
            ++w.steps;
        }
        return w;
    };
    auto forward = [&](int from, int count) {
        Walk w{from, 0};
        const int length = OrderLength();
        while (w.steps < count) {
            const int p = NextVisible(w.place);
            if (p >= length)
                break;
            w.place = p;
            ++w.steps;
        }
        return w;
    };
    int before = 0;
    int after = 0;
    int first = place;
    if (store_.DeletedCount() == 0) {
        // Every record is visible: plain arithmetic.
        before = std::min(wantedSlot, place);
        after = std::min(n - 1 - before, OrderLength() - 1 - place);
        before += std::min(n - (before + 1 + after), place - before);
        first = place - before;
    } else {
        Walk b = back(place, wantedSlot);
        Walk a = forward(place, n - 1 - b.steps);
        after = a.steps;
        if (b.steps + 1 + a.steps < n) {
            Walk more = back(b.place, n - (b.steps + 1 + a.steps));
            b.place = more.place;
            b.steps += more.steps;
        }
        before = b.steps;
        first = b.place;
    }
    FillWindowFrom(first, before + 1 + after);
    activeRecord_ = before;
    cursor_ = place;
}

// Fills count slots with the visible records from first on.
void MemTableBase::FillWindowFrom(int first, int count)
{
    int p = first;
    int slot = 0;
    const int length = OrderLength();
    while (slot < count && p < length) {
        FetchInto(slot++, p);
        p = NextVisible(p);
    }
    windowCount_ = slot;
}

void MemTableBase::ShiftWindow(int distance)
{
    const int n = windowCount_;
    if (distance > 0) {
        if (distance < n) {
            std::rotate(slots_.begin(), slots_.begin() + distance, slots_.begin() + n);
            int p = slots_[static_cast<std::size_t>(n - distance - 1)]->position;
            for (int s = n - distance; s < n; ++s) {
                p = NextVisible(p);
                FetchInto(s, p);
            }
        } else {
            // The new window ends distance records after the old last one.
            int last = slots_[static_cast<std::size_t>(n - 1)]->position;
            for (int i = 0; i < distance; ++i)
                last = NextVisible(last);
            int p = last;
            for (int s = n - 1; s >= 0; --s) {
                FetchInto(s, p);
                p = PriorVisible(p);
            }
        }
    } else if (distance < 0) {
        const int d = -distance;
        if (d < n) {
            std::rotate(slots_.begin(), slots_.begin() + (n - d), slots_.begin() + n);
            int p = slots_[static_cast<std::size_t>(d)]->position;
            for (int s = d - 1; s >= 0; --s) {
                p = PriorVisible(p);
                FetchInto(s, p);
            }
        } else {
            int firstPlace = slots_[0]->position;
            for (int i = 0; i < d; ++i)
                firstPlace = PriorVisible(firstPlace);
            FillWindowFrom(firstPlace, n);
        }
    }
}

void MemTableBase::SetBufferCount(int n)
{
    RecordStore::Guard lock(store_);
    n = std::max(1, n);
    if (n == bufferCount_)
        return;
    const bool had = windowCount_ > 0;
    const int oldFirst = had ? slots_[0]->position : -1;
    const int current = CurrentPlace();
    const int oldActive = activeRecord_;
    const bool growing = n > bufferCount_;
    bufferCount_ = n;
    AllocateWindow();
    if (!had)
        return;
    int first = oldFirst;
    if (!growing && oldActive >= n) {
        // Keep the current record, in the last slot.
        first = current;
        for (int i = 0; i < n - 1; ++i)
            first = PriorVisible(first);
    }
    FillWindowFrom(first, n);
    if (windowCount_ < n) {
        // At the end of the table: take records that precede the window.
        int missing = n - windowCount_;
        int p = first;
        while (missing > 0) {
            const int q = PriorVisible(p);
            if (q < 0)
                break;
            p = q;
            --missing;
        }
        FillWindowFrom(p, n);
    }
    activeRecord_ = 0;
    for (int s = 0; s < windowCount_; ++s)
        if (slots_[static_cast<std::size_t>(s)]->position == current)
            activeRecord_ = s;
    cursor_ = current;
}

bool MemTableBase::SlotIsNull(int slot, const Field& field) const
{
    RecordStore::Guard lock(store_);
    if (slot < 0 || slot >= windowCount_ || !field.IsBound() || &field.DataSet() != this)
        return true;
    const Record* r = slots_[static_cast<std::size_t>(slot)];
    if (state_ == DataSetState::dsEdit && slot == activeRecord_)
        r = editRecord_;
    return r->data[field.StorageBinding().offset] == 0;
}

std::string_view MemTableBase::SlotText(int slot, const Field& field) const
{
    RecordStore::Guard lock(store_);
    if (slot < 0 || slot >= windowCount_ || !field.IsBound() || &field.DataSet() != this)
        return {};
    const Record* r = slots_[static_cast<std::size_t>(slot)];
    if (state_ == DataSetState::dsEdit && slot == activeRecord_)
        r = editRecord_;
    const Field::Binding& b = field.StorageBinding();
    if (r->data[b.offset] == 0)
        return {};
    if (b.outsideSlot < 0 && IsTextType(field.DataType()))
        return storage::StoredText(r->data + b.offset + 1, field.Size());
    if (b.outsideSlot >= 0 && IsTextType(field.DataType()))
        return storage::CutText(store_.OutsideValue(r, b.outsideSlot), field.Size());
    // Other types: through the field, reading this slot.
    auto* self = const_cast<MemTableBase*>(this);
    const int saved = self->activeRecord_;
    self->activeRecord_ = slot;
    try {
        slotTextScratch_ = field.AsString();
    } catch (...) {
        self->activeRecord_ = saved;
        throw;
    }
    self->activeRecord_ = saved;
    return slotTextScratch_;
}

int MemTableBase::SlotRecNo(int slot) const
{
    if (slot < 0 || slot >= windowCount_)
        return -1;
    return slots_[static_cast<std::size_t>(slot)]->position + 1;
}

// ---------------------------------------------------------------- navigation

bool MemTableBase::IsEmpty() const
{
    return windowCount_ == 0;
}

void MemTableBase::First()
{
    RecordStore::Guard lock(store_);
    CheckActive();
    if (state_ == DataSetState::dsEdit)
        Post();
    if (BeforeScroll)
        BeforeScroll(*this);
    const int first = FirstVisible();
    if (first < OrderLength())
        PlaceWindow(first, 0);
    else
        ClearWindow();
    bof_ = true;
    eof_ = windowCount_ == 0;
    NotifyDataSetChanged();
    if (AfterScroll)
        AfterScroll(*this);
}

void MemTableBase::Last()
{
    RecordStore::Guard lock(store_);
    CheckActive();
    if (state_ == DataSetState::dsEdit)
        Post();
    if (BeforeScroll)
        BeforeScroll(*this);
    const int last = LastVisible();
    if (last >= 0)
        PlaceWindow(last, bufferCount_ - 1);
    else
        ClearWindow();
    eof_ = true;
    bof_ = windowCount_ == 0;
    NotifyDataSetChanged();
    if (AfterScroll)
        AfterScroll(*this);
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
    if (state_ == DataSetState::dsEdit)
        Post();
    if (distance == 0 || windowCount_ == 0)
        return 0;
    if ((distance > 0 && eof_) || (distance < 0 && bof_))
        return 0;
    if (BeforeScroll)
        BeforeScroll(*this);
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
        if (AfterScroll)
            AfterScroll(*this);
    }
    return moved;
}

// The end of a successful Locate or GotoBookmark.
void MemTableBase::MoveToFound(int place)
{
    PlaceWindow(place, (bufferCount_ - 1) / 2);
    bof_ = eof_ = false;
    NotifyDataSetChanged();
    if (AfterScroll)
        AfterScroll(*this);
}

int MemTableBase::RecNo() const
{
    RecordStore::Guard lock(store_);
    if (!Active() || windowCount_ == 0)
        return -1;
    return CurrentPlace() + 1;
}

void MemTableBase::SetRecNo(int recNo)
{
    RecordStore::Guard lock(store_);
    CheckActive();
    const int current = RecNo();
    if (recNo >= 1 && recNo <= OrderLength() && recNo != current)
        MoveBy(recNo - current);
}

int MemTableBase::RecordCount() const
{
    RecordStore::Guard lock(store_);
    CheckActive();
    if (store_.DeletedCount() == 0)
        return OrderLength();
    int count = 0;
    for (const Record* r : orders_[currentOrder_]->records)
        if (!r->IsDeleted())
            ++count;
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
    if (!Active() || windowCount_ == 0)
        return {};
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
    if (state_ == DataSetState::dsEdit)
        Post();
    if (!BookmarkValid(bookmark))
        return false;
    const auto& records = orders_[currentOrder_]->records;
    int found = -1;
    // In the row order a record's place is normally its identity number.
    const auto id = static_cast<std::size_t>(bookmark.identity);
    if (bookmark.identity >= 0 && id < records.size() && records[id]->identity == bookmark.identity)
        found = bookmark.identity;
    for (std::size_t i = 0; found < 0 && i < records.size(); ++i)
        if (records[i]->identity == bookmark.identity)
            found = static_cast<int>(i);
    if (found < 0 || !Visible(records[static_cast<std::size_t>(found)]))
        return false;
    if (BeforeScroll)
        BeforeScroll(*this);
    MoveToFound(found);
    return true;
}

int MemTableBase::CompareBookmarks(const Bookmark& a, const Bookmark& b) const
{
    if (!a && !b)
        return 0;
    if (!a)
        return 1;
    if (!b)
        return -1;
    return a.identity < b.identity ? -1 : (a.identity > b.identity ? 1 : 0);
}

// ---------------------------------------------------------------- field access

const Record* MemTableBase::ReadRecord() const
{
    if (loadRecord_ != nullptr)
        return loadRecord_;
    if (state_ == DataSetState::dsEdit)
        return editRecord_;
    if (windowCount_ == 0)
        return nullptr;
    return slots_[static_cast<std::size_t>(activeRecord_)];
}

Record* MemTableBase::EditRecordFor(const Field& field)
{
    if (!Active() || &field.DataSet() != this)
        return nullptr;
    if (state_ != DataSetState::dsEdit)
        throw Error("Dataset is not in edit mode.");
    if (readOnly_ || field.ReadOnly())
        throw Error("Field " + field.DisplayName() + " is read only");
    return field.IsBound() ? editRecord_ : nullptr;
}

void MemTableBase::NotifyRecordChanged(Field& field)
{
    for (DataSource* ds : std::vector<DataSource*>(dataSources_))
        ds->NotifyRecordChanged(&field);
}

// ---------------------------------------------------------------- editing

void MemTableBase::Edit()
{
    RecordStore::Guard lock(store_);
    CheckActive();
    if (state_ == DataSetState::dsEdit)
        return;
    if (windowCount_ == 0)
        throw Error(NamedMessage(name_, "Cannot perform this operation on an empty dataset"));
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
    if (state_ != DataSetState::dsEdit)
        return;
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
    if (stored->updateStatus == usUnmodified)
        stored->updateStatus = usModified;
    editRecord_ = nullptr;
    state_ = DataSetState::dsBrowse;
    FetchInto(activeRecord_, CurrentPlace());
    NotifyDataSetChanged();
}

void MemTableBase::Cancel()
{
    RecordStore::Guard lock(store_);
    if (state_ != DataSetState::dsEdit)
        return;
    store_.FreeOutsideValues(editRecord_);
    editRecord_ = nullptr;
    state_ = DataSetState::dsBrowse;
    NotifyDataSetChanged();
}

void MemTableBase::Refresh()
{
    RecordStore::Guard lock(store_);
    CheckActive();
    if (state_ == DataSetState::dsEdit)
        Post();
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
        !Visible(orders_[currentOrder_]->records[static_cast<std::size_t>(place)]))
        place = FirstVisible();
    if (place < OrderLength()) {
        PlaceWindow(place, slot);
        if (place == FirstVisible())
            bof_ = true;
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
    if (disableCount_ == 0)
        return;
    if (--disableCount_ > 0)
        return;
    const bool active = Active();
    if (active != activeWhenDisabled_)
        NotifyActiveChanged(active);
    else if (active && layoutChangedWhileDisabled_)
        NotifyLayoutChanged();
    else if (active)
        NotifyDataSetChanged();
    layoutChangedWhileDisabled_ = false;
}

void MemTableBase::AttachDataSource(DataSource* source)
{
    if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end())
        dataSources_.push_back(source);
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
    if (disableCount_ > 0)
        return;
    for (DataSource* ds : std::vector<DataSource*>(dataSources_))
        (ds->*notify)(args...);
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
