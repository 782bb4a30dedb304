#pragma once

#include "net/socketerror.h"
#include "net/sockettimer.h"
#include "platform/sockets.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One TCP connection with operations that return only when done. While an
// operation waits, the event loop runs (blocking until something happens),
// so the window stays responsive and the socket's notifications, timers and
// user input are all handled inside the wait. Everything runs on the thread
// that created the component.
namespace marlune::net {

class SocketTransport {
public:
    static constexpr std::size_t kBufferSize = 65536;

    SocketTransport();
    virtual ~SocketTransport();
    SocketTransport(const SocketTransport&) = delete;
    SocketTransport& operator=(const SocketTransport&) = delete;

    // Published properties.
    const std::string& Host() const { return host_; }
    void SetHost(std::string host) { host_ = std::move(host); }
    int Port() const { return port_; }
    void SetPort(int port) { port_ = port; }
    // Milliseconds each waiting operation may take in total; 0 = no limit.
    int TimeOut() const { return timeOut_; }
    void SetTimeOut(int timeOut) { timeOut_ = timeOut; }
    // Status texts of this level or below are reported.
    int ReportLevel() const { return reportLevel_; }
    void SetReportLevel(int level) { reportLevel_ = level; }
    // When set, lookups and connections go to the proxy instead of Host:Port.
    const std::string& Proxy() const { return proxy_; }
    void SetProxy(std::string proxy) { proxy_ = std::move(proxy); }
    int ProxyPort() const { return proxyPort_; }
    void SetProxyPort(int port) { proxyPort_ = port; }

    std::function<void(const std::string& status)> OnStatus;
    std::function<void()> OnConnect;
    std::function<void()> OnDisconnect;
    std::function<void()> OnConnectionFailed;
    // The host gave no address; setting handled asks for one more try.
    std::function<void(bool& handled)> OnInvalidHost;
    std::function<void()> OnHostResolved;

    void Connect();
    void Disconnect();
    void Cancel();
    virtual void Abort();
    void ResolveHost();

    // Sends text up to its first NUL, all of it however long.
    void Write(std::string_view text);
    void Writeln(std::string_view text);
    // count 0 sends data up to its first NUL.
    void SendBuffer(const char* data, std::size_t count);
    void SendFile(const std::string& fileName);
    // The next line with its line end; empty when the peer closed first. A
    // line longer than the buffer comes in pieces of kBufferSize bytes
    // without a line end, the last piece with it.
    std::string ReadLn();
    // Everything until the peer closes; maxLength -1 = no limit, otherwise
    // stops once text holds at least maxLength bytes.
    void CaptureString(std::string& text, long long maxLength = -1);
    // Everything until the peer closes, into a file created (or truncated)
    // first. A failed or aborted capture leaves what had arrived.
    void CaptureFile(const std::string& fileName);
    // Writeln(command) and ReadLn; the reply's leading digits are ReplyCode.
    std::string Transaction(const std::string& command);
    // Server side: binds to Host (a dotted address; empty = any) and Port
    // (0 picks a free one, see LocalPort) and listens.
    void Listen();
    // Waits for a caller on the listening socket; the connection then
    // replaces the listening socket.
    void Accept();
    bool DataAvailable();

    bool Connected() const { return connected_; }
    bool Canceled() const { return canceled_; }
    bool TimedOut() const { return timedOut_; }
    bool LookupDone() const { return lookupDone_; }
    bool LastEventOK() const { return lastEventOK_; }
    int LastError() const { return lastError_; }
    // IPv4 address in network order; 0 = none.
    std::uint32_t RemoteAddress() const { return remoteAddress_; }
    const std::string& StatusText() const { return statusText_; }
    std::uint32_t BytesReceived() const { return bytesReceived_; }
    std::uint32_t BytesSent() const { return bytesSent_; }
    long long ReplyCode() const { return replyCode_; }
    const std::string& ReplyString() const { return replyString_; }
    std::uint16_t LocalPort() const;
    static const std::vector<std::string>& WinsockInfo();

protected:
    void ReportStatus(int level, const std::string& text);
    // Records a failure code as LastError; raises its text unless it is ignored or
    // not a socket error code (10000 or below).
    void CheckSocketError(int code, int ignored = platform::kWsaEWouldBlock);
    void CloseSocket();
    void TimerOn();
    void TimerOff();
    void SetLookupDone(bool done) { lookupDone_ = done; }
    void SetBytesReceived(std::uint32_t count) { bytesReceived_ = count; }

    // After each received block of a capture, and each sent block of a file.
    virtual void PacketRecvd() {}
    virtual void PacketSent() {}

private:
    // TimerOn for a waiting operation, TimerOff on every way out.
    class TimerScope {
    public:
        explicit TimerScope(SocketTransport& transport) : transport_(transport)
        {
            transport_.TimerOn();
        }
        ~TimerScope() { transport_.TimerOff(); }
        TimerScope(const TimerScope&) = delete;
        TimerScope& operator=(const TimerScope&) = delete;

    private:
        SocketTransport& transport_;
    };

    void OpenSocket(bool abortiveClose);
    void Notification(platform::AsyncSelect::Event event, int error);
    void LookupFinished(std::uint32_t address, int error);
    void TimerTriggered();
    // One receive into the buffer, rearming the read notification.
    platform::SocketIo ReceiveBlock(std::size_t size, bool peek);
    // The loop of both captures: each block goes to sink. Returns when the
    // peer has closed or maxLength is reached; raises abortMessage on cancel.
    void CaptureLoop(const std::function<void(const char*, std::size_t)>& sink,
                     const std::function<bool()>& full, const char* abortMessage);

    std::string host_;
    int port_ = 0;
    int timeOut_ = 0;
    int reportLevel_ = 0;
    std::string proxy_;
    int proxyPort_ = 0;

    platform::SocketHandle socket_ = platform::kInvalidSocket;
    std::unique_ptr<platform::AsyncSelect> select_;
    platform::HostLookup lookup_;
    SocketTimer timer_;
    std::vector<char> buffer_;

    bool connected_ = false;
    bool canceled_ = false;
    bool timedOut_ = false;
    bool lookupDone_ = false;
    bool lastEventOK_ = true;
    bool destroying_ = false;
    int lastError_ = 0;
    std::uint32_t remoteAddress_ = 0;
    std::uint32_t lookupAddress_ = 0;
    std::string statusText_;
    std::uint32_t bytesReceived_ = 0;
    std::uint32_t bytesSent_ = 0;
    long long replyCode_ = 0;
    std::string replyString_;
};

} // namespace marlune::net
