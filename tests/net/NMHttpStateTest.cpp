// The engine across requests and against replies that break off or grow past its limits: what
// one exchange leaves behind, truncated replies, ports, relative redirections, the bounds on a
// reply, progress counts, and destruction of the engine while it waits.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "HttpRig.h"

namespace {

const std::string kSecondReply = "HTTP/1.0 404 Not Found\r\nContent-Length: 7\r\n\r\nmissing";

// After each kind of first exchange, the next request on the same object sends only itself and
// reads exactly the server's next reply.
TEST(HttpState, NothingCarriesOverToTheNextExchange) {
    const std::string bodyFile = testing::TempDir() + "qv_state_body.bin";
    struct Case {
        const char* name;
        std::function<void(Rig&)> first;
        const char* error; // what the first request raises, or empty
    };
    std::vector<Case> cases = {
        {"surplus after Content-Length",
         [](Rig& r) {
             r.Reply("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhelloSURPLUS\r\nHTTP/1.0 302 Found\r\n", false);
             r.http->Get("http://www.example.com/a");
         },
         ""},
        {"body after HEAD",
         [](Rig& r) {
             r.Reply("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody", false);
             r.http->Head("http://www.example.com/a");
         },
         ""},
        {"body after 204",
         [](Rig& r) {
             r.Reply("HTTP/1.0 204 No Content\r\n\r\nstray bytes", false);
             r.http->Get("http://www.example.com/a");
         },
         ""},
        {"body after 304",
         [](Rig& r) {
             r.Reply("HTTP/1.0 304 Not Modified\r\n\r\nstray bytes", false);
             r.http->Get("http://www.example.com/a");
         },
         ""},
        {"file capture stopped at its length",
         [&](Rig& r) {
             r.http->InputFileMode = true;
             r.http->Body = bodyFile;
             r.Reply("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcSURPLUS", false);
             r.http->Get("http://www.example.com/a");
             r.http->InputFileMode = false;
         },
         ""},
        {"read aborted inside the header",
         [](Rig& r) {
             r.Reply("HTTP/1.0 200 OK\r\nX-Cut-Sh", false);
             r.net->onPass = [&r] {
                 if (r.net->passes == 60) r.http->Abort();
             };
             r.http->Get("http://www.example.com/a");
         },
         "Socket readln aborted"},
        {"read timed out inside the header",
         [](Rig& r) {
             r.Reply("HTTP/1.0 200 OK\r\nX-Cut-Sh", false);
             r.http->TimeOut = 100;
             r.http->Get("http://www.example.com/a");
         },
         "Socket readln timed out"},
    };
    for (const auto& c : cases) {
        Rig r;
        r.net->maxChunk = 1 << 20; // a reply arrives whole, surplus and all
        EXPECT_EQ(MessageOf<Exception>([&] { c.first(r); }), *c.error ? c.error : "<no exception>") << c.name;
        r.net->onPass = nullptr;
        r.http->TimeOut = 0;
        r.events.clear();
        r.Reply(kSecondReply);
        r.http->Get("http://www.example.com/second");
        EXPECT_EQ(r.http->ReplyCode, 404) << c.name;
        EXPECT_EQ(r.http->Header, "HTTP/1.0 404 Not Found\r\nContent-Length: 7\r\n\r\n") << c.name;
        EXPECT_EQ(r.http->Body, "missing") << c.name;
        EXPECT_EQ(std::count(r.events.begin(), r.events.end(), "failure:0"), 1) << c.name;
        EXPECT_EQ(std::count(r.events.begin(), r.events.end(), "success:0"), 0) << c.name;
    }
    std::remove(bodyFile.c_str());
}

TEST(HttpState, AnInterruptedSendLeavesNothingQueued) {
    struct Case {
        const char* name;
        int timeOut;
        bool abort;
        const char* error;
    } cases[] = {{"aborted", 0, true, "Socket send aborted"}, {"timed out", 100, false, "Socket send timed out"}};
    for (const auto& c : cases) {
        Rig r;
        r.Reply("HTTP/1.0 200 OK\r\n\r\nnever").sendBlocks = true;
        r.http->TimeOut = c.timeOut;
        if (c.abort)
            r.net->onPass = [&r] {
                if (r.net->passes == 20) r.http->Abort();
            };
        EXPECT_EQ(MessageOf<Exception>([&] { r.http->Get("http://www.example.com/first"); }), c.error) << c.name;
        r.net->onPass = nullptr;
        r.http->TimeOut = 0;
        r.Reply("HTTP/1.0 200 OK\r\n\r\nsecond");
        r.http->Get("http://www.example.com/second");
        ASSERT_EQ(r.net->requests.size(), 2u) << c.name;
        EXPECT_EQ(r.net->requests[1], std::string("GET /second HTTP/1.0\r\nHost: www.example.com\r\n") + kAccept +
                                          "Content-type: application/x-www-form-urlencoded\r\n\r\n")
            << c.name;
        EXPECT_EQ(r.http->Body, "second") << c.name;
    }
}

// A reply that breaks off before its header or its declared body is whole fails the way a broken
// connection does: no result event, and a message saying what was expected and what came.
TEST(HttpState, TruncatedRepliesFail) {
    struct Case {
        std::string reply;
        const char* error;
    } cases[] = {
        {"HTTP/1.0 20", "Connection closed inside the reply header: line 1 ended after 11 bytes without its line end"},
        {"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nX-Cut",
         "Connection closed inside the reply header: line 3 ended after 5 bytes without its line end"},
        {"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n",
         "Connection closed inside the reply header: line 3 ended after 0 bytes without its line end"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + Page(160), "Connection closed after 160 of 1000 body bytes"},
        {"HTTP/1.0 404 Not Found\r\nContent-Length: 20\r\n\r\nmiss", "Connection closed after 4 of 20 body bytes"},
        {"", "Connection closed without a reply"},
    };
    for (const auto& c : cases) {
        Rig r;
        r.Reply(c.reply);
        EXPECT_EQ(MessageOf<ESockError>([&] { r.http->Get("http://www.example.com/"); }), c.error) << c.reply;
        EXPECT_EQ(std::count(r.events.begin(), r.events.end(), "success:0"), 0) << c.reply;
        EXPECT_EQ(std::count(r.events.begin(), r.events.end(), "failure:0"), 0) << c.reply;
        EXPECT_FALSE(r.http->IsConnected) << c.reply;
        EXPECT_FALSE(r.http->Busy()) << c.reply;
    }
    // Without a Content-Length the close ends the body, as it always has.
    Rig r;
    r.Reply("HTTP/1.0 200 OK\r\n\r\n" + Page(160));
    r.http->Get("http://www.example.com/");
    EXPECT_EQ(r.http->Body, Page(160));
}

TEST(HttpState, PortsOutsideTheirRangeFailBeforeAnythingIsSent) {
    struct Case {
        const char* url;
        const char* proxy;
        int proxyPort;
        const char* error; // empty: the request goes out
    } cases[] = {
        {"http://www.example.com:65616/", "", 0, "Port 65616 is out of range 1-65535"},
        {"http://www.example.com:-1/", "", 0, "Port -1 is out of range 1-65535"},
        {"http://www.example.com:0/", "", 0, "Port 0 is out of range 1-65535"},
        {"http://www.example.com:65535/", "", 0, ""},
        {"http://www.example.com:1/", "", 0, ""},
        {"http://www.example.com/", "proxy.lan", 70000, "Proxy port 70000 is out of range 1-65535"},
        {"http://www.example.com/", "proxy.lan", 0, "Proxy port 0 is out of range 1-65535"},
        {"http://www.example.com:65616/", "proxy.lan", 8080, "Port 65616 is out of range 1-65535"},
        {"http://www.example.com/", "proxy.lan", 65535, ""},
    };
    for (const auto& c : cases) {
        Rig r;
        r.http->Proxy = c.proxy;
        r.http->ProxyPort = c.proxyPort;
        r.Reply("HTTP/1.0 200 OK\r\n\r\nok");
        std::string error = MessageOf<ESockError>([&] { r.http->Get(c.url); });
        if (*c.error) {
            EXPECT_EQ(error, c.error) << c.url;
            EXPECT_TRUE(r.net->connects.empty()) << c.url;
            EXPECT_TRUE(r.net->lookups.empty()) << c.url;
        } else {
            EXPECT_EQ(error, "<no exception>") << c.url;
            EXPECT_EQ(r.http->Body, "ok") << c.url;
        }
    }
}

TEST(HttpState, RelativeLocationsResolveAgainstTheRequest) {
    struct Case {
        const char* url;
        const char* location;
        const char* requestLine; // of the second request
        uint32_t addr;
        uint16_t port;
    } cases[] = {
        {"http://www.example.com/dir/first.cfm", "ok/page.html", "GET /dir/ok/page.html HTTP/1.0", kServer, 80},
        {"http://www.example.com/dir/sub/first.cfm", "../up.htm", "GET /dir/up.htm HTTP/1.0", kServer, 80},
        {"http://www.example.com/dir/first.cfm", "./same.htm?x=1", "GET /dir/same.htm?x=1 HTTP/1.0", kServer, 80},
        {"http://www.example.com:8000/a/b", "c/d", "GET /a/c/d HTTP/1.0", kServer, 8000},
        {"http://www.example.com/dir/first.cfm", "//other.example.com/x/y", "GET /x/y HTTP/1.0", FakeAddr(10, 1, 2, 4), 80},
        {"http://www.example.com/dir/first.cfm", "/root.htm", "GET /root.htm HTTP/1.0", kServer, 80},
        // A bare name without any "/" still goes to the server's root.
        {"http://www.example.com/dir/first.cfm", "page2", "GET /page2 HTTP/1.0", kServer, 80},
        {"http://www.example.com/dir/first.cfm", "http://other.example.com/abs", "GET /abs HTTP/1.0", FakeAddr(10, 1, 2, 4), 80},
    };
    for (const auto& c : cases) {
        Rig r;
        r.Reply(std::string("HTTP/1.0 302 Found\r\nLocation: ") + c.location + "\r\n\r\n");
        r.Reply("HTTP/1.0 200 OK\r\n\r\nthere");
        r.http->Get(c.url);
        ASSERT_EQ(r.net->requests.size(), 2u) << c.location;
        EXPECT_EQ(r.net->requests[1].substr(0, r.net->requests[1].find("\r\n")), c.requestLine) << c.location;
        EXPECT_EQ(r.net->connects[1], std::make_pair(c.addr, c.port)) << c.location;
        EXPECT_EQ(r.http->Body, "there") << c.location;
    }
}

std::string HeaderLine(size_t length) { return "X-F: " + std::string(length - 7, 'a') + "\r\n"; }

// Each bound holds at its value and fails one past it, naming itself; a failed reply leaves
// nothing in Body or Header.
TEST(HttpState, ReplyLimits) {
    using namespace httplimits;
    const std::string status = "HTTP/1.0 200 OK\r\n";
    auto lines = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "X-" + std::to_string(i) + ": v\r\n";
        return s;
    };
    // Filler lines that bring the whole header (status and end line included) to n bytes.
    auto headerOf = [&](size_t n) {
        std::string h = status;
        size_t left = n - status.size() - 2;
        while (left > 0) {
            size_t len = std::min<size_t>(left, 8000);
            if (left - len > 0 && left - len < 8) len -= 8; // keep every filler line long enough
            h += HeaderLine(len);
            left -= len;
        }
        return h + "\r\n";
    };
    const std::string lineLimit = "Reply header line exceeds its limit of 8192 bytes";
    struct Case {
        const char* name;
        std::string reply;
        const char* error; // empty: accepted
    } cases[] = {
        {"status line at its limit", "HTTP/1.0 200 " + std::string(kLine.Max - 15, 'r') + "\r\n\r\nok", ""},
        {"status line past its limit", "HTTP/1.0 200 " + std::string(kLine.Max - 14, 'r') + "\r\n\r\nok", lineLimit.c_str()},
        {"status line without an end past its limit", "HTTP/1.0 200 " + std::string(3 * kLine.Max, 'r'), lineLimit.c_str()},
        {"header line at its limit", status + HeaderLine(kLine.Max) + "\r\nok", ""},
        {"header line past its limit", status + HeaderLine(kLine.Max + 1) + "\r\nok", lineLimit.c_str()},
        {"header lines at their limit", status + lines(kHeaderLines - 1) + "\r\nok", ""},
        {"header lines past their limit", status + lines(kHeaderLines) + "\r\nok", "Reply header exceeds its limit of 100 lines"},
        {"header at its limit", headerOf(kHeaderBytes) + "ok", ""},
        {"header past its limit", headerOf(kHeaderBytes + 1) + "ok", "Reply header exceeds its limit of 65536 bytes"},
    };
    for (const auto& c : cases) {
        Rig r;
        r.net->maxChunk = 1 << 16;
        r.Reply(c.reply);
        std::string error = MessageOf<ESockError>([&] { r.http->Get("http://www.example.com/"); });
        if (*c.error) {
            EXPECT_EQ(error, c.error) << c.name;
            EXPECT_EQ(r.http->Header, "") << c.name;
            EXPECT_EQ(r.http->Body, "Default.htm") << c.name; // untouched
        } else {
            EXPECT_EQ(error, "<no exception>") << c.name;
            EXPECT_EQ(r.http->Body, "ok") << c.name;
            EXPECT_EQ(r.http->Header.size(), c.reply.size() - 2) << c.name;
        }
    }
}

TEST(HttpState, BodyLimitInMemory) {
    const size_t max = httplimits::kBody.Max;
    const std::string bodyLimit = "Reply body exceeds its limit of 16777216 bytes";
    struct Case {
        const char* name;
        size_t size;
        bool contentLength;
        const char* error;
    } cases[] = {
        {"declared at the limit", max, true, ""},
        {"declared past the limit", max + 1, true, bodyLimit.c_str()},
        {"undeclared at the limit", max, false, ""},
        {"undeclared past the limit", max + 1, false, bodyLimit.c_str()},
    };
    for (const auto& c : cases) {
        Rig r;
        r.net->maxChunk = 1 << 20;
        std::string head = "HTTP/1.0 200 OK\r\n";
        if (c.contentLength) head += "Content-Length: " + std::to_string(c.size) + "\r\n";
        r.Reply(head + "\r\n" + std::string(c.size, 'b'));
        std::string error = MessageOf<ESockError>([&] { r.http->Get("http://www.example.com/"); });
        if (*c.error) {
            EXPECT_EQ(error, c.error) << c.name;
            EXPECT_TRUE(r.http->Body.empty()) << c.name;
            // A declared length past the limit fails before the body is read.
            if (c.contentLength) { EXPECT_EQ(r.http->BytesReceived, 0) << c.name; }
        } else {
            EXPECT_EQ(error, "<no exception>") << c.name;
            EXPECT_EQ(r.http->Body.size(), c.size) << c.name;
        }
    }
}

TEST(HttpState, ProgressOfALargeBody) {
    const size_t size = 5 * 1024 * 1024;
    const std::string body = Page(size);
    const std::string file = testing::TempDir() + "qv_progress.bin";
    struct Case {
        const char* name;
        bool contentLength;
        bool toFile;
    } cases[] = {
        {"declared, in memory", true, false}, {"until close, in memory", false, false}, {"declared, to a file", true, true}};
    for (const auto& c : cases) {
        Rig r;
        r.net->maxChunk = 40000;
        std::string head = "HTTP/1.0 200 OK\r\n";
        if (c.contentLength) head += "Content-Length: " + std::to_string(size) + "\r\n";
        r.Reply(head + "\r\n" + body);
        if (c.toFile) {
            r.http->InputFileMode = true;
            r.http->Body = file;
        }
        std::vector<int32_t> counts;
        int32_t expectedSeen = -1;
        r.http->OnPacketRecvd = [&](TObject* sender) {
            EXPECT_EQ(sender, r.http.get());
            counts.push_back(r.http->BytesReceived);
            expectedSeen = r.http->BytesExpected;
        };
        r.http->Get("http://www.example.com/big");
        ASSERT_GT(counts.size(), 10u) << c.name;
        long long sum = 0;
        for (size_t i = 0; i < counts.size(); ++i) {
            const int32_t step = counts[i] - (i ? counts[i - 1] : 0);
            EXPECT_GT(step, 0) << c.name << " event " << i;
            sum += step;
        }
        EXPECT_EQ(sum, r.http->BytesReceived) << c.name;
        EXPECT_EQ(counts.back(), static_cast<int32_t>(size)) << c.name;
        EXPECT_EQ(expectedSeen, c.contentLength ? static_cast<int32_t>(size) : 0) << c.name;
        if (!c.toFile) { EXPECT_TRUE(r.http->Body == body) << c.name; }
    }
    std::remove(file.c_str());
}

// A handler that runs during a wait, or one of the engine's own events, destroys the engine: the
// request unwinds without touching the freed object (AddressSanitizer would catch a touch).
TEST(HttpState, DestroyedWhileItWaits) {
    struct Case {
        const char* phase;
        std::function<void(Rig&)> script;
        const char* error; // empty: the request returns
        int atPass;        // destroy from the wait pass with this number (0: from an event)
        std::function<void(TNMHTTP&, std::function<void()>)> hook;
    };
    auto never = [](Rig& r) {
        FakeExchange e;
        e.connectNeverCompletes = true;
        r.net->exchanges.push_back(e);
    };
    const char* gone = "Socket destroyed during a wait";
    std::vector<Case> cases = {
        {"lookup", [](Rig& r) { r.net->lookupNeverCompletes = true; }, gone, 50, nullptr},
        {"connect", never, gone, 50, nullptr},
        {"send", [](Rig& r) { r.Reply("x").sendBlocks = true; }, gone, 50, nullptr},
        {"status line", [](Rig& r) { r.Reply("HTTP/1.0 2", false); }, gone, 50, nullptr},
        {"body", [](Rig& r) { r.Reply("HTTP/1.0 200 OK\r\n\r\npartial", false); }, gone, 50, nullptr},
        {"OnAboutToSend", [](Rig& r) { r.Reply("HTTP/1.0 200 OK\r\n\r\nok"); }, "", 0,
         [](TNMHTTP& h, std::function<void()> kill) { h.OnAboutToSend = [kill](TObject*) { kill(); }; }},
        {"OnPacketRecvd", [](Rig& r) { r.Reply("HTTP/1.0 200 OK\r\n\r\n" + Page(5000)); }, gone, 0,
         [](TNMHTTP& h, std::function<void()> kill) { h.OnPacketRecvd = [kill](TObject*) { kill(); }; }},
        {"OnSuccess", [](Rig& r) { r.Reply("HTTP/1.0 200 OK\r\n\r\nok"); }, "", 0,
         [](TNMHTTP& h, std::function<void()> kill) { h.OnSuccess = [kill](CmdType) { kill(); }; }},
        {"OnDisconnect at the peer's close", [](Rig& r) { r.Reply("HTTP/1.0 200 OK\r\n\r\nok"); }, gone, 0,
         [](TNMHTTP& h, std::function<void()> kill) { h.OnDisconnect = [kill](TObject*) { kill(); }; }},
        {"OnRedirect", [](Rig& r) { r.Reply("HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n"); }, "", 0,
         [](TNMHTTP& h, std::function<void()> kill) { h.OnRedirect = [kill](bool&) { kill(); }; }},
    };
    for (const auto& c : cases) {
        Rig r;
        c.script(r);
        TNMHTTP* h = r.http.release();
        bool destroyed = false;
        auto kill = [&] {
            if (!destroyed) {
                destroyed = true;
                delete h;
            }
        };
        if (c.hook) c.hook(*h, kill);
        if (c.atPass)
            r.net->onPass = [&] {
                if (r.net->passes == c.atPass) kill();
            };
        std::string error = "<no exception>";
        try {
            h->Get("http://www.example.com/");
        } catch (const Exception& e) { error = e.Message(); }
        EXPECT_TRUE(destroyed) << c.phase;
        EXPECT_EQ(error, *c.error ? c.error : "<no exception>") << c.phase;
        if (!destroyed) delete h;
    }
}

} // namespace
