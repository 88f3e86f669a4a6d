// Latency of TNMHTTP::Get against WinINet and a plain blocking WinSock client, for a 2 KB and a
// 200 KB page from the loopback test server. The clients take turns request by request, so
// every client sees the same machine load; only the ratios of one run are meaningful.
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

namespace {

int g_port = 0;

bool LoadPort() {
    const char* file = std::getenv("QV_NET_PORTS");
    if (!file) return false;
    std::FILE* f = std::fopen(file, "r");
    if (!f) return false;
    char key[64];
    int value;
    while (std::fscanf(f, " %63[^=]=%d", key, &value) == 2)
        if (std::string(key) == "HTTP_PORT") g_port = value;
    std::fclose(f);
    return g_port != 0;
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

} // namespace

int main(int argc, char** argv) {
    if (!LoadPort()) {
        std::fprintf(stderr, "QV_NET_PORTS must name the test server's port file\n");
        return 2;
    }
    int rounds = argc > 1 ? std::atoi(argv[1]) : 25;
    rounds = std::clamp(rounds, 3, 200);
    WSADATA wd;
    WSAStartup(0x0101, &wd);
    HINTERNET session = InternetOpenA("bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    TNMHTTP http(nullptr);
    // The plug-in's time-out by default; QV_BENCH_TIMEOUT overrides it (0 = no timer at all).
    const char* timeOut = std::getenv("QV_BENCH_TIMEOUT");
    http.TimeOut = timeOut ? std::atoi(timeOut) : 30000;
    const std::string base = "http://127.0.0.1:" + std::to_string(g_port);
    int failures = 0;

    for (size_t size : {size_t(2048), size_t(204800)}) {
        const std::string path = "/page/" + std::to_string(size);
        struct Client {
            const char* name;
            std::function<size_t()> get;
            std::vector<double> ms;
        };
        std::vector<Client> clients = {
            {"TNMHTTP (wake on message)",
             [&] {
                 SetSocketWaitMode(TSocketWaitMode::WakeOnMessage);
                 http.Get(base + path);
                 return http.Body.size();
             },
             {}},
            {"TNMHTTP (sleep 2 ms)",
             [&] {
                 SetSocketWaitMode(TSocketWaitMode::Sleep);
                 http.Get(base + path);
                 return http.Body.size();
             },
             {}},
            {"WinINet", [&] { return WinInetGet(session, base + path); }, {}},
            {"blocking WinSock", [&] { return BlockingGet(path); }, {}},
        };
        for (auto& c : clients) c.get(); // warm-up
        for (int r = 0; r < rounds; ++r)
            for (auto& c : clients) {
                auto t0 = std::chrono::steady_clock::now();
                size_t got = 0;
                try {
                    got = c.get();
                } catch (const std::exception& e) { std::fprintf(stderr, "%s: %s\n", c.name, e.what()); }
                double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                if (got < size) ++failures;
                c.ms.push_back(ms);
            }
        const double floor = Median(clients[3].ms), inet = Median(clients[2].ms);
        std::printf("%zu-byte page, %d interleaved rounds, median ms:\n", size, rounds);
        for (auto& c : clients)
            std::printf("  %-28s %8.3f   x%.2f of WinSock floor   x%.2f of WinINet\n", c.name, Median(c.ms), Median(c.ms) / floor,
                        Median(c.ms) / inet);
    }
    SetSocketWaitMode(TSocketWaitMode::WakeOnMessage);
    InternetCloseHandle(session);
    WSACleanup();
    if (failures) std::printf("%d requests came back short\n", failures);
    return failures ? 1 : 0;
}
