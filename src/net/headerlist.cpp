#include "net/headerlist.h"

#include <algorithm>
#include <cstdint>

namespace marlune::net {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

void HeaderList::SetValue(std::string_view name, std::string_view value)
{
    const auto found = std::find_if(lines_.begin(), lines_.end(), [name](const std::string& line) {
        const auto colon = line.find(':');
        return colon != std::string::npos &&
               SameNameIgnoringCase(std::string_view(line).substr(0, colon), name);
    });
    if (value.empty()) {
        if (found != lines_.end()) {
            lines_.erase(found);
        }
        return;
    }
    std::string line = std::string(name) + ": " + std::string(value);
    if (found != lines_.end()) {
        *found = std::move(line);
    } else {
        lines_.push_back(std::move(line));
    }
}

std::string HeaderList::Text() const
{
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string Base64Encode(std::string_view bytes)
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group <<= 8;
            if (k < left) {
                group |= static_cast<unsigned char>(bytes[i + k]);
            }
        }
        for (std::size_t k = 0; k < 4; ++k) {
            out += k <= left ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}

} // namespace marlune::net
