#include "platform/dateformat.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace marlune::platform {
namespace {

class DateFormatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetDateFormats();
        SetDateSeparator('/');
    }
    void TearDown() override { ResetDateFormats(); }
};

TEST_F(DateFormatTest, LettersAgreeWithQtsOwnFormatting)
{
    // Qt writes the same fields with the same letters (our "m" is its "M");
    // its English names are the C locale's.
    const QLocale c = QLocale::c();
    const struct {
        const char* ours;
        const char* qts;
    } pairs[] = {
        {"d/m/yy", "d/M/yy"},
        {"dd/mm/yyyy", "dd/MM/yyyy"},
        {"ddd d mmm yyyy", "ddd d MMM yyyy"},
        {"dddd, d MMMM yyyy", "dddd, d MMMM yyyy"},
        {"D-M-YYYY", "d-M-yyyy"},
    };
    for (const QDate date : {QDate(2005, 12, 6), QDate(1999, 1, 31), QDate(2024, 2, 29)}) {
        for (const auto& p : pairs) {
            SCOPED_TRACE(p.ours);
            EXPECT_EQ(FormatDate(p.ours, date),
                      c.toString(date, QString::fromLatin1(p.qts)).toStdString());
        }
    }
}

TEST_F(DateFormatTest, TheSlashIsTheDateSeparatorAndQuotedTextStands)
{
    SetDateSeparator('-');
    EXPECT_EQ(FormatDate("d/m/yyyy", QDate(2005, 12, 6)), "6-12-2005");
    EXPECT_EQ(FormatDate("\"day\" d 'of' mmmm", QDate(2005, 12, 6)), "day 6 of December");
    EXPECT_EQ(FormatDate("'d/m", QDate(2005, 12, 6)), "d/m");
}

TEST_F(DateFormatTest, FiveAndSixDsAreTheShortAndLongDate)
{
    SetShortDateFormat("d/MM/yyyy");
    SetLongDateFormat("dddd, d MMMM yyyy");
    EXPECT_EQ(FormatDate("ddddd", QDate(2005, 12, 6)), "6/12/2005");
    EXPECT_EQ(FormatDate("dddddd", QDate(2005, 12, 6)), "Tuesday, 6 December 2005");
    // A format that names itself does not recurse.
    SetShortDateFormat("ddddd");
    EXPECT_EQ(FormatShortDate(QDate(2005, 12, 6)), "Tuesday6");
}

TEST_F(DateFormatTest, UnsetFormatsAreTheSystems)
{
    EXPECT_EQ(ShortDateFormat(), QLocale::system().dateFormat(QLocale::ShortFormat).toStdString());
    SetShortDateFormat("yyyy");
    EXPECT_EQ(ShortDateFormat(), "yyyy");
    ResetDateFormats();
    EXPECT_EQ(ShortDateFormat(), QLocale::system().dateFormat(QLocale::ShortFormat).toStdString());
}

TEST_F(DateFormatTest, TwoDigitYearsFollowTheCenturyWindow)
{
    EXPECT_EQ(TwoDigitYearCenturyWindow(), 50);
    // Counted: the hundred years from 1976 on, for 2026.
    for (int yy = 0; yy < 100; ++yy) {
        const int year = ExpandTwoDigitYear(yy, 2026);
        EXPECT_EQ(year % 100, yy);
        EXPECT_GE(year, 1976);
        EXPECT_LT(year, 2076);
    }
    SetTwoDigitYearCenturyWindow(0);
    EXPECT_EQ(ExpandTwoDigitYear(99, 2026), 2099);
    EXPECT_EQ(ExpandTwoDigitYear(5, 2026), 2005);
}

} // namespace
} // namespace marlune::platform
