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

} // namespace
} // namespace marlune::report
