#include "net/httpclient.h"

#include "net/httpurl.h"
#include "platform/flagscope.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace marlune::net {
namespace {

struct Command {
    const char* method;
    bool sendsLength; // a Content-Length line
    bool sendsBody;
};

constexpr Command kCommands[] = {
    {"GET", false, false},  {"OPTIONS", false, false}, {"HEAD", false, false},
    {"POST", true, true},   {"PUT", true, true},       {"PATCH", true, true},
    {"COPY", false, false}, {"MOVE", false, false},    {"DELETE", false, false},
    {"LINK", true, false},  {"UNLINK", true, false},   {"TRACE", true, true},
};

} // namespace

HttpClient::HttpClient() = default;

void HttpClient::Get(const std::string& url)
{
    Request(CmdGet, url, {}, {});
}
void HttpClient::GetToFile(const std::string& url, const std::string& path)
{
    Request(CmdGet, url, {}, {}, path);
}
void HttpClient::Options(const std::string& url)
{
    Request(CmdOptions, url, {}, {});
}
void HttpClient::Head(const std::string& url)
{
    Request(CmdHead, url, {}, {});
}
void HttpClient::Post(const std::string& url, const std::string& data)
{
    if (outputFileMode_) {
        Request(CmdPost, url, data, {});
        return;
    }
    UrlEncoder encoder = Encoder;
    encoder.SetInputString(data);
    Request(CmdPost, url, encoder.Encode(), {});
}
void HttpClient::Put(const std::string& url, const std::string& data)
{
    Request(CmdPut, url, data, {});
}
void HttpClient::Patch(const std::string& url, const std::string& data)
{
    Request(CmdPatch, url, data, {});
}
void HttpClient::Copy(const std::string& url, const std::string& target)
{
    Request(CmdCopy, url, {}, "URI-header: " + target);
}
void HttpClient::Move(const std::string& url, const std::string& target)
{
    Request(CmdMove, url, {}, "URI-header: " + target);
}
void HttpClient::Delete(const std::string& url)
{
    Request(CmdDelete, url, {}, {});
}
void HttpClient::Link(const std::string& url, const std::string& linkValue)
{
    Request(CmdLink, url, "Send.dat", "Link: " + linkValue);
}
void HttpClient::Unlink(const std::string& url, const std::string& linkValue)
{
    Request(CmdUnlink, url, "Send.dat", "Link: " + linkValue);
}
void HttpClient::Trace(const std::string& url, const std::string& data)
{
    Request(CmdTrace, url, data, {});
}

void HttpClient::Abort()
{
    SetLookupDone(true);
    SocketTransport::Abort();
}

void HttpClient::PacketRecvd()
{
    if (OnPacketRecvd) {
        OnPacketRecvd();
    }
}

void HttpClient::PacketSent()
{
    if (OnPacketSent) {
        OnPacketSent();
    }
}

void HttpClient::Request(CmdType cmd, const std::string& url, std::string data, std::string extra,
                         std::optional<std::string> bodyFile)
{
    // A request started from a handler while one runs must leave the
    // running one alone: its URL, its lines, its connection.
    if (busy_) {
        throw SocketError("HTTP request already in progress");
    }
    platform::FlagScope busy(busy_);
    url_ = url;
    data_ = std::move(data);
    extra_ = std::move(extra);
    if (!bodyFile && inputFileMode_) {
        bodyFile = body_;
    }
    bodyFile_ = std::move(bodyFile);
    for (int redirects = 0; Exchange(cmd, redirects); ++redirects) {
    }
}

bool HttpClient::Exchange(CmdType cmd, int redirects)
{
    reached_ = false;
    const ParsedUrl parsed = ParseUrl(url_, Host(), Port());
    url_ = parsed.url;
    path_ = parsed.path;
    SetHost(parsed.host);
    SetPort(parsed.port);
    BuildRequest(cmd, kCommands[cmd].method);
    if (OnAboutToSend) {
        OnAboutToSend();
    }

    head_ = ResponseHead{};
    int status = 0;
    bool followed = false;
    try {
        Connect();
        reached_ = true;
        SendRequest(cmd);
        ReadResponseHeader();
        if (bodyFile_) {
            CaptureFile(*bodyFile_);
        } else {
            // Room for the announced length up front, within reason: the
            // length is the server's word only.
            body_.clear();
            body_.reserve(std::min<std::size_t>(head_.contentLength, kMaxReserve));
            CaptureString(body_, maxBodyLength_);
        }
        status = head_.statusCode;
        const bool redirect = status >= 300 && status <= 302 && head_.location.has_value() &&
                              IsSafeRequestValue(*head_.location, true);
        // 299 is a success like any 2xx. A redirect that is not followed (303
        // to 399, one without a usable Location, or one past the limit) did
        // not fetch what was asked for: a failure.
        followed = redirect && redirects < kMaxRedirects;
        if (status < 300) {
            if (OnSuccess) {
                OnSuccess(cmd);
            }
            ReportStatus(2, "Transaction Completed");
        } else if (!followed && OnFailure) {
            OnFailure(cmd);
        }
    } catch (...) {
        Disconnect();
        throw;
    }
    Disconnect();

    if (status >= 300 && status <= 398) {
        // A cookie that would break the next request's lines is not sent.
        if (head_.cookie && IsSafeRequestValue(*head_.cookie, false)) {
            headerInfo_.Cookie = *head_.cookie;
        }
        bool handled = false;
        if (OnRedirect) {
            OnRedirect(handled);
        }
        if (handled) {
            return false;
        }
    }
    if (status == 401 && OnAuthenticationNeeded) {
        OnAuthenticationNeeded();
    }
    if (!followed) {
        return false;
    }
    url_ = ResolveRedirect(*head_.location, parsed);
    return true;
}

void HttpClient::BuildRequest(CmdType cmd, const std::string& method)
{
    requestLines_.Clear();
    const std::string target = Proxy().empty() ? path_ : url_;
    requestLines_.Add(method + " " + target + " HTTP/1.0");
    if (!Proxy().empty()) {
        requestLines_.Add("Proxy-Connection: Keep-Alive");
    }
    requestLines_.Add("Host: " + Host());
    requestLines_.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    requestLines_.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    requestLines_.SetValue("User-Agent", headerInfo_.LocalProgram);
    requestLines_.SetValue("From", headerInfo_.LocalMailAddress);
    requestLines_.SetValue("Cookie", headerInfo_.Cookie);
    requestLines_.SetValue("Referer", headerInfo_.Referer);
    if (!headerInfo_.UserId.empty() && !headerInfo_.Password.empty()) {
        requestLines_.SetValue("Authorization", "Basic " + Base64Encode(headerInfo_.UserId + ":" +
                                                                        headerInfo_.Password));
    }
    requestLines_.Add("Content-type: application/x-www-form-urlencoded");
    if (!extra_.empty()) {
        requestLines_.Add(extra_);
    }
    if (kCommands[cmd].sendsLength) {
        std::uint64_t size = data_.size();
        if (outputFileMode_) {
            struct stat info {};
            if (::stat(data_.c_str(), &info) != 0) {
                throw Error("Cannot open file \"" + data_ + "\": " + std::strerror(errno));
            }
            size = static_cast<std::uint64_t>(info.st_size);
        }
        requestLines_.Add("Content-Length: " + std::to_string(size));
    }
}

void HttpClient::SendRequest(CmdType cmd)
{
    Write(requestLines_.Text());
    Writeln("");
    if (!kCommands[cmd].sendsBody) {
        return;
    }
    if (outputFileMode_) {
        SendFile(data_);
    } else {
        Write(data_);
    }
}

void HttpClient::ReadResponseHeader()
{
    std::ofstream file;
    if (outputFileMode_) {
        file.open(header_, std::ios::binary | std::ios::trunc);
        if (!file) {
            throw Error("Cannot create file \"" + header_ + "\"");
        }
    } else {
        header_.clear();
    }
    std::size_t size = 0;
    const auto append = [&](const std::string& line) {
        size += line.size();
        if (size > kMaxHeaderSize) {
            throw Error("HTTP response header too long");
        }
        if (outputFileMode_) {
            file << line;
        } else {
            header_ += line;
        }
    };

    const std::string status = ReadLn();
    if (!status.empty()) {
        head_.statusLine = std::string(WithoutLineEnd(status));
        head_.statusCode = StatusCodeOf(status);
        append(status);
        for (;;) {
            const std::string line = ReadLn();
            const bool end = ApplyHeaderLine(line, head_);
            append(line);
            if (end) {
                break;
            }
        }
    }
    if (head_.location) {
        location_ = *head_.location;
    }
}

} // namespace marlune::net
