// Latency of TNMHTTP::Get against WinINet and a plain blocking WinSock client, for a 2 KB, a
// 200 KB and a 5 MiB page from the loopback test server. The clients take turns request by
// request, so every client sees the same machine load; only the ratios of one run are
// meaningful. Also shown: where the small request's time goes, and the CPU time the engine
// uses against its wall time (its waits must sleep, not spin).
//   net_http_bench [rounds]      (QV_NET_PORTS names the test server's port file)
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
#include "support/PeerPorts.h"

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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// The platform driver with a clock on the calls that take time: the waits (which also run the
// notification handlers) and the socket calls.
class TimedDriver : public TSocketDriver {
public:
    explicit TimedDriver(std::unique_ptr<TSocketDriver> inner) : inner_(std::move(inner)) {}
    struct Counts {
        int waits = 0, recvs = 0, sends = 0;
        double waitMs = 0, recvMs = 0, sendMs = 0, socketMs = 0;
    } counts;

    bool Startup(TPowersock* owner, TStringList& info) override { return inner_->Startup(owner, info); }
    void Shutdown() override { inner_->Shutdown(); }
    bool CreateSocket(bool lingerReset) override {
        auto t = Clock::now();
        bool ok = inner_->CreateSocket(lingerReset);
        counts.socketMs += Ms(t, Clock::now());
        return ok;
    }
    bool HasSocket() const override { return inner_->HasSocket(); }
    int CloseSocket() override {
        auto t = Clock::now();
        int rc = inner_->CloseSocket();
        counts.socketMs += Ms(t, Clock::now());
        return rc;
    }
    bool DottedAddress(const std::string& name, uint32_t& addr) override { return inner_->DottedAddress(name, addr); }
    int StartLookup(const std::string& name) override { return inner_->StartLookup(name); }
    uint32_t LookupAddress() override { return inner_->LookupAddress(); }
    int Connect(const TSockAddrIn& addr) override {
        auto t = Clock::now();
        int rc = inner_->Connect(addr);
        counts.socketMs += Ms(t, Clock::now());
        return rc;
    }
    int Send(const char* data, int len, int& error) override {
        auto t = Clock::now();
        int n = inner_->Send(data, len, error);
        counts.sendMs += Ms(t, Clock::now());
        ++counts.sends;
        return n;
    }
    int Recv(char* data, int len, int& error) override {
        auto t = Clock::now();
        int n = inner_->Recv(data, len, error);
        counts.recvMs += Ms(t, Clock::now());
        ++counts.recvs;
        return n;
    }
    void StopNotifications() override { inner_->StopNotifications(); }
    intptr_t AcceptSocket(TSockAddrIn& peer, int& error) override { return inner_->AcceptSocket(peer, error); }
    void Post(unsigned message) override { inner_->Post(message); }
    void TimerOn(unsigned intervalMs) override { inner_->TimerOn(intervalMs); }
    void TimerOff() override { inner_->TimerOff(); }
    void WaitPass() override {
        auto t = Clock::now();
        inner_->WaitPass();
        counts.waitMs += Ms(t, Clock::now());
        ++counts.waits;
    }

private:
    std::unique_ptr<TSocketDriver> inner_;
};

// The small request's phases, from the engine's own status texts and events (every level
// reported) and its packet counts.
struct PhaseClock {
    Clock::time_point start, resolve, connectCall, connected, sent, firstLine, header, body, disconnect, done;
    int statusLines = 0;
    bool sawSend = false, sawFirst = false;
};

void PrintPhases(TNMHTTP& http, const std::string& url, int rounds) {
    std::map<std::string, std::vector<double>> phase;
    PhaseClock pc;
    http.ReportLevel = 16;
    http.OnStatus = [&](TComponent*, const std::string& s) {
        auto now = Clock::now();
        if (s == "Resolve Host") pc.resolve = now;
        if (s == "Timer On" && pc.connectCall == Clock::time_point{}) pc.connectCall = now;
        if (s == "Timer Off" && pc.sawSend && !pc.sawFirst && pc.sent == Clock::time_point{}) pc.sent = now;
        if (s == "Sending Buffer") pc.sawSend = true;
        if (s == "Timer Off" && pc.sent != Clock::time_point{} && !pc.sawFirst && now > pc.sent) {
            pc.firstLine = now;
            pc.sawFirst = true;
        }
        if (s == "Capture String") pc.header = now;
        if (s == "Disconnecting") pc.body = now;
    };
    http.OnConnect = [&](TObject*) { pc.connected = Clock::now(); };
    http.OnAboutToSend = [&](TObject*) { pc.start = Clock::now(); };
    for (int r = 0; r < rounds; ++r) {
        pc = PhaseClock{};
        auto t0 = Clock::now();
        http.Get(url);
        pc.done = Clock::now();
        if (pc.firstLine == Clock::time_point{}) pc.firstLine = pc.sent;
        phase["build header, OnAboutToSend"].push_back(Ms(t0, pc.start));
        phase["resolve (dotted address)"].push_back(Ms(pc.resolve, pc.connectCall));
        phase["connect"].push_back(Ms(pc.connectCall, pc.connected));
        phase["send"].push_back(Ms(pc.connected, pc.sent));
        phase["first byte (status line)"].push_back(Ms(pc.sent, pc.firstLine));
        phase["rest of header"].push_back(Ms(pc.firstLine, pc.header));
        phase["body"].push_back(Ms(pc.header, pc.body));
        phase["close, fresh socket, events"].push_back(Ms(pc.body, pc.done));
        phase["total"].push_back(Ms(t0, pc.done));
    }
    http.ReportLevel = 0;
    http.OnStatus = nullptr;
    http.OnConnect = nullptr;
    http.OnAboutToSend = nullptr;
    std::printf("Where a 2048-byte request's time goes (every status reported, %d requests, median ms):\n", rounds);
    for (const char* name : {"build header, OnAboutToSend", "resolve (dotted address)", "connect", "send",
                             "first byte (status line)", "rest of header", "body", "close, fresh socket, events", "total"})
        std::printf("  %-30s %8.3f\n", name, Median(phase[name]));
}

// Wait passes (each runs the notification handlers it wakes for) and socket calls per request.
void PrintCalls(const std::string& url, size_t size, int requests) {
    auto timed = std::make_unique<TimedDriver>(CreateWinsockDriver());
    TimedDriver& d = *timed;
    TNMHTTP http(nullptr, std::move(timed));
    http.TimeOut = 30000;
    http.Get(url);
    d.counts = {};
    auto t0 = Clock::now();
    for (int i = 0; i < requests; ++i) http.Get(url);
    const double n = requests, total = Ms(t0, Clock::now()) / n;
    const auto& c = d.counts;
    std::printf("  %8zu bytes: %7.3f ms; %6.1f wait passes %7.3f ms; %6.1f receives %7.3f ms; %5.1f sends %6.3f ms; socket "
                "create/connect/close %6.3f ms\n",
                size, total, c.waits / n, c.waitMs / n, c.recvs / n, c.recvMs / n, c.sends / n, c.sendMs / n, c.socketMs / n);
}

} // namespace

int main(int argc, char** argv) {
    if (!LoadPort()) {
        std::fprintf(stderr, "QV_NET_PORTS must name the test server's port file\n");
        return 2;
    }
    int rounds = argc > 1 ? std::atoi(argv[1]) : 25;
    rounds = std::clamp(rounds, 3, 200);
    std::printf("%s\n", ExecutionMode().c_str());
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
    PrintPhases(http, base + "/page/2048", rounds);
    std::printf("Per request (mean of %d): time in wait passes and in socket calls:\n", rounds);
    for (size_t size : {size_t(2048), size_t(204800), size_t(5242880)})
        PrintCalls(base + "/page/" + std::to_string(size), size, rounds);

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
        std::printf("%zu-byte page, %d interleaved rounds: median wall ms; this process's CPU ms over all rounds:\n", size,
                    rounds);
        for (auto& c : clients) {
            double wall = 0, cpu = 0;
            for (double v : c.ms) wall += v;
            for (double v : c.cpu) cpu += v;
            std::printf("  %-18s %9.3f   x%.2f of the WinSock exchange   x%.2f of WinINet   CPU %7.1f of %7.1f wall\n", c.name,
                        Median(c.ms), Median(c.ms) / floor, Median(c.ms) / inet, cpu, wall);
        }
    }
    InternetCloseHandle(session);
    WSACleanup();
    if (failures) std::printf("%d requests came back short\n", failures);
    return failures ? 1 : 0;
}
