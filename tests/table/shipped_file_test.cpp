#include "support.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace marlune::table;
using namespace marlune::table::testing;

// The data file that the build writes from the committed postcode list.
class ShippedDataFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::ifstream(marlune::table::testing::ShippedFile()).good())
            << "the build writes " << marlune::table::testing::ShippedFile();
        t.SetBufferCount(20);
        t.Open();
        t.LoadTableFile(marlune::table::testing::ShippedFile());
    }
    MemTable t;
};

TEST_F(ShippedDataFile, LoadsEveryRecordInFileOrder)
{
    EXPECT_EQ(t.RecordCount(), 18545);
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_EQ(t.FieldByName("Pcode").AsString(), "0200");
    EXPECT_EQ(t.FieldByName("Locality").AsString(), "ANU");
    EXPECT_EQ(t.WindowRecordCount(), 20);
    ASSERT_EQ(t.FieldCount(), 5);
    EXPECT_EQ(t.Fields(0).FieldName(), "Pcode");
    EXPECT_EQ(t.Fields(4).FieldName(), "DeliveryOffice");
    EXPECT_EQ(t.Fields(0).DisplayWidth(), 9);
    EXPECT_EQ(t.Store().DeletedCount(), 0);
}

TEST_F(ShippedDataFile, KeepsWindows1252Text)
{
    ASSERT_TRUE(t.Locate("Locality",
                         "O\x92"
                         "CONNOR",
                         loCaseInsensitive));
    EXPECT_EQ(t.FieldByName("Locality").AsString(), "O\x92"
                                                    "CONNOR");
    EXPECT_TRUE(t.Locate("Locality",
                         "o\x92"
                         "con",
                         loCaseInsensitive | loPartialKey));
}

TEST_F(ShippedDataFile, SearchesFindTheFirstMatchInFileOrder)
{
    auto firstMatch = [&](const std::string& field, const std::string& prefix) {
        // The same answer by walking the table.
        int place = 0;
        t.DisableControls();
        for (t.First(); !t.Eof(); t.Next()) {
            ++place;
            std::string v = t.FieldByName(field).AsString();
            if (t.FieldByName(field).IsNull() || v.size() < prefix.size()) {
                continue;
            }
            bool same = true;
            for (std::size_t i = 0; i < prefix.size() && same; ++i) {
                same = std::tolower(static_cast<unsigned char>(v[i])) ==
                       std::tolower(static_cast<unsigned char>(prefix[i]));
            }
            if (same) {
                break;
            }
        }
        const int result = t.Eof() ? -1 : place;
        t.EnableControls();
        return result;
    };
    for (const char* prefix : {"syd", "mel", "b", "bon", "z", "wagga", "st k"}) {
        const int expected = firstMatch("Locality", prefix);
        ASSERT_GT(expected, 0) << prefix;
        EXPECT_TRUE(t.Locate("Locality", prefix, loCaseInsensitive | loPartialKey)) << prefix;
        EXPECT_EQ(t.RecNo(), expected) << prefix;
        EXPECT_EQ(t.ActiveRecord(), std::min(expected - 1, (20 - 1) / 2)) << prefix;
    }
    for (const char* prefix : {"2", "30", "6000", "08"}) {
        const int expected = firstMatch("Pcode", prefix);
        ASSERT_GT(expected, 0) << prefix;
        EXPECT_TRUE(t.Locate("PCode", prefix, loCaseInsensitive | loPartialKey)) << prefix;
        EXPECT_EQ(t.RecNo(), expected) << prefix;
    }
    const int before = t.RecNo();
    EXPECT_FALSE(t.Locate("Locality", "zzzq", loCaseInsensitive | loPartialKey));
    EXPECT_EQ(t.RecNo(), before);
    EXPECT_FALSE(t.Locate("PCode", "x", loCaseInsensitive | loPartialKey));
}

TEST_F(ShippedDataFile, LastRecordSitsInTheLastSlot)
{
    t.Last();
    EXPECT_EQ(t.RecNo(), 18545);
    EXPECT_EQ(t.ActiveRecord(), 19);
    const Bookmark last = t.GetBookmark();
    t.First();
    ASSERT_TRUE(t.GotoBookmark(last));
    EXPECT_EQ(t.RecNo(), 18545);
    EXPECT_EQ(t.ActiveRecord(), 19);
    EXPECT_EQ(t.WindowRecordCount(), 20);
    // Searching for all five of its values finds the first such record.
    std::vector<Variant> values;
    for (int i = 0; i < 5; ++i) {
        values.push_back(t.Fields(i).IsNull() ? Variant::Null() : Variant(t.Fields(i).AsString()));
    }
    t.First();
    ASSERT_TRUE(
        t.Locate("Pcode;Locality;State;Comments;DeliveryOffice", Variant::Array(values), 0));
    EXPECT_LE(t.RecNo(), 18545);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t.Fields(i).AsString(), values[static_cast<std::size_t>(i)].AsText());
    }
}
