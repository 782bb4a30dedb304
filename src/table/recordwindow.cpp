#include "table/memtablebase.h"

#include "platform/error.h"
#include "table/datasource.h"
#include "table/fieldstorage.h"
#include "table/recordcompare.h"
#include "table/textcompare.h"

#include <algorithm>
#include <cstring>

namespace marlune::table {

// The record window: the slots of records that bound controls see, kept
// around the current record as the cursor moves.

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
    for (int i = 0; i < bufferCount_; ++i) {
        slots_.push_back(
            reinterpret_cast<Record*>(windowStorage_.data() + size * static_cast<std::size_t>(i)));
    }
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

void MemTableBase::WindowAtFirst()
{
    const int first = FirstVisible();
    if (first < OrderLength()) {
        PlaceWindow(first, 0);
    } else {
        ClearWindow();
    }
    bof_ = true;
    eof_ = windowCount_ == 0;
}

void MemTableBase::PlaceWindow(int place, int wantedSlot)
{
    const int n = bufferCount_;
    wantedSlot = std::clamp(wantedSlot, 0, n - 1);
    auto back = [&](int from, int count) {
        Walk w{from, 0};
        while (w.steps < count) {
            const int p = PriorVisible(w.place);
            if (p < 0) {
                break;
            }
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
            if (p >= length) {
                break;
            }
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
            for (int i = 0; i < distance; ++i) {
                last = NextVisible(last);
            }
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
            for (int i = 0; i < d; ++i) {
                firstPlace = PriorVisible(firstPlace);
            }
            FillWindowFrom(firstPlace, n);
        }
    }
}

void MemTableBase::SetBufferCount(int n)
{
    RecordStore::Guard lock(store_);
    n = std::max(1, n);
    if (n == bufferCount_) {
        return;
    }
    const bool had = windowCount_ > 0;
    const int oldFirst = had ? slots_[0]->position : -1;
    const int current = CurrentPlace();
    const int oldActive = activeRecord_;
    const bool growing = n > bufferCount_;
    bufferCount_ = n;
    AllocateWindow();
    if (!had) {
        return;
    }
    int first = oldFirst;
    if (!growing && oldActive >= n) {
        // Keep the current record, in the last slot.
        first = current;
        for (int i = 0; i < n - 1; ++i) {
            first = PriorVisible(first);
        }
    }
    FillWindowFrom(first, n);
    if (windowCount_ < n) {
        // At the end of the table: take records that precede the window.
        int missing = n - windowCount_;
        int p = first;
        while (missing > 0) {
            const int q = PriorVisible(p);
            if (q < 0) {
                break;
            }
            p = q;
            --missing;
        }
        FillWindowFrom(p, n);
    }
    activeRecord_ = 0;
    for (int s = 0; s < windowCount_; ++s) {
        if (slots_[static_cast<std::size_t>(s)]->position == current) {
            activeRecord_ = s;
        }
    }
    cursor_ = current;
}

bool MemTableBase::SlotIsNull(int slot, const Field& field) const
{
    RecordStore::Guard lock(store_);
    if (slot < 0 || slot >= windowCount_ || !field.IsBound() || &field.DataSet() != this) {
        return true;
    }
    const Record* r = slots_[static_cast<std::size_t>(slot)];
    if (state_ == DataSetState::dsEdit && slot == activeRecord_) {
        r = editRecord_;
    }
    return r->data[field.StorageBinding().offset] == 0;
}

std::string_view MemTableBase::SlotText(int slot, const Field& field) const
{
    RecordStore::Guard lock(store_);
    if (slot < 0 || slot >= windowCount_ || !field.IsBound() || &field.DataSet() != this) {
        return {};
    }
    const Record* r = slots_[static_cast<std::size_t>(slot)];
    if (state_ == DataSetState::dsEdit && slot == activeRecord_) {
        r = editRecord_;
    }
    const Field::Binding& b = field.StorageBinding();
    if (r->data[b.offset] == 0) {
        return {};
    }
    if (b.outsideSlot < 0 && IsTextType(field.DataType())) {
        return storage::StoredText(r->data + b.offset + 1, field.Size());
    }
    if (b.outsideSlot >= 0 && IsTextType(field.DataType())) {
        return storage::CutText(store_.OutsideValue(r, b.outsideSlot), field.Size());
    }
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
    if (slot < 0 || slot >= windowCount_) {
        return -1;
    }
    return slots_[static_cast<std::size_t>(slot)]->position + 1;
}

} // namespace marlune::table
