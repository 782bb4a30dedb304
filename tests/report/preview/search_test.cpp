#include "samplepages.h"

#include "report/preview/previewsearch.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace marlune::report::preview {
namespace {

// The text outputs of a page come back whole and in the order the views
// were output, though memos place their characters one at a time.
TEST(PageText, OneRecordPerLineInOutputOrder)
{
    PreparedPages pages = test::ListPages(1, 3);
    const std::vector<TextRecord> records = PageText(pages, 0);
    std::vector<QString> texts;
    for (const TextRecord& record : records) {
        texts.push_back(record.text);
    }
    const std::vector<QString> expected = {"Post Code",
                                           "Suburb",
                                           "State",
                                           "Comments",
                                           "800",
                                           "Abbotsford 0",
                                           "NSW",
                                           "Post Office Boxes",
                                           "801",
                                           "Bald Hills 0",
                                           "VIC",
                                           "802",
                                           "Carlton North 0",
                                           "QLD",
                                           "1 of 1"};
    EXPECT_EQ(texts, expected);
    // Positions are report units: the first row's postcode sits in its box.
    EXPECT_GE(records[4].box.left(), 20);
    EXPECT_LT(records[4].box.right(), 88);
    EXPECT_GE(records[4].box.top(), 46);
    EXPECT_LT(records[4].box.bottom(), 46 + 17);
    // Searching does not keep the views of pages that are not on screen.
    EXPECT_FALSE(pages[0].viewsLoaded);
}

TEST(FindText, CaseAndResumePosition)
{
    // Three rows a page: "Carlton North" is on the first page and the fourth.
    PreparedPages pages = test::ListPages(4, 3);
    auto hit = FindText(pages, "carlton", false, 0, 0);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->page, 0);
    hit = FindText(pages, "carlton", false, hit->page, hit->record + 1);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->page, 3);
    EXPECT_EQ(hit->recordBox.top(), hit->matchBox.top());
    EXPECT_FALSE(FindText(pages, "carlton", true, 0, 0));
    EXPECT_FALSE(FindText(pages, "carlton", false, hit->page, hit->record + 1));
}

} // namespace
} // namespace marlune::report::preview
