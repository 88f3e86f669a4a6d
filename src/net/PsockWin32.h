// Win32 pieces of the socket layer: the time-out timer on a hidden window of its own, and the
// choice of how the waits pause between passes. The WinSock driver itself is created by
// CreateWinsockDriver, also the platform's CreateDefaultSocketDriver (Psock.h).
#pragma once

#include <memory>

#include "toolkit/Classes.h"

class THiddenWindow;
class TSocketDriver;

// The WinSock 1.1 driver.
std::unique_ptr<TSocketDriver> CreateWinsockDriver();

// A window-message timer on the creating thread (timer identifier 1 on a hidden window of class
// "TmrWindowClass"). Every change re-arms it: it runs while Enabled, Interval is not 0 and
// OnTimer is set. A timer the system refuses raises EOutOfResources "No Timer".
class TThreadTimer : public TComponent {
public:
    explicit TThreadTimer(TComponent* owner);
    ~TThreadTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    void SetOnTimer(TNotifyEvent handler);

    // Called by the window procedure on WM_TIMER.
    void Fire();
    void* Handle() const;

private:
    void Update();
    std::unique_ptr<THiddenWindow> window_;
    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
};

// How a wait pass pauses before it processes the thread's messages: a fixed 2 ms sleep, or (the
// default) no pause when a message is waiting already, otherwise up to 2 ms ended early by any
// arriving message.
enum class TSocketWaitMode { Sleep, WakeOnMessage };
void SetSocketWaitMode(TSocketWaitMode mode);
TSocketWaitMode SocketWaitMode();
