#include "platform/datetimeformat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace marlune::platform {

namespace {

// Day 0 of the serial dates: "c" leaves out the date of a time alone.
const QDate kEpoch(1899, 12, 30);
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
std::size_t Run(std::string_view p, std::size_t i, char c)
{
    std::size_t n = 0;
    while (i + n < p.size() && Lower(p[i + n]) == c) {
        ++n;
    }
    return n;
}

bool StartsWithNoCase(std::string_view p, std::size_t i, const char* word)
{
    for (std::size_t k = 0; word[k] != 0; ++k) {
        if (i + k >= p.size() || Lower(p[i + k]) != word[k]) {
            return false;
        }
    }
    return true;
}

bool HasAmPm(std::string_view p)
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
    Formatter(const QDate& date, const QTime& time, const FormatSettings& s)
        : date_(date), time_(time), s_(s)
    {
    }

    void Append(std::string_view p, int depth)
    {
        const bool twelveHour = HasAmPm(p);
        bool afterHour = false;
        for (std::size_t i = 0; i < p.size();) {
            const char c = Lower(p[i]);
            const char original = p[i];
            bool hour = false;
            if (c == '\'' || c == '"') {
                const auto end = p.find(original, i + 1);
                const auto stop = end == std::string_view::npos ? p.size() : end;
                out_ += p.substr(i + 1, stop - i - 1);
                i = stop + 1;
                continue;
            }
            const std::size_t n = Run(p, i, c);
            const QDate& date = date_;
            const QTime& time = time_;
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

    void AmPm(const std::string& am, const std::string& pm) { out_ += time_.hour() < 12 ? am : pm; }

    const QDate& date_;
    const QTime& time_;
    const FormatSettings& s_;
    std::string out_;
};

} // namespace

std::string FormatDateTime(std::string_view pattern, const QDate& date, const QTime& time,
                           const FormatSettings& settings)
{
    Formatter f(date, time, settings);
    f.Append(pattern.empty() ? std::string_view("c") : pattern, 0);
    return f.Result();
}

} // namespace marlune::platform
