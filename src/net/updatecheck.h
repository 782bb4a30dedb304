#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the Update command decides from the update server's answers: pure
// decisions over texts, with no socket and no file, so that every rule is
// tested without a network and the service above only carries them out.
namespace marlune::net {

inline constexpr std::size_t kCandidateLength = 12;

// The check file's URL and a data file's URL on the update server; host may
// carry a port ("127.0.0.1:8080").
std::string CheckFileUrl(const std::string& host);
std::string DataFileUrl(const std::string& host, const std::string& fileName);

// Whether name may be written in the working directory: not empty, only
// letters, digits, ".", "-" and "_", not beginning with "." (so neither ".."
// nor a hidden file), no separator, no control character.
bool IsPlainFileName(std::string_view name);

// Whether name has the form of the program's data files, eight digits and
// ".dat": the only files an update may write.
bool IsDataFileName(std::string_view name);

// The data file the check answer names when it is newer than current: the
// first 12 characters of a 2xx answer's body, if they form a data file name
// that sorts after current (bytes compared from the left, a prefix being
// the smaller). Nothing otherwise: "No updated data file available yet."
std::optional<std::string> NewerDataFile(int statusCode, std::string_view body,
                                         std::string_view current);

// Why a download may not replace anything, or nothing when the transfer is
// complete: a status other than 2xx (the status line is the reason), or a
// body shorter than its Content-Length.
std::optional<std::string> DownloadProblem(int statusCode, const std::string& statusLine,
                                           std::uint32_t contentLength,
                                           std::uint32_t bytesReceived);

// The reason a request failed, in words: the socket error behind "Connection
// Failed" or a socket call ("Connection refused", not "10061:..."), "Host not
// found" for a name that gave no address, else the message.
std::string TransportFailureText(const std::string& message, int lastError);

} // namespace marlune::net
