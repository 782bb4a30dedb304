#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class QCoreApplication;
class QProcess;

// Servers on 127.0.0.1 for the network tests: Python's http.server serving
// a folder, and a scripted server for what real servers rarely do. Both run
// outside the test's thread, whose event loop the client under test needs.
namespace marlune::testing {

// The process's Qt application object, created on first use.
QCoreApplication* NetTestApplication();

// One accepted connection of the scripted server.
class Peer {
public:
    explicit Peer(int fd) : fd_(fd) {}
    // The request header up to and including the empty line (what arrived
    // when the client stopped sending for 10 s or closed).
    std::string ReadRequest();
    // The request header and the bodySize bytes of body after it.
    std::string ReadRequestWithBody(std::size_t bodySize);
    // Everything until the client closes its side (at most limit bytes).
    std::string ReadAll(std::size_t limit);
    // False once the client has gone.
    bool Send(const std::string& bytes);
    // Sends bytes one block at a time with a pause after each, until the
    // client goes.
    void Trickle(const std::string& bytes, std::size_t block, std::chrono::milliseconds pause);
    // Waits until the client closes the connection (or timeout).
    void WaitForClose(std::chrono::milliseconds timeout);
    // Closes with a reset instead of an orderly close.
    void Reset();
    int fd() const { return fd_; }

private:
    int fd_;
};

// Accepts connections on a free port; each is handed to the script on the
// server's own thread, then closed. Requests are recorded in order.
class ScriptedServer {
public:
    using Script = std::function<void(Peer& peer, int connection)>;
    explicit ScriptedServer(Script script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    int Connections() const { return connections_; }
    // Records a request for Requests(); scripts call it with ReadRequest's result.
    void Record(const std::string& request);
    std::vector<std::string> Requests() const;

private:
    void Run();

    Script script_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A script that reads the request and answers with response, then closes.
ScriptedServer::Script Respond(std::string response);

// A port on 127.0.0.1 with nothing listening on it.
std::uint16_t ClosedPort();

// A port on 127.0.0.1 that takes connections into its backlog and never
// reads or answers them: a server that is down but still reachable.
class SilentPort {
public:
    SilentPort();
    ~SilentPort();
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    // How many connections it has taken so far (counting accepts them).
    int Connections();

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> accepted_;
};

// python3 -m http.server on a free port of 127.0.0.1, serving dir. It
// speaks HTTP/1.0 and closes the connection after each response.
class PythonHttpServer {
public:
    explicit PythonHttpServer(const std::string& dir);
    ~PythonHttpServer();
    PythonHttpServer(const PythonHttpServer&) = delete;
    PythonHttpServer& operator=(const PythonHttpServer&) = delete;

    bool Running() const { return port_ != 0; }
    std::uint16_t Port() const { return port_; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    std::unique_ptr<QProcess> process_;
    std::uint16_t port_ = 0;
};

// Writes bytes into a file; returns whether it worked.
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

} // namespace marlune::testing
