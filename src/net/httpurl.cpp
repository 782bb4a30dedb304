#include "net/httpurl.h"

#include "platform/error.h"

#include <climits>

namespace marlune::net {
namespace {

constexpr std::size_t kMaxPath = 256;

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// Position of the n-th (1-based) "/" in text, npos when there are fewer.
std::size_t NthSlash(const std::string& text, int n)
{
    std::size_t at = std::string::npos;
    for (int i = 0; i < n; ++i) {
        at = text.find('/', at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos) {
            break;
        }
    }
    return at;
}

} // namespace

int StrToInt(const std::string& text)
{
    const auto fail = [&text]() -> int {
        throw Error("'" + text + "' is not a valid integer value");
    };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) {
        return fail();
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return fail();
        }
        value = value * base + digit;
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return fail();
        }
    }
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN) {
        return fail();
    }
    return static_cast<int>(value);
}

ParsedUrl ParseUrl(const std::string& url, const std::string& host, int port)
{
    if (url.empty()) {
        throw Error("Empty URL");
    }
    ParsedUrl out{url, host, port == 0 ? 80 : port, {}};
    const bool hasDoubleSlash = url.find("//") != std::string::npos;

    if (hasDoubleSlash) {
        if (const std::size_t third = NthSlash(url, 3); third != std::string::npos) {
            out.path = url.substr(third, kMaxPath);
            if (third + 1 == url.size()) {
                out.path.clear();
            }
        }
    } else if (const std::size_t first = url.find('/'); first != std::string::npos) {
        out.path = url.substr(first);
    }

    if (const std::size_t colon = url.find(':'); colon != std::string::npos) {
        const std::string scheme = Lower(url.substr(0, colon));
        if (scheme == "gopher") {
            out.port = 70;
        } else if (scheme == "ftp") {
            out.port = 21;
        } else if (scheme == "https") {
            throw Error("HTTP Secure Socket is not supported");
        } else {
            out.port = 80;
        }
    }

    std::string hostPart;
    if (hasDoubleSlash) {
        const std::size_t second = NthSlash(url, 2);
        const std::size_t third = NthSlash(url, 3);
        hostPart = url.substr(second + 1,
                              third == std::string::npos ? std::string::npos : third - second - 1);
    } else if (url.front() != '/') {
        hostPart = url.substr(0, url.find('/'));
    }
    if (const std::size_t colon = hostPart.find(':'); colon != std::string::npos) {
        out.port = StrToInt(hostPart.substr(colon + 1));
        hostPart.resize(colon);
    }
    if (!hostPart.empty()) {
        out.host = hostPart;
    }
    if (out.path.empty()) {
        out.path.assign(1, '/');
        out.url.push_back('/');
    }
    return out;
}

} // namespace marlune::net
