#pragma once

#include <string>
#include <string_view>

namespace marlune::platform {

// Case changes of the ASCII letters only, whatever the process's locale:
// protocol words, expression keywords and names compare this way, and bytes
// past 0x7F (Windows-1252 text) stay as they are.
inline char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline std::string UpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = UpperAscii(c);
    }
    return out;
}

} // namespace marlune::platform
