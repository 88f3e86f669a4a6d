// The magnetic form component: puts its own handler in front of its owner form's window
// procedure for WM_NCHITTEST, WM_SIZING and WM_MOVING, and puts the old one back when it goes.
#pragma once

#include "toolkit/Forms.h"
#include "widgets/MagneticForm.h"

class TMagneticForm : public TComponent, public TMagneticRules {
public:
    // The owner must be a form; its window is created if it does not exist yet.
    explicit TMagneticForm(TComponent* owner);
    ~TMagneticForm() override;

    TForm* HostForm() const { return hostForm_; }
    // The form's window procedure from before the component took over.
    WNDPROC SavedWindowProc() const { return savedProc_; }

private:
    struct Hook;
    static LRESULT CALLBACK MagneticWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    TForm* hostForm_ = nullptr;
    HWND wnd_ = nullptr;
    WNDPROC savedProc_ = nullptr;
    Hook* hook_ = nullptr;
};
