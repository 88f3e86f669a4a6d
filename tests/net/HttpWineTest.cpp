// TPowersock and TNMHTTP over real WinSock, run under Wine against the loopback peers that the
// test fixture starts: the scriptable test server (which records the raw request bytes) and a
// tinyproxy in front of it.
#include "toolkit/Win32.h"

#include <winsock.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "net/NMHttp.h"
#include "net/PsockWin32.h"
#include "support/PeerPorts.h"
#include "toolkit/Controls.h"

namespace {

int PortOf(const char* name) { return PeerPort("QV_NET_PORTS", name); }

std::string Base() { return "http://127.0.0.1:" + std::to_string(PortOf("HTTP_PORT")); }

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 251);
    return s;
}

// A plain blocking client, independent of the code under test: asks the test server for the
// raw bytes of the last request it recorded.
std::string LastRecordedRequest() {
    WSADATA wd;
    WSAStartup(0x0101, &wd);
    std::string out;
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(PortOf("HTTP_PORT")));
    sa.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
        const char req[] = "GET /__last HTTP/1.0\r\n\r\n";
        send(s, req, sizeof req - 1, 0);
        char buf[8192];
        int n;
        while ((n = recv(s, buf, sizeof buf, 0)) > 0) out.append(buf, static_cast<size_t>(n));
    }
    closesocket(s);
    WSACleanup();
    size_t body = out.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : out.substr(body + 4);
}

const char kAccept[] = "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                       "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";

class HttpWine : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(PortOf("HTTP_PORT"), 0) << "QV_NET_PORTS does not name the fixture's port file";
        http = std::make_unique<TNMHTTP>(nullptr);
        http->TimeOut = 30000;
        http->OnSuccess = [this](CmdType c) { events.push_back("success:" + std::to_string(c)); };
        http->OnFailure = [this](CmdType c) { events.push_back("failure:" + std::to_string(c)); };
        http->OnDisconnect = [this](TObject*) { events.push_back("disconnect"); };
    }
    void TearDown() override { http.reset(); }

    std::string ErrorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const Exception& e) { return e.Message(); }
        return "<no exception>";
    }

    std::unique_ptr<TNMHTTP> http;
    std::vector<std::string> events;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST_F(HttpWine, PluginGetSendsExactBytes) {
    http->HeaderInfo.LocalProgram = "The Quavory";
    http->HeaderInfo.Cookie = "UserCookie=0";
    http->Get(Base() + "/page/2048");
    EXPECT_EQ(http->Body, Pattern(2048));
    EXPECT_EQ(http->ReplyCode, 200);
    EXPECT_EQ(LastRecordedRequest(), std::string("GET /page/2048 HTTP/1.0\r\nHost: 127.0.0.1\r\n") + kAccept +
                                         "From: The Quavory\r\nCookie: UserCookie=0\r\n"
                                         "Content-type: application/x-www-form-urlencoded\r\n\r\n");
    // The server's close may be handled before or after the body is complete, so only the
    // success itself is certain here.
    EXPECT_EQ(std::count(events.begin(), events.end(), "success:0"), 1);
    // Of two Set-Cookie lines the later wins; the value comes without its line end.
    http->Get(Base() + "/cookie");
    EXPECT_EQ(http->ReceivedCookie, "ID=abc; path=/");
}

TEST_F(HttpWine, ManyRequestsInARow) {
    // The body ends by Content-Length, usually before the server's close is handled; the close
    // notification of the old socket must not reach the next socket, which Wine often gives the
    // same handle value.
    http->TimeOut = 5000;
    for (int i = 0; i < 60; ++i) {
        http->Get(Base() + "/page/" + std::to_string(100 + i));
        ASSERT_EQ(http->Body, Pattern(100 + static_cast<size_t>(i))) << i;
    }
}

TEST_F(HttpWine, NormalExchangeDisconnectsTwice) {
    http->Get(Base() + "/pagenl/3000");
    EXPECT_EQ(http->Body, Pattern(3000));
    EXPECT_EQ(events, (std::vector<std::string>{"disconnect", "success:0", "disconnect"}));
    EXPECT_FALSE(http->IsConnected);
}

TEST_F(HttpWine, PostDecodesAndSendsWholeBody) {
    http->Post(Base() + "/echo", "vALBUM%3DDisc%26%26vRating%3D8+x");
    EXPECT_EQ(http->Body, "vALBUM=Disc&&vRating=8 x");
    EXPECT_EQ(LastRecordedRequest(), std::string("POST /echo HTTP/1.0\r\nHost: 127.0.0.1\r\n") + kAccept +
                                         "Content-type: application/x-www-form-urlencoded\r\nContent-Length: 24\r\n\r\n"
                                         "vALBUM=Disc&&vRating=8 x");
    // Longer than one write buffer, NUL bytes included.
    http->DecodePostData = false;
    std::string big = Pattern(100000);
    http->Post(Base() + "/echo", big);
    EXPECT_EQ(http->Body, big);
}

TEST_F(HttpWine, ProxyRequestLineCarriesWholeUrl) {
    // The test server itself in the proxy's place records what a proxy receives.
    http->Proxy = "127.0.0.1";
    http->ProxyPort = PortOf("HTTP_PORT");
    std::string url = "http://127.0.0.1:" + std::to_string(PortOf("HTTP_PORT")) + "/page/10";
    http->Get(url);
    EXPECT_EQ(http->Body, Pattern(10));
    EXPECT_EQ(LastRecordedRequest(), "GET " + url + " HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\nHost: 127.0.0.1\r\n" + kAccept +
                                         "Content-type: application/x-www-form-urlencoded\r\n\r\n");
}

TEST_F(HttpWine, ThroughTinyproxy) {
    ASSERT_NE(PortOf("PROXY_PORT"), 0);
    http->Proxy = "127.0.0.1";
    http->ProxyPort = PortOf("PROXY_PORT");
    http->Get(Base() + "/page/200000");
    EXPECT_EQ(http->Body.size(), 200000u);
    EXPECT_EQ(http->Body, Pattern(200000));
    std::string seen = LastRecordedRequest();
    EXPECT_EQ(seen.rfind("GET /page/200000 HTTP/1.0\r\n", 0), 0u) << seen;
    EXPECT_NE(seen.find("tinyproxy"), std::string::npos) << seen;
    http->Post(Base() + "/echo", "a%3Db");
    EXPECT_EQ(http->Body, "a=b");
    // tinyproxy may reorder repeated header lines, so only the shape of the cookie is certain.
    http->Get(Base() + "/cookie");
    EXPECT_EQ(http->ReceivedCookie.rfind("ID=", 0), 0u);
}

TEST_F(HttpWine, ReplyShapes) {
    struct Case {
        const char* path;
        int code;
        std::string body;
        const char* event;
    } cases[] = {
        {"/lfonly", 200, "lf body", "success:0"},
        {"/nophrase", 200, "no phrase", "success:0"},
        {"/nul", 200,
         [] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += std::string("a\0b\0c", 5);
             return s;
         }(),
         "success:0"},
        {"/404", 404, "<html>missing</html>", "failure:0"},
        {"/noloc", 302, "nowhere", nullptr},
    };
    for (const auto& c : cases) {
        events.clear();
        http->Get(Base() + c.path);
        EXPECT_EQ(http->ReplyCode, c.code) << c.path;
        EXPECT_EQ(http->Body, c.body) << c.path;
        bool has = false;
        for (const auto& e : events) has = has || (c.event && e == c.event);
        EXPECT_EQ(has, c.event != nullptr) << c.path;
    }
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/closenothing"); }), "Connection closed without a reply");
    // A reply cut short is a failure, not a page.
    events.clear();
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/shortbody"); }), "Connection closed after 10 of 1000 body bytes");
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/closeearly"); }),
              "Connection closed inside the reply header: line 1 ended after 15 bytes without its line end");
    EXPECT_EQ(std::count(events.begin(), events.end(), "success:0"), 0);
}

TEST_F(HttpWine, BigBodyAndKeepOpenServer) {
    auto start = std::chrono::steady_clock::now();
    std::vector<int32_t> counts;
    http->OnPacketRecvd = [&](TObject*) { counts.push_back(http->BytesReceived); };
    http->Get(Base() + "/pagenl/5242880");
    EXPECT_EQ(http->Body.size(), 5242880u);
    EXPECT_TRUE(http->Body == Pattern(5242880));
    // Progress: each event's count grows, and the last one is the body's length.
    ASSERT_GT(counts.size(), 2u);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), 5242880);
    EXPECT_EQ(http->BytesReceived, 5242880);
    counts.clear();
    http->Get(Base() + "/page/5242880");
    EXPECT_EQ(http->BytesExpected, 5242880);
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.back(), 5242880);
    http->OnPacketRecvd = nullptr;
    // Content-Length ends the body although the server keeps the connection open.
    start = std::chrono::steady_clock::now();
    http->Get(Base() + "/keepopen");
    EXPECT_EQ(http->Body, "hello");
    EXPECT_LT(Seconds(start), 4.0);
}

TEST_F(HttpWine, Redirections) {
    http->Post(Base() + "/redir-bare", "x=1");
    EXPECT_EQ(http->Body, "target page");
    EXPECT_EQ(http->RequestUrl, Base() + "/target.htm");
    EXPECT_EQ(LastRecordedRequest(), std::string("GET /target.htm HTTP/1.0\r\nHost: 127.0.0.1\r\n") + kAccept +
                                         "Cookie: R=1; path=/\r\nContent-type: application/x-www-form-urlencoded\r\n\r\n");
    // A relative Location with a path is resolved against the request's URL.
    http->Get(Base() + "/dir/start");
    EXPECT_EQ(http->Body, "relative target");
    EXPECT_EQ(http->RequestUrl, Base() + "/dir/ok/page.html");
    http->MaxRedirects = 3;
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/loop"); }), "Too many redirections");
    int asked = 0;
    http->OnAuthenticationNeeded = [&](TObject*) { ++asked; };
    http->Get(Base() + "/401");
    EXPECT_EQ(asked, 1);
}

TEST_F(HttpWine, ConnectFailures) {
    http->TimeOut = 500;
    int failed = 0;
    http->OnConnectionFailed = [&](TObject*) { ++failed; };
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] { http->Get("http://127.0.0.1:" + std::to_string(PortOf("STALL_PORT")) + "/"); }),
              "Connection Timed out");
    EXPECT_GE(Seconds(start), 0.45);
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_EQ(ErrorOf([&] { http->Get("http://127.0.0.1:" + std::to_string(PortOf("REFUSED_PORT")) + "/"); }),
              "Connection Failed");
    EXPECT_EQ(failed, 2);
    // The component recovers.
    http->Get(Base() + "/page/5");
    EXPECT_EQ(http->Body, Pattern(5));
}

TEST_F(HttpWine, SilenceTimesOut) {
    http->TimeOut = 400;
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/stall"); }), "Socket readln timed out");
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/stallbody"); }), "Socket capture timed out");
    EXPECT_EQ(http->Body, "partial");
}

TEST_F(HttpWine, AbortFromTimerInEachPhase) {
    struct Case {
        std::string url;
        const char* message;
    } cases[] = {
        {"http://127.0.0.1:" + std::to_string(PortOf("STALL_PORT")) + "/", "Connection Canceled"},
        {Base() + "/stall", "Socket readln aborted"},
        {Base() + "/stallbody", "Socket capture aborted"},
    };
    TThreadTimer timer(nullptr);
    timer.SetEnabled(false);
    timer.SetInterval(300);
    timer.SetOnTimer([&](TObject*) {
        timer.SetEnabled(false);
        http->Abort();
    });
    for (const auto& c : cases) {
        timer.SetEnabled(true);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ErrorOf([&] { http->Get(c.url); }), c.message) << c.url;
        EXPECT_LT(Seconds(start), 5.0) << c.url;
        EXPECT_FALSE(http->IsConnected);
    }
}

TEST_F(HttpWine, SecondRequestFromTimerIsRefused) {
    std::string refused;
    TThreadTimer timer(nullptr);
    timer.SetInterval(200);
    timer.SetOnTimer([&](TObject*) {
        timer.SetEnabled(false);
        refused = ErrorOf([&] { http->Get(Base() + "/page/1"); });
        http->Abort();
    });
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/stallbody"); }), "Socket capture aborted");
    EXPECT_EQ(refused, "Already connected");
    EXPECT_EQ(http->RequestUrl, Base() + "/stallbody");
}

TEST_F(HttpWine, NameLookupAndWaitModes) {
    int resolved = 0;
    http->OnHostResolved = [&](TComponent*) { ++resolved; };
    for (TSocketWaitMode mode : {TSocketWaitMode::Sleep, TSocketWaitMode::WakeOnMessage}) {
        SetSocketWaitMode(mode);
        http->Get("http://localhost:" + std::to_string(PortOf("HTTP_PORT")) + "/page/70000");
        EXPECT_EQ(http->Body, Pattern(70000));
    }
    EXPECT_EQ(resolved, 2);
    EXPECT_FALSE(http->WinsockInfo.Count() == 0 && http->WinsockInfo.Text().empty());
}

TEST(PowersockWine, WinsockInfoAndInstanceCount) {
    auto a = std::make_unique<TPowersock>(nullptr);
    ASSERT_EQ(a->WinsockInfo.Count(), 6);
    EXPECT_EQ(a->WinsockInfo[0], "Version= 1.1");
    EXPECT_EQ(a->WinsockInfo[4].rfind("Max Sockets= ", 0), 0u);
    auto b = std::make_unique<TPowersock>(nullptr);
    EXPECT_EQ(b->WinsockInfo.Count(), 0); // only the first live instance starts WinSock
    a.reset();
    // WinSock stays started while b lives: b can still connect.
    b->Host = "127.0.0.1";
    b->Port = PortOf("HTTP_PORT");
    b->Connect();
    EXPECT_TRUE(b->IsConnected);
    b->Writeln("GET /page/3 HTTP/1.0\r\n");
    EXPECT_EQ(b->ReadLn(), "HTTP/1.0 200 OK\r\n");
    b->Disconnect();
}

// One engine object through a sequence of exchanges that each leave something behind; the
// request after each returns exactly what the server sent for it.
TEST_F(HttpWine, SequenceOnOneObject) {
    const std::string page = "/page/2048";
    const std::string pageHeader = "HTTP/1.0 200 OK\r\nContent-Length: 2048\r\n\r\n";
    auto expectPage = [&](const char* after) {
        events.clear();
        http->Get(Base() + page);
        EXPECT_EQ(http->ReplyCode, 200) << after;
        EXPECT_EQ(http->Header, pageHeader) << after;
        EXPECT_TRUE(http->Body == Pattern(2048)) << after;
        EXPECT_EQ(std::count(events.begin(), events.end(), "success:0"), 1) << after;
        EXPECT_EQ(LastRecordedRequest().rfind("GET " + page + " HTTP/1.0\r\n", 0), 0u) << after;
    };
    http->TimeOut = 400;
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/stall"); }), "Socket readln timed out");
    http->TimeOut = 30000;
    expectPage("a stalled reply");

    http->Get(Base() + "/surplus");
    EXPECT_EQ(http->Body, "hello");
    expectPage("surplus bytes");

    http->Head(Base() + "/page/3000");
    EXPECT_EQ(http->Body, "");
    expectPage("HEAD");

    // The first block of the body aborts: one receive call can take megabytes, so a later one
    // might already hold the whole body.
    http->OnPacketRecvd = [&](TObject*) {
        if (http->BytesReceived > 0) http->Abort();
    };
    EXPECT_EQ(ErrorOf([&] { http->Get(Base() + "/page/5242880"); }), "Socket capture aborted");
    http->OnPacketRecvd = nullptr;
    EXPECT_LT(http->Body.size(), 5242880u);
    expectPage("an abort inside a 5 MiB body");
}

// A handler that runs during a wait (here a timer, as the host's quit would) destroys the
// engine; the request unwinds without touching it.
TEST(PowersockWine, DestroyedDuringAWait) {
    auto* http = new TNMHTTP(nullptr);
    TThreadTimer timer(nullptr);
    timer.SetInterval(200);
    bool destroyed = false;
    timer.SetOnTimer([&](TObject*) {
        timer.SetEnabled(false);
        destroyed = true;
        delete http;
    });
    std::string error;
    try {
        http->Get(Base() + "/stall");
    } catch (const Exception& e) { error = e.Message(); }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(error, "Socket destroyed during a wait");
    // Another engine works afterwards.
    TNMHTTP next(nullptr);
    next.Get(Base() + "/page/5");
    EXPECT_EQ(next.Body, Pattern(5));
}

LRESULT CALLBACK RefuseCreation(HWND h, UINT m, WPARAM w, LPARAM l) {
    return m == WM_NCCREATE ? FALSE : DefWindowProcA(h, m, w, l);
}

// A start-up that fails half-way (here the time-out timer's window is refused) gives WinSock
// back: with no other user left, it is cleaned up.
TEST(PowersockWine, FailedStartupCleansUp) {
    UnregisterClassA("TmrWindowClass", ToolkitInstance());
    WNDCLASSA wc{};
    wc.lpfnWndProc = RefuseCreation;
    wc.hInstance = ToolkitInstance();
    wc.lpszClassName = "TmrWindowClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    std::string error;
    try {
        TPowersock sock(nullptr);
    } catch (const ESockError& e) { error = e.Message(); }
    UnregisterClassA("TmrWindowClass", ToolkitInstance());
    EXPECT_EQ(error, "Initializaton of windows sockets failed");
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(s, INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    if (s != INVALID_SOCKET) closesocket(s);
    // The next instance starts WinSock afresh.
    TPowersock ok(nullptr);
    EXPECT_EQ(ok.WinsockInfo.Count(), 6);
}

} // namespace
