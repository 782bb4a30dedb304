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
// "HTTP Secure Socket is not supported", the integer conversion error for a
// port that is not a number, and "Port N is outside 1 to 65535".
ParsedUrl ParseUrl(const std::string& url, const std::string& host, int port);

// The URL a redirect's Location leads to from the request it answered: an
// absolute http URL as it stands; "//host/path", "/path" and "path" resolved
// against the request's URL, keeping its host and port. Raises a message
// that says what the server asked for when the location is not an http
// address or names a port outside 1 to 65535.
std::string ResolveRedirect(const std::string& location, const ParsedUrl& request);

// The platform's text-to-integer conversion: optional sign, decimal or "$"
// hexadecimal digits; anything else raises "'text' is not a valid integer
// value".
int StrToInt(const std::string& text);

} // namespace marlune::net
