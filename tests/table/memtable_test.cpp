#include "platform/error.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace marlune::table;
using namespace marlune::table::testing;

namespace {

std::string MessageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const marlune::Error& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(MemTableStructure, CreatedClosedWithTheFivePostcodeFields)
{
    MemTable t;
    EXPECT_EQ(t.Name(), "Table1");
    EXPECT_FALSE(t.Active());
    ASSERT_EQ(t.FieldCount(), 5);
    const char* names[] = {"Pcode", "Locality", "State", "Comments", "DeliveryOffice"};
    const int sizes[] = {5, 64, 32, 128, 64};
    const int widths[] = {9, 77, 39, 154, 77};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t.Fields(i).FieldName(), names[i]);
        EXPECT_EQ(t.Fields(i).Size(), sizes[i]);
        EXPECT_EQ(t.Fields(i).DisplayWidth(), widths[i]);
        EXPECT_EQ(t.Fields(i).DataType(), FieldType::ftString);
        EXPECT_EQ(t.Fields(i).Kind(), FieldKind::fkData);
        EXPECT_EQ(t.Fields(i).Index(), i);
        EXPECT_EQ(t.Fields(i).DisplayName(), names[i]);
    }
    EXPECT_EQ(t.AttachMaxCount(), 1);
    EXPECT_EQ(t.GetPerformance(), Performance::mtpfFast);
    EXPECT_EQ(t.LoadLimit(), -1);
    EXPECT_FALSE(t.Standalone());
}

TEST(MemTableStructure, JustOpenedTableIsEmpty)
{
    MemTable t;
    t.Open();
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
    EXPECT_TRUE(t.Bof());
    EXPECT_TRUE(t.Eof());
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.WindowRecordCount(), 0);
    EXPECT_EQ(t.ActiveRecord(), 0);
    EXPECT_EQ(t.CurrentOrder().name, "__ROWORDER__");
    t.Open(); // already open: nothing happens
    EXPECT_TRUE(t.Active());
}

TEST(MemTableStructure, FieldByNameIgnoresCase)
{
    MemTable t;
    Field& f = t.FieldByName("Pcode");
    EXPECT_EQ(&t.FieldByName("pcode"), &f);
    EXPECT_EQ(&t.FieldByName("PCODE"), &f);
    EXPECT_EQ(&t.FieldByName("PCode"), &f);
    EXPECT_EQ(&t.FieldByName("deliveryoffice"), &t.Fields(4));
    EXPECT_EQ(t.FindField("Postcode"), nullptr);
    EXPECT_EQ(MessageOf([&] { t.FieldByName("Postcode"); }), "Table1: Field 'Postcode' not found");
    MemTable other("Other");
    EXPECT_EQ(MessageOf([&] { other.FieldByName("x"); }), "Other: Field 'x' not found");
}

TEST(MemTableStructure, ClosedTableRaisesOnNavigationAndCount)
{
    MemTable t;
    const std::string closed = "Table1: Cannot perform this operation on a closed dataset";
    EXPECT_EQ(MessageOf([&] { t.RecordCount(); }), closed);
    EXPECT_EQ(MessageOf([&] { t.First(); }), closed);
    EXPECT_EQ(MessageOf([&] { t.Last(); }), closed);
    EXPECT_EQ(MessageOf([&] { t.Next(); }), closed);
    EXPECT_EQ(MessageOf([&] { t.Prior(); }), closed);
    EXPECT_EQ(MessageOf([&] { t.MoveBy(3); }), closed);
    EXPECT_EQ(MessageOf([&] { t.SetRecNo(1); }), closed);
    EXPECT_EQ(t.RecNo(), -1);
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(LockIsFree(t));
}

TEST(MemTableStructure, OpeningWithoutFieldsOrDefinitionsFails)
{
    MemTableBase t;
    EXPECT_EQ(MessageOf([&] { t.Open(); }), "There must be at least one field");
    EXPECT_FALSE(t.Active());
    EXPECT_TRUE(LockIsFree(t));
}

TEST(MemTableStructure, FieldsCreatedFromDefinitionsAreDestroyedOnClose)
{
    MemTableBase t;
    t.FieldDefs().push_back({"Code", FieldType::ftString, 4, false});
    t.FieldDefs().push_back({"Count", FieldType::ftInteger, 0, true});
    t.Open();
    ASSERT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.Fields(1).FieldName(), "Count");
    EXPECT_TRUE(t.Fields(1).Required());
    t.Close();
    EXPECT_EQ(t.FieldCount(), 0);
    t.Open(); // again from the definitions
    EXPECT_EQ(t.FieldCount(), 2);
}

TEST(MemTableStructure, OwnFieldsSurviveClose)
{
    MemTable t;
    Field* pcode = &t.Fields(0);
    t.Open();
    t.Close();
    ASSERT_EQ(t.FieldCount(), 5);
    EXPECT_EQ(&t.Fields(0), pcode);
    EXPECT_FALSE(pcode->IsBound());
}

TEST(MemTableStructure, FieldTypeWithoutStorageIsRefused)
{
    MemTableBase t;
    Field& f = t.AddField("Shape", FieldType::ftADT);
    f.SetDisplayLabel("Shape of it");
    EXPECT_EQ(MessageOf([&] { t.Open(); }),
              "Fielddef Shape (Shape of it) Datatype 26 not supported.)");
    EXPECT_FALSE(t.Active());
    EXPECT_TRUE(LockIsFree(t));
    MemTableBase u;
    u.AddField("W", FieldType::ftWideString, 10);
    EXPECT_EQ(MessageOf([&] { u.Open(); }), "Fielddef W (W) Datatype 24 not supported.)");
}

TEST(MemTableStructure, RecordLayoutIsOneBlockWithTheFieldsInside)
{
    MemTable t;
    t.Open();
    const RecordLayout& l = t.Store().Layout();
    ASSERT_EQ(l.fields.size(), 5u);
    // Indicator byte plus Size + 1 bytes per text field, in field order.
    EXPECT_EQ(l.fields[0].offset, 0);
    EXPECT_EQ(l.fields[1].offset, 1 + 6);
    EXPECT_EQ(l.fields[2].offset, 7 + 1 + 65);
    EXPECT_EQ(l.fields[3].offset, 73 + 1 + 33);
    EXPECT_EQ(l.fields[4].offset, 107 + 1 + 129);
    for (const FieldLayout& fl : l.fields) {
        EXPECT_EQ(fl.outsideSlot, -1);
    }
    EXPECT_EQ(l.calcSize, 0);
    EXPECT_EQ(l.bookmarkOffset, 237 + 1 + 65);
    EXPECT_EQ(l.outsideCount, 0);
    EXPECT_EQ(l.dataSize, 303 + RecordStore::kBookmarkSlotSize);
    EXPECT_EQ(l.recordSize % 8, 0);
    EXPECT_GE(l.recordSize, static_cast<int>(sizeof(RecordHeader)) + l.dataSize);
    EXPECT_LT(l.recordSize, static_cast<int>(sizeof(RecordHeader)) + l.dataSize + 8);
}

TEST(MemTableStructure, SlowerPerformanceKeepsLongTextOutside)
{
    MemTable t;
    t.SetPerformance(Performance::mtpfBalanced);
    t.Open();
    const RecordLayout& l = t.Store().Layout();
    EXPECT_EQ(l.fields[0].outsideSlot, -1); // 5 characters stay inside
    EXPECT_EQ(l.fields[1].outsideSlot, 0);
    EXPECT_EQ(l.fields[4].outsideSlot, 3);
    EXPECT_EQ(l.outsideCount, 4);
    EXPECT_TRUE(t.Store().FieldFlags(1) & ffOutside);
    EXPECT_FALSE(t.Store().FieldFlags(0) & ffOutside);
    Load(t, {{"2000", "SYDNEY", "NSW", std::nullopt, std::string(70, 'x')}});
    EXPECT_EQ(t.FieldByName("Locality").AsString(), "SYDNEY");
    EXPECT_EQ(t.FieldByName("DeliveryOffice").AsString(), std::string(64, 'x'));
    EXPECT_TRUE(t.FieldByName("Comments").IsNull());
    EXPECT_EQ(t.SlotText(0, t.FieldByName("Locality")), "SYDNEY");
    EXPECT_TRUE(t.Locate("Locality", "syd", loCaseInsensitive | loPartialKey));
    EXPECT_FALSE(t.Locate("Locality", "mel", loCaseInsensitive | loPartialKey));
}

TEST(MemTableStructure, ValuesOutsideTheRecordNeedAValidRecord)
{
    MemTable t;
    t.SetPerformance(Performance::mtpfSmall);
    t.Open();
    EXPECT_EQ(MessageOf([&] { t.Store().OutsideValue(nullptr, 0); }), "Invalid record ");
    RecordHeader loose; // not a block of the store
    EXPECT_EQ(MessageOf([&] { t.Store().SetOutsideValue(&loose, 0, "x"); }), "Invalid record ");
}

TEST(MemTableStructure, LocaleIdArithmetic)
{
    MemTable t;
    EXPECT_EQ(t.LanguageID(), 0);
    EXPECT_EQ(t.SubLanguageID(), 1);
    EXPECT_EQ(t.SortID(), 0);
    EXPECT_EQ(t.LocaleID(), 1024u);

    MemTableBase b;
    b.SetLanguageID(0x09);
    EXPECT_EQ(b.LocaleID(), (1u << 10) | 0x09u); // SubLanguageID starts at 1
    b.SetSubLanguageID(3);
    EXPECT_EQ(b.LocaleID(), 0x0C09u);
    b.SetSortID(1);
    EXPECT_EQ(b.LocaleID(), 0x10C09u);
    b.SetLocaleID(0x0407);
    EXPECT_EQ(b.LanguageID(), 7);
    EXPECT_EQ(b.SubLanguageID(), 1);
    EXPECT_EQ(b.SortID(), 0);
    EXPECT_EQ(b.LocaleID(), 0x0407u);
    b.SetLocaleID(0xF1234);
    EXPECT_EQ(b.LanguageID(), 0x34);            // low 8 bits
    EXPECT_EQ(b.SubLanguageID(), 0x1234 >> 10); // bits 10 to 15
    EXPECT_EQ(b.SortID(), 0xF);                 // bits 16 to 19
    // The stored order LanguageID, SortID, SubLanguageID, LocaleID ends at 1024.
    b.SetLanguageID(0);
    b.SetSortID(0);
    b.SetSubLanguageID(1);
    EXPECT_EQ(b.LocaleID(), 1024u);
    b.SetLocaleID(1024);
    EXPECT_EQ(b.LocaleID(), 1024u);
}

TEST(MemTableFields, TextStorageCutsAndKeepsEmptyApartFromNull)
{
    MemTable t;
    Load(t, {{"2000", "SYDNEY", "NSW", std::nullopt, "SYDNEY"}});
    t.Edit();
    Field& pcode = t.FieldByName("Pcode");
    Field& locality = t.FieldByName("Locality");
    pcode.SetAsString("1234567");
    EXPECT_EQ(pcode.AsString(), "12345");
    locality.SetAsString("");
    EXPECT_FALSE(locality.IsNull());
    EXPECT_EQ(locality.AsString(), "");
    locality.SetAsString(std::string_view("AB\0CD", 5));
    EXPECT_EQ(locality.AsString(), "AB");
    t.FieldByName("State").Clear();
    EXPECT_TRUE(t.FieldByName("State").IsNull());
    EXPECT_EQ(t.FieldByName("State").AsString(), "");
    t.Post();
    EXPECT_EQ(t.FieldByName("Pcode").AsString(), "12345");
    EXPECT_EQ(t.SlotText(0, pcode), "12345");
    EXPECT_FALSE(t.SlotIsNull(0, locality));
    EXPECT_TRUE(t.SlotIsNull(0, t.FieldByName("State")));
    EXPECT_EQ(t.CurrentUpdateStatus(), usModified);
}

TEST(MemTableFields, ReadingKeepsTextUntrimmed)
{
    MemTable t;
    Load(t, {{" 200", "  SPACED OUT  ", "", std::nullopt, "X"}});
    EXPECT_EQ(t.FieldByName("Pcode").AsString(), " 200");
    EXPECT_EQ(t.FieldByName("Locality").AsString(), "  SPACED OUT  ");
    EXPECT_FALSE(t.FieldByName("State").IsNull());
    EXPECT_TRUE(t.FieldByName("Comments").IsNull());
}

TEST(MemTableFields, WritingRules)
{
    MemTable t;
    t.FieldByName("Pcode").SetAsString("9999"); // closed: nothing happens
    Load(t, {{"2000", "SYDNEY", "NSW", std::nullopt, "X"}});
    // The file's definitions replaced the field objects.
    Field& pcode = t.FieldByName("Pcode");
    EXPECT_EQ(MessageOf([&] { pcode.SetAsString("1"); }), "Dataset is not in edit mode.");
    EXPECT_EQ(MessageOf([&] { pcode.Clear(); }), "Dataset is not in edit mode.");
    EXPECT_TRUE(LockIsFree(t));
    t.Edit();
    pcode.SetReadOnly(true);
    pcode.SetDisplayLabel("Post Code");
    EXPECT_EQ(MessageOf([&] { pcode.SetAsString("1"); }), "Field Post Code is read only");
    pcode.SetReadOnly(false);
    t.SetReadOnly(true);
    EXPECT_EQ(MessageOf([&] { t.FieldByName("State").SetAsString("1"); }),
              "Field State is read only");
    t.Cancel();
    EXPECT_EQ(pcode.AsString(), "2000");
    EXPECT_TRUE(LockIsFree(t));
}

TEST(MemTableFields, WritesTellBoundControlsUnlessDisabled)
{
    MemTable t;
    DataSource ds(&t);
    CountingObserver o;
    ds.AddObserver(&o);
    Load(t, NumberedRecords(2));
    t.Edit();
    t.FieldByName("Locality").SetAsString("X");
    EXPECT_EQ(o.recordChanged, 1);
    EXPECT_TRUE(t.Store().FieldFlags(1) & ffChanged);
    t.DisableControls();
    t.FieldByName("Locality").SetAsString("Y");
    EXPECT_EQ(o.recordChanged, 1);
    t.EnableControls();
    t.Post();
}

TEST(MemTableClose, DropsRecordsAndRestartsIdentities)
{
    MemTable t;
    Load(t, NumberedRecords(3));
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(t.Store().IdentityCounter(), 3);
    t.Close();
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.Store().RecordCount(), 0);
    EXPECT_EQ(t.Store().IdentityCounter(), 0);
    EXPECT_EQ(t.Store().UniqueCounter(), 0);
    t.Open();
    EXPECT_EQ(t.RecordCount(), 0);
    MemoryStream s(PostcodeFile(NumberedRecords(2), 251, false));
    t.ReadTableStream(s);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.Store().RecordAt(0)->identity, 0);
    EXPECT_EQ(t.Store().RecordAt(1)->identity, 1);
    EXPECT_EQ(t.Store().RecordAt(1)->unique, 1);
    t.Close();
    t.Close(); // closed already: nothing happens
    EXPECT_FALSE(t.Active());
}

TEST(MemTableLock, IsReentrantAndFreeAfterEveryOperation)
{
    MemTable t;
    Load(t, NumberedRecords(5));
    {
        RecordStore::Guard outer(t.Store());
        RecordStore::Guard inner(t.Store()); // same thread: enters again
        t.Next();
        EXPECT_FALSE(LockIsFree(t));
    }
    EXPECT_TRUE(LockIsFree(t));
    EXPECT_THROW(t.FieldByName("nope"), marlune::Error);
    EXPECT_TRUE(LockIsFree(t));
}

TEST(MemTableLock, StandaloneTakesNoLock)
{
    MemTable t;
    t.SetStandalone(true);
    Load(t, NumberedRecords(2));
    RecordStore::Guard g(t.Store());
    EXPECT_TRUE(LockIsFree(t));
}

TEST(RecordStoreBlocks, ComeFromChunksAndAreReused)
{
    MemTable t;
    Load(t, NumberedRecords(1000));
    RecordStore& s = t.Store();
    const std::size_t blocks = s.BlockBytesInUse();
    EXPECT_EQ(blocks, 1000u * static_cast<std::size_t>(s.RecordSize()));
    EXPECT_LE(s.ChunkBytes(), 2 * blocks + 64 * 1024);
    // Consecutive records lie next to each other.
    const auto* a = reinterpret_cast<const std::uint8_t*>(s.RecordAt(10));
    const auto* b = reinterpret_cast<const std::uint8_t*>(s.RecordAt(11));
    EXPECT_EQ(b - a, s.RecordSize());
    Record* loose = s.AllocateRecord();
    EXPECT_EQ(loose->identity, -1);
    EXPECT_EQ(loose->unique, -1);
    EXPECT_EQ(loose->transactionLevel, -1);
    EXPECT_EQ(loose->position, -1);
    EXPECT_EQ(loose->data, reinterpret_cast<std::uint8_t*>(loose) + sizeof(RecordHeader));
    for (const FieldLayout& fl : s.Layout().fields) {
        EXPECT_EQ(loose->data[fl.offset], 0);
    }
    s.FreeRecord(loose);
    Record* again = s.AllocateRecord();
    EXPECT_EQ(again, loose);
    s.FreeRecord(again);
    EXPECT_EQ(s.BlockBytesInUse(), blocks);
}
