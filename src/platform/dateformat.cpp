#include "platform/dateformat.h"

#include "platform/cp1252.h"
#include "platform/datetimeformat.h"

#include <QLocale>

#include <array>
#include <cctype>
#include <optional>

namespace marlune::platform {
namespace {

struct Formats {
    std::optional<std::string> shortFormat;
    std::optional<std::string> longFormat;
    std::optional<char> separator;
    int centuryWindow = 50;
};

Formats& Store()
{
    static Formats formats;
    return formats;
}

// The system's formats use Qt's letters, which agree with ours for days,
// months and years; its separator is the first character that is none.
std::string SystemFormat(QLocale::FormatType type)
{
    return FromQString(QLocale::system().dateFormat(type));
}

char SystemSeparator()
{
    for (char c : SystemFormat(QLocale::ShortFormat)) {
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            return c;
        }
    }
    return '/';
}

constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};
constexpr std::array<const char*, 7> kDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};

// A process date format as another format names it (five or six d's): its
// own runs of more than four d's stand for no further format but repeat the
// day's name and number (an empty quote splits the run).
std::string WithoutNamedFormats(std::string_view format)
{
    std::string out;
    char quote = 0;
    std::size_t run = 0;
    for (const char c : format) {
        const bool d = quote == 0 && std::tolower(static_cast<unsigned char>(c)) == 'd';
        if (d && run == 4) {
            out += "''";
            run = 0;
        }
        run = d ? run + 1 : 0;
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        }
        out += c;
    }
    return out;
}

} // namespace

std::string ShortDateFormat()
{
    return Store().shortFormat.value_or(SystemFormat(QLocale::ShortFormat));
}

std::string LongDateFormat()
{
    return Store().longFormat.value_or(SystemFormat(QLocale::LongFormat));
}

char DateSeparator()
{
    return Store().separator.value_or(SystemSeparator());
}

int TwoDigitYearCenturyWindow()
{
    return Store().centuryWindow;
}

void SetShortDateFormat(std::string format)
{
    Store().shortFormat = std::move(format);
}

void SetLongDateFormat(std::string format)
{
    Store().longFormat = std::move(format);
}

void SetDateSeparator(char separator)
{
    Store().separator = separator;
}

void SetTwoDigitYearCenturyWindow(int window)
{
    Store().centuryWindow = window;
}

void ResetDateFormats()
{
    Store() = Formats();
}

std::string FormatDate(std::string_view format, const QDate& date)
{
    FormatSettings settings;
    settings.dateSeparator = DateSeparator();
    settings.shortDateFormat = WithoutNamedFormats(ShortDateFormat());
    settings.longDateFormat = WithoutNamedFormats(LongDateFormat());
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        settings.longMonthNames.at(m) = kMonths.at(m);
        settings.shortMonthNames.at(m) = settings.longMonthNames.at(m).substr(0, 3);
    }
    for (std::size_t d = 0; d < kDays.size(); ++d) {
        settings.longDayNames.at(d) = kDays.at(d);
        settings.shortDayNames.at(d) = settings.longDayNames.at(d).substr(0, 3);
    }
    return FormatDateTime(format, date, QTime(0, 0), settings);
}

int ExpandTwoDigitYear(int yy, int currentYear)
{
    const int window = TwoDigitYearCenturyWindow();
    if (window <= 0) {
        return currentYear / 100 * 100 + yy;
    }
    const int pivot = currentYear - window;
    int year = pivot / 100 * 100 + yy;
    if (year < pivot) {
        year += 100;
    }
    return year;
}

} // namespace marlune::platform
