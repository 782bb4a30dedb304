#include "platform/cp1252.h"

#include <QString>

#include <array>

namespace marlune::platform {
namespace {

// 0x80..0x9F; the other bytes are Latin-1.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; malformed input yields U+FFFD and
// consumes one byte, so decoding always makes progress.
char32_t NextUtf8(std::string_view text, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + static_cast<std::size_t>(len) > text.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

// Decodes one UTF-16 code point at text[i], a surrogate pair when there is
// one; a lone surrogate is returned as it stands (no code page holds it).
char32_t NextUtf16(std::u16string_view text, std::size_t& i)
{
    char32_t cp = text[i++];
    if (cp >= 0xD800 && cp <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
    }
    return cp;
}

// Converts the whole text, or reports the first code point the code page
// cannot hold (malformed input decodes to U+FFFD, which it cannot hold either).
template <typename Text, typename Next>
std::optional<Unrepresentable> StrictDecode(Text text, std::string& out, Next next)
{
    out.clear();
    out.reserve(text.size());
    std::size_t index = 0;
    for (std::size_t i = 0; i < text.size(); ++index) {
        const char32_t cp = next(text, i);
        const auto b = FromUnicode(cp);
        if (!b) {
            return Unrepresentable{index, cp};
        }
        out += static_cast<char>(*b);
    }
    return std::nullopt;
}

} // namespace

char32_t ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0) {
        return kHigh[byte - 0x80];
    }
    return byte;
}

std::optional<unsigned char> FromUnicode(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<unsigned char>(cp);
    }
    for (std::size_t k = 0; k < kHigh.size(); ++k) {
        if (kHigh[k] == cp) {
            return static_cast<unsigned char>(0x80 + k);
        }
    }
    return std::nullopt;
}

std::string ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string FromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = FromUnicode(NextUtf8(utf8, i));
        out += b ? static_cast<char>(*b) : '?';
    }
    return out;
}

std::optional<Unrepresentable> StrictFromUtf8(std::string_view utf8, std::string& out)
{
    return StrictDecode(utf8, out, NextUtf8);
}

std::optional<std::size_t> FirstNonUtf8Byte(std::string_view text)
{
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD itself
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        if (NextUtf8(text, i) == 0xFFFD && text.substr(start, i - start) != kReplacement) {
            return start;
        }
    }
    return std::nullopt;
}

std::string FromUtf16(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size();) {
        const auto b = FromUnicode(NextUtf16(utf16, i));
        out += b ? static_cast<char>(*b) : '?';
    }
    return out;
}

std::optional<Unrepresentable> StrictFromUtf16(std::u16string_view utf16, std::string& out)
{
    return StrictDecode(utf16, out, NextUtf16);
}

QString ToQString(std::string_view text)
{
    QString s;
    s.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) {
        s += QChar(static_cast<char16_t>(ToUnicode(static_cast<unsigned char>(c))));
    }
    return s;
}

std::string FromQString(const QString& text)
{
    return FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<std::size_t>(text.size())));
}

} // namespace marlune::platform
