#include "net/updatecheck.h"

#include "net/socketerror.h"

namespace marlune::net {
namespace {

bool IsSuccess(int statusCode)
{
    return statusCode >= 200 && statusCode <= 299;
}

// "10061:Connection refused" without its code; other texts as they are.
std::string Description(const std::string& text)
{
    const std::size_t colon = text.find(':');
    if (colon == 5 && text.find_first_not_of("0123456789") == colon) {
        return text.substr(colon + 1);
    }
    return text;
}

} // namespace

std::string CheckFileUrl(const std::string& host)
{
    return "http://" + host + "/mrl_check.txt";
}

std::string DataFileUrl(const std::string& host, const std::string& fileName)
{
    return "http://" + host + "/" + fileName;
}

bool IsPlainFileName(std::string_view name)
{
    if (name.empty() || name.front() == '.') {
        return false;
    }
    for (const char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) {
            return false;
        }
    }
    return true;
}

bool IsDataFileName(std::string_view name)
{
    constexpr std::string_view kExtension = ".dat";
    constexpr std::size_t kDigits = 8;
    if (name.size() != kDigits + kExtension.size() || !name.ends_with(kExtension)) {
        return false;
    }
    for (std::size_t i = 0; i < kDigits; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
    }
    return true;
}

std::optional<std::string> NewerDataFile(int statusCode, std::string_view body,
                                         std::string_view current)
{
    if (!IsSuccess(statusCode)) {
        return std::nullopt;
    }
    const std::string_view candidate = body.substr(0, kCandidateLength);
    // An HTML page (an error page sent with 200) is no file name; "<" would
    // sort after the digits of any date.
    if (candidate == "<!DOCTYPE HT" || !IsDataFileName(candidate) || candidate <= current) {
        return std::nullopt;
    }
    return std::string(candidate);
}

std::optional<std::string> DownloadProblem(int statusCode, const std::string& statusLine,
                                           std::uint32_t contentLength, std::uint32_t bytesReceived)
{
    if (!IsSuccess(statusCode)) {
        return statusLine.empty() ? std::string("no HTTP status line") : statusLine;
    }
    if (contentLength != 0 && bytesReceived < contentLength) {
        return "the transfer was cut short after " + std::to_string(bytesReceived) + " of " +
               std::to_string(contentLength) + " bytes";
    }
    return std::nullopt;
}

std::string TransportFailureText(const std::string& message, int lastError)
{
    if (message == "Connection Failed" && lastError > 10000) {
        return Description(ErrorText(lastError));
    }
    if (message == "Null Remote Address" || message == "Host Lookup Failed") {
        return "Host not found";
    }
    return Description(message);
}

} // namespace marlune::net
