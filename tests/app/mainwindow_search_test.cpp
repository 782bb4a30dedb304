// The search box: every change of its text moves the table to the first
// record, in file order, whose chosen field begins with the text.
#include "apptestbase.h"

#include "widgets/dbgrid.h"
#include "widgets/labelededit.h"

#include <QApplication>
#include <QClipboard>
#include <QRadioButton>
#include <QTest>

#include <cstring>

namespace marlune::testing {
namespace {

class MainWindowSearchTest : public AppTestBase {
protected:
    void SetUp() override
    {
        AppTestBase::SetUp();
        CopyRealDataFile();
        ShowForm();
        ASSERT_EQ(form_->Table1.RecordCount(), 18545);
        ASSERT_TRUE(messages_.empty());
    }
    int RecNo() const { return form_->Table1.RecNo(); }
    std::string Locality() const { return form_->Table1.FieldByName("Locality").AsString(); }
};

TEST_F(MainWindowSearchTest, EachTypedLetterFindsTheFirstSuburbBeginningWithTheText)
{
    int previous = 0;
    for (const char* text : {"b", "bo", "bon"}) {
        SCOPED_TRACE(text);
        QTest::keyClick(form_->searchEdit, text[std::strlen(text) - 1]);
        ASSERT_EQ(form_->searchEdit->text(), QString::fromLatin1(text));
        const int expected = FirstLocalityMatch(text);
        ASSERT_GT(expected, 0);
        EXPECT_EQ(RecNo(), expected);
        EXPECT_EQ(Locality(), *SourceRecords()[static_cast<std::size_t>(expected) - 1].locality);
        EXPECT_GE(expected, previous); // a longer prefix is found at or after the shorter
        previous = expected;
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowSearchTest, CaseOfTheTextDoesNotMatter)
{
    QTest::keyClicks(form_->searchEdit, "BoN");
    EXPECT_EQ(RecNo(), FirstLocalityMatch("bon"));
}

TEST_F(MainWindowSearchTest, TextMatchingNothingLeavesTheCurrentRecord)
{
    QTest::keyClicks(form_->searchEdit, "bon");
    const int found = RecNo();
    ASSERT_EQ(FirstLocalityMatch("bonq"), 0);
    QTest::keyClick(form_->searchEdit, 'q');
    EXPECT_EQ(form_->searchEdit->text(), QStringLiteral("bonq"));
    EXPECT_EQ(RecNo(), found);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowSearchTest, DeletingACharacterSearchesForTheShorterText)
{
    QTest::keyClicks(form_->searchEdit, "boa");
    const int longer = FirstLocalityMatch("boa");
    const int shorter = FirstLocalityMatch("bo");
    ASSERT_LT(shorter, longer); // so that the step back is visible
    EXPECT_EQ(RecNo(), longer);
    QTest::keyClick(form_->searchEdit, Qt::Key_Backspace);
    EXPECT_EQ(form_->searchEdit->text(), QStringLiteral("bo"));
    EXPECT_EQ(RecNo(), shorter);
}

TEST_F(MainWindowSearchTest, ClearingTheBoxGoesToTheFirstRecordWithASuburb)
{
    QTest::keyClicks(form_->searchEdit, "syd");
    ASSERT_GT(RecNo(), 1);
    form_->searchEdit->selectAll();
    QTest::keyClick(form_->searchEdit, Qt::Key_Delete);
    EXPECT_TRUE(form_->searchEdit->text().isEmpty());
    EXPECT_EQ(RecNo(), FirstLocalityMatch(""));
}

TEST_F(MainWindowSearchTest, EscapeEmptiesTheBoxAndOnlyThere)
{
    QTest::keyClicks(form_->searchEdit, "syd");
    const int found = RecNo();
    ASSERT_EQ(found, FirstLocalityMatch("syd"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    // In the grid Escape changes nothing.
    form_->grid->setFocus();
    QTest::keyClick(form_->grid, Qt::Key_Escape);
    EXPECT_EQ(form_->searchEdit->text(), QStringLiteral("syd"));
    EXPECT_EQ(RecNo(), found);
    form_->searchEdit->setFocus();
    QTest::keyClick(form_->searchEdit, Qt::Key_Escape);
    EXPECT_TRUE(form_->searchEdit->text().isEmpty());
    EXPECT_EQ(RecNo(), FirstLocalityMatch(""));
}

TEST_F(MainWindowSearchTest, PastedAndProgrammaticChangesSearchToo)
{
    QApplication::clipboard()->setText(QStringLiteral("Wag"));
    form_->searchEdit->setFocus();
    form_->searchEdit->paste();
    EXPECT_EQ(RecNo(), FirstLocalityMatch("wag"));
    form_->searchEdit->setText(QStringLiteral("darw"));
    EXPECT_EQ(RecNo(), FirstLocalityMatch("darw"));
}

TEST_F(MainWindowSearchTest, ByPostCodeSearchesThePostcodeField)
{
    QTest::mouseClick(form_->byPostcodeButton, Qt::LeftButton);
    ASSERT_TRUE(form_->byPostcodeButton->isChecked());
    QTest::keyClick(form_->searchEdit, '2');
    EXPECT_EQ(RecNo(), FirstPcodeMatch("2"));
    QTest::keyClicks(form_->searchEdit, "61");
    EXPECT_EQ(RecNo(), FirstPcodeMatch("261"));
    const int found = RecNo();
    // Letters match no postcode.
    QTest::keyClick(form_->searchEdit, 'x');
    EXPECT_EQ(RecNo(), found);
    // A whole postcode, then one digit too many: that matches nothing.
    form_->searchEdit->setText(QStringLiteral("0800"));
    ASSERT_EQ(RecNo(), FirstPcodeMatch("0800"));
    QTest::keyClick(form_->searchEdit, '1');
    EXPECT_EQ(RecNo(), FirstPcodeMatch("0800"));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowSearchTest, ChangingTheFieldWithTextInTheBoxEmptiesItAndMovesToTheFirstKey)
{
    QTest::keyClicks(form_->searchEdit, "bon");
    ASSERT_GT(RecNo(), 1);
    QTest::mouseClick(form_->byPostcodeButton, Qt::LeftButton);
    EXPECT_TRUE(form_->searchEdit->text().isEmpty());
    EXPECT_EQ(RecNo(), FirstPcodeMatch(""));

    // Back to suburbs with an empty box: nothing moves.
    QTest::keyClicks(form_->searchEdit, "3");
    const int found = RecNo();
    ASSERT_EQ(found, FirstPcodeMatch("3"));
    form_->searchEdit->clear();
    form_->Table1.SetRecNo(found);
    QTest::mouseClick(form_->bySuburbButton, Qt::LeftButton);
    EXPECT_TRUE(form_->bySuburbButton->isChecked());
    EXPECT_EQ(RecNo(), found);
}

TEST_F(MainWindowSearchTest, ClickingTheCheckedButtonKeepsTheText)
{
    QTest::keyClicks(form_->searchEdit, "bon");
    QTest::mouseClick(form_->bySuburbButton, Qt::LeftButton);
    EXPECT_EQ(form_->searchEdit->text(), QStringLiteral("bon"));
    EXPECT_EQ(RecNo(), FirstLocalityMatch("bon"));
}

TEST_F(MainWindowSearchTest, ClosedTableShowsTheErrorOncePerChange)
{
    if (!TestApplication()) {
        GTEST_SKIP() << "needs the program's application object";
    }
    form_->Table1.Close();
    QTest::keyClick(form_->searchEdit, 'a');
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], "Table1: Cannot perform this operation on a closed dataset.");
    EXPECT_EQ(messages_[0].caption, QStringLiteral("Marlune"));
    EXPECT_EQ(messages_[0].icon, platform::gui::MessageIcon::Error);
    // The box keeps its text; the next change searches, and fails, again.
    EXPECT_EQ(form_->searchEdit->text(), QStringLiteral("a"));
    QTest::keyClick(form_->searchEdit, 'b');
    EXPECT_EQ(form_->searchEdit->text(), QStringLiteral("ab"));
    EXPECT_EQ(messages_.size(), 2u);
    QTest::keyClick(form_->searchEdit, Qt::Key_Backspace);
    EXPECT_EQ(messages_.size(), 3u);
    // A change made by the program, outside any event, is reported too.
    form_->searchEdit->setText(QStringLiteral("x"));
    EXPECT_EQ(messages_.size(), 4u);
    for (const std::string& text : MessageTexts()) {
        EXPECT_EQ(text, MessageTexts()[0]);
    }
}

TEST_F(MainWindowSearchTest, NonAsciiTextIsSearchedInTheCodePage)
{
    // "O’CONNOR": the right single quotation mark is byte 0x92 in the table.
    const int expected = FirstLocalityMatch("O\u2019C");
    ASSERT_GT(expected, 0);
    form_->searchEdit->setText(QString::fromUtf8("o\u2019c"));
    EXPECT_EQ(RecNo(), expected);
}

} // namespace
} // namespace marlune::testing
