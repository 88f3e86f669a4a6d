// The WinSock 1.1 driver of TPowersock: one stream socket in window-notification mode, a hidden
// notification window of class "PsockWindowClass", asynchronous name lookup, and TThreadTimer.
#include "toolkit/Win32.h"

#include <winsock.h>

#include <cstring>
#include <utility>

#include "net/Psock.h"
#include "net/PsockWin32.h"
#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/MessagePump.h"

namespace {

const char kSockClass[] = "PsockWindowClass";
const char kTimerClass[] = "TmrWindowClass";
constexpr UINT_PTR kTimerId = 1;
// The receive buffer asked of the system for every socket (SO_RCVBUF), in bytes.
constexpr int kSocketReceiveBuffer = 512 * 1024;

// Live TPowersock instances of the process: WinSock is started with the first and cleaned up
// with the last. Used from the one window thread only.
int g_instances = 0;
TSocketWaitMode g_waitMode = TSocketWaitMode::WakeOnMessage;

std::string VersionText(WORD v) { return std::to_string(HIBYTE(v)) + "." + std::to_string(LOBYTE(v)); }

class WinsockDriver : public TSocketDriver {
public:
    ~WinsockDriver() override {
        *alive_ = false;
        if (spare_ != INVALID_SOCKET) closesocket(spare_);
        window_.Reset(); // clears the owner before the window goes
    }

    bool Startup(TPowersock* owner, TStringList& info) override {
        owner_ = owner;
        if (g_instances == 0) {
            WSADATA wd{};
            // A start-up that failed needs no clean-up; nothing of WinSock can be used then.
            if (WSAStartup(0x0101, &wd) != 0) return false;
            info.Add("Version= " + VersionText(wd.wVersion));
            info.Add("High Version= " + VersionText(wd.wHighVersion));
            info.Add("Description= " + std::string(wd.szDescription, strnlen(wd.szDescription, sizeof wd.szDescription)));
            info.Add("System= " + std::string(wd.szSystemStatus, strnlen(wd.szSystemStatus, sizeof wd.szSystemStatus)));
            info.Add("Max Sockets= " + std::to_string(wd.iMaxSockets));
            info.Add("Max Udp pack size= " + std::to_string(wd.iMaxUdpDg));
        }
        ++g_instances;
        counted_ = true;
        // From here on every failure, a refused window or timer included, gives the count back
        // (and cleans WinSock up when it was the only user).
        try {
            // Message-only, as is the timer's: neither needs a place on the screen, and a
            // message-only window is several times cheaper to make than a hidden top-level one.
            window_ = THiddenWindow(kSockClass, &WindowProc, true, this);
            if (!window_) {
                Shutdown();
                return false;
            }
            timer_ = std::make_unique<TThreadTimer>(nullptr);
            timer_->SetEnabled(false);
            timer_->SetOnTimer([this](TObject*) { Tick(); });
        } catch (...) {
            Shutdown();
            return false;
        }
        return true;
    }

    void Shutdown() override {
        timer_.reset();
        if (lookup_) WSACancelAsyncRequest(lookup_);
        lookup_ = nullptr;
        if (spare_ != INVALID_SOCKET) closesocket(spare_);
        spare_ = INVALID_SOCKET;
        if (counted_ && --g_instances == 0) WSACleanup();
        counted_ = false;
    }

    bool CreateSocket(bool lingerReset) override {
        // The socket made while the last request's peer was working (see Send), if any.
        SOCKET s = INVALID_SOCKET;
        if (!lingerReset) std::swap(s, spare_);
        if (s == INVALID_SOCKET) s = socket(AF_INET, SOCK_STREAM, lingerReset ? IPPROTO_TCP : 0);
        if (s == INVALID_SOCKET) return false;
        // The new socket can have the handle value of a closed one whose notifications may
        // still wait in the queue; they could not be told apart from its own later, so they are
        // dropped before it is given any.
        if (staleQueued_) DropQueuedSocketEvents();
        if (lingerReset) {
            // Closing resets the connection at once instead of lingering over unsent data.
            linger l{1, 0};
            if (setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l) == SOCKET_ERROR) {
                closesocket(s);
                return false;
            }
        }
        if (WSAAsyncSelect(s, window_.Handle(), sockmsg::SocketEvent, fdev::All) == SOCKET_ERROR) {
            closesocket(s);
            return false;
        }
        socket_ = s;
        receiveBufferSet_ = false;
        return true;
    }

    bool HasSocket() const override { return socket_ != INVALID_SOCKET; }

    int CloseSocket() override {
        SOCKET s = socket_;
        socket_ = INVALID_SOCKET;
        int rc = closesocket(s) == SOCKET_ERROR ? WSAGetLastError() : 0;
        // Notifications of the closed socket may still wait in the queue. While there is no
        // socket, the window procedure drops them; before a new socket is made they are removed
        // (CreateSocket), unless a wait's pass has emptied the queue since (WaitPass).
        staleQueued_ = true;
        return rc;
    }

    bool DottedAddress(const std::string& name, uint32_t& addr) override {
        unsigned long a = inet_addr(name.c_str());
        if (a == INADDR_NONE) return false;
        addr = a;
        return true;
    }

    int StartLookup(const std::string& name) override {
        if (lookup_) WSACancelAsyncRequest(lookup_);
        lookupName_ = name; // must live until the lookup ends
        std::memset(hostBuffer_, 0, sizeof hostBuffer_);
        lookup_ =
            WSAAsyncGetHostByName(window_.Handle(), sockmsg::LookupDone, lookupName_.c_str(), hostBuffer_, sizeof hostBuffer_);
        return lookup_ ? 0 : WSAGetLastError();
    }

    uint32_t LookupAddress() override {
        const auto* he = reinterpret_cast<const hostent*>(hostBuffer_);
        if (!he->h_addr_list || !he->h_addr_list[0] || he->h_length != 4) return 0;
        uint32_t a;
        std::memcpy(&a, he->h_addr_list[0], 4);
        return a;
    }

    int Connect(const TSockAddrIn& addr) override {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = addr.Port;
        sa.sin_addr.s_addr = addr.Addr;
        if (connect(socket_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == SOCKET_ERROR) return WSAGetLastError();
        return 0;
    }

    int Send(const char* data, int len, int& error) override {
        int n = send(socket_, data, len, 0);
        if (n == SOCKET_ERROR) {
            error = WSAGetLastError();
            return -1;
        }
        // Room for a page of a few hundred KB in the socket, so the peer need not stop until the
        // first receive call has made space, and such a page takes one read notification
        // instead of one per window's worth. Set once a request is out: the peer is working on
        // it then, so the call costs no time of the exchange. Only a tuning: a refusal changes
        // nothing else.
        if (!receiveBufferSet_) {
            receiveBufferSet_ = true;
            int room = kSocketReceiveBuffer;
            setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&room), sizeof room);
            // For the same reason the socket of the next connection is made now: creating one
            // is among the dearer calls, and a connect would otherwise wait for it. It gets its
            // notifications only when CreateSocket takes it.
            if (spare_ == INVALID_SOCKET) spare_ = socket(AF_INET, SOCK_STREAM, 0);
        }
        return n;
    }

    int Recv(char* data, int len, int& error) override {
        int n = recv(socket_, data, len, 0);
        if (n == SOCKET_ERROR) {
            error = WSAGetLastError();
            return -1;
        }
        return n;
    }

    void StopNotifications() override {
        if (socket_ != INVALID_SOCKET) WSAAsyncSelect(socket_, window_.Handle(), 0, 0);
    }

    intptr_t AcceptSocket(TSockAddrIn& peer, int& error) override {
        sockaddr_in sa{};
        int len = sizeof sa;
        SOCKET s = accept(socket_, reinterpret_cast<sockaddr*>(&sa), &len);
        if (s == INVALID_SOCKET) {
            error = WSAGetLastError();
            return -1;
        }
        peer.Family = sa.sin_family;
        peer.Port = sa.sin_port;
        peer.Addr = sa.sin_addr.s_addr;
        return static_cast<intptr_t>(s);
    }

    void Post(unsigned message) override { PostMessageA(window_.Handle(), message, 0, 0); }

    // The time-out is kept as a deadline: arming again (on every packet of a transfer) only
    // moves the deadline, and disarming only clears a flag, so the system timer is set and
    // killed rarely. A tick before the deadline re-arms the timer for the time that is left.
    void TimerOn(unsigned intervalMs) override {
        deadline_ = GetTickCount() + intervalMs;
        armed_ = true;
        if (!ticking_ || tickMs_ > intervalMs) SetTick(intervalMs);
    }

    void TimerOff() override { armed_ = false; }

    void WaitPass() override {
        // The thread's one pump (MessagePump.h), with its WM_QUIT rule.
        // A handler run by the pass may destroy the owner, and this driver with it.
        const auto alive = alive_;
        bool emptied;
        MSG m;
        if (g_waitMode == TSocketWaitMode::Sleep) {
            Sleep(2);
            emptied = PumpWaitingMessages();
        } else if (PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message != WM_QUIT) {
            // A message is waiting already (the connect notification usually is by the time the
            // connect's wait starts): it is processed at once. Asking the queue costs less than
            // a wait that returns at once.
            emptied = PumpWaitingMessages();
        } else {
            emptied = WaitAndPumpMessages(2);
        }
        if (!*alive) return;
        // The pass ran until the queue was empty with no socket open at the end: every
        // notification of a closed socket has been handed to the window procedure, which
        // dropped it (a socket made during the pass first removed those queued before it).
        if (emptied && socket_ == INVALID_SOCKET) staleQueued_ = false;
    }

private:
    void DropQueuedSocketEvents() {
        MSG m;
        while (PeekMessageA(&m, window_.Handle(), sockmsg::SocketEvent, sockmsg::SocketEvent, PM_REMOVE)) {
            // Wine hands out a queued quit whatever the filter: it belongs to the loop that owns
            // the thread, so it goes back.
            if (m.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(m.wParam));
                break;
            }
        }
        staleQueued_ = false;
    }

    void SetTick(unsigned ms) {
        timer_->SetEnabled(false);
        timer_->SetInterval(ms == 0 ? 1 : ms);
        timer_->SetEnabled(true);
        ticking_ = true;
        tickMs_ = ms;
    }

    void StopTick() {
        timer_->SetEnabled(false);
        ticking_ = false;
    }

    void Tick() {
        if (!armed_) {
            StopTick();
            return;
        }
        auto left = static_cast<int32_t>(deadline_ - GetTickCount());
        if (left > 0) {
            SetTick(static_cast<unsigned>(left));
            return;
        }
        armed_ = false;
        StopTick();
        owner_->TimeOutExpired();
    }

    static LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
        if (msg >= sockmsg::SocketEvent && msg <= sockmsg::ContinueRead) {
            auto* self = static_cast<WinsockDriver*>(THiddenWindow::Owner(h));
            if (!self) return 0;
            try {
                // Notifications of a socket already closed, or of a lookup replaced by a newer
                // one, belong to nobody any more.
                if (msg == sockmsg::SocketEvent && static_cast<SOCKET>(w) != self->socket_) return 0;
                if (msg == sockmsg::LookupDone) {
                    if (reinterpret_cast<HANDLE>(w) != self->lookup_) return 0;
                    self->lookup_ = nullptr;
                }
                self->owner_->HandleSocketMessage(msg, static_cast<uint32_t>(l));
            } catch (...) {}
            return 0;
        }
        return DefWindowProcA(h, msg, w, l);
    }

    TPowersock* owner_ = nullptr;
    THiddenWindow window_;
    SOCKET socket_ = INVALID_SOCKET;
    SOCKET spare_ = INVALID_SOCKET; // made ahead for the next connection (see Send)
    HANDLE lookup_ = nullptr;
    std::string lookupName_;
    char hostBuffer_[MAXGETHOSTSTRUCT] = {};
    std::unique_ptr<TThreadTimer> timer_;
    DWORD deadline_ = 0;
    bool armed_ = false;
    bool ticking_ = false;
    unsigned tickMs_ = 0;
    bool counted_ = false;
    bool staleQueued_ = false;      // notifications of a closed socket may wait in the queue
    bool receiveBufferSet_ = false; // SO_RCVBUF of this socket (see Send)
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

LRESULT CALLBACK TimerWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_TIMER && w == kTimerId) {
        auto* self = static_cast<TThreadTimer*>(THiddenWindow::Owner(h));
        if (self) GuardedCall([self] { self->Fire(); });
        return 0;
    }
    return DefWindowProcA(h, msg, w, l);
}

} // namespace

std::unique_ptr<TSocketDriver> CreateWinsockDriver() { return std::make_unique<WinsockDriver>(); }

std::unique_ptr<TSocketDriver> CreateDefaultSocketDriver() { return CreateWinsockDriver(); }

void SetSocketWaitMode(TSocketWaitMode mode) { g_waitMode = mode; }
TSocketWaitMode SocketWaitMode() { return g_waitMode; }

// ---------------------------------------------------------------- TThreadTimer

TThreadTimer::TThreadTimer(TComponent* owner)
    : TComponent(owner), window_(std::make_unique<THiddenWindow>(kTimerClass, &TimerWindowProc, true, this)) {
    if (!*window_) throw EOutOfResources("No Timer");
}

TThreadTimer::~TThreadTimer() {
    KillTimer(window_->Handle(), kTimerId);
    window_->Reset(); // clears the owner before the window goes
}

void* TThreadTimer::Handle() const { return window_->Handle(); }

void TThreadTimer::SetEnabled(bool v) {
    enabled_ = v;
    Update();
}

void TThreadTimer::SetInterval(unsigned ms) {
    interval_ = ms;
    Update();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    Update();
}

void TThreadTimer::Update() {
    HWND h = window_->Handle();
    KillTimer(h, kTimerId);
    if (interval_ != 0 && enabled_ && onTimer_ && !SetTimer(h, kTimerId, interval_, nullptr)) throw EOutOfResources("No Timer");
}

void TThreadTimer::Fire() {
    if (onTimer_) onTimer_(this);
}
