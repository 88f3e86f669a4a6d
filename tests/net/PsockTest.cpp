// The socket layer driven by the scripted driver: buffer handling, error texts, status levels,
// resolution, connecting, sending, line reads, captures, cancellation and time-outs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "FakeSocketDriver.h"
#include "net/Psock.h"

int SocketErrorTableSize();

namespace {

struct Rig {
    std::shared_ptr<FakeNet> net = std::make_shared<FakeNet>();
    FakeSocketDriver* driver = nullptr;
    std::unique_ptr<TPowersock> sock;
    Rig() {
        auto d = std::make_unique<FakeSocketDriver>(net);
        driver = d.get();
        sock = std::make_unique<TPowersock>(nullptr, std::move(d));
        sock->Host = "10.0.0.1";
        sock->Port = 7000;
    }
    void Script(std::string reply, bool close = true) {
        FakeExchange e;
        e.reply = std::move(reply);
        e.closeAfterReply = close;
        net->exchanges.push_back(e);
    }
};

template <class E, class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) { return e.Message(); }
    return "<no exception>";
}

TEST(ReceiveBuffer, LinesAndCompaction) {
    TReceiveBuffer b;
    b.Append("HTTP/1.0 200 OK\r\nab", 19);
    EXPECT_TRUE(b.HasLine());
    EXPECT_EQ(b.TakeLine(), "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(b.Data(), "ab");
    EXPECT_FALSE(b.HasLine());
    b.Append("c\nd", 3);
    EXPECT_EQ(b.TakeLine(), "abc\n");
    EXPECT_EQ(b.Take(5), "d");
    EXPECT_TRUE(b.Empty());
    b.Append("xyz", 3);
    EXPECT_EQ(b.Take(2), "xy");
    EXPECT_EQ(b.Take(), "z");
    // Without a line feed the whole rest is the line.
    b.Append("tail", 4);
    EXPECT_EQ(b.TakeLine(), "tail");
}

// The buffer keeps a read position and moves or grows its storage only when room is asked for:
// every byte appended comes out once, in order, however appends, receives into the room and
// takes interleave (lines split across appends, a take that leaves bytes behind, room asked
// for while unread bytes sit in the middle of the storage).
TEST(ReceiveBuffer, BytesComeOutInOrderAcrossMovesAndGrowth) {
    struct Step {
        size_t append;  // bytes appended (through Room/Commit when odd, Append when even)
        long long take; // then taken (-2: a line; -1: all)
    };
    const Step steps[] = {{5, 2}, {40000, -2}, {30000, 100}, {1, -2},          {70000, 65000}, {200000, -2},
                          {3, 0}, {0, -1},     {17, 3},      {300000, 299990}, {9, -2},        {0, -1}};
    std::string all, out;
    for (size_t i = 0; i < 700000; ++i) all += static_cast<char>(i % 97 == 96 ? '\n' : 'a' + i % 26);
    TReceiveBuffer b;
    size_t in = 0;
    for (const Step& s : steps) {
        ASSERT_LE(in + s.append, all.size());
        if (s.append % 2) {
            char* room = b.Room(s.append + 10);
            std::memcpy(room, all.data() + in, s.append);
            b.Commit(s.append);
        } else {
            b.Append(all.data() + in, s.append);
        }
        in += s.append;
        if (s.take == -2) {
            const size_t lf = all.find('\n', out.size());
            const size_t expect = lf == std::string::npos || lf >= in ? in - out.size() : lf + 1 - out.size();
            EXPECT_EQ(b.LineLength(), expect);
            ASSERT_EQ(b.HasLine(), lf != std::string::npos && lf < in);
            out += b.TakeLine();
        } else if (s.take == -1) {
            b.TakeInto(out);
        } else {
            out += b.Take(s.take);
        }
        ASSERT_EQ(b.Size(), in - out.size());
        ASSERT_EQ(b.Data(), std::string_view(all).substr(out.size(), in - out.size()));
    }
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(out, all.substr(0, in));
}

// A line that arrives a byte at a time is found as soon as its line feed comes, although the
// bytes before it are not searched again on every look.
TEST(ReceiveBuffer, LineArrivingInPieces) {
    TReceiveBuffer b;
    b.Append("x\n", 2);
    EXPECT_EQ(b.TakeLine(), "x\n");
    const std::string line = std::string(50000, 'h') + "\r\n";
    for (char c : line) {
        EXPECT_FALSE(b.HasLine());
        b.Append(&c, 1);
    }
    EXPECT_TRUE(b.HasLine());
    EXPECT_EQ(b.LineLength(), line.size());
    EXPECT_EQ(b.TakeLine(), line);
    EXPECT_TRUE(b.Empty());
}

TEST(ReplyCode, LeadingDigits) {
    struct Case {
        const char* line;
        bool ok;
        int code;
    } cases[] = {{"220 ready\r\n", true, 220}, {"5", true, 5},     {"abc", false, 0}, {"", false, 0}, {"99999 x", false, 0},
                 {"12345678901", false, 0},    {"0042x", true, 42}};
    for (const auto& c : cases) {
        int code = -1;
        EXPECT_EQ(ParseReplyCode(c.line, code), c.ok) << c.line;
        if (c.ok) { EXPECT_EQ(code, c.code) << c.line; }
    }
}

TEST(SocketErrors, TableAndTexts) {
    EXPECT_EQ(SocketErrorTableSize(), 51);
    EXPECT_EQ(TPowersock::SocketErrorText(0), "");
    EXPECT_EQ(TPowersock::SocketErrorText(10061), "10061:Connection refused");
    EXPECT_EQ(TPowersock::SocketErrorText(10004), "10004:Interrupted system call");
    EXPECT_EQ(TPowersock::SocketErrorText(10047), "10047:Address family not supported by protocol family");
    EXPECT_EQ(TPowersock::SocketErrorText(11003), "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
    EXPECT_EQ(TPowersock::SocketErrorText(11004), "11004:Valid name, no data record of requested type");
    EXPECT_EQ(TPowersock::SocketErrorText(10090), "Unknown Error No. 10090");
    EXPECT_EQ(TPowersock::SocketErrorText(-1), "Unknown Error No. -1");
}

TEST(Powersock, StatusLevelsFilter) {
    Rig r;
    std::vector<std::string> seen;
    r.sock->OnStatus = [&](TComponent*, const std::string& s) { seen.push_back(s); };
    r.sock->ReportLevel = 4;
    r.Script("x");
    r.sock->Connect();
    r.sock->Write("a");
    r.sock->Disconnect();
    // Level 4 passes sends and the socket closing, not the level 8 steps.
    EXPECT_EQ(seen, (std::vector<std::string>{"Sending Buffer", "Request Close Socket"}));
    EXPECT_EQ(r.sock->StatusText, "Request Close Socket");
    seen.clear();
    r.sock->ReportLevel = 0;
    r.sock->Cancel();
    EXPECT_TRUE(seen.empty());
    r.sock->ReportLevel = 8;
    r.sock->Cancel();
    EXPECT_EQ(seen, (std::vector<std::string>{"Canceling"}));
}

TEST(Powersock, DottedHostNeedsNoLookup) {
    Rig r;
    int resolved = 0;
    r.sock->OnHostResolved = [&](TComponent*) { ++resolved; };
    r.Script("");
    r.sock->Connect();
    EXPECT_TRUE(r.sock->IsConnected);
    EXPECT_TRUE(r.net->lookups.empty());
    EXPECT_EQ(resolved, 0);
    ASSERT_EQ(r.net->connects.size(), 1u);
    EXPECT_EQ(r.net->connects[0], std::make_pair(FakeAddr(10, 0, 0, 1), uint16_t(7000)));
    EXPECT_THROW(r.sock->Connect(), ESockError);
    EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->Connect(); }), "Already connected");
}

TEST(Powersock, ProxyIsLookedUpAndContacted) {
    Rig r;
    r.net->hosts["proxy.lan"] = FakeAddr(192, 168, 1, 9);
    r.sock->Host = "origin.example";
    r.sock->Proxy = "proxy.lan";
    r.sock->ProxyPort = 3128;
    int resolved = 0;
    r.sock->OnHostResolved = [&](TComponent* s) {
        EXPECT_EQ(s, r.sock.get());
        ++resolved;
    };
    r.Script("");
    r.sock->Connect();
    EXPECT_EQ(r.net->lookups, (std::vector<std::string>{"proxy.lan"}));
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(r.net->connects.at(0), std::make_pair(FakeAddr(192, 168, 1, 9), uint16_t(3128)));
}

TEST(Powersock, InvalidHostGetsOneRetry) {
    Rig r;
    r.sock->Host = "nowhere.invalid";
    int calls = 0;
    r.sock->OnInvalidHost = [&](bool& handled) {
        ++calls;
        handled = true;
    };
    EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->Connect(); }), "Null Remote Address");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(r.net->lookups.size(), 2u);
    // The handler may fix the host.
    r.net->hosts["good.example"] = FakeAddr(1, 2, 3, 4);
    r.sock->OnInvalidHost = [&](bool& handled) {
        r.sock->Host = "good.example";
        handled = true;
    };
    r.Script("");
    r.sock->Connect();
    EXPECT_TRUE(r.sock->IsConnected);
    // Without a handler there is no retry; an over-long name is never looked up.
    Rig r2;
    r2.sock->Host = std::string(300, 'a');
    EXPECT_EQ(MessageOf<ESockError>([&] { r2.sock->Connect(); }), "Null Remote Address");
    EXPECT_TRUE(r2.net->lookups.empty());
}

TEST(Powersock, ConnectFailuresInOrder) {
    struct Case {
        FakeExchange ex;
        int timeOut;
        bool cancel;
        const char* message;
    };
    FakeExchange refused;
    refused.connectError = 10061;
    FakeExchange never;
    never.connectNeverCompletes = true;
    Case cases[] = {{refused, 0, false, "Connection Failed"},
                    {never, 100, false, "Connection Timed out"},
                    {never, 0, true, "Connection Canceled"}};
    for (const auto& c : cases) {
        Rig r;
        r.net->exchanges.push_back(c.ex);
        r.sock->TimeOut = c.timeOut;
        int failed = 0;
        r.sock->OnConnectionFailed = [&](TObject*) { ++failed; };
        if (c.cancel)
            r.net->onPass = [&] {
                if (r.net->passes == 20) r.sock->Cancel();
            };
        EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->Connect(); }), c.message);
        EXPECT_EQ(failed, 1) << c.message;
        EXPECT_FALSE(r.sock->IsConnected);
        if (c.timeOut) { EXPECT_NEAR(static_cast<double>(r.net->now), c.timeOut, 4.0); }
    }
}

TEST(Powersock, LookupTimeOutAndCancel) {
    Rig r;
    r.sock->Host = "slow.example";
    r.net->lookupNeverCompletes = true;
    r.sock->TimeOut = 50;
    EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->Connect(); }), "Host Lookup Timed Out");
    // TPowersock's own Abort does nothing, so only a Cancel ends a lookup without a time limit.
    r.sock->TimeOut = 0;
    r.net->onPass = [&] {
        if (r.net->passes == 100) r.sock->Cancel();
    };
    EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->Connect(); }), "Host Lookup Canceled");
}

TEST(Powersock, WriteLimitsAndSendData) {
    Rig r;
    r.Script("");
    r.sock->Connect();
    r.net->maxSendPerCall = 5000; // partial sends continue through the posted message
    r.sock->Write(std::string(20000, 'w'));
    EXPECT_EQ(r.net->requests[0], std::string(16384, 'w'));
    r.sock->Write(std::string("ab\0cd", 5));
    EXPECT_EQ(r.net->requests[0].substr(16384), "ab");
    r.sock->Writeln("x");
    EXPECT_EQ(r.net->requests[0].substr(16386), "x\r\n");
    std::string blob(40000, '\0');
    for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<char>(i * 7);
    r.sock->SendData(blob);
    EXPECT_EQ(r.net->requests[0].substr(16389), blob);
    r.sock->SendBuffer("0123456789", 4);
    EXPECT_EQ(r.net->requests[0].substr(16389 + 40000), "0123");
}

TEST(Powersock, ReadLnKeepsRestAndEndsOnClose) {
    Rig r;
    r.Script("HTTP/1.0 200 OK\r\nxy");
    r.sock->Connect();
    r.sock->Write("GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(r.sock->ReadLn(), "HTTP/1.0 200 OK\r\n");
    // The peer closes with two bytes and no line feed: they are the last line; then nothing.
    EXPECT_EQ(r.sock->ReadLn(), "xy");
    EXPECT_FALSE(r.sock->IsConnected);
    EXPECT_EQ(r.sock->ReadLn(), "");
}

TEST(Powersock, ReadLnCancelLeavesRequestSet) {
    Rig r;
    r.Script("", false);
    r.sock->Connect();
    r.sock->Write("q\r\n\r\n");
    r.net->onPass = [&] {
        if (r.net->passes == 30) r.sock->Cancel();
    };
    EXPECT_EQ(MessageOf<EAbortError>([&] { r.sock->ReadLn(); }), "Socket readln aborted");
    EXPECT_TRUE(r.sock->CancelRequested);
}

TEST(Powersock, CaptureStringCountsCancelAndTimeOut) {
    {
        Rig r;
        r.Script("0123456789", false);
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        std::string text;
        r.sock->CaptureString(text, 4);
        EXPECT_EQ(text, "0123");
        r.net->onPass = [&] {
            if (r.net->passes == 500) r.sock->Cancel();
        };
        EXPECT_EQ(MessageOf<EAbortError>([&] { r.sock->CaptureString(text, -1); }), "Socket capture aborted");
        EXPECT_FALSE(r.sock->CancelRequested);
        EXPECT_EQ(text, "456789"); // the server stays open: only the cancel ended the capture
    }
    {
        Rig r;
        r.Script("abc", false);
        r.sock->TimeOut = 200;
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        std::string text;
        long long start = r.net->now;
        EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->CaptureString(text, -1); }), "Socket capture timed out");
        EXPECT_GE(r.net->now - start, 200);
        EXPECT_EQ(text, "abc");
    }
    {
        // A count larger than what comes before the close ends with what came.
        Rig r;
        r.Script("abc", true);
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        std::string text;
        r.sock->CaptureString(text, 10);
        EXPECT_EQ(text, "abc");
    }
}

TEST(Powersock, BigReplyReadThroughContinuation) {
    std::string big(2 * kReceiveSize * kReadBurst + 12345, 'b');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    {
        // Until the close: each notification reads a burst of full packets and posts the
        // continuation for the rest, one at a time.
        Rig r;
        r.net->maxChunk = 1 << 24; // all of it arrives with one read notification
        r.Script(big, true);
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        std::string text;
        r.sock->CaptureString(text, -1);
        EXPECT_EQ(text, big);
        EXPECT_GE(r.net->continueReads, 2);
        EXPECT_EQ(r.net->maxQueuedContinueReads, 1);
    }
    {
        // A counted capture receives straight into the text: few calls take all that arrived.
        Rig r;
        r.net->maxChunk = 1 << 24;
        r.Script("HTTP/1.0 200 OK\r\n" + big, false);
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        EXPECT_EQ(r.sock->ReadLn(), "HTTP/1.0 200 OK\r\n");
        const int before = r.net->recvCalls;
        std::string text;
        r.sock->CaptureString(text, static_cast<int>(big.size()));
        EXPECT_EQ(text, big);
        EXPECT_EQ(r.sock->BytesReceived, static_cast<int32_t>(big.size()));
        // What ReadLn left buffered is taken first; the rest, more than four receive blocks, comes
        // with the window doubling from there.
        EXPECT_LE(r.net->recvCalls - before, 3);
    }
}

TEST(Powersock, DirectCaptureTextChangedByAHandler) {
    // The bytes go straight into the text's storage: a packet handler that replaces the text
    // ends the capture instead of having bytes written where the text no longer is.
    const std::string body(300000, 'z');
    for (int kind = 0; kind < 2; ++kind) {
        Rig r;
        r.net->maxChunk = 5000;
        r.Script(body, false);
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        std::string text;
        int events = 0;
        r.sock->OnPacketRecvd = [&](TObject*) {
            if (++events == 2) {
                if (kind == 0)
                    text = "replaced";
                else
                    text.resize(1);
            }
        };
        EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->CaptureString(text, static_cast<int>(body.size())); }),
                  "Capture text changed during the capture")
            << kind;
        // The next capture on the object works.
        r.sock->OnPacketRecvd = nullptr;
        r.sock->Disconnect();
        r.Script("again", true);
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        r.sock->CaptureString(text, 5);
        EXPECT_EQ(text, "again");
    }
}

TEST(Powersock, PeerCloseThenReconnect) {
    Rig r;
    int disconnects = 0;
    r.sock->OnDisconnect = [&](TObject*) { ++disconnects; };
    r.Script("one");
    r.Script("two");
    for (const char* expect : {"one", "two"}) {
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        std::string text;
        r.sock->CaptureString(text, -1);
        EXPECT_EQ(text, expect);
        EXPECT_FALSE(r.sock->IsConnected);
        r.sock->Disconnect();
    }
    EXPECT_EQ(disconnects, 4);
    // The first socket resets on close; the recreated ones do not. A replacement is made only
    // when a connection needs it: the one between the peer's close and Disconnect never is.
    EXPECT_FALSE(r.driver->lingerReset);
    EXPECT_EQ(r.net->creates, 2);
    EXPECT_EQ(r.net->closes, 2);
}

TEST(Powersock, NoReceiveCallsAfterTheEndOfData) {
    // The platform repeats read notifications while a closed socket stays readable; once a
    // receive call has said the peer closed, they cost no further call.
    Rig r;
    r.Script("abc", true);
    r.sock->Connect();
    r.sock->Write("a\r\n\r\n");
    std::string text;
    r.sock->CaptureString(text, -1);
    EXPECT_EQ(text, "abc");
    const int calls = r.net->recvCalls;
    for (int i = 0; i < 3; ++i) r.sock->HandleSocketMessage(sockmsg::SocketEvent, fdev::Read);
    EXPECT_EQ(r.net->recvCalls, calls);
    // The next connection reads again.
    r.Script("def", true);
    r.sock->Disconnect();
    r.sock->Connect();
    r.sock->Write("a\r\n\r\n");
    r.sock->CaptureString(text, -1);
    EXPECT_EQ(text, "def");
}

TEST(Powersock, ReadsWaitForTheNotificationUntilBytesFlow) {
    // Right after a request the server is still working: the line read waits for the read
    // notification instead of asking the socket first. A reply that arrives in pieces is then
    // read as it comes, and asking finds nothing at most once per piece.
    for (int chunk : {1 << 20, 300, 7}) {
        Rig r;
        r.net->maxChunk = chunk;
        const std::string body(3000, 'q');
        r.Script("HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n\r\n" + body, false);
        r.sock->Connect();
        r.sock->Write("GET / HTTP/1.0\r\n\r\n");
        EXPECT_EQ(r.sock->ReadLn(), "HTTP/1.0 200 OK\r\n") << chunk;
        if (chunk == 1 << 20) { EXPECT_EQ(r.net->emptyRecvs, 0); }
        EXPECT_EQ(r.sock->ReadLn(), "Content-Length: 3000\r\n");
        EXPECT_EQ(r.sock->ReadLn(), "\r\n");
        std::string text;
        r.sock->CaptureString(text, 3000);
        EXPECT_EQ(text, body) << chunk;
        EXPECT_LE(r.net->emptyRecvs, r.net->passes) << chunk;
    }
}

TEST(Powersock, TransactionReplyCode) {
    Rig r;
    r.Script("250 OK\r\n", false);
    r.sock->ReportLevel = 1;
    std::vector<std::string> seen;
    r.sock->OnStatus = [&](TComponent*, const std::string& s) { seen.push_back(s); };
    r.sock->Connect();
    EXPECT_EQ(r.sock->Transaction("NOOP\r\n"), "250 OK\r\n");
    EXPECT_EQ(r.sock->ReplyCode, 250);
    EXPECT_EQ(seen, (std::vector<std::string>{"250 OK\r\n"}));
}

TEST(Powersock, SendAndCaptureFiles) {
    std::string in = testing::TempDir() + "qv_sendfile.bin";
    std::string out = testing::TempDir() + "qv_capture.bin";
    std::string data(50000, 'x');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    { std::ofstream(in, std::ios::binary) << data; }
    Rig r;
    r.net->maxSendPerCall = 7000;
    r.Script("0123456789abcdef");
    r.sock->Connect();
    int packets = 0;
    r.sock->OnPacketSent = [&](TObject*) { ++packets; };
    r.sock->SendFile(in);
    EXPECT_EQ(r.net->requests[0], data);
    EXPECT_EQ(r.sock->BytesSent, 50000);
    EXPECT_GE(packets, 8);
    r.sock->Write("\r\n\r\n");
    r.sock->CaptureFile(out, 10);
    std::stringstream got;
    got << std::ifstream(out, std::ios::binary).rdbuf();
    EXPECT_EQ(got.str(), "0123456789");
    EXPECT_EQ(r.sock->BytesReceived, 10);
    std::remove(in.c_str());
    std::remove(out.c_str());
    EXPECT_THROW(r.sock->SendFile(in), EFOpenError);
}

// An event handler inside the read handler runs a nested message loop (as a handler that
// processes messages does); the close that arrives meanwhile waits until the read handler ends.
TEST(Powersock, CloseDuringAReadHandlerWaitsForIt) {
    Rig r;
    r.net->maxChunk = 50;
    std::string reply;
    for (int i = 0; i < 40; ++i) reply += "line " + std::to_string(i) + "\r\n";
    r.Script(reply);
    r.sock->ReportLevel = 8;
    int depth = 0, nested = 0;
    std::vector<int> closedAtDepth;
    r.sock->OnStatus = [&](TComponent*, const std::string& s) {
        if (s != "ReadToStream" || depth > 0) return;
        ++depth;
        for (int i = 0; i < 20; ++i) r.driver->WaitPass();
        ++nested;
        --depth;
    };
    r.sock->OnDisconnect = [&](TObject*) { closedAtDepth.push_back(depth); };
    r.sock->Connect();
    r.sock->Write("a\r\n\r\n");
    std::string text;
    r.sock->CaptureString(text, -1);
    EXPECT_EQ(text, reply);
    EXPECT_GT(nested, 0);
    EXPECT_FALSE(r.sock->IsConnected);
    EXPECT_EQ(closedAtDepth, std::vector<int>{0});
}

TEST(Powersock, PortRangeAndFreshBuffers) {
    struct Case {
        int port;
        const char* proxy;
        int proxyPort;
        const char* error;
    } cases[] = {{0, "", 0, "Port 0 is out of range 1-65535"},
                 {65536, "", 0, "Port 65536 is out of range 1-65535"},
                 {80, "10.0.0.9", -1, "Proxy port -1 is out of range 1-65535"},
                 {80, "10.0.0.9", 65536, "Proxy port 65536 is out of range 1-65535"},
                 {70000, "10.0.0.9", 3128, ""}}; // the server's port is the proxy's business
    for (const auto& c : cases) {
        Rig r;
        r.sock->Port = c.port;
        r.sock->Proxy = c.proxy;
        r.sock->ProxyPort = c.proxyPort;
        r.Script("");
        if (*c.error) {
            EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->Connect(); }), c.error);
            EXPECT_TRUE(r.net->connects.empty());
        } else {
            r.sock->Connect();
            EXPECT_EQ(r.net->connects.at(0).second, 3128);
        }
    }
    // Bytes left in the buffer by one connection are gone when the next one starts.
    Rig r;
    r.Script("first\r\nleft over");
    r.Script("second\r\n");
    r.sock->Connect();
    r.sock->Write("a\r\n\r\n");
    EXPECT_EQ(r.sock->ReadLn(), "first\r\n");
    r.sock->Disconnect();
    r.sock->Connect();
    r.sock->Write("a\r\n\r\n");
    EXPECT_EQ(r.sock->ReadLn(), "second\r\n");
}

TEST(Powersock, ReadLnLimit) {
    TReceiveLimit limit{10, "Test line"};
    struct Case {
        std::string reply;
        bool close;
        std::string line; // empty: fails
    } cases[] = {{"123456789\nrest", false, "123456789\n"},
                 {"1234567890\nrest", false, ""},
                 {std::string(100, 'x'), false, ""},
                 {"12345", true, "12345"}};
    for (const auto& c : cases) {
        Rig r;
        r.Script(c.reply, c.close);
        r.sock->Connect();
        r.sock->Write("a\r\n\r\n");
        if (c.line.empty())
            EXPECT_EQ(MessageOf<ESockError>([&] { r.sock->ReadLn(limit); }), "Test line exceeds its limit of 10 bytes")
                << c.reply;
        else
            EXPECT_EQ(r.sock->ReadLn(limit), c.line);
    }
}

} // namespace
