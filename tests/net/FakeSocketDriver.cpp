#include "FakeSocketDriver.h"

#include <algorithm>
#include <stdexcept>

#include "toolkit/SysUtils.h"

uint32_t FakeAddr(int a, int b, int c, int d) {
    // Network order in memory on a little-endian machine: the first octet in the low byte.
    return static_cast<uint32_t>(a | (b << 8) | (c << 16) | (d << 24));
}

bool FakeSocketDriver::Startup(TPowersock* owner, TStringList& info) {
    owner_ = owner;
    info.Add("Version= 1.1");
    return true;
}

bool FakeSocketDriver::CreateSocket(bool linger) {
    ++net_->creates;
    socket_ = true;
    notify_ = true;
    lingerReset = linger;
    return true;
}

int FakeSocketDriver::CloseSocket() {
    socket_ = false;
    ex_ = nullptr;
    connected_ = replying_ = closeSent_ = false;
    pending_.clear();
    request_ = nullptr;
    ++net_->closes;
    // Notifications for the old socket are gone with it.
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [](const Msg& m) { return m.message == sockmsg::SocketEvent; }),
                 queue_.end());
    return 0;
}

bool FakeSocketDriver::DottedAddress(const std::string& name, uint32_t& addr) {
    int p[4];
    char tail;
    if (std::sscanf(name.c_str(), "%d.%d.%d.%d%c", &p[0], &p[1], &p[2], &p[3], &tail) != 4) return false;
    for (int v : p)
        if (v < 0 || v > 255) return false;
    addr = FakeAddr(p[0], p[1], p[2], p[3]);
    return true;
}

int FakeSocketDriver::StartLookup(const std::string& name) {
    net_->lookups.push_back(name);
    auto it = net_->hosts.find(name);
    lookupOk_ = it != net_->hosts.end();
    lookupAddr_ = lookupOk_ ? it->second : 0;
    lookupDueAt_ = net_->lookupNeverCompletes ? -1 : net_->now + 4;
    return 0;
}

int FakeSocketDriver::Connect(const TSockAddrIn& addr) {
    if (!socket_) return 10038;
    uint16_t port = HostToNet16(addr.Port);
    net_->connects.push_back({addr.Addr, port});
    net_->requests.emplace_back();
    request_ = &net_->requests.back();
    if (net_->next >= net_->exchanges.size()) {
        Queue(sockmsg::SocketEvent, fdev::Connect | (10061u << 16));
        return kWsaeWouldBlock;
    }
    ex_ = &net_->exchanges[net_->next++];
    replyPos_ = 0;
    if (!ex_->connectNeverCompletes) {
        if (ex_->connectError)
            Queue(sockmsg::SocketEvent, fdev::Connect | (static_cast<uint32_t>(ex_->connectError) << 16));
        else {
            connected_ = true;
            Queue(sockmsg::SocketEvent, fdev::Connect);
            Queue(sockmsg::SocketEvent, fdev::Write);
        }
    }
    return kWsaeWouldBlock;
}

int FakeSocketDriver::Send(const char* data, int len, int& error) {
    if (!connected_) {
        error = 10057;
        return -1;
    }
    if (ex_->sendBlocks) {
        error = kWsaeWouldBlock;
        return -1;
    }
    int n = std::min(len, net_->maxSendPerCall);
    // request_ points into net_->requests, which only grows on Connect.
    net_->requests.back().append(data, static_cast<size_t>(n));
    CheckRequestComplete();
    return n;
}

void FakeSocketDriver::CheckRequestComplete() {
    if (replying_) return;
    const std::string& req = net_->requests.back();
    size_t end = req.find("\r\n\r\n");
    if (end == std::string::npos) return;
    size_t need = end + 4;
    // The length line of the request's own header; a header value that merely contains the
    // words (a cookie taken from a reply, say) is not one.
    size_t cl = req.find("\r\nContent-Length: ");
    if (cl != std::string::npos && cl < end) {
        size_t length = 0;
        for (size_t i = cl + 18; i < req.size() && req[i] >= '0' && req[i] <= '9'; ++i)
            length = length * 10 + static_cast<size_t>(req[i] - '0');
        need += length;
    }
    if (req.size() >= need) replying_ = true;
}

int FakeSocketDriver::Recv(char* data, int len, int& error) {
    ++net_->recvCalls;
    // Nothing waiting: the end of the data once the peer has closed, otherwise "would block".
    if (pending_.empty() && connected_ && !closeSent_) {
        ++net_->emptyRecvs;
        error = kWsaeWouldBlock;
        return -1;
    }
    int n = static_cast<int>(std::min<size_t>(pending_.size(), static_cast<size_t>(len)));
    std::copy_n(pending_.data(), n, data);
    pending_.erase(0, static_cast<size_t>(n));
    return n;
}

void FakeSocketDriver::Post(unsigned message) {
    Queue(message, 0);
    if (message == sockmsg::ContinueRead) {
        ++net_->continueReads;
        int queued = static_cast<int>(
            std::count_if(queue_.begin(), queue_.end(), [](const Msg& m) { return m.message == sockmsg::ContinueRead; }));
        net_->maxQueuedContinueReads = std::max(net_->maxQueuedContinueReads, queued);
    }
}

void FakeSocketDriver::WaitPass() {
    auto alive = alive_;
    auto net = net_; // the network outlives the driver
    FakeNet& n = *net;
    if (++n.passes > n.maxPasses) throw std::runtime_error("fake network: wait did not end");
    n.now += 2;
    if (n.onPass) n.onPass();
    if (!*alive) return;
    if (deadline_ >= 0 && n.now >= deadline_) {
        deadline_ = -1;
        owner_->TimeOutExpired();
        if (!*alive) return;
    }
    if (lookupDueAt_ >= 0 && n.now >= lookupDueAt_) {
        lookupDueAt_ = -1;
        Queue(sockmsg::LookupDone, lookupOk_ ? 0u : (11001u << 16));
    }
    if (connected_ && replying_ && ex_) {
        if (replyPos_ < ex_->reply.size()) {
            std::uniform_int_distribution<int> chunk(1, std::max(1, n.maxChunk));
            size_t take = std::min(ex_->reply.size() - replyPos_, static_cast<size_t>(chunk(n.rng)));
            pending_.append(ex_->reply, replyPos_, take);
            replyPos_ += take;
            if (notify_) Queue(sockmsg::SocketEvent, fdev::Read);
        } else if (ex_->closeAfterReply && !closeSent_) {
            closeSent_ = true;
            if (notify_) Queue(sockmsg::SocketEvent, fdev::Close);
        }
    }
    // Process every pending message, including those posted meanwhile (bounded).
    for (int guard = 0; !queue_.empty() && guard < 10000; ++guard) {
        Msg m = queue_.front();
        queue_.pop_front();
        owner_->HandleSocketMessage(m.message, m.lParam);
        if (!*alive) return;
    }
}
