#pragma once

#include "net/headerlist.h"
#include "net/httpresponse.h"
#include "net/sockettransport.h"
#include "net/urlencoder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// An HTTP/1.0 client: each request opens a fresh connection, sends one
// request, reads the header line by line and the body until the server
// closes, and closes. HTTP statuses are reported through events, transport
// failures raise.
namespace marlune::net {

enum CmdType {
    CmdGet = 0,
    CmdOptions = 1,
    CmdHead = 2,
    CmdPost = 3,
    CmdPut = 4,
    CmdPatch = 5,
    CmdCopy = 6,
    CmdMove = 7,
    CmdDelete = 8,
    CmdLink = 9,
    CmdUnlink = 10,
    CmdTrace = 11,
};

// Optional request header values.
struct HeaderInfo {
    std::string LocalMailAddress;
    std::string LocalProgram;
    std::string Cookie;
    std::string Referer;
    std::string UserId;
    std::string Password;
};

class HttpClient : public SocketTransport {
public:
    // Redirects followed in one call at most.
    static constexpr int kMaxRedirects = 10;
    // A response header larger than this is refused (it would otherwise
    // grow without bound).
    static constexpr std::size_t kMaxHeaderSize = 1 << 20;
    // Body memory reserved ahead from a Content-Length at most.
    static constexpr std::size_t kMaxReserve = 64u << 20;

    HttpClient();

    // InputFileMode false: the body as received; true: the body's file name.
    const std::string& Body() const { return body_; }
    void SetBody(std::string body) { body_ = std::move(body); }
    // OutputFileMode false: the header text as received; true: its file name.
    const std::string& Header() const { return header_; }
    void SetHeader(std::string header) { header_ = std::move(header); }
    bool InputFileMode() const { return inputFileMode_; }
    void SetInputFileMode(bool on) { inputFileMode_ = on; }
    bool OutputFileMode() const { return outputFileMode_; }
    void SetOutputFileMode(bool on) { outputFileMode_ = on; }
    HeaderInfo& Info() { return headerInfo_; }
    // With InputFileMode false, the body capture stops once this many bytes
    // have arrived; -1 = no limit.
    long long MaxBodyLength() const { return maxBodyLength_; }
    void SetMaxBodyLength(long long length) { maxBodyLength_ = length; }

    std::function<void()> OnPacketRecvd;
    std::function<void()> OnPacketSent;
    std::function<void()> OnAboutToSend;
    std::function<void(CmdType cmd)> OnSuccess;
    std::function<void(CmdType cmd)> OnFailure;
    std::function<void(bool& handled)> OnRedirect;
    std::function<void()> OnAuthenticationNeeded;

    void Get(const std::string& url);
    // A GET whose body goes into the file `path` whatever InputFileMode
    // says; Body and InputFileMode keep their values, so a download needs no
    // switching back and forth around the call.
    void GetToFile(const std::string& url, const std::string& path);
    void Options(const std::string& url);
    void Head(const std::string& url);
    void Post(const std::string& url, const std::string& data);
    void Put(const std::string& url, const std::string& data);
    void Patch(const std::string& url, const std::string& data);
    void Copy(const std::string& url, const std::string& target);
    void Move(const std::string& url, const std::string& target);
    void Delete(const std::string& url);
    void Link(const std::string& url, const std::string& linkValue);
    void Unlink(const std::string& url, const std::string& linkValue);
    void Trace(const std::string& url, const std::string& data);

    void Abort() override;

    int StatusCode() const { return head_.statusCode; }
    const std::string& StatusLine() const { return head_.statusLine; }
    std::uint32_t ContentLength() const { return head_.contentLength; }
    const std::string& Location() const { return location_; }
    const std::string& Url() const { return url_; }
    // Whether a request is running (a second one started meanwhile fails).
    bool Busy() const { return busy_; }
    // Whether the last exchange (the last redirect's, when one was followed)
    // got a connection, so that its failure was the server's answer and not
    // the way there.
    bool ServerReached() const { return reached_; }
    // The header lines of the last request, without the empty line.
    const HeaderList& RequestLines() const { return requestLines_; }

    UrlEncoder Encoder;

protected:
    void PacketRecvd() override;
    void PacketSent() override;

private:
    // `bodyFile`: the file that receives the body; none: as InputFileMode
    // says.
    void Request(CmdType cmd, const std::string& url, std::string data, std::string extra,
                 std::optional<std::string> bodyFile = std::nullopt);
    // One exchange; true when a redirect is to be followed (url_ holds it).
    bool Exchange(CmdType cmd, int redirects);
    void BuildRequest(CmdType cmd, const std::string& method);
    void SendRequest(CmdType cmd);
    void ReadResponseHeader();

    std::string body_ = "Default.htm";
    std::string header_ = "Head.txt";
    bool inputFileMode_ = false;
    bool outputFileMode_ = false;
    long long maxBodyLength_ = -1;
    HeaderInfo headerInfo_;

    std::string url_;
    std::string path_;
    std::string data_;
    std::string extra_;
    // Where the running request's body goes: this file, or Body when none.
    std::optional<std::string> bodyFile_;
    HeaderList requestLines_;
    ResponseHead head_;
    std::string location_;
    bool busy_ = false;
    bool reached_ = false;
};

} // namespace marlune::net
