#include "platform/dateformat.h"

#include "platform/cp1252.h"

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
constexpr std::array<const char*, 7> kDays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                              "Friday", "Saturday", "Sunday"};

std::string TwoDigits(int value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// How many times `c` repeats from `at` on, case ignored.
std::size_t Run(std::string_view format, std::size_t at)
{
    const int c = std::tolower(static_cast<unsigned char>(format[at]));
    std::size_t n = 1;
    while (at + n < format.size() &&
           std::tolower(static_cast<unsigned char>(format[at + n])) == c) {
        ++n;
    }
    return n;
}

// One or two letters give the number, three and four the name (of the
// weekday, for days) cut to three letters or whole.
std::string NumberOrName(int number, std::size_t count, const char* name)
{
    if (count == 1) {
        return std::to_string(number);
    }
    if (count == 2) {
        return TwoDigits(number);
    }
    return count == 3 ? std::string(name, 3) : std::string(name);
}

std::string Field(char letter, std::size_t count, const QDate& date)
{
    if (letter == 'd') {
        return NumberOrName(date.day(), count,
                            kDays.at(static_cast<std::size_t>(date.dayOfWeek() - 1)));
    }
    if (letter == 'm') {
        return NumberOrName(date.month(), count,
                            kMonths.at(static_cast<std::size_t>(date.month() - 1)));
    }
    return count <= 2 ? TwoDigits(date.year() % 100) : std::to_string(date.year());
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

namespace {

// `nested`: inside a short or long date that five or six d's stood for,
// where they stand for nothing more (so that a format cannot contain itself).
std::string Format(std::string_view format, const QDate& date, bool nested)
{
    std::string out;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"' || c == '\'') {
            const std::size_t end = format.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? format.size() : end;
            out.append(format.substr(i + 1, stop - i - 1));
            i = stop == format.size() ? stop : stop + 1;
        } else if (c == '/') {
            out += DateSeparator();
            ++i;
        } else if (lower == 'd' || lower == 'm' || lower == 'y') {
            const std::size_t n = Run(format, i);
            // Five and six d's stand for the short and long date.
            if (lower == 'd' && (n == 5 || n == 6) && !nested) {
                out += Format(n == 5 ? ShortDateFormat() : LongDateFormat(), date, true);
                i += n;
                continue;
            }
            // Other runs of more than four letters repeat the longest form.
            std::size_t left = n;
            while (left > 0) {
                const std::size_t take = std::min<std::size_t>(left, 4);
                out += Field(lower, take, date);
                left -= take;
            }
            i += n;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace

std::string FormatDate(std::string_view format, const QDate& date)
{
    return Format(format, date, false);
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
