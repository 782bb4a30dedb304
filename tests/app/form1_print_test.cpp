// The Print command over the shipped list: the build runs in its progress
// window, the table comes back enabled on its last record.
#include "apptestbase.h"

#include "platform/cp1252.h"

#include <QToolButton>

#include <gtest/gtest.h>

namespace marlune::testing {
namespace {

class Form1PrintTest : public AppTestBase {};

TEST_F(Form1PrintTest, PrintBuildsTheWholeListAndLeavesTheTableOnItsLastRecord)
{
    CopyRealDataFile();
    ShowForm();
    ASSERT_TRUE(form_->Table1.Locate("Locality", std::string("syd"),
                                     table::loCaseInsensitive | table::loPartialKey));
    ASSERT_TRUE(form_->ToolButton3->isEnabled());
    form_->ToolButton3->click();
    ASSERT_EQ(MessageTexts(), std::vector<std::string>{"344 pages prepared."});
    EXPECT_FALSE(form_->Table1.ControlsDisabled());
    EXPECT_EQ(form_->Table1.RecNo(), form_->Table1.RecordCount());
}

} // namespace
} // namespace marlune::testing
