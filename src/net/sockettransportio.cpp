// The data operations of the transport: send, read a line, capture until the
// peer closes, accept.
#include "net/sockettransport.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace marlune::net {

using platform::kWsaENotConn;
using platform::kWsaEWouldBlock;
using platform::SocketIo;

namespace {

// An open file descriptor, closed on every way out.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string FileErrorText(const char* what, const std::string& fileName)
{
    return std::string(what) + " \"" + fileName + "\": " + std::strerror(errno);
}

} // namespace

SocketIo SocketTransport::ReceiveBlock(std::size_t size, bool peek)
{
    const SocketIo io = platform::Receive(socket_, buffer_.data(), size, peek);
    if (select_) {
        select_->Rearm();
    }
    return io;
}

bool SocketTransport::DataAvailable()
{
    ReportStatus(8, "Data Available");
    return ReceiveBlock(1, true).count > 0;
}

void SocketTransport::SendBuffer(const char* data, std::size_t count)
{
    ReportStatus(4, "Sending Buffer");
    if (count == 0) {
        count = std::strlen(data);
    }
    std::size_t sent = 0;
    while (sent < count) {
        const SocketIo io = platform::Send(socket_, data + sent, count - sent);
        if (io.count == 0) {
            break;
        }
        if (io.count < 0) {
            CheckSocketError(io.error);
            // Would block: wait for room rather than spin; nothing is pumped
            // while sending.
            platform::WaitWritable(socket_, 100);
            continue;
        }
        sent += static_cast<std::size_t>(io.count);
    }
    if (canceled_) {
        canceled_ = false;
        throw AbortError("Socket send aborted");
    }
}

void SocketTransport::Write(std::string_view text)
{
    ReportStatus(8, "Write");
    // Text ends at its first NUL; any length is sent whole.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    if (!text.empty()) {
        SendBuffer(text.data(), text.size());
    } else if (canceled_) {
        canceled_ = false;
        throw AbortError("Socket send aborted");
    }
}

void SocketTransport::Writeln(std::string_view text)
{
    ReportStatus(8, "Writeln");
    std::string line(text.substr(0, text.find('\0')));
    line += "\r\n";
    Write(line);
}

void SocketTransport::SendFile(const std::string& fileName)
{
    ReportStatus(8, "SendFile");
    TimerScope timer(*this);
    FileHandle file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        throw Error(FileErrorText("Cannot open file", fileName));
    }
    std::vector<char> chunk(kBufferSize);
    for (;;) {
        const ssize_t n = ::read(file.get(), chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw Error(FileErrorText("Cannot read file", fileName));
        }
        if (n == 0) {
            break;
        }
        SendBuffer(chunk.data(), static_cast<std::size_t>(n));
        bytesSent_ += static_cast<std::uint32_t>(n);
        PacketSent();
        platform::PumpEvents(false);
        if (canceled_) {
            canceled_ = false;
            throw AbortError("Socket send aborted");
        }
    }
}

std::string SocketTransport::ReadLn()
{
    ReportStatus(8, "ReadLn");
    TimerScope timer(*this);
    std::string line;
    for (;;) {
        // A line longer than the buffer is handed out a buffer at a time.
        if (line.size() == kBufferSize) {
            return line;
        }
        const SocketIo peeked = ReceiveBlock(kBufferSize - line.size(), true);
        if (peeked.count == 0) {
            return {};
        }
        if (peeked.count < 0) {
            lastError_ = peeked.error;
            if (peeked.error == kWsaENotConn) {
                return {};
            }
            CheckSocketError(peeked.error);
        } else {
            const auto n = static_cast<std::size_t>(peeked.count);
            const void* lf = std::memchr(buffer_.data(), '\n', n);
            const std::size_t take =
                lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - buffer_.data()) + 1
                   : n;
            const SocketIo got = ReceiveBlock(take, false);
            if (got.count > 0) {
                line.append(buffer_.data(), static_cast<std::size_t>(got.count));
                if (lf && static_cast<std::size_t>(got.count) == take) {
                    return line;
                }
            }
        }
        platform::PumpEvents(peeked.count <= 0);
        if (canceled_) {
            canceled_ = false;
            throw AbortError("Socket readln aborted");
        }
    }
}

void SocketTransport::CaptureLoop(const std::function<void(const char*, std::size_t)>& sink,
                                  const std::function<bool()>& full, const char* abortMessage)
{
    // While data streams in, the window is served every few milliseconds
    // rather than after every block: a pass of the event loop costs more
    // than a block of loopback data.
    constexpr auto kPumpInterval = std::chrono::milliseconds(5);
    auto lastPump = std::chrono::steady_clock::now();
    while (!canceled_ && !full()) {
        const SocketIo io = ReceiveBlock(kBufferSize, false);
        if (io.count == 0) {
            break;
        }
        if (io.count > 0) {
            const auto n = static_cast<std::size_t>(io.count);
            sink(buffer_.data(), n);
            bytesReceived_ += static_cast<std::uint32_t>(n);
            PacketRecvd();
            TimerOn();
            // More may be waiting: let the window breathe, do not sleep.
            const auto now = std::chrono::steady_clock::now();
            if (now - lastPump >= kPumpInterval) {
                lastPump = now;
                platform::PumpEvents(false);
            }
            continue;
        }
        lastError_ = io.error;
        if (io.error == kWsaENotConn) {
            break;
        }
        CheckSocketError(io.error);
        // Nothing has arrived: sleep until the socket, a timer or the user
        // has something to say.
        platform::PumpEvents(true);
        lastPump = std::chrono::steady_clock::now();
    }
    if (canceled_) {
        canceled_ = false;
        throw AbortError(abortMessage);
    }
}

void SocketTransport::CaptureString(std::string& text, long long maxLength)
{
    ReportStatus(8, "Capture String");
    text.clear();
    bytesReceived_ = 0;
    TimerScope timer(*this);
    CaptureLoop([&text](const char* data, std::size_t n) { text.append(data, n); },
                [&text, maxLength] {
                    return maxLength != -1 && static_cast<long long>(text.size()) >= maxLength;
                },
                "Socket capture aborted");
}

void SocketTransport::CaptureFile(const std::string& fileName)
{
    ReportStatus(8, "CaptureFile");
    bytesReceived_ = 0;
    TimerScope timer(*this);
    FileHandle file(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        throw Error(FileErrorText("Cannot create file", fileName));
    }
    const auto write = [&](const char* data, std::size_t n) {
        while (n > 0) {
            const ssize_t w = ::write(file.get(), data, n);
            if (w < 0 && errno == EINTR) {
                continue;
            }
            if (w <= 0) {
                throw Error(FileErrorText("Cannot write file", fileName));
            }
            data += w;
            n -= static_cast<std::size_t>(w);
        }
    };
    CaptureLoop(
        write, [] { return false; }, "Socket send aborted");
}

std::string SocketTransport::Transaction(const std::string& command)
{
    ReportStatus(8, "Transaction");
    Writeln(command);
    replyString_ = ReadLn();
    ReportStatus(1, replyString_);
    long long code = 0;
    for (std::size_t i = 0; i < replyString_.size() && i < 10; ++i) {
        const char c = replyString_[i];
        if (c < '0' || c > '9') {
            break;
        }
        code = code * 10 + (c - '0');
    }
    replyCode_ = code;
    return replyString_;
}

void SocketTransport::Listen()
{
    std::uint32_t address = 0;
    if (!host_.empty()) {
        const auto dotted = platform::ParseDottedAddress(host_);
        if (!dotted) {
            throw SocketError("Null Remote Address");
        }
        address = *dotted;
    }
    if (socket_ == platform::kInvalidSocket) {
        OpenSocket(false);
    }
    CheckSocketError(platform::Listen(socket_, address, static_cast<std::uint16_t>(port_)));
    select_->WatchIncoming(true);
}

std::uint16_t SocketTransport::LocalPort() const
{
    return platform::LocalPort(socket_);
}

void SocketTransport::Accept()
{
    ReportStatus(4, "Accepting");
    canceled_ = false;
    {
        TimerScope timer(*this);
        while (!connected_ && !canceled_) {
            platform::PumpEvents(true);
        }
    }
    if (canceled_) {
        canceled_ = false;
        throw SocketError("Accepting Canceled");
    }
    int error = 0;
    const platform::SocketHandle accepted = platform::AcceptConnection(socket_, &error);
    if (accepted == platform::kInvalidSocket) {
        connected_ = false;
        lastError_ = error;
        select_->WatchIncoming(true);
        throw SocketError("Error creating Data Connection");
    }
    select_.reset();
    platform::CloseSocketHandle(socket_);
    socket_ = accepted;
    select_ = std::make_unique<platform::AsyncSelect>(
        accepted,
        [this](platform::AsyncSelect::Event event, int code) { Notification(event, code); });
    select_->WatchIncoming(false);
    connected_ = true;
}

} // namespace marlune::net
