// A server's answer is outside input: the status line, the header lines and
// the body may hold anything. The input is served as the whole answer by a
// server on 127.0.0.1; the client fetches it through the real socket path,
// into a text and into a file. It must never crash or hang, raise only its
// own errors, and the body must be exactly what followed the header as the
// client reads lines. Every connection, redirects included, goes to the
// local server: it is the client's proxy.
#include "net/httpclient.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Answers every connection with the current input, then closes.
class Server {
public:
    Server()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof sa;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(listener_, 16) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &size) != 0) {
            std::abort();
        }
        port_ = ntohs(sa.sin_port);
        std::thread([this] { Run(); }).detach();
    }

    int Port() const { return port_; }
    void SetAnswer(std::string answer)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = std::move(answer);
    }

private:
    void Run()
    {
        for (;;) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 1000) <= 0) {
                    break;
                }
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    break;
                }
                request.append(buffer, static_cast<std::size_t>(n));
            }
            std::string answer;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                answer = answer_;
            }
            for (std::size_t sent = 0; sent < answer.size();) {
                const ssize_t n =
                    ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    break;
                }
                sent += static_cast<std::size_t>(n);
            }
            ::close(fd);
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::string answer_;
};

// The body the client must end up with: what follows the header, read as
// the transport reads lines (a line ends at LF; a line cut by the close ends
// the header and everything; a line longer than the buffer comes in pieces).
std::string ExpectedBody(std::string_view answer)
{
    constexpr std::size_t kBuffer = marlune::net::SocketTransport::kBufferSize;
    std::size_t at = 0;
    bool first = true;
    for (;;) {
        const std::string_view rest = answer.substr(at);
        const std::size_t lf = rest.substr(0, kBuffer).find('\n');
        std::string_view line;
        if (lf != std::string_view::npos) {
            line = rest.substr(0, lf + 1);
        } else if (rest.size() >= kBuffer) {
            line = rest.substr(0, kBuffer);
        } else {
            return {}; // closed in the middle of a line
        }
        at += line.size();
        if (!first && (line == "\n" || line == "\r\n")) {
            return std::string(answer.substr(at));
        }
        first = false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_http_response";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Server server;
    static const std::string file = "/tmp/fuzz_http_response." + std::to_string(::getpid());

    const std::string answer(reinterpret_cast<const char*>(data), size);
    server.SetAnswer(answer);
    const std::string expected = ExpectedBody(answer);

    for (const bool toFile : {false, true}) {
        marlune::net::HttpClient http;
        http.SetProxy("127.0.0.1");
        http.SetProxyPort(server.Port());
        http.SetInputFileMode(toFile);
        http.SetBody(toFile ? file : std::string());
        try {
            http.Get("http://fuzz.invalid/answer");
        } catch (const marlune::Error&) {
            // Bad URLs in a Location and header limits end a request: fine.
            continue;
        }
        std::string body = http.Body();
        if (toFile) {
            std::ifstream in(file, std::ios::binary);
            body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        if (body != expected) {
            std::abort();
        }
    }
    std::remove(file.c_str());
    return 0;
}
