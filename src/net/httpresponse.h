#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reading an HTTP response header line by line, as the client receives it.
namespace marlune::net {

struct ResponseHead {
    std::string statusLine; // without its line end
    int statusCode = 0;     // 0 when the status line has none
    std::uint32_t contentLength = 0;
    std::optional<std::string> cookie;
    std::optional<std::string> location;
};

// The status code of a status line: its second field when split at single
// spaces, as a number from 0 to 65535; 0 when it is not one.
int StatusCodeOf(std::string_view statusLine);

// Takes one header line (with its line end as received) into head. Names
// are recognised in any case, followed by ":" and a space. Returns true for
// the line that ends the header: exactly LF, exactly CR LF, or empty (the
// connection closed).
bool ApplyHeaderLine(std::string_view line, ResponseHead& head);

// Whether a value taken from a response may go into a request line: no
// control characters (which could end the line early or add lines of the
// server's choosing) and, for a URL, no spaces.
bool IsSafeRequestValue(std::string_view value, bool url);

// The line without a trailing CR LF or LF.
std::string_view WithoutLineEnd(std::string_view line);

} // namespace marlune::net
