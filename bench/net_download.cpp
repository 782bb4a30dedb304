// Downloads with the HTTP client beside curl fetching the same URL from the
// same server in the same run: a 50 MB body as fast as the loopback carries
// it, and the processor time of a download from a server that trickles
// 1 KB every 50 ms for 3 seconds. The loopback figures move with whatever
// else the machine does; compare them over interleaved repetitions:
//   marlune_bench_net --benchmark_repetitions=5
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true

#include "net_server.h"

#include "net/httpclient.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace marlune;

namespace {

constexpr std::size_t kBigBody = 50u * 1000u * 1000u;

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "marlune_bench_net";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

bench::BenchServer& BigServer()
{
    static bench::BenchServer server(std::string(kBigBody, 'm'));
    return server;
}

// The trickle: 60 blocks of 1 KB, 50 ms apart.
bench::BenchServer& TrickleServer()
{
    static bench::BenchServer server(std::string(60 * 1024, 't'), 1024,
                                     std::chrono::milliseconds(50));
    return server;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void BigHttpClient(benchmark::State& state, bool toFile)
{
    EnsureApplication();
    const std::string url = BigServer().Url();
    net::HttpClient http;
    http.SetInputFileMode(toFile);
    for (auto _ : state) {
        if (toFile) {
            http.SetBody("/dev/null");
        }
        const auto start = std::chrono::steady_clock::now();
        http.Get(url);
        state.SetIterationTime(Seconds(std::chrono::steady_clock::now() - start));
        if (http.BytesReceived() != kBigBody) {
            state.SkipWithError("short body");
            break;
        }
        if (!toFile) {
            http.SetBody({});
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigBody));
}

void BM_HttpClient_50MB_IntoBody(benchmark::State& state)
{
    BigHttpClient(state, false);
}
BENCHMARK(BM_HttpClient_50MB_IntoBody)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_HttpClient_50MB_IntoDevNull(benchmark::State& state)
{
    BigHttpClient(state, true);
}
BENCHMARK(BM_HttpClient_50MB_IntoDevNull)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

// curl's own transfer time (time_total), without its process start.
void BM_Curl_50MB_IntoDevNull(benchmark::State& state)
{
    const std::string url = BigServer().Url();
    for (auto _ : state) {
        const bench::CurlRun run = bench::RunCurl(url);
        if (!run.ok) {
            state.SkipWithError("curl failed");
            break;
        }
        state.SetIterationTime(run.seconds);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigBody));
}
BENCHMARK(BM_Curl_50MB_IntoDevNull)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

// Processor time of the client's thread over the wall time of the download.
void BM_HttpClient_Trickle_CpuShare(benchmark::State& state)
{
    EnsureApplication();
    const std::string url = TrickleServer().Url();
    net::HttpClient http;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = bench::ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        http.Get(url);
        wall += Seconds(std::chrono::steady_clock::now() - start);
        cpu += bench::ThreadCpuSeconds() - cpuStart;
    }
    state.counters["cpu_percent_of_wall"] = 100.0 * cpu / wall;
    state.counters["cpu_ms"] = 1000.0 * cpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HttpClient_Trickle_CpuShare)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_Curl_Trickle_CpuShare(benchmark::State& state)
{
    const std::string url = TrickleServer().Url();
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const bench::CurlRun run = bench::RunCurl(url);
        if (!run.ok) {
            state.SkipWithError("curl failed");
            break;
        }
        wall += run.seconds;
        cpu += run.cpuSeconds;
    }
    state.counters["cpu_percent_of_wall"] = 100.0 * cpu / wall;
    state.counters["cpu_ms"] = 1000.0 * cpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Curl_Trickle_CpuShare)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();
