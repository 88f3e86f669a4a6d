// Throughput of the portable HTTP client parts: URL encoding, Base64, line splitting of the
// receive buffer, and a whole GET through the scripted driver (engine overhead without I/O).
#include <benchmark/benchmark.h>

#include "FakeSocketDriver.h"
#include "net/NMHttp.h"
#include "net/NMURL.h"
#include "net/NMUUE.h"

namespace {

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131) % 256);
    return s;
}

void BM_UrlEncodeDecode(benchmark::State& state) {
    std::string s = Bytes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(UrlDecode(UrlEncode(s)));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_UrlEncodeDecode)->Arg(1024)->Arg(64 * 1024);

void BM_Base64(benchmark::State& state) {
    std::string s = Bytes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(UUEncodeString(s, UUMethods::uuMime));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Base64)->Arg(1024)->Arg(64 * 1024);

void BM_ReceiveBufferLines(benchmark::State& state) {
    std::string header;
    for (int i = 0; i < 200; ++i) header += "X-Header-" + std::to_string(i) + ": some value of a header line\r\n";
    for (auto _ : state) {
        TReceiveBuffer b;
        b.Append(header.data(), header.size());
        while (b.HasLine()) benchmark::DoNotOptimize(b.TakeLine());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(header.size()));
}
BENCHMARK(BM_ReceiveBufferLines);

void BM_GetThroughScriptedDriver(benchmark::State& state) {
    auto net = std::make_shared<FakeNet>();
    net->hosts["www.example.com"] = FakeAddr(10, 0, 0, 1);
    net->maxChunk = 16384;
    TNMHTTP http(nullptr, std::make_unique<FakeSocketDriver>(net));
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + Bytes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        net->exchanges.assign(1, FakeExchange{reply, true, 0, false, false});
        net->next = 0;
        net->requests.clear();
        net->connects.clear();
        state.ResumeTiming();
        http.Get("http://www.example.com/page.htm");
        benchmark::DoNotOptimize(http.Body.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_GetThroughScriptedDriver)->Arg(2048)->Arg(200 * 1024);

} // namespace

BENCHMARK_MAIN();
