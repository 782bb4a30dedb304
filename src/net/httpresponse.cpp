#include "net/httpresponse.h"

#include "platform/ascii.h"
#include <limits>

namespace marlune::net {
namespace {

constexpr std::size_t kMaxValue = 256;

bool StartsWithIgnoringCase(std::string_view text, std::string_view upperPrefix)
{
    if (text.size() < upperPrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < upperPrefix.size(); ++i) {
        if (platform::UpperAscii(text[i]) != upperPrefix[i]) {
            return false;
        }
    }
    return true;
}

// The line's first space-separated word is name (in upper case).
bool FirstWordIs(std::string_view line, std::string_view upperName)
{
    return StartsWithIgnoringCase(line, upperName) && line.size() > upperName.size() &&
           line[upperName.size()] == ' ';
}

std::string ValueFrom(std::string_view line, std::size_t start)
{
    const std::string_view value = WithoutLineEnd(line);
    if (start >= value.size()) {
        return {};
    }
    return std::string(value.substr(start, kMaxValue));
}

} // namespace

std::string_view WithoutLineEnd(std::string_view line)
{
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
    }
    return line;
}

bool IsSafeRequestValue(std::string_view value, bool url)
{
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (url && byte == ' ')) {
            return false;
        }
    }
    return true;
}

int StatusCodeOf(std::string_view statusLine)
{
    const std::string_view line = WithoutLineEnd(statusLine);
    const std::size_t first = line.find(' ');
    if (first == std::string_view::npos) {
        return 0;
    }
    std::string_view field = line.substr(first + 1);
    field = field.substr(0, field.find(' '));
    if (field.empty() || field.size() > 5) {
        return 0;
    }
    int code = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return 0;
        }
        code = code * 10 + (c - '0');
    }
    return code > 65535 ? 0 : code;
}

bool ApplyHeaderLine(std::string_view line, ResponseHead& head)
{
    if (line.empty() || line == "\n" || line == "\r\n") {
        return true;
    }
    if (FirstWordIs(line, "SET-COOKIE:")) {
        head.cookie = ValueFrom(line, 12);
    } else if (FirstWordIs(line, "LOCATION:")) {
        head.location = ValueFrom(line, 10);
    } else if (FirstWordIs(line, "CONTENT-LENGTH:")) {
        std::size_t i = 16;
        while (i < line.size() && (line[i] < '0' || line[i] > '9')) {
            ++i;
        }
        std::uint64_t value = 0;
        for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
            value = value * 10 + static_cast<std::uint64_t>(line[i] - '0');
            // Saturates rather than wrapping round to a small length.
            if (value > std::numeric_limits<std::uint32_t>::max()) {
                value = std::numeric_limits<std::uint32_t>::max();
            }
        }
        head.contentLength = static_cast<std::uint32_t>(value);
    }
    return false;
}

} // namespace marlune::net
