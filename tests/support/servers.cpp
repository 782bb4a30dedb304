#include "servers.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace marlune::testing {
namespace {

bool WaitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

int ListenOnFreePort(std::uint16_t* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = 0;
    socklen_t size = sizeof sa;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(fd, 16) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    *port = ntohs(sa.sin_port);
    return fd;
}

} // namespace

QCoreApplication* NetTestApplication()
{
    static QCoreApplication* app = [] {
        if (QCoreApplication::instance()) {
            return QCoreApplication::instance();
        }
        static int argc = 1;
        static char name[] = "net_tests";
        static char* argv[] = {name, nullptr};
        return new QCoreApplication(argc, argv);
    }();
    return app;
}

std::string Peer::ReadRequest()
{
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && WaitReadable(fd_, 10000)) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(n));
    }
    return request;
}

std::string Peer::ReadRequestWithBody(std::size_t bodySize)
{
    std::string request = ReadRequest();
    const std::size_t end = request.find("\r\n\r\n");
    const std::size_t want = (end == std::string::npos ? request.size() : end + 4) + bodySize;
    while (request.size() < want) {
        const std::string more = ReadAll(want - request.size());
        if (more.empty()) {
            break;
        }
        request += more;
    }
    return request;
}

std::string Peer::ReadAll(std::size_t limit)
{
    std::string data;
    char buffer[65536];
    while (data.size() < limit && WaitReadable(fd_, 10000)) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

bool Peer::Send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void Peer::Trickle(const std::string& bytes, std::size_t block, std::chrono::milliseconds pause)
{
    for (std::size_t at = 0; at < bytes.size(); at += block) {
        if (!Send(bytes.substr(at, block))) {
            return;
        }
        std::this_thread::sleep_for(pause);
    }
}

void Peer::WaitForClose(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        if (!WaitReadable(fd_, 50)) {
            continue;
        }
        if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) {
            return;
        }
    }
}

void Peer::Reset()
{
    const linger value{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &value, sizeof value);
    ::close(fd_);
    fd_ = -1;
}

ScriptedServer::ScriptedServer(Script script) : script_(std::move(script))
{
    listener_ = ListenOnFreePort(&port_);
    thread_ = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer()
{
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void ScriptedServer::Run()
{
    while (!stop_) {
        if (!WaitReadable(listener_, 20)) {
            continue;
        }
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        Peer peer(fd);
        const int connection = connections_++;
        script_(peer, connection);
        if (peer.fd() >= 0) {
            ::close(peer.fd());
        }
    }
}

void ScriptedServer::Record(const std::string& request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
}

std::vector<std::string> ScriptedServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

ScriptedServer::Script Respond(std::string response)
{
    return [response = std::move(response)](Peer& peer, int) {
        peer.ReadRequest();
        peer.Send(response);
    };
}

std::uint16_t ClosedPort()
{
    std::uint16_t port = 0;
    const int fd = ListenOnFreePort(&port);
    ::close(fd);
    return port;
}

SilentPort::SilentPort()
{
    fd_ = ListenOnFreePort(&port_);
}

SilentPort::~SilentPort()
{
    for (const int fd : accepted_) {
        ::close(fd);
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int SilentPort::Connections()
{
    pollfd waiting{fd_, POLLIN, 0};
    while (fd_ >= 0 && ::poll(&waiting, 1, 0) > 0) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            break;
        }
        accepted_.push_back(fd);
    }
    return static_cast<int>(accepted_.size());
}

PythonHttpServer::PythonHttpServer(const std::string& dir) : process_(std::make_unique<QProcess>())
{
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->start(QStringLiteral("python3"),
                    {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                     QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                     QStringLiteral("--directory"), QString::fromStdString(dir),
                     QStringLiteral("0")});
    if (!process_->waitForStarted(10000)) {
        return;
    }
    // "Serving HTTP on 127.0.0.1 port 40123 (http://127.0.0.1:40123/) ..."
    static const QRegularExpression portText(QStringLiteral("port (\\d+)"));
    QByteArray output;
    while (port_ == 0 && process_->waitForReadyRead(10000)) {
        output += process_->readAllStandardOutput();
        const auto match = portText.match(QString::fromLatin1(output));
        if (match.hasMatch()) {
            port_ = static_cast<std::uint16_t>(match.captured(1).toUInt());
        }
    }
}

PythonHttpServer::~PythonHttpServer()
{
    process_->kill();
    process_->waitForFinished(10000);
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return out.good();
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace marlune::testing
