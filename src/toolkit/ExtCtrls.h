// Picture control and window-message timers. Win32 only.
#pragma once

#include <functional>
#include <memory>

#include "toolkit/Controls.h"

// A windowless picture, painted by its parent.
class TImage : public TGraphicControl, public IAutoSizeProperty {
public:
    explicit TImage(TComponent* owner);
    const TBitmap& Picture() const { return picture_; }
    void SetPicture(TBitmap b);
    bool Stretch = false;
    bool Center = false;
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    bool GetAutoSizeProperty() const override { return autoSize_; }
    void SetAutoSizeProperty(bool v) override { SetAutoSize(v); }
    void Paint(TCanvas& canvas) override;

private:
    TBitmap picture_;
    bool autoSize_ = false;
};

// A windowless area the program paints: OnPaint draws on the canvas in the box's own
// coordinates. A handler that raises shows one error box and leaves the box blank until it is
// invalidated.
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* owner);
    std::function<void(TObject* Sender, TCanvas& Canvas)> OnPaint;
    void Paint(TCanvas& canvas) override {
        if (OnPaint) OnPaint(this, canvas);
    }
};

// A timer driven by WM_TIMER on a hidden window shared by all timers of the thread. OnTimer runs
// from the message loop; an exception it raises goes to the standard error box.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    TNotifyEvent OnTimer;

    // Runs the event (what a WM_TIMER tick does).
    void Timer();

private:
    void Update();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    UINT_PTR id_ = 0;
    bool running_ = false;
};
