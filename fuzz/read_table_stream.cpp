// Fuzzes the data file reader: any input must load or fail with marlune::Error,
// leaving a table that can be walked and searched.

#include "platform/error.h"
#include "platform/stream.h"
#include "table/memtable.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace marlune::table;

namespace {

void Exercise(MemTable& t)
{
    if (!t.Active())
        return;
    const LocateOptions both = loCaseInsensitive | loPartialKey;
    for (const char* field : {"Locality", "PCode"}) {
        for (const char* key : {"", "sy"}) {
            try {
                t.Locate(field, key, both);
            } catch (const marlune::Error&) {
            }
        }
    }
    if (t.FieldCount() > 0) {
        try {
            t.Locate(t.Fields(0).FieldName() + ":NL", Variant::Null(), 0);
            t.Locate(t.Fields(0).FieldName(), "1", both);
        } catch (const marlune::Error&) {
        }
    }
    if (t.RecordOrderCount() > 1) {
        // Search through a sorted order as well.
        const RecordOrder& order = t.RecordOrders(1);
        try {
            t.SetIndexName(order.name);
            if (!order.keyFields.empty())
                t.Locate(order.keyFields[0].field->FieldName(), "1", both);
        } catch (const marlune::Error&) {
        }
    }
    t.DisableControls();
    std::size_t total = 0;
    int steps = 0;
    for (t.First(); !t.Eof() && steps < 2000; t.Next(), ++steps)
        for (int i = 0; i < t.FieldCount(); ++i)
            total += t.Fields(i).AsString().size() + (t.Fields(i).IsNull() ? 1 : 0);
    t.Last();
    t.MoveBy(-3);
    t.EnableControls();
    for (int s = 0; s < t.WindowRecordCount(); ++s)
        for (int i = 0; i < t.FieldCount(); ++i)
            total += t.SlotText(s, t.Fields(i)).size();
    (void)t.RecordCount();
    (void)total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemTable t;
    t.SetBufferCount(7);
    t.Open();
    // Twice: the second load meets whatever the first one left.
    for (int round = 0; round < 2; ++round) {
        marlune::platform::MemoryStream stream = marlune::platform::MemoryStream::View(bytes);
        try {
            t.ReadTableStream(stream);
        } catch (const marlune::Error&) {
        }
        Exercise(t);
    }
    return 0;
}
