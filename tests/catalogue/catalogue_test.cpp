// The program's model as the window finds it: the components it owns and the
// search by suburb or postcode over the shipped list.
#include "catalogue/catalogue.h"
#include "cataloguetestbase.h"

#include "platform/error.h"

namespace marlune::testing {
namespace {

using catalogue::SearchField;
using CatalogueTest = CatalogueTestBase;

TEST_F(CatalogueTest, TableIsOpenWithItsFiveFieldsAndNoRecords)
{
    catalogue::Catalogue model;
    table::MemTable& table = model.Table();
    EXPECT_EQ(table.Name(), "Table1");
    EXPECT_EQ(model.Source().DataSet(), &table);
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 0);
    ASSERT_EQ(table.FieldCount(), 5);
    const char* names[] = {"Pcode", "Locality", "State", "Comments", "DeliveryOffice"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(table.Fields(i).FieldName(), names[i]);
    }
    EXPECT_TRUE(model.DataFileName().empty());
    EXPECT_TRUE(model.SettingsSaved());
}

TEST_F(CatalogueTest, LocateFindsTheFirstRecordWhoseChosenFieldBeginsWithTheText)
{
    CopyRealDataFile();
    catalogue::Catalogue model;
    ASSERT_TRUE(model.Start().loaded);
    table::MemTable& table = model.Table();
    const struct {
        SearchField field;
        const char* text;
        int expected; // 0: nothing matches and nothing moves
    } cases[] = {
        {SearchField::Suburb, "wag", FirstLocalityMatch("wag")},
        {SearchField::Suburb, "BoN", FirstLocalityMatch("bon")},
        {SearchField::Suburb, "bonq", 0},
        {SearchField::Suburb, "", FirstLocalityMatch("")},
        {SearchField::Postcode, "26", FirstPcodeMatch("26")},
        {SearchField::Postcode, "", FirstPcodeMatch("")},
        {SearchField::Postcode, "bon", 0},
    };
    const int before = FirstLocalityMatch("syd");
    ASSERT_GT(before, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        table.SetRecNo(before);
        EXPECT_EQ(model.Locate(c.field, c.text), c.expected != 0);
        EXPECT_EQ(table.RecNo(), c.expected != 0 ? c.expected : before);
    }
    table.Close();
    EXPECT_THROW(model.Locate(SearchField::Suburb, "a"), Error);
}

} // namespace
} // namespace marlune::testing
