#include "platform/error.h"
#include "report/pagelist.h"

#include <gtest/gtest.h>

namespace marlune::report {
namespace {

using Pages = std::vector<int>;

TEST(PageList, NumbersAndRangesSelectEachPageOnceInOrder)
{
    EXPECT_EQ(ParsePageList("1,3,5-12", 20), (Pages{1, 3, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(ParsePageList(" 1 , 3 ", 5), (Pages{1, 3}));
    EXPECT_EQ(ParsePageList("3,1,2-3", 5), (Pages{1, 2, 3}));
    EXPECT_EQ(ParsePageList("", 3), (Pages{1, 2, 3}));
    EXPECT_EQ(ParsePageList("   ", 2), (Pages{1, 2}));
    // A range that ends below its start, and pages beyond the last, add nothing.
    EXPECT_EQ(ParsePageList("5-3", 10), Pages{});
    EXPECT_EQ(ParsePageList("2,9,1-2000000000", 3), (Pages{1, 2, 3}));
    EXPECT_EQ(ParsePageList("3,1-2,2", 4), (Pages{1, 2, 3}));
    EXPECT_EQ(ParsePageList("0-2,9", 4), (Pages{1, 2}));
    EXPECT_EQ(ParsePageList("2-2", 4), Pages{2});
}

TEST(PageList, TextThatIsNotAWholeNumberIsRefused)
{
    for (const char* text : {"x", "1-x", "1,,2", "1.5", "-", "99999999999", "1-", "1-2-3"}) {
        EXPECT_THROW(ParsePageList(text, 5), Error) << text;
    }
    try {
        ParsePageList("1,a", 5);
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), "'a' is not a valid integer value");
    }
}

TEST(PageList, AListThatNamesNoPageSaysWhy)
{
    const struct {
        const char* list;
        int count;
        const char* why;
    } cases[] = {
        {"0", 344, "There is no page 0: the report has pages 1 to 344."},
        {" 999 ", 344, "There is no page 999: the report has pages 1 to 344."},
        {"5-3", 344, "The range 5-3 ends before it starts."},
        {"400-500,0", 344, "There is no page from 400 to 500: the report has pages 1 to 344."},
        {"2", 1, "There is no page 2: the report has one page."},
        {"1,999", 344, ""},
        {"", 344, ""},
        {"3-3", 4, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PageListNamesNoPage(c.list, c.count), c.why) << c.list;
        // Said exactly when the list selects nothing.
        EXPECT_EQ(ParsePageList(c.list, c.count).empty(), *c.why != '\0') << c.list;
    }
}

} // namespace
} // namespace marlune::report
