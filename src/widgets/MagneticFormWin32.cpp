#include "widgets/MagneticFormWin32.h"

#include "toolkit/Application.h"

namespace {
const char* const kHookProp = "QuavoryMagneticForm";
}

// What the replacement procedure needs, kept on the window. When another procedure has been
// put in front of ours since, ours cannot be taken out of the chain: the hook then outlives the
// component and only passes messages on.
struct TMagneticForm::Hook {
    TMagneticForm* owner;
    WNDPROC saved;
};

TMagneticForm::TMagneticForm(TComponent* owner) : TComponent(owner) {
    hostForm_ = dynamic_cast<TForm*>(owner);
    if (!hostForm_) throw EInvalidOperation("TMagneticForm must be owned by a form");
    wnd_ = hostForm_->Handle();
    // Two on one form would each put the other's procedure in front of their own, through the
    // one window property, and call each other for ever.
    if (GetPropA(wnd_, kHookProp)) throw EInvalidOperation("The form already has a magnetic form component");
    savedProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd_, GWLP_WNDPROC));
    hook_ = new Hook{this, savedProc_};
    SetPropA(wnd_, kHookProp, hook_);
    SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MagneticWindowProc));
    Resize.Ratio.SetWidth(hostForm_->Width());
    Resize.Ratio.SetHeight(hostForm_->Height());
    if (hostForm_->BorderStyle == TFormBorderStyle::bsNone) AlwaysMoveable = true;
}

TMagneticForm::~TMagneticForm() {
    if (!hook_) return; // the window went first
    if (IsWindow(wnd_) && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd_, GWLP_WNDPROC)) == &MagneticWindowProc) {
        SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedProc_));
        RemovePropA(wnd_, kHookProp);
        delete hook_;
    } else {
        hook_->owner = nullptr; // freed with the window (WM_NCDESTROY)
    }
    hook_ = nullptr;
}

LRESULT CALLBACK TMagneticForm::MagneticWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* hook = static_cast<Hook*>(GetPropA(wnd, kHookProp));
    if (!hook) return DefWindowProcA(wnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // The window goes: put the old procedure back and let it finish.
        WNDPROC saved = hook->saved;
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
        RemovePropA(wnd, kHookProp);
        if (hook->owner) hook->owner->hook_ = nullptr;
        delete hook;
        return CallWindowProcA(saved, wnd, msg, wParam, lParam);
    }
    if (!hook->owner) return CallWindowProcA(hook->saved, wnd, msg, wParam, lParam);
    return hook->owner->Handle(wnd, msg, wParam, lParam);
}

LRESULT TMagneticForm::Handle(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST: {
        LRESULT result = CallWindowProcA(savedProc_, wnd, msg, wParam, lParam);
        POINT pt{PointFromLParam(static_cast<uint32_t>(lParam)).x, PointFromLParam(static_cast<uint32_t>(lParam)).y};
        ScreenToClient(wnd, &pt);
        RECT client;
        GetClientRect(wnd, &client);
        const int hit = HitTest(static_cast<int>(result), TPoint{pt.x, pt.y}, TSize{client.right, client.bottom});
        // A window moved from anywhere still lets its windowless buttons take their clicks.
        if (hit == HTCAPTION && result == HTCLIENT)
            if (TWinControl* form = TWinControl::FromHandle(wnd))
                if (TControl* c = form->ControlAtPos(pt.x, pt.y); c && c->TakesClicks() && c->Enabled()) return HTCLIENT;
        return hit;
    }
    case WM_SIZING: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (r) {
            TRect t = Rect(r->left, r->top, r->right, r->bottom);
            Sizing(static_cast<int>(wParam), t);
            *r = RECT{t.Left, t.Top, t.Right, t.Bottom};
        }
        return TRUE;
    }
    case WM_MOVING: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (r) {
            TRect t = Rect(r->left, r->top, r->right, r->bottom);
            RECT w;
            GetWindowRect(wnd, &w);
            TSize form{w.right - w.left, w.bottom - w.top};
            TSize screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            // OnMoving is the program's code: nothing it raises may leave the window procedure.
            GuardedCall([&] { Moving(this, t, form, screen); });
            *r = RECT{t.Left, t.Top, t.Right, t.Bottom};
        }
        return CallWindowProcA(savedProc_, wnd, msg, wParam, lParam);
    }
    default: return CallWindowProcA(savedProc_, wnd, msg, wParam, lParam);
    }
}
