#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QString;

// Texts inside the table and the report are bytes in Windows-1252. These are
// the only conversions to and from Unicode.
namespace marlune::platform {

// The Unicode code point of one Windows-1252 byte. The five bytes that
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// control of the same value, as the platform's own conversion does.
char32_t ToUnicode(unsigned char byte);

// The Windows-1252 byte for a code point, or nothing when the code page
// cannot hold it.
std::optional<unsigned char> FromUnicode(char32_t codePoint);

// Whole texts. FromUtf8/FromUtf16 replace what the code page cannot hold by
// '?', like the platform's best-fit-free conversion; the Strict variants
// report the first such character instead (position in code points).
std::string ToUtf8(std::string_view text);
std::string FromUtf8(std::string_view utf8);
std::string FromUtf16(std::u16string_view utf16);
struct Unrepresentable {
    std::size_t position; // index of the code point in the input
    char32_t codePoint;
};
std::optional<Unrepresentable> StrictFromUtf8(std::string_view utf8, std::string& out);
std::optional<Unrepresentable> StrictFromUtf16(std::u16string_view utf16, std::string& out);

// The offset of the first byte that does not begin a well-formed UTF-8
// sequence; nothing when the whole text is UTF-8.
std::optional<std::size_t> FirstNonUtf8Byte(std::string_view text);

// The screen boundary.
QString ToQString(std::string_view text);
std::string FromQString(const QString& text);

} // namespace marlune::platform
