#include "net/Psock.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "toolkit/ScopeExit.h"
#include "toolkit/SysUtils.h"

namespace {

const char kClosedByPeer[] = "Connection closed by peer";

// Longest name the lookup accepts: a DNS name has at most 255 characters (RFC 1035, 2.3.4).
constexpr size_t kMaxHostName = 255;

} // namespace

std::string LimitText(const TReceiveLimit& limit) {
    return std::string(limit.Name) + " exceeds its limit of " + std::to_string(limit.Max) + " bytes";
}

void CheckPortRange(int port, const char* what) {
    if (port < 1 || port > 65535) throw ESockError(std::string(what) + " " + std::to_string(port) + " is out of range 1-65535");
}

uint16_t HostToNet16(uint16_t v) {
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<uint16_t>((v << 8) | (v >> 8));
    else
        return v;
}

TPowersock::TPowersock(TComponent* owner, std::unique_ptr<TSocketDriver> driver) : TComponent(owner), driver_(std::move(driver)) {
    ReportStatus(8, "Create");
    if (!driver_) driver_ = CreateDefaultSocketDriver();
    InitializeWinsock();
}

TPowersock::~TPowersock() {
    // A wait that is running further up the stack (this object was destroyed by a handler that
    // the wait ran) sees the token turn false and unwinds without touching the object.
    *alive_ = false;
    // No event reaches a handler once destruction has begun: the handlers' objects may be gone.
    destroying_ = true;
    ReportStatus(8, "Destroy");
    Cancel();
    TimerOff();
    try {
        CloseSocket();
    } catch (...) {}
    if (sendFile_) std::fclose(sendFile_);
    if (captureFile_) std::fclose(captureFile_);
    if (started_) driver_->Shutdown();
}

void TPowersock::ReportStatus(int level, const std::string& text) {
    if (ReportLevel < level) return;
    StatusText = text;
    if (!destroying_ && OnStatus) OnStatus(this, text);
}

void TPowersock::InitializeWinsock() {
    ReportStatus(8, "Initializing Winsock");
    const char* failed = "Initializaton of windows sockets failed";
    if (!driver_ || !driver_->Startup(this, WinsockInfo)) throw ESockError(failed);
    started_ = true;
    if (!driver_->CreateSocket(true)) {
        started_ = false;
        driver_->Shutdown();
        throw ESockError(failed);
    }
}

void TPowersock::TimerOn() {
    ReportStatus(8, "Timer On");
    TimedOut = false;
    idleTimer_ = false;
    if (TimeOut > 0) driver_->TimerOn(static_cast<unsigned>(TimeOut));
}

void TPowersock::TimerOff() {
    ReportStatus(8, "Timer Off");
    idleTimer_ = false;
    driver_->TimerOff();
}

void TPowersock::TimeOutExpired() {
    ReportStatus(8, "Timer Triggered");
    TimerOff();
    TimedOut = true;
    Abort();
}

void TPowersock::WaitPass() {
    // Reading stopped at the high-water mark resumes once the consumer has taken the bytes.
    if (readPaused_ && receive_.Size() < kReceiveHighWater) {
        readPaused_ = false;
        PostOnce(sockmsg::ContinueRead);
    }
    auto alive = alive_;
    driver_->WaitPass();
    if (!*alive) throw EAbortError("Socket destroyed during a wait");
}

bool TPowersock::PollRead() {
    // Bytes that are there are taken at once: a read notification comes a trip through the
    // platform's socket service and the message queue later. Only when nothing is there does the
    // wait pass sleep. Until a receive call has found bytes on this connection, or after one
    // found none, the read notification says when there are some: asking then would only cost a
    // call (the first read after a request would always find the server still working).
    if (!IsConnected || inHandler_ || readPaused_ || CancelRequested || !dataFlowing_) return false;
    const uint64_t before = receivedTotal_;
    auto alive = alive_;
    ReadToStream(true);
    if (!*alive) throw EAbortError("Socket destroyed during a wait");
    return receivedTotal_ != before;
}

void TPowersock::PostOnce(unsigned message) {
    bool& queued = message == sockmsg::ContinueRead ? readPosted_ : writePosted_;
    if (queued) return;
    queued = true;
    driver_->Post(message);
}

bool TPowersock::Notify(const TNotifyEvent& event) {
    if (!event) return true;
    auto alive = alive_;
    TNotifyEvent handler = event; // the member may go with the object while the handler runs
    handler(this);
    return *alive;
}

void TPowersock::Cancel() {
    ReportStatus(8, "Canceling");
    CancelRequested = true;
}

void TPowersock::CheckSocketError(int error, int tolerated) {
    ReportStatus(16, "Checking Error In Error Manager");
    LastErrorCode = static_cast<uint16_t>(error);
    if (error == tolerated) return;
    ReportStatus(8, "Looking Up Error Message");
    throw ESockError(SocketErrorText(error));
}

void TPowersock::RaiseIfInterrupted(const char* timedOutMessage, const char* abortMessage) {
    if (TimedOut) {
        TimedOut = false;
        CancelRequested = false;
        throw ESockError(timedOutMessage);
    }
    if (CancelRequested) {
        CancelRequested = false;
        throw EAbortError(abortMessage);
    }
}

// ---------------------------------------------------------------- connecting

void TPowersock::ResolveHost() {
    ReportStatus(8, "Resolve Host");
    const std::string& name = Proxy.empty() ? Host : Proxy;
    uint32_t addr = 0;
    if (name.size() <= kMaxHostName && driver_->DottedAddress(name, addr)) {
        RemoteAddress.Addr = addr;
        return;
    }
    RemoteAddress.Addr = 0;
    // An empty name or one longer than any DNS name cannot resolve; the lookup is not started.
    if (name.empty() || name.size() > kMaxHostName) throw ESockError("Host Lookup Failed");
    TimerOn();
    LookupDone = false;
    int rc = driver_->StartLookup(name);
    if (rc != 0) {
        TimerOff();
        LastErrorCode = static_cast<uint16_t>(rc);
        throw ESockError("Host Lookup Failed");
    }
    while (!LookupDone && !TimedOut && !CancelRequested) WaitPass();
    TimerOff();
    if (TimedOut) throw ESockError("Host Lookup Timed Out");
    if (CancelRequested) throw ESockError("Host Lookup Canceled");
    if (!LastEventOk) throw ESockError("Host Lookup Failed");
    RemoteAddress.Addr = driver_->LookupAddress();
    if (RemoteAddress.Addr != 0 && OnHostResolved) OnHostResolved(this);
}

void TPowersock::Connect() {
    ReportStatus(8, "Connecting");
    CancelRequested = false;
    if (IsConnected) throw ESockError("Already connected");
    if (Proxy.empty())
        CheckPortRange(Port, "Port");
    else
        CheckPortRange(ProxyPort, "Proxy port");
    // A new connection starts with nothing of the last one: bytes it left unread (past a
    // Content-Length, after an aborted read, a body the request did not want) and bytes it
    // could not send belong to that exchange only.
    receive_.Clear();
    send_.clear();
    readPaused_ = false;
    closePending_ = false;
    // A continuation the last exchange left queued runs as a harmless extra read or write; the
    // flags must not keep this connection's own from being posted.
    readPosted_ = writePosted_ = false;
    endOfData_ = false;
    dataFlowing_ = false;
    EnsureSocket();
    int attempts = 0;
    for (;;) {
        try {
            ResolveHost();
        } catch (const ESockError& e) {
            if (e.Message() == "Host Lookup Timed Out" || e.Message() == "Host Lookup Canceled") throw;
        }
        if (RemoteAddress.Addr != 0) break;
        if (attempts > 0 || !OnInvalidHost) throw ESockError("Null Remote Address");
        bool handled = false;
        OnInvalidHost(handled);
        if (!handled) throw ESockError("Null Remote Address");
        ++attempts;
    }
    RemoteAddress.Family = 2;
    RemoteAddress.Port = HostToNet16(static_cast<uint16_t>(Proxy.empty() ? Port : ProxyPort));
    LookupDone = false;
    LastEventOk = true;
    int rc = driver_->Connect(RemoteAddress);
    if (rc != 0) CheckSocketError(rc, kWsaeWouldBlock);
    TimerOn();
    while (!IsConnected && !TimedOut && !CancelRequested && LastEventOk) WaitPass();
    TimerOff();
    if (!TimedOut && !CancelRequested && LastEventOk) return;
    if (OnConnectionFailed) OnConnectionFailed(this);
    if (TimedOut) throw ESockError("Connection Timed out");
    if (CancelRequested) throw ESockError("Connection Canceled");
    throw ESockError("Connection Failed");
}

intptr_t TPowersock::Accept() {
    while (!LookupDone && !CancelRequested) WaitPass();
    if (CancelRequested) throw ESockError("Accepting Canceled");
    if (!LastEventOk) throw ESockError("Error creating Data Connection");
    ReportStatus(4, "Accepting");
    EnsureSocket();
    int error = 0;
    TSockAddrIn peer;
    intptr_t s = driver_->AcceptSocket(peer, error);
    if (s == -1) CheckSocketError(error, kWsaeWouldBlock);
    RemoteAddress = peer;
    if (CancelRequested) throw EAbortError("Socket send aborted");
    return s;
}

void TPowersock::Disconnect() {
    ReportStatus(8, "Disconnecting");
    CloseSocket();
}

void TPowersock::CloseSocket() {
    ReportStatus(4, "Request Close Socket");
    IsConnected = false;
    if (!driver_->HasSocket() && !freshSocketDue_) return;
    // The fresh socket of the last close was never made: closing it is closing nothing.
    if (driver_->HasSocket()) {
        int rc = driver_->CloseSocket();
        if (rc != 0) {
            CheckSocketError(rc, kWsaeWouldBlock);
            return;
        }
    }
    freshSocketDue_ = false;
    if (destroying_) return;
    if (!Notify(OnDisconnect)) return;
    // A fresh socket lets the component connect again. It is made when it is first used
    // (EnsureSocket), so the one that follows the peer's close and is closed again by the
    // caller's Disconnect costs no trip to the platform.
    freshSocketDue_ = true;
}

void TPowersock::EnsureSocket() {
    if (driver_->HasSocket()) return;
    freshSocketDue_ = false;
    if (!driver_->CreateSocket(false)) throw ESockError("Initializaton of windows sockets failed");
}

// ---------------------------------------------------------------- notifications

void TPowersock::HandleSocketMessage(unsigned message, uint32_t lParam) {
    try {
        const unsigned error = lParam >> 16;
        LastEventOk = error == 0;
        switch (message) {
        case sockmsg::SocketEvent:
            if (error != 0) LastErrorCode = static_cast<uint16_t>(error);
            switch (lParam & 0xFFFF) {
            case fdev::Read: ReadToStream(); break;
            case fdev::Write: WriteFromStream(); break;
            case fdev::Connect:
                if (LastEventOk) {
                    IsConnected = true;
                    Notify(OnConnect);
                }
                break;
            case fdev::Close: HandleClose(); break;
            case fdev::Accept: IsConnected = true; break;
            default: break;
            }
            break;
        case sockmsg::LookupDone:
            if (error != 0) LastErrorCode = static_cast<uint16_t>(error);
            LookupDone = true;
            break;
        case sockmsg::ContinueWrite:
            writePosted_ = false;
            WriteFromStream();
            break;
        case sockmsg::ContinueRead:
            readPosted_ = false;
            ReadToStream();
            break;
        default: break;
        }
    } catch (...) {
        // A failure while handling a notification must not unwind into the platform's
        // message dispatch; the waiting operation sees the flags instead.
    }
}

void TPowersock::HandleClose() {
    // A read or write handler is running (its event handler runs a nested message loop): the
    // close waits until it has ended, so bytes keep their order and no handler is re-entered.
    if (inHandler_) {
        closePending_ = true;
        return;
    }
    closePending_ = false;
    readPaused_ = false;
    // Drain what the peer sent before it closed.
    auto alive = alive_;
    for (;;) {
        if (CancelRequested) break;
        int error = 0, asked = 0;
        int n = ReceiveOnce(error, asked);
        if (!*alive) return;
        if (n <= 0) break;
    }
    IsConnected = false;
    CloseSocket();
}

int TPowersock::ReceiveOnce(int& error, int& asked) {
    // After the end of the data every read notification (the platform repeats them while the
    // closed socket stays readable) would cost a call that can only say the same.
    if (endOfData_) {
        asked = 0;
        return 0;
    }
    // Writes go to the text as it is now and within its length, whatever a handler did to it.
    if (directText_ && directFill_ < directCount_ && directFill_ <= directText_->size() && receive_.Empty()) {
        std::string& text = *directText_;
        // The text grows in place ahead of the bytes, doubling, so that a large reply takes
        // few receive calls while a large count that is never sent costs no large allocation.
        if (directFill_ == text.size()) {
            text.resize(std::min(directCount_, std::max(2 * directFill_, directFill_ + kReceiveSize)));
            directData_ = text.data();
        }
        // At most what a receive call can report (a positive int).
        asked = static_cast<int>(std::min<size_t>(text.size() - directFill_, 0x40000000));
        int n = driver_->Recv(text.data() + directFill_, asked, error);
        NoteReceive(n, error);
        if (n > 0) {
            directFill_ += static_cast<size_t>(n);
            receivedTotal_ += static_cast<uint64_t>(n);
            if (idleTimer_ && TimeOut > 0) driver_->TimerOn(static_cast<unsigned>(TimeOut));
        }
        return n;
    }
    // Straight into the receive buffer's free room: no copy between blocks.
    asked = kReceiveSize;
    char* room = receive_.Room(kReceiveSize);
    int n = driver_->Recv(room, kReceiveSize, error);
    NoteReceive(n, error);
    if (n > 0) {
        receivedTotal_ += static_cast<uint64_t>(n);
        Deliver(room, n);
    }
    return n;
}

void TPowersock::NoteReceive(int n, int error) {
    if (n == 0) endOfData_ = true;
    if (n > 0) dataFlowing_ = true;
    if (n < 0 && error == kWsaeWouldBlock) dataFlowing_ = false;
}

void TPowersock::Deliver(char* data, int n) {
    int keep = n;
    if (captureFile_) {
        int64_t room = captureLimit_ < 0 ? n : std::max<int64_t>(0, captureLimit_ - BytesReceived);
        int toFile = static_cast<int>(std::min<int64_t>(n, room));
        if (toFile > 0 && std::fwrite(data, 1, static_cast<size_t>(toFile), captureFile_) != static_cast<size_t>(toFile))
            captureWriteFailed_ = true;
        // Bytes past the limit stay in the memory buffer.
        if (toFile < n) {
            std::memmove(data, data + toFile, static_cast<size_t>(n - toFile));
            receive_.Commit(static_cast<size_t>(n - toFile));
        }
        keep = toFile;
    } else {
        receive_.Commit(static_cast<size_t>(n));
    }
    if (idleTimer_ && TimeOut > 0) driver_->TimerOn(static_cast<unsigned>(TimeOut));
    // A capture into memory counts the bytes as it takes them from the buffer; a file capture
    // counts them here, where they go into the file.
    if (Capturing && captureFile_) {
        BytesReceived += keep;
        Notify(OnPacketRecvd);
    }
}

// Marks a read or write handler as running for as long as it runs, also when an event handler
// it calls raises or destroys the object.
class TPowersock::HandlerScope {
public:
    explicit HandlerScope(TPowersock* owner) : owner_(owner), alive_(owner->alive_) { owner_->inHandler_ = true; }
    ~HandlerScope() {
        if (*alive_) owner_->inHandler_ = false;
    }
    bool Alive() const { return *alive_; }
    // The handler ended normally: a close notification that came meanwhile runs now.
    void Finish() {
        owner_->inHandler_ = false;
        if (owner_->closePending_) owner_->HandleClose();
    }

private:
    TPowersock* owner_;
    std::shared_ptr<bool> alive_;
};

void TPowersock::ReadToStream(bool polled) {
    if (CancelRequested) driver_->StopNotifications();
    if (inHandler_) return;
    // A full buffer is read on once the consumer has taken from it (see WaitPass).
    if (!captureFile_ && receive_.Size() >= kReceiveHighWater) {
        readPaused_ = true;
        return;
    }
    HandlerScope scope(this);
    ReportStatus(8, "ReadToStream");
    // A call into the receive buffer moves at most kReceiveSize bytes; a direct capture's call
    // takes all the room its text has. A few calls in a row while full blocks keep coming spare
    // a trip through the message queue per block; after kReadBurst of them the rest is read on
    // the next turn of the message loop, so the queue stays responsive.
    for (int burst = 0;; ++burst) {
        int error = 0, asked = 0;
        int n = ReceiveOnce(error, asked);
        if (!scope.Alive()) return;
        if (n < 0) {
            if (error != kWsaeWouldBlock) {
                LastErrorCode = static_cast<uint16_t>(error);
                ReportStatus(8, "Looking Up Error Message");
            }
            break;
        }
        if (n == 0) break;
        // A short block took all there was (a direct capture asks for everything it misses);
        // a direct capture that is whole wants nothing more.
        if (n < asked || CancelRequested || (directText_ && directFill_ >= directCount_)) break;
        if (burst + 1 == kReadBurst || (!captureFile_ && receive_.Size() >= kReceiveHighWater)) {
            if (!polled) PostOnce(sockmsg::ContinueRead);
            break;
        }
    }
    scope.Finish();
}

void TPowersock::WriteFromStream() {
    if (inHandler_) return;
    HandlerScope scope(this);
    WriteStep();
    if (scope.Alive()) scope.Finish();
}

void TPowersock::WriteStep() {
    ReportStatus(8, "WriteFromStream");
    const bool work = FileTransfer ? (sendFile_ && BytesSent < sendFileSize_) : !send_.empty();
    if (!work || CancelRequested) return;
    char fileBuf[kPacketSize];
    const char* data;
    int n;
    if (FileTransfer) {
        std::fseek(sendFile_, BytesSent, SEEK_SET);
        n = static_cast<int>(std::fread(fileBuf, 1, kPacketSize, sendFile_));
        data = fileBuf;
        if (n <= 0) { // the file shrank or failed: nothing more can be sent
            SendDone = true;
            return;
        }
    } else {
        n = static_cast<int>(std::min<size_t>(send_.size(), kPacketSize));
        data = send_.data();
    }
    int error = 0;
    int sent = driver_->Send(data, n, error);
    if (sent < 0) {
        // Retried from the start of what is pending on the next write notification.
        LastErrorCode = static_cast<uint16_t>(error);
        return;
    }
    BytesSent += sent;
    if (idleTimer_ && TimeOut > 0) driver_->TimerOn(static_cast<unsigned>(TimeOut));
    bool remains;
    if (FileTransfer) {
        remains = BytesSent < sendFileSize_;
    } else {
        remains = static_cast<size_t>(sent) < send_.size();
        if (remains) {
            sendSpare_.assign(send_, static_cast<size_t>(sent), std::string::npos);
            send_.swap(sendSpare_);
            sendSpare_.clear();
        } else {
            send_.clear();
        }
    }
    if (remains)
        PostOnce(sockmsg::ContinueWrite);
    else
        SendDone = true;
    if (Capturing) Notify(OnPacketSent);
}

// ---------------------------------------------------------------- operations

void TPowersock::SendBytes(const char* data, size_t n) {
    // Nothing to send: no write would ever complete, so there is nothing to wait for.
    if (n == 0) return;
    send_.append(data, n);
    SendDone = false;
    // The first part goes out at once; a handler that is running (this send comes from one of
    // its events) leaves it to the posted continuation.
    if (inHandler_) {
        PostOnce(sockmsg::ContinueWrite);
    } else {
        auto alive = alive_;
        WriteFromStream();
        if (!*alive) throw EAbortError("Socket destroyed during a wait");
    }
    TimerOn();
    idleTimer_ = true;
    while (!SendDone && !CancelRequested && !TimedOut && IsConnected) WaitPass();
    TimerOff();
    if (SendDone) return;
    // What was not sent belongs to this request only: the next one must not send it first.
    send_.clear();
    RaiseIfInterrupted("Socket send timed out", "Socket send aborted");
    throw ESockError(kClosedByPeer);
}

void TPowersock::SendBuffer(const char* data, uint16_t length) {
    ReportStatus(4, "Sending Buffer");
    if (CancelRequested) return;
    size_t n = length != 0 ? length : strnlen(data, 65535);
    SendBytes(data, n);
}

void TPowersock::SendData(const std::string& data) {
    ReportStatus(4, "Sending Buffer");
    if (CancelRequested) return;
    SendBytes(data.data(), data.size());
}

void TPowersock::Write(const std::string& text) {
    ReportStatus(8, "Write");
    // The text goes out up to its first NUL and at most kWriteBufferSize characters.
    std::string buffer = text.substr(0, std::min(text.find('\0'), static_cast<size_t>(kWriteBufferSize)));
    SendBuffer(buffer.c_str(), 0);
}

void TPowersock::Writeln(const std::string& text) {
    ReportStatus(8, "Writeln");
    Write(text + "\r\n");
}

std::string TPowersock::ReadLn(const TReceiveLimit& limit) {
    ReportStatus(8, "ReadLn");
    TimerOn();
    idleTimer_ = true;
    while (!receive_.HasLine() && receive_.Size() <= limit.Max && !CancelRequested && !TimedOut && IsConnected)
        if (!PollRead()) WaitPass();
    TimerOff();
    if (TimedOut) RaiseIfInterrupted("Socket readln timed out", "Socket readln aborted");
    if (CancelRequested) throw EAbortError("Socket readln aborted"); // the request stays set
    if (receive_.LineLength() > limit.Max) throw ESockError(LimitText(limit));
    // Either a whole line, or (the peer closed) whatever came before the close.
    return receive_.TakeLine();
}

void TPowersock::CaptureString(std::string& text, int count, const TReceiveLimit& limit) {
    ReportStatus(8, "Capture String");
    text.clear();
    Capturing = true;
    BytesReceived = 0;
    TimerOn();
    idleTimer_ = true;
    {
        // Also when the capture fails, unless a handler destroyed the object.
        const auto alive = Alive();
        auto stop = ScopeExit([this, alive] {
            if (!*alive) return;
            TimerOff();
            Capturing = false;
        });
        // A capture started from a handler of another one goes through the buffer.
        if (count > 0 && static_cast<size_t>(count) <= std::min(limit.Max, kDirectCaptureMax) && !directText_)
            CaptureDirect(text, static_cast<size_t>(count));
        else
            CaptureBuffered(text, count, limit);
    }
    RaiseIfInterrupted("Socket capture timed out", "Socket capture aborted");
}

void TPowersock::CaptureBuffered(std::string& text, int count, const TReceiveLimit& limit) {
    for (;;) {
        if (CancelRequested || TimedOut) break;
        const bool open = IsConnected || !receive_.Empty();
        if (count == -1 ? !open : (count < 0 || text.size() >= static_cast<size_t>(count) || !open)) break;
        if (receive_.Empty()) {
            if (!PollRead()) WaitPass();
            continue;
        }
        const size_t before = text.size();
        receive_.TakeInto(text, count == -1 ? -1 : static_cast<long long>(count) - static_cast<long long>(before));
        if (text.size() > limit.Max) {
            text.clear();
            text.shrink_to_fit();
            throw ESockError(LimitText(limit));
        }
        BytesReceived += static_cast<int32_t>(text.size() - before);
        if (!Notify(OnPacketRecvd)) throw EAbortError("Socket destroyed during a wait");
    }
}

void TPowersock::CaptureDirect(std::string& text, size_t count) {
    // What the buffer holds comes first; the receive calls then fill the text in place
    // (ReceiveOnce), whether a wait's poll or a read notification makes them.
    receive_.TakeInto(text, static_cast<long long>(count));
    directText_ = &text;
    directData_ = text.data();
    directFill_ = text.size();
    directCount_ = count;
    const auto alive = Alive();
    auto finish = ScopeExit([this, alive, &text] {
        if (!*alive) return; // the text may have gone with the object
        if (text.data() == directData_) text.resize(directFill_);
        directText_ = nullptr;
        directData_ = nullptr;
        directFill_ = directCount_ = 0;
    });
    size_t reported = 0;
    for (;;) {
        if (directFill_ > reported) {
            BytesReceived += static_cast<int32_t>(directFill_ - reported);
            reported = directFill_;
            if (!Notify(OnPacketRecvd)) throw EAbortError("Socket destroyed during a wait");
        }
        // The bytes are received into the text's own storage: a handler that replaced or
        // shortened it would leave them nowhere.
        if (text.data() != directData_ || text.size() < directFill_) throw ESockError("Capture text changed during the capture");
        if (CancelRequested || TimedOut || directFill_ >= directCount_ || !IsConnected) break;
        if (!PollRead()) WaitPass();
    }
}

void TPowersock::CaptureFile(const std::string& fileName, int64_t limit) {
    ReportStatus(8, "CaptureFile");
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) throw EFOpenError("Cannot create file " + fileName);
    Capturing = true;
    FileTransfer = true;
    captureWriteFailed_ = false;
    std::string already = receive_.Take(limit);
    if (!already.empty() && std::fwrite(already.data(), 1, already.size(), f) != already.size()) captureWriteFailed_ = true;
    BytesReceived = static_cast<int32_t>(already.size());
    captureFile_ = f;
    if (!already.empty() && !Notify(OnPacketRecvd)) throw EAbortError("Socket destroyed during a wait");
    captureLimit_ = limit;
    TimerOn();
    idleTimer_ = true;
    while (IsConnected && !CancelRequested && !TimedOut && (limit < 0 || BytesReceived < limit))
        if (!PollRead()) WaitPass();
    TimerOff();
    captureFile_ = nullptr;
    captureLimit_ = -1;
    if (std::fclose(f) != 0) captureWriteFailed_ = true;
    Capturing = false;
    FileTransfer = false;
    RaiseIfInterrupted("Socket capture timed out", "Socket capture aborted");
    if (captureWriteFailed_) throw EInOutError("Cannot write file " + fileName);
}

void TPowersock::SendFile(const std::string& fileName) {
    ReportStatus(8, "SendFile");
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) throw EFOpenError("Cannot open file " + fileName);
    std::fseek(f, 0, SEEK_END);
    sendFileSize_ = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    Capturing = true;
    FileTransfer = true;
    sendFile_ = f;
    SendDone = false;
    BytesSent = 0;
    BytesExpected = static_cast<int32_t>(sendFileSize_);
    PostOnce(sockmsg::ContinueWrite);
    TimerOn();
    idleTimer_ = true;
    while (!SendDone && !CancelRequested && !TimedOut && BytesExpected > 0 && IsConnected) WaitPass();
    TimerOff();
    sendFile_ = nullptr;
    std::fclose(f);
    Capturing = false;
    FileTransfer = false;
    if (SendDone || BytesExpected <= 0) return;
    RaiseIfInterrupted("Socket send timed out", "Socket send aborted");
    throw ESockError(kClosedByPeer);
}

std::string TPowersock::Transaction(const std::string& command) {
    ReportStatus(8, "Transaction");
    ReplyCode = 0;
    Writeln(command);
    LastReply = ReadLn();
    if (!LastReply.empty()) {
        ReportStatus(1, LastReply);
        int code = 0;
        if (ParseReplyCode(LastReply, code)) ReplyCode = code;
    }
    return LastReply;
}
