#include "report/expr/formatsettings.h"

#include "platform/cp1252.h"
#include "platform/dateformat.h"

#include <QLocale>
#include <QString>

#include <optional>

namespace marlune::report::expr {

namespace {

std::string Narrow(const QString& text)
{
    return platform::FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                   static_cast<std::size_t>(text.size())));
}

std::optional<char> SingleByte(const QString& text)
{
    if (text.size() != 1) {
        return std::nullopt;
    }
    const auto byte = platform::FromUnicode(text.at(0).unicode());
    if (!byte) {
        return std::nullopt;
    }
    return static_cast<char>(*byte);
}

FormatSettings& Process()
{
    static FormatSettings settings = SystemFormatSettings();
    return settings;
}

} // namespace

FormatSettings SystemFormatSettings()
{
    FormatSettings s;
    const QLocale locale = QLocale::system();
    if (const auto c = SingleByte(locale.decimalPoint())) {
        s.decimalSeparator = *c;
    }
    if (const auto c = SingleByte(locale.groupSeparator())) {
        s.thousandSeparator = *c;
    }
    if (s.thousandSeparator == s.decimalSeparator) {
        s.thousandSeparator = s.decimalSeparator == ',' ? '.' : ',';
    }
    s.timeAm = Narrow(locale.amText());
    s.timePm = Narrow(locale.pmText());
    for (int m = 1; m <= 12; ++m) {
        s.shortMonthNames[m - 1] = Narrow(locale.monthName(m, QLocale::ShortFormat));
        s.longMonthNames[m - 1] = Narrow(locale.monthName(m, QLocale::LongFormat));
    }
    // Qt counts Monday as 1 and Sunday as 7.
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d;
        s.shortDayNames[d] = Narrow(locale.dayName(qtDay, QLocale::ShortFormat));
        s.longDayNames[d] = Narrow(locale.dayName(qtDay, QLocale::LongFormat));
    }
    return s;
}

const FormatSettings& ProcessFormatSettings()
{
    // The date formats are the process's own, which the application manager
    // sets: every date the program writes follows the same formats.
    FormatSettings& settings = Process();
    settings.shortDateFormat = platform::ShortDateFormat();
    settings.longDateFormat = platform::LongDateFormat();
    return settings;
}

void SetProcessDateFormats(const std::string& shortDate, const std::string& longDate)
{
    platform::SetShortDateFormat(shortDate);
    platform::SetLongDateFormat(longDate);
}

void SetProcessFormatSettings(const FormatSettings& settings)
{
    Process() = settings;
    SetProcessDateFormats(settings.shortDateFormat, settings.longDateFormat);
}

} // namespace marlune::report::expr
