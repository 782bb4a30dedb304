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
        ASSERT_EQ(Table().RecordCount(), 18545);
        ASSERT_TRUE(messages_.empty());
    }
    QLineEdit& Search() const { return Find<QLineEdit>("Edit1"); }
    QRadioButton& BySuburb() const { return Find<QRadioButton>("RadioButton1"); }
    QRadioButton& ByPostcode() const { return Find<QRadioButton>("RadioButton2"); }
    int RecNo() const { return Table().RecNo(); }
    std::string Locality() const { return Table().FieldByName("Locality").AsString(); }
};

TEST_F(MainWindowSearchTest, EachTypedLetterFindsTheFirstSuburbBeginningWithTheText)
{
    int previous = 0;
    for (const char* text : {"b", "bo", "bon"}) {
        SCOPED_TRACE(text);
        QTest::keyClick(&Search(), text[std::strlen(text) - 1]);
        ASSERT_EQ(Search().text(), QString::fromLatin1(text));
        const int expected = FirstLocalityMatch(text);
        ASSERT_GT(expected, 0);
        EXPECT_EQ(RecNo(), expected);
        EXPECT_EQ(Locality(), *SourceRecords()[static_cast<std::size_t>(expected) - 1].locality);
        EXPECT_GE(expected, previous); // a longer prefix is found at or after the shorter
        previous = expected;
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowSearchTest, TextMatchingNothingLeavesTheCurrentRecord)
{
    QTest::keyClicks(&Search(), "bon");
    const int found = RecNo();
    ASSERT_EQ(FirstLocalityMatch("bonq"), 0);
    QTest::keyClick(&Search(), 'q');
    EXPECT_EQ(Search().text(), QStringLiteral("bonq"));
    EXPECT_EQ(RecNo(), found);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowSearchTest, DeletingACharacterSearchesForTheShorterText)
{
    QTest::keyClicks(&Search(), "boa");
    const int longer = FirstLocalityMatch("boa");
    const int shorter = FirstLocalityMatch("bo");
    ASSERT_LT(shorter, longer); // so that the step back is visible
    EXPECT_EQ(RecNo(), longer);
    QTest::keyClick(&Search(), Qt::Key_Backspace);
    EXPECT_EQ(Search().text(), QStringLiteral("bo"));
    EXPECT_EQ(RecNo(), shorter);
}

TEST_F(MainWindowSearchTest, ClearingTheBoxGoesToTheFirstRecordWithASuburb)
{
    QTest::keyClicks(&Search(), "syd");
    ASSERT_GT(RecNo(), 1);
    Search().selectAll();
    QTest::keyClick(&Search(), Qt::Key_Delete);
    EXPECT_TRUE(Search().text().isEmpty());
    EXPECT_EQ(RecNo(), FirstLocalityMatch(""));
}

TEST_F(MainWindowSearchTest, EscapeEmptiesTheBoxAndOnlyThere)
{
    QTest::keyClicks(&Search(), "syd");
    const int found = RecNo();
    ASSERT_EQ(found, FirstLocalityMatch("syd"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    // In the grid Escape changes nothing.
    Find<widgets::DBGrid>("DBGrid1").setFocus();
    QTest::keyClick(&Find<widgets::DBGrid>("DBGrid1"), Qt::Key_Escape);
    EXPECT_EQ(Search().text(), QStringLiteral("syd"));
    EXPECT_EQ(RecNo(), found);
    Search().setFocus();
    QTest::keyClick(&Search(), Qt::Key_Escape);
    EXPECT_TRUE(Search().text().isEmpty());
    EXPECT_EQ(RecNo(), FirstLocalityMatch(""));
}

TEST_F(MainWindowSearchTest, PastedAndProgrammaticChangesSearchToo)
{
    QApplication::clipboard()->setText(QStringLiteral("Wag"));
    Search().setFocus();
    Search().paste();
    EXPECT_EQ(RecNo(), FirstLocalityMatch("wag"));
    Search().setText(QStringLiteral("darw"));
    EXPECT_EQ(RecNo(), FirstLocalityMatch("darw"));
}

TEST_F(MainWindowSearchTest, ByPostCodeSearchesThePostcodeField)
{
    QTest::mouseClick(&ByPostcode(), Qt::LeftButton);
    ASSERT_TRUE(ByPostcode().isChecked());
    EXPECT_FALSE(BySuburb().isChecked());
    QTest::keyClick(&Search(), '2');
    EXPECT_EQ(RecNo(), FirstPcodeMatch("2"));
    QTest::keyClicks(&Search(), "61");
    EXPECT_EQ(RecNo(), FirstPcodeMatch("261"));
    const int found = RecNo();
    // Letters match no postcode.
    QTest::keyClick(&Search(), 'x');
    EXPECT_EQ(RecNo(), found);
    // A whole postcode, then one digit too many: that matches nothing.
    Search().setText(QStringLiteral("0800"));
    ASSERT_EQ(RecNo(), FirstPcodeMatch("0800"));
    QTest::keyClick(&Search(), '1');
    EXPECT_EQ(RecNo(), FirstPcodeMatch("0800"));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowSearchTest, ChangingTheFieldWithTextInTheBoxEmptiesItAndMovesToTheFirstKey)
{
    QTest::keyClicks(&Search(), "bon");
    ASSERT_GT(RecNo(), 1);
    QTest::mouseClick(&ByPostcode(), Qt::LeftButton);
    EXPECT_TRUE(Search().text().isEmpty());
    EXPECT_EQ(RecNo(), FirstPcodeMatch(""));

    // Back to suburbs with an empty box: nothing moves.
    QTest::keyClicks(&Search(), "3");
    const int found = RecNo();
    ASSERT_EQ(found, FirstPcodeMatch("3"));
    Search().clear();
    Table().SetRecNo(found);
    QTest::mouseClick(&BySuburb(), Qt::LeftButton);
    EXPECT_TRUE(BySuburb().isChecked());
    EXPECT_EQ(RecNo(), found);
}

TEST_F(MainWindowSearchTest, ClickingTheCheckedButtonKeepsTheText)
{
    QTest::keyClicks(&Search(), "bon");
    QTest::mouseClick(&BySuburb(), Qt::LeftButton);
    EXPECT_TRUE(BySuburb().isChecked());
    EXPECT_FALSE(ByPostcode().isChecked());
    EXPECT_EQ(Search().text(), QStringLiteral("bon"));
    EXPECT_EQ(RecNo(), FirstLocalityMatch("bon"));
}

TEST_F(MainWindowSearchTest, ClosedTableShowsTheErrorOncePerChange)
{
    if (!TestApplication()) {
        GTEST_SKIP() << "needs the program's application object";
    }
    Table().Close();
    QTest::keyClick(&Search(), 'a');
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], "Table1: Cannot perform this operation on a closed dataset.");
    EXPECT_EQ(messages_[0].caption, QStringLiteral("Marlune"));
    EXPECT_EQ(messages_[0].icon, platform::gui::MessageIcon::Error);
    // The box keeps its text; the next change searches, and fails, again.
    EXPECT_EQ(Search().text(), QStringLiteral("a"));
    QTest::keyClick(&Search(), 'b');
    EXPECT_EQ(Search().text(), QStringLiteral("ab"));
    EXPECT_EQ(messages_.size(), 2u);
    QTest::keyClick(&Search(), Qt::Key_Backspace);
    EXPECT_EQ(messages_.size(), 3u);
    // A change made by the program, outside any event, is reported too.
    Search().setText(QStringLiteral("x"));
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
    Search().setText(QString::fromUtf8("o\u2019c"));
    EXPECT_EQ(RecNo(), expected);
}

} // namespace
} // namespace marlune::testing
