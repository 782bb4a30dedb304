#pragma once

#include <string>

// How the HTTP client reads a request URL.
namespace marlune::net {

struct ParsedUrl {
    std::string url;  // the URL, with "/" appended when it had no path
    std::string host; // Host after parsing (unchanged when the URL names none)
    int port = 80;    // Port after parsing
    std::string path; // the request path, "/" at least
};

// Parses url against the client's current Host and Port. Raises "Empty URL",
// "HTTP Secure Socket is not supported", and the integer conversion error
// for a port that is not a number.
ParsedUrl ParseUrl(const std::string& url, const std::string& host, int port);

// The platform's text-to-integer conversion: optional sign, decimal or "$"
// hexadecimal digits; anything else raises "'text' is not a valid integer
// value".
int StrToInt(const std::string& text);

} // namespace marlune::net
