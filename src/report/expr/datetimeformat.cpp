#include "report/expr/datetimeformat.h"

#include "platform/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/formatsettings.h"

#include <cctype>
#include <cmath>
#include <vector>

namespace marlune::report::expr {

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kMinSerial = -693593.0; // 1 January 0001
constexpr double kMaxSerial = 2958466.0; // 1 January 10000
constexpr int kMsPerDay = 86400000;

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::vector<int> Numbers(const std::string& text, std::size_t& consumed, char stopAt)
{
    std::vector<int> numbers;
    std::size_t i = 0;
    while (i < text.size() && text[i] != stopAt) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
            int v = 0;
            std::size_t digits = 0;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
                if (++digits > 6) {
                    throw ExpressionError("'" + text + "' is not a valid date");
                }
                v = v * 10 + (text[i] - '0');
                ++i;
            }
            numbers.push_back(v);
        } else {
            ++i;
        }
    }
    consumed = i;
    return numbers;
}

double DatePart(const std::string& text, const FormatSettings& s)
{
    std::size_t consumed = 0;
    const auto numbers = Numbers(text, consumed, '\0');
    if (numbers.size() < 2 || numbers.size() > 3) {
        throw ExpressionError("'" + text + "' is not a valid date");
    }
    // The order of day, month and year in the short date format.
    std::string order;
    for (const char c : s.shortDateFormat) {
        const char l = Lower(c);
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos) {
            order += l;
        }
    }
    if (order.size() != 3) {
        order = "dmy";
    }
    int day = 0;
    int month = 0;
    int year = QDate::currentDate().year();
    std::size_t k = 0;
    for (const char field : order) {
        if (field == 'y' && numbers.size() == 2) {
            continue;
        }
        const int v = numbers[k++];
        if (field == 'd') {
            day = v;
        } else if (field == 'm') {
            month = v;
        } else {
            year = v < 100 ? (v < 50 ? 2000 + v : 1900 + v) : v;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1 || year > 9999) {
        throw ExpressionError("'" + text + "' is not a valid date");
    }
    return static_cast<double>(kEpoch.daysTo(date));
}

double TimePart(const std::string& text, const FormatSettings& s)
{
    std::size_t consumed = 0;
    const auto numbers = Numbers(text, consumed, '\0');
    if (numbers.empty() || numbers.size() > 3) {
        throw ExpressionError("'" + text + "' is not a valid time");
    }
    int h = numbers[0];
    const int m = numbers.size() > 1 ? numbers[1] : 0;
    const int sec = numbers.size() > 2 ? numbers[2] : 0;
    std::string lower;
    for (const char c : text) {
        lower += Lower(c);
    }
    std::string pm;
    for (const char c : s.timePm) {
        pm += Lower(c);
    }
    const bool isPm = lower.find("pm") != std::string::npos ||
                      (!pm.empty() && lower.find(pm) != std::string::npos);
    if (isPm && h < 12) {
        h += 12;
    } else if (!isPm && lower.find("am") != std::string::npos && h == 12) {
        h = 0;
    }
    if (h > 23 || m > 59 || sec > 59) {
        throw ExpressionError("'" + text + "' is not a valid time");
    }
    return (h * 3600 + m * 60 + sec) / 86400.0;
}

} // namespace

QDateTime DateTimeFromSerial(double serial)
{
    if (!(serial >= kMinSerial && serial < kMaxSerial)) {
        throw ExpressionError("Invalid argument to date encode");
    }
    const double days = std::trunc(serial);
    auto ms = static_cast<int>(std::llround(std::fabs(serial - days) * kMsPerDay));
    ms = std::min(ms, kMsPerDay - 1);
    const QDate date = kEpoch.addDays(static_cast<qint64>(days));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms));
}

double SerialFromDateTime(const QDateTime& dateTime)
{
    const double days = static_cast<double>(kEpoch.daysTo(dateTime.date()));
    const double fraction = dateTime.time().msecsSinceStartOfDay() / double(kMsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

std::string FormatDateTime(const std::string& pattern, double serial,
                           const FormatSettings& settings)
{
    const QDateTime dt = DateTimeFromSerial(serial);
    return platform::FormatDateTime(pattern, dt.date(), dt.time(), settings);
}

double StrToDate(const std::string& text, const FormatSettings& settings)
{
    return DatePart(text, settings);
}

double StrToTime(const std::string& text, const FormatSettings& settings)
{
    return TimePart(text, settings);
}

double StrToDateTime(const std::string& text, const FormatSettings& settings)
{
    const auto colon = text.find(settings.timeSeparator);
    if (colon == std::string::npos) {
        return DatePart(text, settings);
    }
    const auto space = text.rfind(' ', colon);
    if (space == std::string::npos) {
        return TimePart(text, settings);
    }
    const double date = DatePart(text.substr(0, space), settings);
    const double time = TimePart(text.substr(space + 1), settings);
    return date >= 0 ? date + time : date - time;
}

} // namespace marlune::report::expr
