// Fuzz target: any bytes as a server's reply to one request of the engine, through the scripted
// driver: status line, header lines (folded ones too), cookies, Location and redirections,
// Content-Length and the end of the body. The first byte picks the request and how the reply
// arrives. Built for libFuzzer with QV_FUZZ; replayed over the saved corpus in every test run.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FakeSocketDriver.h"
#include "net/NMHttp.h"

namespace {

struct Engine {
    std::shared_ptr<FakeNet> net = std::make_shared<FakeNet>();
    TNMHTTP http{nullptr, std::make_unique<FakeSocketDriver>(net)};
    Engine() {
        net->hosts["www.example.com"] = FakeAddr(10, 0, 0, 1);
        net->hosts["other.example.com"] = FakeAddr(10, 0, 0, 2);
        net->maxPasses = 1 << 30; // the time-out ends every wait
        http.TimeOut = 60;
        http.MaxRedirects = 3;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Engine e;
    const uint8_t mode = size > 0 ? data[0] : 0;
    const std::string reply(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);

    FakeNet& net = *e.net;
    net.exchanges.clear();
    net.next = 0;
    net.requests.clear();
    net.connects.clear();
    net.lookups.clear();
    net.passes = 0;
    net.rng.seed(mode);
    static const int chunks[4] = {1, 7, 700, 1 << 20};
    net.maxChunk = chunks[(mode >> 2) & 3];
    // The same reply answers a redirection to itself, so chains are followed a few steps.
    for (int i = 0; i < 3; ++i) net.exchanges.push_back(FakeExchange{reply, (mode & 2) == 0, 0, false, false});

    TNMHTTP& http = e.http;
    http.Proxy = (mode & 16) ? "10.0.0.9" : "";
    http.ProxyPort = 8080;
    http.Port = 0;
    try {
        if (mode & 1)
            http.Head("http://www.example.com/dir/page.cfm");
        else
            http.Get("http://www.example.com/dir/page.cfm");
        // A reply that was accepted is whole: its header ends with an empty line and its body
        // is as long as it said.
        const std::string& h = http.Header;
        if (h.size() < 1 || h.back() != '\n') __builtin_trap();
        if (h.size() > httplimits::kHeaderBytes || http.Body.size() > httplimits::kBody.Max) __builtin_trap();
    } catch (const Exception&) {
        // Failures are the engine's answer to a bad reply; only a crash or a hang is a fault.
    }
    if (http.Busy() || http.IsConnected) __builtin_trap();
    return 0;
}
