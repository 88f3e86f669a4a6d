// TPowersock: one TCP client connection run in the platform's notification mode, with
// blocking-style operations (connect, send, read a line, collect until the peer closes) that
// wait by processing the calling thread's messages.
//
// The algorithms live here and are portable. Everything that touches the operating system
// (the socket, the hidden notification window, the name lookup, the time-out timer and the
// message-processing wait) sits behind TSocketDriver; the Win32 driver runs WinSock 1.1 with
// window messages, tests drive the same code with a scripted driver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/PsockBuffer.h"
#include "toolkit/Classes.h"
#include "toolkit/Exception.h"

QV_EXCEPTION(ESockError, Exception);  // resolution, connection and socket failures
QV_EXCEPTION(EAbortError, Exception); // a send, line read or capture ended by cancellation

class TPowersock;

using THandlerEvent = std::function<void(bool& Handled)>;
using TOnHostResolved = std::function<void(TComponent* Sender)>;
using TOnStatus = std::function<void(TComponent* Sender, const std::string& Status)>;

// Private notification messages of the hidden window (WM_USER + 101 .. + 104).
namespace sockmsg {
constexpr unsigned SocketEvent = 1125;   // low word of lParam = event, high word = error
constexpr unsigned LookupDone = 1126;    // asynchronous name lookup finished, high word = error
constexpr unsigned ContinueWrite = 1127; // posted to itself: run WriteFromStream
constexpr unsigned ContinueRead = 1128;  // posted to itself: run ReadToStream again
} // namespace sockmsg

// Socket notification events (the low word of lParam of sockmsg::SocketEvent).
namespace fdev {
constexpr unsigned Read = 1, Write = 2, Oob = 4, Accept = 8, Connect = 16, Close = 32, All = 63;
}

constexpr int kWsaeWouldBlock = 10035;
constexpr int kPacketSize = 16383; // bytes moved per send call
// Bytes one receive call takes at most. Every call on a socket in notification mode costs a
// round trip to the platform's socket service, so a large block keeps a long reply close to
// what a plain blocking client takes.
constexpr int kReceiveSize = 256 * 1024;
constexpr int kWriteBufferSize = 16384; // characters Write sends at most
// Bytes the receive buffer holds before the read handler stops taking more from the socket; the
// next wait pass resumes reading once the consumer has taken them. TCP's own flow control then
// holds the peer back, so no peer can make the buffer grow without bound.
constexpr size_t kReceiveHighWater = 1024 * 1024;
// Receive calls one read notification makes in a row while full blocks keep coming.
constexpr int kReadBurst = 4;
// The largest counted capture that receives straight into the caller's text: the text grows
// ahead of the bytes and each receive call asks for all the room there is, so a large reply
// takes few calls and no copy between buffers. Longer counts go through the receive buffer.
constexpr size_t kDirectCaptureMax = 16 * 1024 * 1024;

// A bound on data that comes from the peer. Reading past it fails with an ESockError that names
// it: "<Name> exceeds its limit of <Max> bytes".
struct TReceiveLimit {
    size_t Max = SIZE_MAX;
    const char* Name = "Received data";
};
std::string LimitText(const TReceiveLimit& limit);

// TCP ports are 16-bit and 0 is no port: anything outside 1..65535 raises ESockError
// "<what> <port> is out of range 1-65535" before a connection is tried.
void CheckPortRange(int port, const char* what);

// An internet socket address as connect takes it: family 2, port and address in network order.
struct TSockAddrIn {
    uint16_t Family = 2;
    uint16_t Port = 0;
    uint32_t Addr = 0;
    uint8_t Zero[8] = {};
};
uint16_t HostToNet16(uint16_t v);

// What TPowersock needs from the platform. Notifications come back through
// TPowersock::HandleSocketMessage and TPowersock::TimeOutExpired from inside WaitPass.
class TSocketDriver {
public:
    virtual ~TSocketDriver() = default;
    // Starts the socket service for this instance (the first live instance starts it for the
    // process and fills `info`) and creates the notification target. False on failure.
    virtual bool Startup(TPowersock* owner, TStringList& info) = 0;
    // Stops the service for this instance (the last one cleans up for the process).
    virtual void Shutdown() = 0;
    // Creates a stream socket that reports all six events; with lingerReset, closing it resets
    // the connection. False on failure.
    virtual bool CreateSocket(bool lingerReset) = 0;
    virtual bool HasSocket() const = 0;
    // Closes the socket; 0 or the error number.
    virtual int CloseSocket() = 0;
    // The address of a dotted IPv4 text, in network order, or false.
    virtual bool DottedAddress(const std::string& name, uint32_t& addr) = 0;
    // Starts an asynchronous name lookup that ends with sockmsg::LookupDone; 0 or error number.
    virtual int StartLookup(const std::string& name) = 0;
    // The first IPv4 address of the finished lookup, in network order (0 if none).
    virtual uint32_t LookupAddress() = 0;
    // Starts connecting; 0, kWsaeWouldBlock while in progress, or another error number.
    virtual int Connect(const TSockAddrIn& addr) = 0;
    // Send/receive at most len bytes; the count, or -1 with `error` set (kWsaeWouldBlock when
    // nothing can move now). Recv gives 0 once the peer has closed and every byte was read.
    virtual int Send(const char* data, int len, int& error) = 0;
    virtual int Recv(char* data, int len, int& error) = 0;
    // Switches the socket's notifications off.
    virtual void StopNotifications() = 0;
    // Accepts a connection; the new socket handle, or -1 with `error` set.
    virtual intptr_t AcceptSocket(TSockAddrIn& peer, int& error) = 0;
    // Posts sockmsg::ContinueWrite or ContinueRead to the notification target.
    virtual void Post(unsigned message) = 0;
    // The time-out timer: one shot per arming, delivered as TimeOutExpired.
    virtual void TimerOn(unsigned intervalMs) = 0;
    virtual void TimerOff() = 0;
    // One pass of every wait: a short pause (ended early by arriving messages), then all
    // pending messages of the thread are processed.
    virtual void WaitPass() = 0;
};

class TPowersock : public TComponent {
public:
    // Without a driver, the platform's own is used (WinSock under Win32).
    explicit TPowersock(TComponent* owner, std::unique_ptr<TSocketDriver> driver = nullptr);
    ~TPowersock() override;

    // Published.
    std::string Host;
    int Port = 0;
    int TimeOut = 0; // ms for lookup and connect, and for silence while sending or reading; 0 = none
    int ReportLevel = 0;
    TNotifyEvent OnDisconnect;
    TNotifyEvent OnConnect;
    THandlerEvent OnInvalidHost;
    TOnHostResolved OnHostResolved;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;
    std::string Proxy;
    int ProxyPort = 0;
    TNotifyEvent OnPacketRecvd;
    TNotifyEvent OnPacketSent;

    // Run-time state.
    std::string StatusText;
    uint16_t LastErrorCode = 0;
    bool IsConnected = false;
    bool CancelRequested = false;
    bool TimedOut = false;
    bool LastEventOk = true;
    bool LookupDone = false;
    bool SendDone = false;
    bool Capturing = false;
    bool FileTransfer = false;
    TSockAddrIn RemoteAddress;
    TStringList WinsockInfo;
    int32_t BytesExpected = 0;
    int32_t BytesReceived = 0;
    int32_t BytesSent = 0;
    std::string LastReply;
    int ReplyCode = 0;

    virtual void Connect();
    virtual void Disconnect();
    virtual std::string Transaction(const std::string& command);
    virtual void Abort() {}
    virtual intptr_t Accept();

    void Cancel();
    // Sends `length` bytes (0 = up to the first NUL, at most 65,535).
    void SendBuffer(const char* data, uint16_t length);
    // Sends every byte of `data`, NULs included, whatever its length.
    void SendData(const std::string& data);
    // Sends text up to its first NUL, at most 16,384 characters.
    void Write(const std::string& text);
    void Writeln(const std::string& text);
    // The next line with its line end. When the peer closes before a line feed arrives, the
    // bytes that remain (possibly none) are the result. A line longer than limit.Max (line end
    // included) raises ESockError with the limit's text.
    std::string ReadLn(const TReceiveLimit& limit = {});
    // Collects bytes until the peer closes (count -1) or count bytes have come (or the peer
    // closed first). The text holds at most count bytes; any surplus stays buffered. Each block
    // taken adds to BytesReceived and raises OnPacketRecvd. More than limit.Max bytes clear the
    // text and raise ESockError with the limit's text. A count up to kDirectCaptureMax (and
    // limit.Max) is received straight into the text, which runs ahead of the bytes while the
    // capture runs (only its first BytesReceived bytes are valid) and has its final length at
    // the end; a packet handler that changes the text ends the capture with ESockError.
    void CaptureString(std::string& text, int count, const TReceiveLimit& limit = {});
    // Writes the received bytes into a new file until the peer closes, or until limit bytes
    // (when not negative).
    void CaptureFile(const std::string& fileName, int64_t limit = -1);
    void SendFile(const std::string& fileName);

    // Entry points for the driver (the notification window procedure and the timer).
    void HandleSocketMessage(unsigned message, uint32_t lParam);
    void TimeOutExpired();

    TReceiveBuffer& ReceiveStream() { return receive_; }
    TSocketDriver& Driver() { return *driver_; }

    // "<number>:<message>", "Unknown Error No. <number>", or empty for 0.
    static std::string SocketErrorText(int error);

protected:
    void ReportStatus(int level, const std::string& text);
    void ResolveHost();
    void CloseSocket();
    // Receives what the socket holds. A wait's own poll (`polled`) never posts the continuation:
    // the wait polls again itself, and a posted message would only outlive the exchange.
    void ReadToStream(bool polled = false);
    void WriteFromStream();
    void CheckSocketError(int error, int tolerated);
    void TimerOn();
    void TimerOff();
    // One turn of a wait loop. Raises EAbortError "Socket destroyed during a wait" when a
    // handler that ran during the pass destroyed this object: nothing of it may be touched then,
    // and every frame that unwinds checks Alive() before it cleans up.
    void WaitPass();
    // A token that turns false when the object is destroyed; copy it before running code that
    // may destroy the object (a wait pass, an event handler) and test it afterwards.
    std::shared_ptr<const bool> Alive() const { return alive_; }
    // Reads what the socket holds now, without waiting; true when bytes came.
    bool PollRead();
    // Bytes taken from the socket since the object was made (the receive buffer, a capture
    // file or a direct capture may hold them).
    uint64_t ReceivedTotal() const { return receivedTotal_; }
    // Raises an event whose handler may destroy the object; false when it did.
    bool Notify(const TNotifyEvent& event);
    // Raises `timedOutMessage` (ESockError) or `abortMessage` (EAbortError) when the wait was
    // ended by the time-out or a cancel; clears the cancel request.
    void RaiseIfInterrupted(const char* timedOutMessage, const char* abortMessage);

    bool destroying_ = false;

private:
    void InitializeWinsock();
    // Makes the socket a close left due (or that the platform refused then).
    void EnsureSocket();
    void CaptureBuffered(std::string& text, int count, const TReceiveLimit& limit);
    void CaptureDirect(std::string& text, size_t count);
    void HandleClose();
    class HandlerScope;
    void WriteStep();
    // Hands the n bytes just received into the receive buffer's room (`data`, see
    // TReceiveBuffer::Room) to the capture file, or makes them part of the buffer, and counts them.
    void Deliver(char* data, int n);
    // One receive call into the direct capture's text while it has room and nothing waits in
    // the receive buffer, otherwise into the receive buffer's free room. The count, 0 when
    // nothing came or the peer closed, -1 with `error` set; `asked` is the length asked for.
    int ReceiveOnce(int& error, int& asked);
    // Keeps endOfData_ and dataFlowing_ after a receive call.
    void NoteReceive(int n, int error);
    // Posts a continuation unless one of the same kind is still queued.
    void PostOnce(unsigned message);
    // Queues bytes for sending and waits until they are out.
    void SendBytes(const char* data, size_t n);

    std::unique_ptr<TSocketDriver> driver_;
    bool started_ = false;
    bool inHandler_ = false;
    TReceiveBuffer receive_;
    std::string send_, sendSpare_; // pending bytes of a memory send
    std::FILE* sendFile_ = nullptr;
    int64_t sendFileSize_ = 0;
    std::FILE* captureFile_ = nullptr;
    int64_t captureLimit_ = -1;
    bool captureWriteFailed_ = false;
    bool idleTimer_ = false;      // the time-out timer guards a transfer and is re-armed on progress
    bool closePending_ = false;   // a close notification waits for the running handler to end
    bool readPaused_ = false;     // the receive buffer reached kReceiveHighWater
    bool freshSocketDue_ = false; // closed and not yet replaced (see CloseSocket)
    bool endOfData_ = false;      // a receive call said the peer closed: no further one is made
    bool dataFlowing_ = false;    // the last receive call found bytes (see PollRead)
    bool readPosted_ = false;     // a ContinueRead is queued
    bool writePosted_ = false;    // a ContinueWrite is queued
    uint64_t receivedTotal_ = 0;
    // A counted capture into memory in progress (see kDirectCaptureMax): bytes go straight into
    // *directText_ at directFill_, until directCount_; directData_ is the text's storage as the
    // capture last sized it.
    std::string* directText_ = nullptr;
    const char* directData_ = nullptr;
    size_t directFill_ = 0, directCount_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The driver a TPowersock made without one uses, defined once per platform: the WinSock 1.1
// driver in the Win32 layer (PsockWin32.cpp), none elsewhere (PsockPosix.cpp; tests hand theirs
// in). The portable code names no platform.
std::unique_ptr<TSocketDriver> CreateDefaultSocketDriver();
