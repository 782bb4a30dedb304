#include "net/httpurl.h"

#include "platform/error.h"

#include <climits>

namespace marlune::net {
namespace {

constexpr std::size_t kMaxPath = 256;
constexpr int kMaxPort = 65535;

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
        const std::string portText = hostPart.substr(colon + 1);
        out.port = StrToInt(portText);
        // A socket port has 16 bits: 99999 would wrap to another port.
        if (out.port < 1 || out.port > kMaxPort) {
            throw Error("Port " + portText + " is outside 1 to " + std::to_string(kMaxPort));
        }
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

std::string ResolveRedirect(const std::string& location, const ParsedUrl& request)
{
    const std::string said = "the server redirected to \"" + location + "\"";
    // A scheme is letters, digits, "+", "-" and "." before the first ":",
    // beginning with a letter; anything else before a ":" is part of a path.
    const std::size_t colon = location.find(':');
    const std::size_t slash = location.find('/');
    bool hasScheme =
        colon != std::string::npos && colon > 0 && (slash == std::string::npos || colon < slash);
    for (std::size_t i = 0; hasScheme && i < colon; ++i) {
        const char c = location[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        hasScheme = letter || (i > 0 && other);
    }
    std::string absolute;
    if (hasScheme) {
        const std::string scheme = Lower(location.substr(0, colon));
        if (scheme != "http") {
            throw Error(said + ", which is not an http address");
        }
        if (location.compare(colon, 3, "://") != 0) {
            throw Error(said + ", which names no server");
        }
        absolute = location;
    } else {
        const std::string origin = "http://" + request.host + ":" + std::to_string(request.port);
        if (location.starts_with("//")) {
            absolute = "http:" + location;
        } else if (location.starts_with("/")) {
            absolute = origin + location;
        } else {
            // Relative to the folder of the request's path.
            const std::string& path = request.path;
            absolute = origin + path.substr(0, path.rfind('/') + 1) + location;
        }
    }
    try {
        const ParsedUrl target = ParseUrl(absolute, request.host, request.port);
        if (NthSlash(absolute, 2) + 1 == NthSlash(absolute, 3) || target.host.empty()) {
            throw Error("it names no server");
        }
    } catch (const Error& e) {
        throw Error(said + ": " + e.what());
    }
    return absolute;
}

} // namespace marlune::net
