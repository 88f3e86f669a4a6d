// Latency of TNMHTTP::Get against WinINet and a plain blocking WinSock client, for a 2 KB, a
// 200 KB and a 5 MiB page from the loopback test server. The clients take turns request by
// request, so every client sees the same machine load; only the ratios of one run are
// meaningful. Also shown: where the small request's time goes (phases, time asleep in the wait
// against time spent dispatching the notifications), the calls each size takes, the cost of a
// name lookup, and the CPU time the engine uses while it waits for a slow reply (its waits must
// sleep, not spin).
//   net_http_bench [rounds]      (QV_NET_PORTS names the test server's port file; with
//                                 QV_BENCH_TRACE set, every call of one request is listed)
#include "toolkit/Win32.h"

#include <winsock.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "net/NMHttp.h"
#include "net/PsockWin32.h"
#include "support/BenchStats.h"
#include "support/PeerPorts.h"
#include "toolkit/MessagePump.h"

namespace {

using Clock = std::chrono::steady_clock;

int g_port = 0;

bool LoadPort() {
    g_port = PeerPort("QV_NET_PORTS", "HTTP_PORT");
    return g_port != 0;
}

std::string FirstLine(const char* file) {
    std::string line;
    if (std::FILE* f = std::fopen(file, "r")) {
        char buf[256];
        if (std::fgets(buf, sizeof buf, f)) line = buf;
        std::fclose(f);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// Whether this 32-bit program runs on the processor or through a user-mode emulator: the line
// the machine's set-up wrote (QV_I386_MODE_FILE), and what the kernel's binfmt_misc table says
// (seen through Wine's Z: drive), which sends i386 programs to an emulator when it holds an
// enabled entry for them.
std::string ExecutionMode() {
    std::string own = "native";
    if (FirstLine("Z:\\proc\\sys\\fs\\binfmt_misc\\qemu-i386") == "enabled")
        own = "emulated (binfmt_misc sends i386 programs to QEMU)";
    std::string setUp;
    if (const char* file = std::getenv("QV_I386_MODE_FILE")) setUp = FirstLine(file);
    return "32-bit code: " + own + (setUp.empty() ? "" : "; set-up recorded \"" + setUp + "\"");
}

// The machine's load as the kernel reports it (through Wine's Z: drive), to print beside the
// figures: the machine is shared.
std::string LoadAverage() {
    std::string line = FirstLine("Z:\\proc\\loadavg");
    return line.empty() ? "unknown" : line.substr(0, line.find(' ', line.find(' ', line.find(' ') + 1) + 1));
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

size_t BlockingGet(const std::string& path) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(g_port));
    sa.sin_addr.s_addr = inet_addr("127.0.0.1");
    size_t total = 0;
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
        std::string req = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        send(s, req.data(), static_cast<int>(req.size()), 0);
        static char buf[65536];
        int n;
        while ((n = recv(s, buf, sizeof buf, 0)) > 0) total += static_cast<size_t>(n);
    }
    closesocket(s);
    return total;
}

size_t WinInetGet(HINTERNET session, const std::string& url) {
    HINTERNET h = InternetOpenUrlA(session, url.c_str(), nullptr, 0,
                                   INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
    if (!h) return 0;
    static char buf[65536];
    DWORD n = 0;
    size_t total = 0;
    while (InternetReadFile(h, buf, sizeof buf, &n) && n > 0) total += n;
    InternetCloseHandle(h);
    return total;
}

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// With QV_BENCH_TRACE set, the tracing driver also lists every call of one request per size.
bool g_listCalls = false;
std::vector<std::pair<Clock::time_point, std::string>> g_calls;

// What one request did, as the tracing driver saw it.
struct RequestTrace {
    Clock::time_point start, lookupStart, connectStart, connected, sendEnd, firstData, lastData, closeEnd, done;
    double createMs = 0, closeMs = 0, asleepMs = 0, pumpMs = 0, socketInPumpMs = 0, socketMs = 0;
    int passes = 0, passesToLimit = 0, recvs = 0, recvsEmpty = 0, sends = 0;
};

// The platform driver with a clock on every call. Its wait pass makes the same calls as the
// WinSock driver's (a look at the queue; when it is empty, MsgWaitForMultipleObjects for up to
// 2 ms; then the thread's pump) with a clock between them, so time asleep and time spent
// dispatching notifications are told apart. (The WinSock driver's own pass also notes when the
// queue has been emptied with no socket open; this one does not, so a closed socket's queued
// notifications are always removed when the next socket is made.)
class TracingDriver : public TSocketDriver {
public:
    explicit TracingDriver(std::unique_ptr<TSocketDriver> inner) : inner_(std::move(inner)) {}
    RequestTrace t;

    bool Startup(TPowersock* owner, TStringList& info) override { return inner_->Startup(owner, info); }
    void Shutdown() override { inner_->Shutdown(); }
    bool CreateSocket(bool lingerReset) override {
        auto a = Clock::now();
        bool ok = inner_->CreateSocket(lingerReset);
        t.createMs += Socket(a, "socket", ok);
        return ok;
    }
    bool HasSocket() const override { return inner_->HasSocket(); }
    int CloseSocket() override {
        auto a = Clock::now();
        int rc = inner_->CloseSocket();
        t.closeMs += Socket(a, "close", rc);
        t.closeEnd = Clock::now();
        return rc;
    }
    bool DottedAddress(const std::string& name, uint32_t& addr) override { return inner_->DottedAddress(name, addr); }
    int StartLookup(const std::string& name) override {
        t.lookupStart = Clock::now();
        return inner_->StartLookup(name);
    }
    uint32_t LookupAddress() override { return inner_->LookupAddress(); }
    int Connect(const TSockAddrIn& addr) override {
        auto a = Clock::now();
        t.connectStart = a;
        int rc = inner_->Connect(addr);
        Socket(a, "connect", rc);
        return rc;
    }
    int Send(const char* data, int len, int& error) override {
        auto a = Clock::now();
        int n = inner_->Send(data, len, error);
        Socket(a, "send", n);
        t.sendEnd = Clock::now();
        ++t.sends;
        return n;
    }
    int Recv(char* data, int len, int& error) override {
        auto a = Clock::now();
        int n = inner_->Recv(data, len, error);
        Socket(a, "recv", n);
        ++t.recvs;
        if (n > 0) {
            auto now = Clock::now();
            if (t.firstData == Clock::time_point{}) t.firstData = now;
            t.lastData = now;
        } else {
            ++t.recvsEmpty;
        }
        return n;
    }
    void StopNotifications() override { inner_->StopNotifications(); }
    intptr_t AcceptSocket(TSockAddrIn& peer, int& error) override { return inner_->AcceptSocket(peer, error); }
    void Post(unsigned message) override { inner_->Post(message); }
    void TimerOn(unsigned intervalMs) override { inner_->TimerOn(intervalMs); }
    void TimerOff() override { inner_->TimerOff(); }
    void WaitPass() override {
        auto a = Clock::now();
        MSG m;
        const bool waiting = PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message != WM_QUIT;
        const DWORD rc = waiting ? WAIT_OBJECT_0 : MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
        auto b = Clock::now();
        if (listing)
            g_calls.emplace_back(a, waiting              ? "a message is waiting"
                                    : rc == WAIT_TIMEOUT ? "asleep to the limit"
                                                         : "asleep until a message");
        if (listing) g_calls.emplace_back(b, "pump");
        inPump_ = true;
        PumpWaitingMessages();
        inPump_ = false;
        t.asleepMs += Ms(a, b);
        t.pumpMs += Ms(b, Clock::now());
        ++t.passes;
        if (rc == WAIT_TIMEOUT) ++t.passesToLimit;
    }

    bool listing = false;

private:
    double Socket(Clock::time_point a, const char* what = "", int result = 0) {
        if (listing)
            g_calls.emplace_back(a, std::string(what) + " " + std::to_string(result) + (inPump_ ? " (in the pump)" : ""));
        const double ms = Ms(a, Clock::now());
        t.socketMs += ms;
        if (inPump_) t.socketInPumpMs += ms;
        return ms;
    }
    std::unique_ptr<TSocketDriver> inner_;
    bool inPump_ = false;
};

struct Traced {
    TracingDriver* driver;
    std::unique_ptr<TNMHTTP> http;
    Traced() {
        auto d = std::make_unique<TracingDriver>(CreateWinsockDriver());
        driver = d.get();
        http = std::make_unique<TNMHTTP>(nullptr, std::move(d));
        http->TimeOut = 30000;
        http->OnConnect = [this](TObject*) { driver->t.connected = Clock::now(); };
    }
    RequestTrace Get(const std::string& url) {
        driver->t = RequestTrace{};
        driver->t.start = Clock::now();
        http->Get(url);
        driver->t.done = Clock::now();
        return driver->t;
    }
};

// The small request's phases and the split of its waits, medians over `rounds` requests.
void PrintPhases(const std::string& base, int rounds) {
    Traced tr;
    tr.Get(base + "/page/2048"); // warm-up
    std::map<std::string, std::vector<double>> m;
    for (int r = 0; r < rounds; ++r) {
        const RequestTrace t = tr.Get(base + "/page/2048");
        auto add = [&](const char* k, double v) { m[k].push_back(v); };
        add("request header, resolve 127.0.0.1", Ms(t.start, t.connectStart) - t.createMs);
        add("socket (made by Connect)", t.createMs);
        add("connect, until OnConnect", Ms(t.connectStart, t.connected));
        add("send", Ms(t.connected, t.sendEnd));
        add("first byte of the reply", Ms(t.sendEnd, t.firstData));
        add("rest of the reply", Ms(t.firstData, t.lastData));
        add("close", t.closeMs);
        add("result events, return", Ms(t.closeEnd, t.done));
        add("total", Ms(t.start, t.done));
        add("asleep in the wait", t.asleepMs);
        add("pumping messages", t.pumpMs);
        add("socket calls in the pump", t.socketInPumpMs);
        add("event dispatch (pump less calls)", t.pumpMs - t.socketInPumpMs);
        add("all socket calls", t.socketMs);
        add("wait passes", t.passes);
        add("passes to the 2 ms limit", t.passesToLimit);
        add("receive calls", t.recvs);
        add("receive calls with nothing", t.recvsEmpty);
    }
    std::printf("Where a 2048-byte request's time goes (median ms over %d requests, load %s):\n", rounds, LoadAverage().c_str());
    for (const char* k : {"request header, resolve 127.0.0.1", "socket (made by Connect)", "connect, until OnConnect", "send",
                          "first byte of the reply", "rest of the reply", "close", "result events, return", "total"})
        std::printf("  %-36s %8.3f\n", k, Median(m[k]));
    std::printf(" the same requests by kind of work (median ms, counts):\n");
    for (const char* k : {"asleep in the wait", "pumping messages", "socket calls in the pump",
                          "event dispatch (pump less calls)", "all socket calls"})
        std::printf("  %-36s %8.3f\n", k, Median(m[k]));
    for (const char* k : {"wait passes", "passes to the 2 ms limit", "receive calls", "receive calls with nothing"})
        std::printf("  %-36s %8.0f\n", k, Median(m[k]));

    // A host name costs an asynchronous lookup (a thread of the platform, a posted message).
    std::vector<double> byName, lookup;
    const std::string named = "http://localhost:" + std::to_string(g_port) + "/page/2048";
    tr.Get(named);
    for (int r = 0; r < std::min(rounds, 15); ++r) {
        const RequestTrace t = tr.Get(named);
        byName.push_back(Ms(t.start, t.done));
        lookup.push_back(Ms(t.lookupStart, t.connectStart));
    }
    std::printf("  by name (localhost): total %.3f ms, of which the name lookup %.3f ms\n", Median(byName), Median(lookup));
}

// Calls and time per request for each size (means over `requests`).
void PrintCalls(const std::string& base, size_t size, int requests) {
    Traced tr;
    const std::string url = base + "/page/" + std::to_string(size);
    tr.Get(url);
    RequestTrace sum;
    double wall = 0;
    for (int i = 0; i < requests; ++i) {
        const RequestTrace t = tr.Get(url);
        wall += Ms(t.start, t.done);
        sum.passes += t.passes;
        sum.passesToLimit += t.passesToLimit;
        sum.recvs += t.recvs;
        sum.recvsEmpty += t.recvsEmpty;
        sum.sends += t.sends;
        sum.asleepMs += t.asleepMs;
        sum.pumpMs += t.pumpMs;
        sum.socketInPumpMs += t.socketInPumpMs;
        sum.socketMs += t.socketMs;
    }
    if (g_listCalls) {
        g_calls.clear();
        tr.driver->listing = true;
        const RequestTrace t = tr.Get(url);
        tr.driver->listing = false;
        for (auto& [at, what] : g_calls) std::printf("      %8.3f ms %s\n", Ms(t.start, at), what.c_str());
        std::printf("      %8.3f ms done\n", Ms(t.start, t.done));
    }
    const double n = requests;
    std::printf("  %8zu bytes: %7.3f ms; %5.1f passes (%4.1f to the limit), asleep %6.3f ms, dispatch %6.3f ms; %5.1f receives "
                "(%4.1f empty), %4.1f sends, socket calls %6.3f ms\n",
                size, wall / n, sum.passes / n, sum.passesToLimit / n, sum.asleepMs / n, (sum.pumpMs - sum.socketInPumpMs) / n,
                sum.recvs / n, sum.recvsEmpty / n, sum.sends / n, sum.socketMs / n);
}

// CPU time against wall time while replies take `delayMs` to come: a wait that sleeps uses
// almost none.
void PrintWaitCpu(TNMHTTP& http, const std::string& base, int delayMs, int requests) {
    const std::string url = base + "/slow/" + std::to_string(delayMs);
    auto measure = [&](const std::function<void()>& get) {
        const double cpu0 = ProcessCpuMs();
        auto t0 = Clock::now();
        for (int i = 0; i < requests; ++i) get();
        return std::make_pair(ProcessCpuMs() - cpu0, Ms(t0, Clock::now()));
    };
    auto engine = measure([&] { http.Get(url); });
    auto blocking = measure([&] { BlockingGet("/slow/" + std::to_string(delayMs)); });
    std::printf("Waiting for %d replies that each take %d ms (CPU ms of this process / wall ms):\n", requests, delayMs);
    std::printf("  TNMHTTP            CPU %7.1f of %7.1f wall\n", engine.first, engine.second);
    std::printf("  blocking WinSock   CPU %7.1f of %7.1f wall\n", blocking.first, blocking.second);
}

} // namespace

int main(int argc, char** argv) {
    if (!LoadPort()) {
        std::fprintf(stderr, "QV_NET_PORTS must name the test server's port file\n");
        return 2;
    }
    int rounds = argc > 1 ? std::atoi(argv[1]) : 25;
    rounds = std::clamp(rounds, 3, 400);
    g_listCalls = std::getenv("QV_BENCH_TRACE") != nullptr;
    std::printf("%s; load average at the start %s\n", ExecutionMode().c_str(), LoadAverage().c_str());
    WSADATA wd;
    WSAStartup(0x0101, &wd);
    HINTERNET session = InternetOpenA("bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    TNMHTTP http(nullptr, CreateWinsockDriver());
    // The plug-in's time-out by default; QV_BENCH_TIMEOUT overrides it (0 = no timer at all).
    const char* timeOut = std::getenv("QV_BENCH_TIMEOUT");
    http.TimeOut = timeOut ? std::atoi(timeOut) : 30000;
    const std::string base = "http://127.0.0.1:" + std::to_string(g_port);
    int failures = 0;

    http.Get(base + "/page/2048"); // warm-up
    PrintPhases(base, rounds);
    std::printf("Per request (mean of %d), traced:\n", rounds);
    for (size_t size : {size_t(2048), size_t(204800), size_t(5242880)}) PrintCalls(base, size, rounds);
    PrintWaitCpu(http, base, 300, 3);

    struct Result {
        size_t size;
        double engine, inet, floor;
    };
    std::vector<Result> results;
    for (size_t size : {size_t(2048), size_t(204800), size_t(5242880)}) {
        const std::string path = "/page/" + std::to_string(size);
        struct Client {
            const char* name;
            std::function<size_t()> get;
            std::vector<double> ms, cpu;
        };
        std::vector<Client> clients = {
            {"TNMHTTP",
             [&] {
                 http.Get(base + path);
                 return http.Body.size();
             },
             {},
             {}},
            {"WinINet", [&] { return WinInetGet(session, base + path); }, {}, {}},
            {"blocking WinSock", [&] { return BlockingGet(path); }, {}, {}},
        };
        for (auto& c : clients) c.get(); // warm-up
        const std::string loadBefore = LoadAverage();
        for (int r = 0; r < rounds; ++r)
            for (auto& c : clients) {
                const double cpu0 = ProcessCpuMs();
                auto t0 = Clock::now();
                size_t got = 0;
                try {
                    got = c.get();
                } catch (const std::exception& e) { std::fprintf(stderr, "%s: %s\n", c.name, e.what()); }
                c.ms.push_back(Ms(t0, Clock::now()));
                c.cpu.push_back(ProcessCpuMs() - cpu0);
                if (got < size) ++failures;
            }
        const double floor = Median(clients[2].ms), inet = Median(clients[1].ms);
        std::printf("%zu-byte page, %d interleaved rounds (load %s before, %s after): median wall ms; this process's CPU ms over "
                    "all rounds:\n",
                    size, rounds, loadBefore.c_str(), LoadAverage().c_str());
        for (auto& c : clients) {
            double wall = 0, cpu = 0;
            for (double v : c.ms) wall += v;
            for (double v : c.cpu) cpu += v;
            std::printf("  %-18s %9.3f (quartiles %7.3f %7.3f)   x%.2f of the WinSock exchange   x%.2f of WinINet   CPU %6.1f of "
                        "%7.1f wall\n",
                        c.name, Median(c.ms), Quantile(c.ms, 0.25), Quantile(c.ms, 0.75), Median(c.ms) / floor,
                        Median(c.ms) / inet, cpu, wall);
        }
        results.push_back({size, Median(clients[0].ms), inet, floor});
    }
    std::printf("Summary (median ms; TNMHTTP as a multiple of the blocking exchange and of WinINet):\n");
    for (const Result& r : results)
        std::printf("  %8zu bytes: TNMHTTP %8.3f  WinSock %8.3f  WinINet %8.3f   x%.2f bare   x%.2f WinINet\n", r.size, r.engine,
                    r.floor, r.inet, r.engine / r.floor, r.engine / r.inet);
    InternetCloseHandle(session);
    WSACleanup();
    if (failures) std::printf("%d requests came back short\n", failures);
    return failures ? 1 : 0;
}
