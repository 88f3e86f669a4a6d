#include "toolkit/ExtCtrls.h"

#include <map>
#include <utility>

#include "toolkit/Application.h"
#include "toolkit/Forms.h"

// ---------------------------------------------------------------- TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    width_ = 105;
    height_ = 105;
}

void TImage::SetPicture(TBitmap b) {
    picture_ = std::move(b); // a window-sized picture is a megabyte: moved in, not copied
    if (autoSize_ && !picture_.Empty()) SetBounds(left_, top_, picture_.Width(), picture_.Height());
    Invalidate();
}

void TImage::SetAutoSize(bool v) {
    autoSize_ = v;
    if (v && !picture_.Empty()) SetBounds(left_, top_, picture_.Width(), picture_.Height());
}

void TImage::Paint(TCanvas& canvas) {
    if (picture_.Empty()) return;
    if (Stretch) {
        canvas.StretchDraw(Rect(0, 0, width_, height_), picture_);
    } else if (Center) {
        canvas.Draw((width_ - picture_.Width()) / 2, (height_ - picture_.Height()) / 2, picture_);
    } else {
        canvas.Draw(0, 0, picture_);
    }
}

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) {
    width_ = 105;
    height_ = 105;
}

// ---------------------------------------------------------------- TTimer

namespace {

// One hidden window per module receives every timer's WM_TIMER; the timer id is the key.
struct TimerWindow {
    THiddenWindow wnd;
    std::map<UINT_PTR, TTimer*> timers;
    UINT_PTR nextId = 1;
};

TimerWindow& Timers() {
    static TimerWindow tw;
    return tw;
}

LRESULT CALLBACK TimerWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        auto& t = Timers().timers;
        auto it = t.find(static_cast<UINT_PTR>(wParam));
        if (it != t.end()) {
            TTimer* timer = it->second;
            // The timer's form stays whole while its handler runs (TForm::Release).
            TForm* form = TForm::FormOf(timer);
            if (form) form->EnterHandler();
            GuardedCall([&] { timer->Timer(); });
            if (form) form->LeaveHandler();
        }
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND TimerHandle() {
    auto& tw = Timers();
    if (!tw.wnd || !IsWindow(tw.wnd.Handle())) tw.wnd = THiddenWindow("QuavoryTimerWindow", TimerWndProc, true);
    return tw.wnd.Handle();
}

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    id_ = Timers().nextId++;
    Update();
}

TTimer::~TTimer() {
    enabled_ = false;
    Update();
}

void TTimer::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    Update();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Update();
}

void TTimer::Update() {
    auto& tw = Timers();
    if (running_) {
        KillTimer(tw.wnd.Handle(), id_);
        tw.timers.erase(id_);
        running_ = false;
    }
    if (enabled_ && interval_ > 0) {
        HWND wnd = TimerHandle();
        if (!SetTimer(wnd, id_, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
        tw.timers[id_] = this;
        running_ = true;
    }
}

void TTimer::Timer() {
    if (enabled_ && OnTimer) OnTimer(this);
}
