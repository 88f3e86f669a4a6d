// A scripted socket driver: plays a server for TPowersock and TNMHTTP without any network.
// Each connect takes the next scripted exchange; the request bytes are recorded; the reply is
// delivered in random-sized chunks, one chunk per wait pass, with the notifications WinSock
// would post. Time is virtual: every wait pass is 2 ms.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "net/Psock.h"

struct FakeExchange {
    std::string reply;           // sent once the request is complete
    bool closeAfterReply = true; // the server closes after the reply
    int connectError = 0;        // error carried by the connect notification
    bool connectNeverCompletes = false;
    bool sendBlocks = false; // the socket never accepts a byte
};

struct FakeNet {
    std::map<std::string, uint32_t> hosts; // names the lookup knows (address in network order)
    bool lookupNeverCompletes = false;
    std::vector<FakeExchange> exchanges;
    size_t next = 0;

    // What the client did.
    std::vector<std::string> lookups;
    std::vector<std::pair<uint32_t, uint16_t>> connects; // address (network order), port (host order)
    std::vector<std::string> requests;                   // raw bytes per connection
    int continueReads = 0;                               // sockmsg::ContinueRead posts
    int maxQueuedContinueReads = 0;                      // most of them queued at once
    int recvCalls = 0;
    int emptyRecvs = 0; // receive calls that found nothing ("would block")
    int creates = 0;    // platform sockets made
    int closes = 0;

    std::mt19937 rng{1};
    int maxChunk = 700;
    int maxSendPerCall = 1 << 30;
    long long now = 0; // ms
    long long passes = 0;
    long long maxPasses = 200000; // a runaway wait fails the test instead of hanging
    std::function<void()> onPass;
};

uint32_t FakeAddr(int a, int b, int c, int d);

class FakeSocketDriver : public TSocketDriver {
public:
    explicit FakeSocketDriver(std::shared_ptr<FakeNet> net) : net_(std::move(net)) {}
    // A handler run by WaitPass may destroy the owner and with it this driver.
    ~FakeSocketDriver() override { *alive_ = false; }

    bool Startup(TPowersock* owner, TStringList& info) override;
    void Shutdown() override {}
    bool CreateSocket(bool lingerReset) override;
    bool HasSocket() const override { return socket_; }
    int CloseSocket() override;
    bool DottedAddress(const std::string& name, uint32_t& addr) override;
    int StartLookup(const std::string& name) override;
    uint32_t LookupAddress() override { return lookupAddr_; }
    int Connect(const TSockAddrIn& addr) override;
    int Send(const char* data, int len, int& error) override;
    int Recv(char* data, int len, int& error) override;
    void StopNotifications() override { notify_ = false; }
    intptr_t AcceptSocket(TSockAddrIn&, int& error) override {
        error = 10045;
        return -1;
    }
    void Post(unsigned message) override;
    void TimerOn(unsigned intervalMs) override { deadline_ = net_->now + intervalMs; }
    void TimerOff() override { deadline_ = -1; }
    void WaitPass() override;

    bool lingerReset = false;

private:
    void Queue(unsigned message, uint32_t lParam) { queue_.push_back({message, lParam}); }
    void CheckRequestComplete();

    std::shared_ptr<FakeNet> net_;
    TPowersock* owner_ = nullptr;
    bool socket_ = false;
    bool notify_ = true;
    uint32_t lookupAddr_ = 0;
    long long lookupDueAt_ = -1;
    bool lookupOk_ = false;
    long long deadline_ = -1;

    // The current connection.
    const FakeExchange* ex_ = nullptr;
    bool connected_ = false;
    bool replying_ = false;
    bool closeSent_ = false;
    size_t replyPos_ = 0;
    std::string pending_; // arrived, not yet received
    std::string* request_ = nullptr;

    struct Msg {
        unsigned message;
        uint32_t lParam;
    };
    std::deque<Msg> queue_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
