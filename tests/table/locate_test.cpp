#include "platform/error.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace marlune::table;
using namespace marlune::table::testing;

namespace {

constexpr LocateOptions kBoth = loCaseInsensitive | loPartialKey;

// Ten records; Locality of record 4 is null.
std::vector<std::vector<Value>> Places()
{
    return {
        {"3000", "MELBOURNE", "VIC", std::nullopt, "MELBOURNE"}, // 1
        {"2000", "Sydenham", "NSW", std::nullopt, "X"},          // 2
        {"2001", "SYDNEY", "NSW", std::nullopt, "X"},            // 3
        {"0800", std::nullopt, "NT", std::nullopt, "X"},         // 4
        {"2002", "syd", "NSW", std::nullopt, "X"},               // 5
        {"3001", "MELBOURNE", "NSW", std::nullopt, "X"},         // 6
        {"3002",
         "Z\xDC"
         "RICH",
         "VIC", std::nullopt, "X"},                    // 7  ZÜRICH
        {"3003", "CAF\xC9", "VIC", std::nullopt, "X"}, // 8  CAFÉ
        {"4000", "", "QLD", std::nullopt, "X"},        // 9
        {"4001", "BRISBANE", "QLD", "last", "X"},      // 10
    };
}

struct Fixture {
    explicit Fixture(std::vector<int> statuses = {}, int n = 5)
    {
        ds.AddObserver(&o);
        t.SetBufferCount(n);
        Load(t, Places(), std::move(statuses));
        o.Reset();
    }
    std::string Error(std::string_view fields, const Variant& v, LocateOptions opts = kBoth)
    {
        try {
            t.Locate(fields, v, opts);
        } catch (const marlune::Error& e) {
            return e.what();
        }
        return "(no error)";
    }
    int Find(std::string_view fields, const Variant& v, LocateOptions opts = kBoth)
    {
        t.First();
        return t.Locate(fields, v, opts) ? t.RecNo() : 0;
    }
    MemTable t;
    DataSource ds{&t};
    CountingObserver o;
};

} // namespace

TEST(Locate, FindsTheFirstRecordBeginningWithTheTextInAnyCase)
{
    Fixture f;
    EXPECT_TRUE(f.t.Locate("Locality", "syd", kBoth));
    EXPECT_TRUE(f.t.Found());
    EXPECT_EQ(f.t.RecNo(), 2);
    EXPECT_EQ(f.t.FieldByName("Locality").AsString(), "Sydenham");
    EXPECT_EQ(f.o.events, std::vector<std::string>{"changed"});
    EXPECT_EQ(f.Find("Locality", "SYDN"), 3);
    EXPECT_EQ(f.Find("Locality", "sYdNeY"), 3);
    EXPECT_EQ(f.Find("Locality", "b"), 10);
    EXPECT_EQ(f.Find("PCode", "2"), 2);
    EXPECT_EQ(f.Find("pcode", "30"), 1);
    EXPECT_EQ(f.Find("Pcode", "08"), 4);
}

TEST(Locate, NoMatchChangesNothingAtAll)
{
    Fixture f;
    f.t.MoveBy(6);
    const int slot = f.t.ActiveRecord();
    const auto window = WindowRecNos(f.t);
    f.o.Reset();
    EXPECT_FALSE(f.t.Locate("Locality", "zzzq", kBoth));
    EXPECT_FALSE(f.t.Found());
    EXPECT_FALSE(f.t.Locate("PCode", "abc", kBoth));
    EXPECT_EQ(f.t.RecNo(), 7);
    EXPECT_EQ(f.t.ActiveRecord(), slot);
    EXPECT_EQ(WindowRecNos(f.t), window);
    EXPECT_EQ(f.o.Total(), 0);
}

TEST(Locate, EmptyKeyFindsTheFirstNonNullValue)
{
    Fixture f;
    EXPECT_EQ(f.Find("Locality", ""), 1);
    EXPECT_EQ(f.Find("Comments", ""), 10);   // the null ones are passed over
    EXPECT_EQ(f.Find("Locality", "", 0), 9); // exact: only the empty text
    f.t.Last();
    EXPECT_TRUE(f.t.Locate("Locality", "", kBoth));
    EXPECT_EQ(f.t.RecNo(), 1);
}

TEST(Locate, KeyLongerThanTheFieldIsCut)
{
    Fixture f;
    EXPECT_EQ(f.Find("PCode", "200155"), 0); // searched as "20015"
    EXPECT_EQ(f.Find("PCode", "20019"), 0);
    EXPECT_EQ(f.Find("PCode", "2001", 0), 3); // exact
    EXPECT_EQ(f.Find("PCode", "200199", 0), 0);
    MemTable t;
    Load(t, {{"2000", "A", "", "", ""}, {"12345", "B", "", "", ""}});
    EXPECT_TRUE(t.Locate("PCode", "123456", 0)); // exact, as its first five characters
    EXPECT_EQ(t.RecNo(), 2);
    t.First();
    EXPECT_TRUE(t.Locate("PCode", "1234599", kBoth));
    EXPECT_EQ(t.RecNo(), 2);
}

TEST(Locate, ExactAndCaseSensitiveOptions)
{
    Fixture f;
    EXPECT_EQ(f.Find("Locality", "SYD", loCaseInsensitive), 5); // equal text only
    EXPECT_EQ(f.Find("Locality", "syd", loPartialKey), 5);      // case counts
    EXPECT_EQ(f.Find("Locality", "Syd", loPartialKey), 2);
    EXPECT_EQ(f.Find("Locality", "SYD", loPartialKey), 3);
    EXPECT_EQ(f.Find("Locality", "melbourne", 0), 0);
    EXPECT_EQ(f.Find("Locality", "MELBOURNE", 0), 1);
}

TEST(Locate, OptionLettersInEitherCase)
{
    Fixture f;
    EXPECT_EQ(f.Find("Locality:CP", "syd", 0), 2);
    EXPECT_EQ(f.Find(" locality : cp ", "sydn", 0), 3);
    EXPECT_EQ(f.Find("Locality:P", "SYD", 0), 3);
    EXPECT_EQ(f.Find("Locality:pD", "syd", 0), 5);  // descending: equality unchanged
    EXPECT_EQ(f.Find("Locality:XYZ", "syd", 0), 5); // unknown letters are ignored
}

TEST(Locate, LocaleKeepsAccentsAndIgnoresCase)
{
    Fixture f;
    EXPECT_EQ(f.Find("Locality", "z\xFCr"), 7); // zür
    EXPECT_EQ(f.Find("Locality", "zur"), 0);    // the accent counts
    EXPECT_EQ(f.Find("Locality", "caf\xE9"), 8);
    EXPECT_EQ(f.Find("Locality", "cafe"), 0);
    // Ignoring the locale folds only A to Z.
    EXPECT_EQ(f.Find("Locality:L", "z\xFCr"), 0);
    EXPECT_EQ(f.Find("Locality:L", "z\xDCr"), 7);
    EXPECT_EQ(f.Find("Locality:L", "SYD"), 2);
    EXPECT_EQ(f.Find("Locality:L", "syd"), 2);
    EXPECT_EQ(f.Find("Locality:L", "SYD", loPartialKey), 3);
    EXPECT_EQ(f.Find("Locality:L", "syd", loPartialKey), 5);
    EXPECT_EQ(f.Find("Locality:LC", "sydney", 0), 3);
}

TEST(Locate, NullKeys)
{
    Fixture f;
    EXPECT_EQ(f.Find("Locality", Variant::Null()), 4);   // a null key matches a null field
    EXPECT_EQ(f.Find("Locality", Variant()), 4);         // so does an unassigned one
    EXPECT_EQ(f.Find("Locality:N", Variant::Null()), 1); // ignored: anything matches
    EXPECT_EQ(f.Find("Comments", Variant::Null()), 1);
}

TEST(Locate, SeveralKeyFields)
{
    Fixture f;
    EXPECT_EQ(f.Find("State;Locality", Variant::Array({"nsw", "mel"})), 6);
    EXPECT_EQ(f.Find("State;Locality", Variant::Array({"VIC", "c"})), 8);
    EXPECT_EQ(f.Find("State;Locality", Variant::Array({"QLD", "x"})), 0);
    // A partial match that cut the record's text ends the comparison as equal.
    EXPECT_EQ(f.Find("Locality;State", Variant::Array({"MEL", "NSW"})), 1);
    // Not cut (the whole text matched): the next field decides.
    EXPECT_EQ(f.Find("Locality;State", Variant::Array({"MELBOURNE", "NSW"})), 6);
    // Extra values are not used; a null in the second field matches nulls only.
    EXPECT_EQ(f.Find("Locality;Comments", Variant::Array({"BRISBANE", "last", "x"}), 0), 10);
    EXPECT_EQ(f.Find("Locality;Comments", Variant::Array({"MELBOURNE", Variant::Null()}), 0), 1);
    EXPECT_EQ(f.Find("Pcode;Comments:N", Variant::Array({"4001", Variant::Null()}), 0), 10);
    // One value in an array for one field.
    EXPECT_EQ(f.Find("Locality", Variant::Array({"bris"})), 10);
}

TEST(Locate, NearTheTopTheRecordKeepsItsOwnSlot)
{
    Fixture f({}, 5);
    f.t.Last();
    EXPECT_TRUE(f.t.Locate("Locality", "syd", kBoth)); // record 2
    EXPECT_EQ(f.t.ActiveRecord(), 1);
    EXPECT_EQ(WindowRecNos(f.t), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(f.t.Locate("Locality", "mel", kBoth)); // record 1
    EXPECT_EQ(f.t.ActiveRecord(), 0);
    EXPECT_TRUE(f.t.Locate("Locality", "mel", kBoth)); // again: the same, notified again
    EXPECT_EQ(f.o.dataSetChanged, 4);
}

TEST(Locate, InTheMiddleTheRecordIsCentred)
{
    Fixture f({}, 5);
    EXPECT_TRUE(f.t.Locate("Locality", "z", kBoth)); // record 7
    EXPECT_EQ(f.t.ActiveRecord(), 2);
    EXPECT_EQ(WindowRecNos(f.t), (std::vector<int>{5, 6, 7, 8, 9}));
    Fixture even({}, 4);
    EXPECT_TRUE(even.t.Locate("Locality", "z", kBoth));
    EXPECT_EQ(even.t.ActiveRecord(), 1); // (4 - 1) div 2
    EXPECT_EQ(WindowRecNos(even.t), (std::vector<int>{6, 7, 8, 9}));
}

TEST(Locate, TheLastRecordGoesToTheLastSlot)
{
    Fixture f({}, 5);
    EXPECT_TRUE(f.t.Locate("Locality", "bri", kBoth));
    EXPECT_EQ(f.t.RecNo(), 10);
    EXPECT_EQ(f.t.ActiveRecord(), 4);
    EXPECT_EQ(WindowRecNos(f.t), (std::vector<int>{6, 7, 8, 9, 10}));
    EXPECT_TRUE(f.t.Locate("Locality", "caf", kBoth)); // record 8 of 10: centred, window full
    EXPECT_EQ(f.t.ActiveRecord(), 2);
    EXPECT_EQ(WindowRecNos(f.t), (std::vector<int>{6, 7, 8, 9, 10}));
    EXPECT_TRUE(f.t.Locate("Locality", "", loCaseInsensitive)); // record 9 of 10
    EXPECT_EQ(f.t.RecNo(), 9);
    EXPECT_EQ(f.t.ActiveRecord(), 3);
    EXPECT_EQ(WindowRecNos(f.t), (std::vector<int>{6, 7, 8, 9, 10}));
    Fixture big({}, 20); // more slots than records
    EXPECT_TRUE(big.t.Locate("Locality", "bri", kBoth));
    EXPECT_EQ(big.t.ActiveRecord(), 9);
    EXPECT_EQ(big.t.WindowRecordCount(), 10);
}

TEST(Locate, SkipsDeletedRecords)
{
    Fixture f({0, 3, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(f.Find("Locality", "syd"), 3);
    EXPECT_EQ(f.Find("Locality", "Sydenham", 0), 0);
    EXPECT_EQ(f.Find("Locality:N", Variant::Null()), 1);
    EXPECT_EQ(f.Find("State;Locality", Variant::Array({"NSW", "S"})), 3);
}

TEST(Locate, Errors)
{
    Fixture f;
    f.t.MoveBy(3);
    const std::size_t blocks = f.t.Store().BlockBytesInUse();
    f.o.Reset();
    EXPECT_EQ(f.Error("Postcode", "2"), "Table1: Field 'Postcode' not found");
    EXPECT_EQ(f.Error("Locality;Nope", Variant::Array({"a", "b"})),
              "Table1: Field 'Nope' not found");
    EXPECT_EQ(f.Error("Pcode;Locality", "2"), "More fields than values");
    EXPECT_EQ(f.Error("Pcode;Locality", Variant::Array({"2"})), "More fields than values");
    EXPECT_EQ(f.Error("", "2"), "There must be at least one field");
    EXPECT_EQ(f.Error(" ; ", "2"), "There must be at least one field");
    EXPECT_EQ(f.Error("Locality", Variant::Array({"a", "b", "c", "d"}, 2)),
              "Values variant array has invalid dimension count");
    EXPECT_EQ(f.t.RecNo(), 4);
    EXPECT_EQ(f.o.Total(), 0);
    EXPECT_EQ(f.t.Store().BlockBytesInUse(), blocks); // the key record went back
    EXPECT_TRUE(LockIsFree(f.t));
    f.t.SetLocaleID(0x9999);
    EXPECT_EQ(f.Error("Locality", "syd"), "Invalid locale. 39321");
    EXPECT_EQ(f.Error("State;Locality", Variant::Array({"NSW", "s"})), "Invalid locale. 39321");
    EXPECT_EQ(f.Error("Locality:L", "SYD"), "(no error)"); // no locale needed
    EXPECT_EQ(f.t.Store().BlockBytesInUse(), blocks);
    EXPECT_TRUE(LockIsFree(f.t));
    f.t.Close();
    EXPECT_EQ(f.Error("Locality", "s"),
              "Table1: Cannot perform this operation on a closed dataset");
    // The dimension check comes before the closed check.
    EXPECT_EQ(f.Error("Locality", Variant::Array({"a"}, 3)),
              "Values variant array has invalid dimension count");
}

TEST(Locate, FieldsThatCannotBeCompared)
{
    MemTableBase t;
    t.AddField("Code", FieldType::ftString, 4);
    t.AddField("Notes", FieldType::ftMemo).SetDisplayLabel("The notes");
    t.AddField("Raw", FieldType::ftBytes, 4);
    t.AddField("Look", FieldType::ftString, 4, FieldKind::fkLookup);
    t.AddField("Calc", FieldType::ftString, 4, FieldKind::fkCalculated);
    t.Open();
    auto error = [&](std::string_view fields) {
        try {
            t.Locate(fields, "x", 0);
        } catch (const marlune::Error& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    EXPECT_EQ(error("Notes"), "Can't index on field The notes");
    EXPECT_EQ(error("Code;Raw"), "Can't index on field Raw");
    EXPECT_EQ(error("Look"), "Can't index on field Look");
    EXPECT_EQ(error("Calc"), "(no error)");
    EXPECT_EQ(error("Code"), "(no error)");
    EXPECT_TRUE(LockIsFree(t));
}

TEST(Locate, NumbersAndScrollEvents)
{
    MemTableBase t;
    t.FieldDefs().push_back({"N", FieldType::ftInteger, 0, false});
    t.FieldDefs().push_back({"F", FieldType::ftFloat, 0, false});
    t.Open();
    TableFile file;
    file.Signature().Int(251).ListBegin().ListEnd().ListBegin().ListEnd().ListBegin();
    for (int i = 1; i <= 5; ++i) {
        file.ListBegin().Int(0).Bool(false).Int(i * 10).Bool(false).Extended(i / 4.0).ListEnd();
    }
    file.ListEnd();
    MemoryStream s(file.Bytes());
    t.ReadTableStream(s);
    int before = 0;
    int after = 0;
    t.BeforeScroll = [&](MemTableBase&) { ++before; };
    t.AfterScroll = [&](MemTableBase&) { ++after; };
    EXPECT_TRUE(t.Locate("N", 30, 0));
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_TRUE(t.Locate("F", 1.25, 0));
    EXPECT_EQ(t.RecNo(), 5);
    EXPECT_TRUE(t.Locate("N", "20", 0)); // text converted to the field's type
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_FALSE(t.Locate("N", 31, 0));
    EXPECT_EQ(before, 4);
    EXPECT_EQ(after, 3);
    EXPECT_THROW(t.Locate("Nope", 1, 0), marlune::Error);
    EXPECT_EQ(before, 5);
}

TEST(Locate, PostsAnEditFirst)
{
    Fixture f;
    f.t.Edit();
    f.t.FieldByName("Locality").SetAsString("QUEANBEYAN");
    EXPECT_TRUE(f.t.Locate("Locality", "quean", kBoth));
    EXPECT_EQ(f.t.State(), DataSetState::dsBrowse);
    EXPECT_EQ(f.t.RecNo(), 1);
}

namespace {

// 40 numbered records with an index on Locality (descending when asked).
std::string IndexedFile(bool descending, std::vector<int> statuses = {})
{
    TableFile f;
    f.Signature().Int(251).PostcodeDefs().ListBegin();
    f.Text("ix")
        .Text("Locality")
        .Text("ByLocality")
        .Bool(descending)
        .Bool(true)
        .Bool(false)
        .Bool(false);
    f.ListEnd().ListBegin();
    const auto records = NumberedRecords(40);
    for (std::size_t i = 0; i < records.size(); ++i) {
        f.Record(records[i], 251, i < statuses.size() ? statuses[i] : 0);
    }
    f.ListEnd();
    return f.Bytes();
}

// The first place (1-based) in the current order whose Locality starts with prefix.
int FirstInOrder(MemTableBase& t, const std::string& prefix, bool partial)
{
    int place = 0;
    for (const Record* r : t.CurrentOrder().records) {
        ++place;
        if (r->IsDeleted()) {
            continue;
        }
        const Field& f = t.FieldByName("Locality");
        const std::string text(
            reinterpret_cast<const char*>(r->data + f.StorageBinding().offset + 1));
        if (partial ? text.compare(0, prefix.size(), prefix) == 0 : text == prefix) {
            return place;
        }
    }
    return 0;
}

} // namespace

TEST(Locate, SearchesAnOrderSortedByTheKeyByHalving)
{
    for (bool descending : {false, true}) {
        MemTable t;
        t.SetBufferCount(5);
        MemoryStream s(IndexedFile(descending, {0, 3}));
        t.ReadTableStream(s);
        t.SetIndexName("ByLocality");
        EXPECT_EQ(t.IndexName(), "ByLocality");
        EXPECT_EQ(t.RecNo(), 1);
        // The window follows the index order.
        EXPECT_EQ(t.FieldByName("Locality").AsString(), descending ? "PLACE 9" : "PLACE 1");
        for (const char* text : {"PLACE 1", "PLACE 20", "PLACE 40", "PLACE 4", "PLACE 9"}) {
            ASSERT_TRUE(t.Locate("Locality", text, 0)) << text;
            EXPECT_EQ(t.RecNo(), FirstInOrder(t, text, false)) << text;
            EXPECT_EQ(t.FieldByName("Locality").AsString(), text);
        }
        for (const char* text : {"place 3", "PLACE 1", "place"}) {
            ASSERT_TRUE(t.Locate("Locality", text, kBoth)) << text;
            std::string upper = text;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            EXPECT_EQ(t.RecNo(), FirstInOrder(t, upper, true)) << text;
        }
        // Record 2 is deleted: not found, though the order holds it.
        EXPECT_FALSE(t.Locate("Locality", "PLACE 2", 0));
        EXPECT_FALSE(t.Locate("Locality", "PLACE 41", 0));
        EXPECT_FALSE(t.Locate("Locality", "A", kBoth));
        EXPECT_FALSE(t.Locate("Locality", "Z", kBoth));
        t.SetIndexName("");
        EXPECT_EQ(t.IndexName(), "__ROWORDER__");
        EXPECT_EQ(t.FieldByName("Locality").AsString(), "PLACE 1");
        try {
            t.SetIndexName("Nope");
            FAIL();
        } catch (const marlune::Error& e) {
            EXPECT_STREQ(e.what(), "Table1: Index 'Nope' not found");
        }
    }
}
