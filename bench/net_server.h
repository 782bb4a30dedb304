#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

// A web server on 127.0.0.1 for the download benchmarks: every request is
// answered with one HTTP/1.0 response, sent as fast as the socket takes it or
// a block at a time with a pause, then the connection is closed. It runs on
// its own thread, so the client's thread can be measured alone.
namespace marlune::bench {

class BenchServer {
public:
    // body is sent in blocks of `block` bytes with `pause` after each; a
    // block of 0 sends it in one go.
    BenchServer(std::string body, std::size_t block = 0,
                std::chrono::milliseconds pause = std::chrono::milliseconds(0));
    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    std::string Url() const;

private:
    void Run();
    void Serve(int fd);

    std::string response_;
    std::size_t headerSize_ = 0;
    std::size_t block_;
    std::chrono::milliseconds pause_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Runs curl on url with its output to /dev/null. Returns curl's own transfer
// time in seconds (time_total) and the processor time the curl process used.
struct CurlRun {
    double seconds = 0;
    double cpuSeconds = 0;
    bool ok = false;
};
CurlRun RunCurl(const std::string& url);

// Processor time of the calling thread so far, in seconds.
double ThreadCpuSeconds();

} // namespace marlune::bench
