#include "../support/scratchdir.h"
#include "platform/error.h"
#include "support.h"
#include "table/tablereader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include <unistd.h>

using namespace marlune::table;
using namespace marlune::table::testing;

namespace {

std::string LoadError(MemTableBase& t, const std::string& bytes)
{
    MemoryStream s(bytes);
    try {
        t.ReadTableStream(s);
    } catch (const marlune::Error& e) {
        return e.what();
    }
    return "(no error)";
}

// After any load the controls are enabled and the lock is free.
void ExpectUsable(const MemTableBase& t)
{
    EXPECT_FALSE(t.ControlsDisabled());
    EXPECT_TRUE(LockIsFree(t));
    EXPECT_NE(t.State(), DataSetState::dsLoad);
}

std::vector<std::string> Column(MemTableBase& t, const std::string& field)
{
    std::vector<std::string> out;
    t.DisableControls();
    for (t.First(); !t.Eof(); t.Next()) {
        out.push_back(t.FieldByName(field).IsNull() ? "<null>" : t.FieldByName(field).AsString());
    }
    t.EnableControls();
    return out;
}

const std::string kOConnor = "O\x92"
                             "CONNOR";

} // namespace

TEST(DataFileReader, ReplacesTheTableWithTheFilesFieldsAndRecords)
{
    MemTable t;
    Load(t, NumberedRecords(7));
    t.Last();
    EXPECT_EQ(LoadError(t, PostcodeFile({{"2000", "SYDNEY", "NSW", "", "SYDNEY"},
                                         {"3000", "MELBOURNE", "VIC", std::nullopt, "MELB"}})),
              "(no error)");
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_EQ(t.FieldByName("Locality").AsString(), "SYDNEY");
    EXPECT_FALSE(t.FieldByName("Comments").IsNull());
    EXPECT_EQ(Column(t, "Comments"), (std::vector<std::string>{"", "<null>"}));
    EXPECT_EQ(Column(t, "State"), (std::vector<std::string>{"NSW", "VIC"}));
    EXPECT_EQ(t.FieldByName("Pcode").DisplayWidth(), 9);
    ExpectUsable(t);
}

TEST(DataFileReader, EmptyDefinitionListAddsAfterTheRecordsThere)
{
    MemTable t;
    Load(t, NumberedRecords(3));
    t.Next();
    EXPECT_EQ(LoadError(t, PostcodeFile(NumberedRecords(2), 251, false)), "(no error)");
    EXPECT_EQ(t.RecordCount(), 5);
    EXPECT_EQ(t.RecNo(), 2); // the current record stays
    EXPECT_EQ(Column(t, "Pcode"), (std::vector<std::string>{"1", "2", "3", "1", "2"}));
    EXPECT_EQ(t.Store().RecordAt(4)->identity, 4);
}

TEST(DataFileReader, TextTagsAreAllRead)
{
    TableFile f;
    f.Signature().Int(251).PostcodeDefs().ListBegin().ListEnd().ListBegin();
    // One record per text encoding of Locality.
    auto record = [&](auto&& writeLocality) {
        f.ListBegin().Int(0).Bool(false).Text("1").Bool(false);
        writeLocality();
        f.Bool(true).Bool(true).Bool(true).ListEnd();
    };
    record([&] { f.Text(kOConnor); });
    record([&] { f.LText(kOConnor); });
    record([&] { f.WText(u"O\u2019CONNOR"); });
    record([&] {
        f.Utf8Text("O\xE2\x80\x99"
                   "CONNOR");
    });
    record([&] { f.Utf8Text("Z\xC3\xBCRICH"); });
    record([&] { f.WText(u"\u0416"); }); // not in the code page
    f.ListEnd();
    MemTable t;
    t.Open();
    EXPECT_EQ(LoadError(t, f.Bytes()), "(no error)");
    EXPECT_EQ(Column(t, "Locality"),
              (std::vector<std::string>{kOConnor, kOConnor, kOConnor, kOConnor, "Z\xFCRICH", "?"}));
}

TEST(DataFileReader, LongTextIsCutToTheFieldSize)
{
    MemTable t;
    t.Open();
    const std::string seventy(70, 'L');
    EXPECT_EQ(LoadError(t, PostcodeFile({{"1234567", seventy, "S", "C", "D"}})), "(no error)");
    EXPECT_EQ(t.FieldByName("Locality").AsString(), std::string(64, 'L'));
    EXPECT_EQ(t.FieldByName("Pcode").AsString(), "12345");
}

TEST(DataFileReader, IntegerTagsAndSignExtension)
{
    for (int tag : {2, 3, 4}) {
        TableFile f;
        f.Signature();
        if (tag == 2) {
            f.Int8(100); // version 100 would mean no indexes; use a list-less form below
        } else if (tag == 3) {
            f.Int16(251);
        } else {
            f.Int32(251);
        }
        if (tag == 2) {
            // Version 100 written as an integer: plain records, no null flags.
            f.ListBegin().FieldDef("N", "Integer", 0, 100).ListEnd();
            f.ListBegin().Int8(-5).Int16(-300).Int32(-70000).Int32(2147483647).ListEnd();
        } else {
            f.ListBegin().FieldDef("N", "Integer", 0, 251).ListEnd().ListBegin().ListEnd();
            f.ListBegin();
            for (int v : {-5, -300, -70000, 2147483647}) {
                f.ListBegin().Int(0).Bool(false).Int(v).ListEnd();
            }
            f.ListEnd();
        }
        MemTableBase t;
        EXPECT_EQ(LoadError(t, f.Bytes()), "(no error)") << tag;
        EXPECT_EQ(Column(t, "N"), (std::vector<std::string>{"-5", "-300", "-70000", "2147483647"}))
            << tag;
    }
}

TEST(DataFileReader, VersionHundredHasNoVersionIndexesOrNullFlags)
{
    TableFile f;
    f.Signature(); // tag 1 follows at once: version 100
    f.PostcodeDefs(100);
    f.ListBegin();
    f.Values({"2600", "CANBERRA", "ACT", "", "CANBERRA"}, 100);
    f.Values({"2601", "ACTON", "ACT", "", "X"}, 100);
    f.ListEnd();
    MemTable t;
    EXPECT_EQ(LoadError(t, f.Bytes()), "(no error)");
    EXPECT_EQ(Column(t, "Locality"), (std::vector<std::string>{"CANBERRA", "ACTON"}));
    EXPECT_EQ(t.RecordOrderCount(), 1);
}

TEST(DataFileReader, VersionsDecideWhatEachPartHolds)
{
    // 200: index list, plain records without status.
    {
        TableFile f;
        f.Signature().Int(200).PostcodeDefs(200).ListBegin().ListEnd().ListBegin();
        f.Values({"1", "A", "B", "C", "D"}, 200).ListEnd();
        MemTable t;
        EXPECT_EQ(LoadError(t, f.Bytes()), "(no error)");
        EXPECT_EQ(t.FieldByName("DeliveryOffice").AsString(), "D");
    }
    // 230: records are lists with a status, values without null flags.
    {
        TableFile f;
        f.Signature().Int(230).PostcodeDefs(230).ListBegin().ListEnd().ListBegin();
        f.Record({"1", "A", "B", "C", "D"}, 230, 1).ListEnd();
        MemTable t;
        EXPECT_EQ(LoadError(t, f.Bytes()), "(no error)");
        EXPECT_EQ(t.CurrentUpdateStatus(), usModified);
        EXPECT_EQ(t.FieldByName("Comments").AsString(), "C");
    }
    // 250: a kind name; 249: null flags but no kind.
    {
        TableFile f;
        f.Signature().Int(250).ListBegin();
        f.FieldDef("A", "String", 3, 250, "Label A", 12, true, true, "Data");
        f.FieldDef("B", "String", 3, 250, "", 4, false, false, "Calculated");
        f.FieldDef("C", "String", 3, 250, "", 4, false, false, "Something");
        f.ListEnd().ListBegin().ListEnd().ListBegin();
        f.Record({"x", std::nullopt, "z"}, 250).ListEnd();
        MemTableBase t;
        EXPECT_EQ(LoadError(t, f.Bytes()), "(no error)");
        ASSERT_EQ(t.FieldCount(), 3);
        EXPECT_EQ(t.Fields(0).DisplayLabel(), "Label A");
        EXPECT_EQ(t.Fields(0).DisplayName(), "Label A");
        EXPECT_EQ(t.Fields(0).DisplayWidth(), 12);
        EXPECT_TRUE(t.Fields(0).Required());
        EXPECT_TRUE(t.Fields(0).ReadOnly());
        EXPECT_EQ(t.Fields(1).Kind(), FieldKind::fkCalculated);
        EXPECT_EQ(t.Fields(2).Kind(), FieldKind::fkData); // unknown kind name
        EXPECT_EQ(t.Fields(0).AsString(), "x");
        EXPECT_TRUE(t.Fields(1).IsNull());
        EXPECT_EQ(t.Fields(2).AsString(), "z");
        EXPECT_EQ(t.Store().Layout().calcSize, 1 + 4);
        EXPECT_EQ(t.FieldDefs().size(), 2u); // only the data fields define the structure
    }
}

TEST(DataFileReader, OlderVersionsAreChained)
{
    TableFile f;
    f.Signature().Int(251).PostcodeDefs().ListBegin().ListEnd().ListBegin();
    f.ListBegin().Int(1).Values({"3", "NEW", "S", "C", "D"});
    f.Int(2).Values({"2", "MIDDLE", "S", "C", "D"});
    f.Int(0).Values({"1", "OLD", "S", "C", "D"}).ListEnd();
    f.ListEnd();
    MemTable t;
    EXPECT_EQ(LoadError(t, f.Bytes()), "(no error)");
    ASSERT_EQ(t.RecordCount(), 1);
    const Record* r = t.Store().RecordAt(0);
    EXPECT_EQ(r->updateStatus, usModified);
    ASSERT_NE(r->olderVersion, nullptr);
    EXPECT_EQ(r->olderVersion->updateStatus, usInserted);
    ASSERT_NE(r->olderVersion->olderVersion, nullptr);
    EXPECT_EQ(r->olderVersion->olderVersion->updateStatus, usUnmodified);
    EXPECT_EQ(r->olderVersion->olderVersion->olderVersion, nullptr);
    EXPECT_EQ(t.FieldByName("Locality").AsString(), "NEW");
    EXPECT_EQ(t.Store().BlockBytesInUse(), 3u * static_cast<std::size_t>(t.Store().RecordSize()));
}

TEST(DataFileReader, DeletedRecordIsStoredButHidden)
{
    MemTable t;
    t.Open();
    EXPECT_EQ(LoadError(t, PostcodeFile(NumberedRecords(3), 251, true, {0, 3, 0})), "(no error)");
    EXPECT_EQ(t.Store().RecordCount(), 3);
    EXPECT_EQ(t.Store().DeletedCount(), 1);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(Column(t, "Pcode"), (std::vector<std::string>{"1", "3"}));
    EXPECT_FALSE(t.Locate("Pcode", "2", 0));
}

TEST(DataFileReader, NumbersOfEveryKind)
{
    TableFile f;
    f.Signature().Int(251).ListBegin();
    f.FieldDef("Fl", "Float", 0).FieldDef("Cu", "Currency", 0).FieldDef("Da", "DateTime", 0);
    f.FieldDef("Li", "LargeInt", 0).FieldDef("Bo", "Boolean", 0).FieldDef("Sm", "SmallInt", 0);
    f.FieldDef("Wo", "Word", 0).FieldDef("Au", "AutoInc", 0).FieldDef("Bc", "BCD", 0);
    f.ListEnd().ListBegin().ListEnd().ListBegin();
    auto rec = [&](double fl, double cu, double da, double li, bool bo, int sm, int wo, int au) {
        f.ListBegin().Int(0);
        f.Bool(false).Extended(fl).Bool(false).Extended(cu).Bool(false).Extended(da);
        f.Bool(false).Extended(li).Bool(false).Bool(bo).Bool(false).Int(sm);
        f.Bool(false).Int(wo).Bool(false).Int(au).Bool(false).Int(7);
        f.ListEnd();
    };
    rec(1.5, 2.71828, 38692.5, 1e12, true, -2, 65535, 41);
    rec(-0.25, 0, 0, -3, false, 3, 1, 12);
    f.ListEnd();
    MemTableBase t;
    ASSERT_EQ(LoadError(t, f.Bytes()), "(no error)");
    EXPECT_DOUBLE_EQ(t.FieldByName("Fl").AsFloat(), 1.5);
    EXPECT_DOUBLE_EQ(t.FieldByName("Cu").AsFloat(), 2.7183); // ten-thousandths, rounded
    EXPECT_EQ(t.FieldByName("Da").AsString(), "06/12/2005 12:00:00");
    EXPECT_EQ(t.FieldByName("Li").AsInteger(), 1000000000000);
    EXPECT_TRUE(t.FieldByName("Bo").AsBoolean());
    EXPECT_EQ(t.FieldByName("Sm").AsInteger(), -2);
    EXPECT_EQ(t.FieldByName("Wo").AsInteger(), 65535);
    EXPECT_EQ(t.FieldByName("Bc").AsFloat(), 7.0); // an integer read as a number
    t.Next();
    EXPECT_DOUBLE_EQ(t.FieldByName("Fl").AsFloat(), -0.25);
    EXPECT_TRUE(t.FieldByName("Da").IsNull()); // 0 means no date
    EXPECT_FALSE(t.FieldByName("Cu").IsNull());
    EXPECT_FALSE(t.FieldByName("Bo").AsBoolean());
    EXPECT_EQ(t.MaxAutoIncValue(), 41);
}

TEST(DataFileReader, BooleanPositionConsumesOnlyTheTag)
{
    // Version 240: records with status, no null flags. The Boolean field holds
    // tag 4, whose four following bytes are read as the next value.
    TableFile f;
    f.Signature().Int(240).ListBegin();
    f.FieldDef("Flag", "Boolean", 0, 240).FieldDef("Name", "String", 10, 240);
    f.ListEnd().ListBegin().ListEnd().ListBegin();
    f.ListBegin().Int(0).Tag(4).Text("hi").ListEnd();
    f.ListBegin().Int(0).Tag(9).Text("yes").ListEnd();
    f.ListBegin().Int(0).Tag(6).Text("no").ListEnd();
    f.ListEnd();
    MemTableBase t;
    ASSERT_EQ(LoadError(t, f.Bytes()), "(no error)");
    EXPECT_EQ(Column(t, "Flag"), (std::vector<std::string>{"False", "True", "False"}));
    EXPECT_EQ(Column(t, "Name"), (std::vector<std::string>{"hi", "yes", "no"}));
}

TEST(DataFileReader, ExtendedPrecisionConversion)
{
    auto ext = [](std::uint64_t mantissa, unsigned signExponent) {
        std::uint8_t b[10];
        for (int i = 0; i < 8; ++i) {
            b[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
        }
        b[8] = static_cast<std::uint8_t>(signExponent);
        b[9] = static_cast<std::uint8_t>(signExponent >> 8);
        return ValueReader::ExtendedToDouble(b);
    };
    EXPECT_EQ(ext(0x8000000000000000ull, 16383), 1.0);
    EXPECT_EQ(ext(0xA000000000000000ull, 0x8000 | 16384), -2.5);
    EXPECT_EQ(ext(0xC000000000000000ull, 16383 - 2), 0.375);
    EXPECT_EQ(ext(0, 0), 0.0);
    EXPECT_TRUE(std::signbit(ext(0, 0x8000)));
    EXPECT_EQ(ext(0x8000000000000000ull, 0x7FFF), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(ext(0xC000000000000000ull, 0x7FFF)));
    EXPECT_EQ(ext(0x8000000000000000ull, 16383 + 2000), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ext(0x8000000000000000ull, 1), 0.0); // far below the smallest double
}

TEST(DataFileReader, ZeroByteFileLeavesTheTableAsItWas)
{
    MemTable t;
    DataSource ds(&t);
    CountingObserver o;
    ds.AddObserver(&o);
    Load(t, NumberedRecords(4));
    t.Next();
    o.Reset();
    EXPECT_EQ(LoadError(t, ""), "(no error)");
    EXPECT_EQ(t.RecordCount(), 4);
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(o.Total(), 1);
    ExpectUsable(t);
}

TEST(DataFileReader, NotTpf0IsAnInvalidStreamFormat)
{
    MemTable t;
    Load(t, NumberedRecords(4));
    EXPECT_EQ(LoadError(t, "TPF1\x02\x01"), "Invalid stream format");
    EXPECT_EQ(LoadError(t, "PK\x03\x04 a zip file"), "Invalid stream format");
    EXPECT_EQ(LoadError(t, "TP"), "Stream read error");
    EXPECT_EQ(t.RecordCount(), 4);
    EXPECT_EQ(t.FieldByName("Pcode").AsString(), "1");
    ExpectUsable(t);
}

TEST(DataFileReader, CutOffInTheTenthRecordKeepsNine)
{
    const std::string full = PostcodeFile(NumberedRecords(12));
    const std::string nine = PostcodeFile(NumberedRecords(9));
    // nine ends with the record list's end tag; cut a little into record ten.
    const std::string cut = full.substr(0, nine.size() - 1 + 9);
    MemTable t;
    DataSource ds(&t);
    CountingObserver o;
    ds.AddObserver(&o);
    t.Open();
    o.Reset();
    EXPECT_EQ(LoadError(t, cut), "Stream read error");
    EXPECT_EQ(o.events, std::vector<std::string>{"layout"});
    EXPECT_EQ(t.RecordCount(), 9);
    EXPECT_EQ(Column(t, "Pcode").back(), "9");
    ExpectUsable(t);
    // Every cut of a small file fails cleanly.
    for (std::size_t n = 1; n < full.size(); ++n) {
        MemTable u;
        u.Open();
        const std::string e = LoadError(u, full.substr(0, n));
        EXPECT_TRUE(e == "Stream read error" || e == "Table1: Cannot perform this operation on "
                                                     "a closed dataset")
            << n << ": " << e;
        ExpectUsable(u);
    }
}

TEST(DataFileReader, WrongTagIsAnInvalidPropertyValue)
{
    TableFile f;
    f.Signature().Int(251).PostcodeDefs().ListBegin().ListEnd().ListBegin();
    f.Record({"1", "A", "B", "C", "D"});
    f.ListBegin().Text("not a status");
    MemTable t;
    EXPECT_EQ(LoadError(t, f.Bytes()), "Invalid property value");
    EXPECT_EQ(t.RecordCount(), 1);
    ExpectUsable(t);
    // A version that is no integer; a text where an integer belongs.
    EXPECT_EQ(LoadError(t, "TPF0\x06\x01x"), "Invalid property value");
    EXPECT_EQ(t.RecordCount(), 1);
    TableFile g;
    g.Signature().Int(251).PostcodeDefs().ListBegin().ListEnd().ListBegin();
    g.ListBegin().Int(0).Bool(false).Int(5); // an integer where a text belongs
    EXPECT_EQ(LoadError(t, g.Bytes()), "Invalid property value");
    EXPECT_EQ(t.RecordCount(), 0);
    // A status outside 0..3.
    TableFile h;
    h.Signature().Int(251).PostcodeDefs().ListBegin().ListEnd().ListBegin();
    h.Record({"1", "A", "B", "C", "D"}, 251, 259).ListEnd();
    EXPECT_EQ(LoadError(t, h.Bytes()), "Invalid property value");
    EXPECT_EQ(t.Store().DeletedCount(), 0);
}

TEST(DataFileReader, BadFirstFieldDefinitionLeavesTheTableClosedWithoutFields)
{
    const std::string closed = "Table1: Cannot perform this operation on a closed dataset";
    for (int variant = 0; variant < 3; ++variant) {
        TableFile f;
        f.Signature().Int(251).ListBegin();
        if (variant == 0) {
            f.Text("Pcode")
                .Text("Nonsense")
                .Int(5)
                .Text("")
                .Text("")
                .Int(0)
                .Bool(0)
                .Bool(0)
                .Text("Data")
                .Text("");
        } else if (variant == 1) {
            f.Text("Pcode").Int(1);
        } else {
            f.Text("Pcode").Text("String");
        }
        MemTable t;
        DataSource ds(&t);
        CountingObserver o;
        ds.AddObserver(&o);
        Load(t, NumberedRecords(3));
        o.Reset();
        EXPECT_EQ(LoadError(t, f.Bytes()), closed) << variant;
        EXPECT_FALSE(t.Active());
        EXPECT_EQ(t.FieldCount(), 0);
        EXPECT_EQ(o.events, std::vector<std::string>{"close"});
        ExpectUsable(t);
    }
}

TEST(DataFileReader, LaterBadTypeReopensWithTheEarlierDefinitions)
{
    TableFile f;
    f.Signature().Int(251).ListBegin();
    f.FieldDef("Pcode", "String", 5).FieldDef("Locality", "String", 64);
    f.FieldDef("Odd", "Guid", 38).FieldDef("State", "String", 32).ListEnd();
    MemTable t;
    Load(t, NumberedRecords(3));
    EXPECT_EQ(LoadError(t, f.Bytes()), "Unknown field type (Guid)");
    EXPECT_TRUE(t.Active());
    ASSERT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.Fields(1).FieldName(), "Locality");
    EXPECT_EQ(t.RecordCount(), 0);
    ExpectUsable(t);
    TableFile g;
    g.Signature().Int(251).ListBegin().FieldDef("A", "String", 5).FieldDef("W", "WideString", 5);
    EXPECT_EQ(LoadError(t, g.Bytes()), "Unknown field type (WideString)");
    EXPECT_EQ(t.FieldCount(), 1);
    TableFile h;
    h.Signature().Int(251).ListBegin().FieldDef("A", "String", 5).FieldDef("B", "string", 5);
    EXPECT_EQ(LoadError(t, h.Bytes()), "Unknown field type (string)"); // case matters
}

TEST(DataFileReader, AcceptedTypeWithoutStorageFailsTheReopen)
{
    TableFile f;
    f.Signature().Int(251).ListBegin().FieldDef("A", "String", 5).FieldDef("S", "ADT", 0);
    f.ListEnd();
    MemTable t;
    t.Open();
    EXPECT_EQ(LoadError(t, f.Bytes()), "Table1: Cannot perform this operation on a closed dataset");
    EXPECT_FALSE(t.Active());
    ExpectUsable(t);
}

TEST(DataFileReader, AbsurdSizesFailWithoutAllocating)
{
    MemTable t;
    t.Open();
    // A long text whose length runs far past the end of the file.
    TableFile f;
    f.Signature().Int(251).PostcodeDefs().ListBegin().ListEnd().ListBegin();
    f.ListBegin().Int(0).Bool(false).Tag(12).Raw("\xFF\xFF\xFF\x7F").Raw("abc");
    EXPECT_EQ(LoadError(t, f.Bytes()), "Stream read error");
    TableFile g;
    g.Signature().Int(251).PostcodeDefs().ListBegin().ListEnd().ListBegin();
    g.ListBegin().Int(0).Bool(false).Tag(18).Raw("\xFF\xFF\xFF\xFF").Raw("abc");
    EXPECT_EQ(LoadError(t, g.Bytes()), "Stream read error");
    // A field of an impossible size.
    TableFile h;
    h.Signature()
        .Int(251)
        .ListBegin()
        .FieldDef("A", "String", 5)
        .FieldDef("B", "String", 2000000000);
    EXPECT_EQ(LoadError(t, h.Bytes()), "Invalid field size");
    EXPECT_EQ(t.FieldCount(), 1);
    TableFile k;
    k.Signature().Int(251).ListBegin().FieldDef("A", "String", -1);
    EXPECT_NE(LoadError(t, k.Bytes()), "(no error)");
    ExpectUsable(t);
}

TEST(DataFileReader, IndexDefinitionsBuildOrders)
{
    TableFile f;
    f.Signature().Int(251).PostcodeDefs().ListBegin();
    f.Text("ix").Text("Locality").Text("ByLocality").Bool(false).Bool(true).Bool(false).Bool(false);
    f.Text("ix2")
        .Text("State;Pcode")
        .Text("ByState")
        .Bool(true)
        .Bool(false)
        .Bool(false)
        .Bool(false);
    f.ListEnd().ListBegin();
    f.Record({"1", "banana", "NSW", "", ""}).Record({"2", "Apple", "VIC", "", ""});
    f.Record({"3", "cherry", "NSW", "", ""}).ListEnd();
    MemTable t;
    ASSERT_EQ(LoadError(t, f.Bytes()), "(no error)");
    ASSERT_EQ(t.RecordOrderCount(), 3);
    EXPECT_EQ(t.CurrentOrder().name, "__ROWORDER__");
    EXPECT_EQ(t.RecordOrders(1).name, "ByLocality");
    auto ids = [&](int order) {
        std::vector<int> v;
        for (const Record* r : t.RecordOrders(order).records) {
            v.push_back(r->identity);
        }
        return v;
    };
    EXPECT_EQ(ids(0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ids(1), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(ids(2), (std::vector<int>{1, 2, 0})); // descending state, then pcode
    EXPECT_EQ(Column(t, "Pcode"), (std::vector<std::string>{"1", "2", "3"}));
}

TEST(DataFileReader, UniqueIndexWithRepeatingKeysIsRefused)
{
    TableFile f;
    f.Signature().Int(251).PostcodeDefs().ListBegin();
    f.Text("u").Text("State").Text("UniqueState").Bool(false).Bool(false).Bool(false).Bool(true);
    f.ListEnd().ListBegin();
    f.Record({"1", "A", "NSW", "", ""}).Record({"2", "B", "VIC", "", ""});
    f.Record({"3", "C", "NSW", "", ""}).ListEnd();
    MemTable t;
    DataSource ds(&t);
    CountingObserver o;
    ds.AddObserver(&o);
    t.Open();
    o.Reset();
    EXPECT_EQ(LoadError(t, f.Bytes()), "Duplicate index value. Operation aborted.");
    ExpectUsable(t);
    EXPECT_EQ(o.Total(), 1);
    // The records stay, in file order; the refused index is gone.
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(t.RecordOrderCount(), 1);
    EXPECT_TRUE(t.IndexDefs().empty());
    EXPECT_TRUE(t.Locate("Locality", "c", loCaseInsensitive));
    EXPECT_EQ(t.RecNo(), 3);
}

TEST(DataFileReader, ProgressEveryHundredRecords)
{
    MemTable t;
    std::vector<int> progress;
    t.OnProgress = [&](MemTableBase&, int p) { progress.push_back(p); };
    Load(t, NumberedRecords(250));
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_GT(progress[1], 30);
    EXPECT_LT(progress[1], progress[2]);
    EXPECT_LT(progress[2], 100);
    EXPECT_EQ(progress.back(), 100);
    progress.clear();
    EXPECT_EQ(LoadError(t, "bad!"), "Invalid stream format");
    EXPECT_EQ(progress, (std::vector<int>{0, 100}));
}

TEST(DataFileReader, LoadLimitStopsStoring)
{
    MemTable t;
    t.SetLoadLimit(3);
    Load(t, NumberedRecords(10));
    EXPECT_EQ(t.RecordCount(), 3);
    EXPECT_FALSE(t.LoadedCompletely());
    EXPECT_EQ(t.LoadedCount(), 3);
    EXPECT_EQ(t.Store().BlockBytesInUse(), 3u * static_cast<std::size_t>(t.Store().RecordSize()));
}

TEST(DataFileReader, RecordMemoryIsTakenAsEstimatedAndTheRestGivenBack)
{
    MemTable t;
    t.Open();
    const std::string bytes = PostcodeFile(NumberedRecords(20000));
    MemoryStream s(bytes);
    t.ReadTableStream(s);
    ASSERT_EQ(t.RecordCount(), 20000);
    EXPECT_GE(t.Store().Capacity(), 20000u);
    // Whatever the estimate took beyond the records went back to the system:
    // at most a partly used first chunk and the ends of chunks remain.
    EXPECT_LE(t.Store().ChunkBytes(), t.Store().BlockBytesInUse() + 128 * 1024);
    // A second load into the same table estimates again from scratch.
    MemoryStream again(bytes);
    t.ReadTableStream(again);
    EXPECT_EQ(t.RecordCount(), 20000);
    EXPECT_LE(t.Store().ChunkBytes(), t.Store().BlockBytesInUse() + 128 * 1024);
}

TEST(DataFileReader, FileWithAHugeSparseTailLoadsItsRecords)
{
    // The records end long before the file does: the estimate of what is to
    // come must not turn the tail's size into a huge allocation.
    const marlune::test::ScratchDir dir("marlune-reader");
    const std::string path = dir.File("sparse_tail.dat");
    {
        std::ofstream out(path, std::ios::binary);
        out << PostcodeFile(NumberedRecords(300));
    }
    if (::truncate(path.c_str(), std::int64_t{1} << 40) != 0) {
        GTEST_SKIP() << "no sparse file of 1 TB here";
    }
    MemTable t;
    t.Open();
    t.LoadTableFile(path);
    EXPECT_EQ(t.RecordCount(), 300);
    t.Last();
    EXPECT_EQ(t.FieldByName("Locality").AsString(), "PLACE 300");
    EXPECT_LE(t.Store().ChunkBytes(), t.Store().BlockBytesInUse() + 128 * 1024);
}

TEST(DataFileReader, LoadTableFileOpensAndClosesTheFile)
{
    MemTable t;
    Load(t, NumberedRecords(2));
    try {
        t.LoadTableFile("/nonexistent/dir/none.dat");
        FAIL() << "no error";
    } catch (const marlune::Error& e) {
        EXPECT_STREQ(e.what(), "Cannot open file /nonexistent/dir/none.dat");
    }
    EXPECT_EQ(t.RecordCount(), 2);
    const marlune::test::ScratchDir dir("marlune-reader");
    const std::string path = dir.File("three.dat");
    {
        std::ofstream out(path, std::ios::binary);
        out << PostcodeFile(NumberedRecords(3));
    }
    int loads = 0;
    t.OnLoad = [&](MemTableBase&) { ++loads; };
    t.LoadTableFile(path);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(t.RecordCount(), 3);
    // The file is closed again: an exclusive lock can be taken at once.
    FileStream again(path);
    EXPECT_EQ(again.Size(), static_cast<std::int64_t>(PostcodeFile(NumberedRecords(3)).size()));
    try {
        t.LoadTableFile(dir.Path().string());
        FAIL() << "a directory opened";
    } catch (const marlune::Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.Path().string());
    }
}

TEST(Streams, FileStreamReadsInPieces)
{
    const marlune::test::ScratchDir dir("marlune-stream");
    const std::string path = dir.File("stream.bin");
    std::string bytes(40000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    FileStream f(path);
    EXPECT_EQ(f.Size(), 40000);
    std::string got(30000, '\0');
    EXPECT_EQ(f.Read(got.data(), got.size()), 30000u);
    EXPECT_EQ(f.Position(), 30000);
    EXPECT_EQ(f.Read(got.data(), got.size()), 10000u);
    EXPECT_EQ(got.substr(0, 10000), bytes.substr(30000));
    EXPECT_EQ(f.Read(got.data(), 1), 0u);
    f.Seek(5);
    char c = 0;
    EXPECT_EQ(f.Read(&c, 1), 1u);
    EXPECT_EQ(c, bytes[5]);
    std::remove(path.c_str());

    MemoryStream m(std::string("abc"));
    MemoryStream moved(std::move(m));
    char buf[4] = {};
    EXPECT_EQ(moved.Read(buf, 4), 3u);
    EXPECT_STREQ(buf, "abc");
    const std::string keep = "xyz";
    MemoryStream view = MemoryStream::View(keep);
    EXPECT_EQ(view.Size(), 3);
}

TEST(DataFileReader, WideEmptyRecordsCannotTakeUnboundedMemory)
{
    // One field of 8192 characters and 20,000 records of five bytes each:
    // 164 MB of records from a 100 kB file.
    TableFile f;
    f.Signature().Int(251).ListBegin().FieldDef("Wide", "String", 8192).ListEnd();
    f.ListBegin().ListEnd().ListBegin();
    for (int i = 0; i < 20000; ++i) {
        f.ListBegin().Int(0).Bool(true).ListEnd();
    }
    f.ListEnd();
    MemTableBase t;
    EXPECT_EQ(LoadError(t, f.Bytes()), "Out of memory");
    EXPECT_GT(t.RecordCount(), 1000); // as far as the load came
    EXPECT_LT(t.Store().BlockBytesInUse(), 100u * 1024 * 1024);
    ExpectUsable(t);
}
