#include "report/expr/datetimeformat.h"

#include "report/expr/errors.h"
#include "report/expr/formatsettings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace marlune::report {

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kMinSerial = -693593.0; // 1 January 0001
constexpr double kMaxSerial = 2958466.0; // 1 January 10000
constexpr int kMsPerDay = 86400000;
constexpr int kNestingLimit = 2;

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Padded(int value, int width)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

// Counts how often `c` repeats from `i` on, case ignored.
std::size_t Run(const std::string& p, std::size_t i, char c)
{
    std::size_t n = 0;
    while (i + n < p.size() && Lower(p[i + n]) == c) {
        ++n;
    }
    return n;
}

bool StartsWithNoCase(const std::string& p, std::size_t i, const char* word)
{
    for (std::size_t k = 0; word[k] != 0; ++k) {
        if (i + k >= p.size() || Lower(p[i + k]) != word[k]) {
            return false;
        }
    }
    return true;
}

bool HasAmPm(const std::string& p)
{
    char quote = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (quote != 0) {
            quote = p[i] == quote ? 0 : quote;
        } else if (p[i] == '\'' || p[i] == '"') {
            quote = p[i];
        } else if (StartsWithNoCase(p, i, "am/pm") || StartsWithNoCase(p, i, "a/p") ||
                   StartsWithNoCase(p, i, "ampm")) {
            return true;
        }
    }
    return false;
}

class Formatter {
public:
    Formatter(const QDateTime& dt, const FormatSettings& s) : dt_(dt), s_(s) {}

    void Append(const std::string& p, int depth)
    {
        const bool twelveHour = HasAmPm(p);
        bool afterHour = false;
        for (std::size_t i = 0; i < p.size();) {
            const char c = Lower(p[i]);
            const char original = p[i];
            bool hour = false;
            if (c == '\'' || c == '"') {
                const auto end = p.find(original, i + 1);
                const auto stop = end == std::string::npos ? p.size() : end;
                out_ += p.substr(i + 1, stop - i - 1);
                i = stop + 1;
                continue;
            }
            const std::size_t n = Run(p, i, c);
            const QDate date = dt_.date();
            const QTime time = dt_.time();
            if (c == 'a' && StartsWithNoCase(p, i, "am/pm")) {
                AmPm(original == 'A' ? "AM" : "am", original == 'A' ? "PM" : "pm");
                i += 5;
            } else if (c == 'a' && StartsWithNoCase(p, i, "a/p")) {
                AmPm(original == 'A' ? "A" : "a", original == 'A' ? "P" : "p");
                i += 3;
            } else if (c == 'a' && StartsWithNoCase(p, i, "ampm")) {
                AmPm(s_.timeAm, s_.timePm);
                i += 4;
            } else if (c == 'c') {
                // The date unless it is day 0, the time unless it is midnight:
                // a time alone shows as a time.
                const bool hasDate = date != kEpoch;
                if (hasDate) {
                    Nested(s_.shortDateFormat, depth);
                }
                if (time.msecsSinceStartOfDay() != 0) {
                    if (hasDate) {
                        out_ += ' ';
                    }
                    Nested(s_.longTimeFormat, depth);
                }
                i += 1;
            } else if (c == 'd') {
                const std::size_t used = std::min<std::size_t>(n, 6);
                const int dow = date.dayOfWeek() % 7; // Sunday 0
                switch (used) {
                case 1:
                    out_ += std::to_string(date.day());
                    break;
                case 2:
                    out_ += Padded(date.day(), 2);
                    break;
                case 3:
                    out_ += s_.shortDayNames[static_cast<std::size_t>(dow)];
                    break;
                case 4:
                    out_ += s_.longDayNames[static_cast<std::size_t>(dow)];
                    break;
                case 5:
                    Nested(s_.shortDateFormat, depth);
                    break;
                default:
                    Nested(s_.longDateFormat, depth);
                    break;
                }
                i += used;
            } else if (c == 'm') {
                const std::size_t used = std::min<std::size_t>(n, 4);
                if (afterHour && used <= 2) {
                    out_ += used == 1 ? std::to_string(time.minute()) : Padded(time.minute(), 2);
                } else {
                    const auto m = static_cast<std::size_t>(date.month() - 1);
                    switch (used) {
                    case 1:
                        out_ += std::to_string(date.month());
                        break;
                    case 2:
                        out_ += Padded(date.month(), 2);
                        break;
                    case 3:
                        out_ += s_.shortMonthNames[m];
                        break;
                    default:
                        out_ += s_.longMonthNames[m];
                        break;
                    }
                }
                i += used;
            } else if (c == 'y') {
                out_ += n <= 2 ? Padded(date.year() % 100, 2) : Padded(date.year(), 4);
                i += n;
            } else if (c == 'h') {
                int h = time.hour();
                if (twelveHour) {
                    h = h % 12 == 0 ? 12 : h % 12;
                }
                out_ += n == 1 ? std::to_string(h) : Padded(h, 2);
                i += std::min<std::size_t>(n, 2);
                hour = true;
            } else if (c == 'n') {
                out_ += n == 1 ? std::to_string(time.minute()) : Padded(time.minute(), 2);
                i += std::min<std::size_t>(n, 2);
            } else if (c == 's') {
                out_ += n == 1 ? std::to_string(time.second()) : Padded(time.second(), 2);
                i += std::min<std::size_t>(n, 2);
            } else if (c == 'z') {
                out_ += n < 3 ? std::to_string(time.msec()) : Padded(time.msec(), 3);
                i += std::min<std::size_t>(n, 3);
            } else if (c == 't') {
                Nested(n >= 2 ? s_.longTimeFormat : s_.shortTimeFormat, depth);
                i += std::min<std::size_t>(n, 2);
            } else if (c == '/') {
                out_ += s_.dateSeparator;
                i += 1;
            } else if (c == ':') {
                out_ += s_.timeSeparator;
                i += 1;
            } else {
                out_ += original;
                i += 1;
            }
            // Blanks and separators between an hour and its minutes keep the
            // hour in force for "m".
            if (hour) {
                afterHour = true;
            } else if (c != ' ' && c != ':' && c != '.' && c != '\'' && c != '"') {
                afterHour = false;
            }
        }
    }

    std::string Result() const { return out_; }

private:
    void Nested(const std::string& format, int depth)
    {
        if (depth < kNestingLimit) {
            Append(format, depth + 1);
        }
    }

    void AmPm(const std::string& am, const std::string& pm)
    {
        out_ += dt_.time().hour() < 12 ? am : pm;
    }

    const QDateTime& dt_;
    const FormatSettings& s_;
    std::string out_;
};

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
    Formatter f(dt, settings);
    f.Append(pattern.empty() ? std::string("c") : pattern, 0);
    return f.Result();
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

} // namespace marlune::report
