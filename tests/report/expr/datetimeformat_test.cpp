#include "report/expr/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/formatsettings.h"
#include "platform/dateformat.h"

#include <QDate>
#include <QLocale>

#include <gtest/gtest.h>

namespace marlune::report::expr {
namespace {

std::vector<QDateTime> SomeMoments()
{
    std::vector<QDateTime> moments;
    QDateTime t(QDate(1899, 12, 30), QTime(0, 0));
    for (int i = 0; i < 400; ++i) {
        t = t.addSecs(3LL * 86400 * 97 + 3607LL * i);
        moments.push_back(t);
    }
    moments.emplace_back(QDate(1, 1, 1), QTime(0, 0));
    moments.emplace_back(QDate(9999, 12, 31), QTime(23, 59, 59));
    moments.emplace_back(QDate(1850, 6, 15), QTime(6, 0));
    return moments;
}

TEST(DateTimeFormat, SerialsRoundTrip)
{
    for (const auto& t : SomeMoments()) {
        const double serial = SerialFromDateTime(t);
        EXPECT_EQ(DateTimeFromSerial(serial), t) << serial;
    }
    // The serial counts days: one more day is one more.
    for (const auto& t : SomeMoments()) {
        if (t.date().year() < 9999 && t.date() > QDate(1899, 12, 30)) {
            EXPECT_DOUBLE_EQ(SerialFromDateTime(t.addDays(1)) - SerialFromDateTime(t), 1.0);
        }
    }
}

TEST(DateTimeFormat, SerialsOutsideTheCalendarAreErrors)
{
    for (const double serial : {-1e9, 1e9, 3e6, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(DateTimeFromSerial(serial), ExpressionError) << serial;
    }
}

TEST(DateTimeFormat, AgreesWithQtForTheSameLetters)
{
    const FormatSettings settings = SystemFormatSettings();
    const QLocale system = QLocale::system();
    const struct {
        const char* ours;
        const char* qt;
    } cases[] = {
        {"d mmm yyyy", "d MMM yyyy"},
        {"d mmmm yyyy", "d MMMM yyyy"},
        {"mm.dd.yy", "MM.dd.yy"},
        {"mm.dd.yyyy", "MM.dd.yyyy"},
        {"hh:nn:ss", "HH:mm:ss"},
        {"h:nn:ss", "H:mm:ss"},
        {"hh:nn", "HH:mm"},
        {"h:nn", "H:mm"},
        {"dddd, d MMMM yyyy", "dddd, d MMMM yyyy"},
        {"ddd dd-mm", "ddd dd-MM"},
        {"hh:mm", "HH:mm"},
        {"yyyy-mm-dd hh:nn:ss.zzz", "yyyy-MM-dd HH:mm:ss.zzz"},
    };
    for (const auto& t : SomeMoments()) {
        const double serial = SerialFromDateTime(t);
        for (const auto& c : cases) {
            EXPECT_EQ(FormatDateTime(c.ours, serial, settings),
                      system.toString(t, QString::fromLatin1(c.qt)).toStdString())
                << c.ours << " " << t.toString().toStdString();
        }
    }
}

TEST(DateTimeFormat, TwelveHourClockAndSeparators)
{
    FormatSettings s = SystemFormatSettings();
    s.dateSeparator = '-';
    s.timeSeparator = '.';
    s.timeAm = "vm";
    s.timePm = "nm";
    const double morning = SerialFromDateTime(QDateTime(QDate(2026, 12, 8), QTime(0, 5, 9)));
    const double evening = SerialFromDateTime(QDateTime(QDate(2026, 12, 8), QTime(13, 5, 9)));
    const struct {
        double serial;
        const char* pattern;
        const char* expected;
    } cases[] = {
        {morning, "h:nn am/pm", "12.05 am"}, {evening, "h:nn AM/PM", "1.05 PM"},
        {evening, "hh a/p", "01 p"},         {evening, "h ampm", "1 nm"},
        {morning, "h ampm", "12 vm"},        {morning, "d/m/yy", "8-12-26"},
        {morning, "'d/m' d", "d/m 8"},       {evening, "\"hh\" hh", "hh 13"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(c.pattern, c.serial, s), c.expected) << c.pattern;
    }
}

TEST(DateTimeFormat, NamedFormatsExpandAndStopNesting)
{
    FormatSettings s = SystemFormatSettings();
    s.shortDateFormat = "dd/mm/yyyy";
    s.longDateFormat = "yyyy ddddd";
    s.longTimeFormat = "hh:nn:ss";
    const double serial = SerialFromDateTime(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    EXPECT_EQ(FormatDateTime("ddddd", serial, s), FormatDateTime("dd/mm/yyyy", serial, s));
    EXPECT_EQ(FormatDateTime("c", serial, s), FormatDateTime("dd/mm/yyyy hh:nn:ss", serial, s));
    EXPECT_EQ(FormatDateTime("dddddd", serial, s), FormatDateTime("yyyy dd/mm/yyyy", serial, s));
    // A format that names itself ends after two levels instead of recursing.
    s.shortDateFormat = "x ddddd";
    EXPECT_EQ(FormatDateTime("ddddd", serial, s), "x x ");
}

TEST(DateTimeFormat, ReadsWhatItWrites)
{
    FormatSettings s = SystemFormatSettings();
    for (const char* shortDate : {"d/MM/yyyy", "mm.dd.yyyy", "yyyy-mm-dd"}) {
        s.shortDateFormat = shortDate;
        s.longTimeFormat = "hh:nn:ss";
        for (const auto& t : SomeMoments()) {
            if (t.date().year() < 100) {
                continue;
            }
            const QDateTime whole(t.date(),
                                  QTime(t.time().hour(), t.time().minute(), t.time().second()));
            const double serial = SerialFromDateTime(whole);
            EXPECT_EQ(StrToDateTime(FormatDateTime("c", serial, s), s), serial) << shortDate;
            EXPECT_EQ(StrToDate(FormatDateTime("ddddd", serial, s), s), std::trunc(serial));
        }
    }
}

TEST(DateTimeFormat, RejectsWhatIsNoDate)
{
    const FormatSettings s = SystemFormatSettings();
    for (const char* text :
         {"", "abc", "31/02/2026", "1/13/2026", "99999999/1/1", "25:00", "1/2/3/4"}) {
        EXPECT_THROW(StrToDateTime(text, s), ExpressionError) << text;
    }
}

} // namespace
} // namespace marlune::report::expr

// What the application manager sets for the process is what reports use.
TEST(ProcessFormatSettings, DateFormatsAreTheProcesssOwn)
{
    marlune::platform::SetShortDateFormat("yyyy-mm-dd");
    marlune::platform::SetLongDateFormat("dddd d mmmm");
    EXPECT_EQ(marlune::report::expr::ProcessFormatSettings().shortDateFormat, "yyyy-mm-dd");
    EXPECT_EQ(marlune::report::expr::ProcessFormatSettings().longDateFormat, "dddd d mmmm");
    marlune::report::expr::SetProcessDateFormats("d/MM/yyyy", "dddd, d MMMM yyyy");
    EXPECT_EQ(marlune::platform::ShortDateFormat(), "d/MM/yyyy");
    EXPECT_EQ(marlune::platform::LongDateFormat(), "dddd, d MMMM yyyy");
    marlune::platform::ResetDateFormats();
}
