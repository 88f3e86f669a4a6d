#include "toolkit/Forms.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "toolkit/Application.h"
#include "toolkit/MessagePump.h"
#include "toolkit/StdCtrls.h"

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    visible_ = false;
    color_ = clBtnFace;
    width_ = 320;
    height_ = 240;
    if (Application) Application->AddForm(this);
}

TForm::~TForm() {
    RunHandler(OnDestroy);
    if (Application) Application->RemoveForm(this);
    // Owned components go while the form is still a form; then the window.
    DestroyComponents();
    DestroyWnd();
}

void TForm::DoCreate() { RunHandler(OnCreate); }

void TForm::Release() {
    if (handlers_.ReleasePending()) return;
    if (handlers_.Depth() > 0) {
        // Something of ours is on the stack: end the loops it may be waiting in.
        if (Application)
            for (TForm* f : std::vector<TForm*>(Application->Forms()))
                if (f->Modal() && f->ModalResult() == mrNone) f->SetModalResult(mrCancel);
        GuardedCall([&] { CancelNestedWork(); });
        PostMessageA(nullptr, WM_NULL, 0, 0); // wakes a wait that sleeps until a message comes
    }
    handlers_.Release();
}

TForm* TForm::FormOf(TComponent* c) {
    for (auto* ctl = dynamic_cast<TControl*>(c); ctl; ctl = ctl->Parent())
        if (!ctl->Parent()) return dynamic_cast<TForm*>(ctl);
    for (TComponent* o = c; o; o = o->Owner())
        if (auto* f = dynamic_cast<TForm*>(o)) return f;
    return nullptr;
}

void TForm::RunHandler(const TNotifyEvent& handler) {
    // A handler that raises ends at the standard error box; the form goes on as if it had returned.
    if (handler) GuardedCall([&] { handler(this); });
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove) {
        if (component == DefaultButton) DefaultButton = nullptr;
        if (component == CancelButton) CancelButton = nullptr;
    }
}

void TForm::CreateParams(TCreateParams& p) {
    p.ClassName.clear();
    p.ExStyle = 0;
    p.ParentWindow = Application ? Application->Handle() : nullptr;
    switch (BorderStyle) {
    case TFormBorderStyle::bsNone: p.Style = WS_POPUP; break;
    case TFormBorderStyle::bsSingle: p.Style = WS_CAPTION | WS_BORDER; break;
    case TFormBorderStyle::bsSizeable: p.Style = WS_CAPTION | WS_THICKFRAME; break;
    case TFormBorderStyle::bsDialog:
        p.Style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        p.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case TFormBorderStyle::bsToolWindow:
        p.Style = WS_CAPTION;
        p.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    p.Style |= WS_CLIPCHILDREN;
    if (BorderIcons & biSystemMenu) {
        p.Style |= WS_SYSMENU;
        if (BorderStyle != TFormBorderStyle::bsDialog) {
            if (BorderIcons & biMinimize) p.Style |= WS_MINIMIZEBOX;
            if (BorderIcons & biMaximize) p.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (!enabled_) p.Style |= WS_DISABLED;
}

static void FrameSize(DWORD style, DWORD exStyle, int& dx, int& dy) {
    RECT r{0, 0, 100, 100};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    dx = (r.right - r.left) - 100;
    dy = (r.bottom - r.top) - 100;
}

void TForm::SetClientSize(int w, int h) {
    TCreateParams p;
    CreateParams(p);
    int dx = 0, dy = 0;
    FrameSize(HandleAllocated() ? static_cast<DWORD>(GetWindowLongA(handle_, GWL_STYLE)) : p.Style,
              HandleAllocated() ? static_cast<DWORD>(GetWindowLongA(handle_, GWL_EXSTYLE)) : p.ExStyle, dx, dy);
    SetBounds(left_, top_, w + dx, h + dy);
}

void TForm::SetClientWidth(int w) { SetClientSize(w, ClientHeight()); }
void TForm::SetClientHeight(int h) { SetClientSize(ClientWidth(), h); }

TRect TForm::ClientRect() const {
    if (HandleAllocated()) return TWinControl::ClientRect();
    TCreateParams p;
    const_cast<TForm*>(this)->CreateParams(p);
    int dx = 0, dy = 0;
    FrameSize(p.Style, p.ExStyle, dx, dy);
    return Rect(0, 0, width_ - dx, height_ - dy);
}

void TForm::CenterOnScreen() {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const int left = (sw - width_) / 2, top = (sh - height_) / 2;
    if (HandleAllocated() && left == left_ && top == top_) return; // already there: no window move
    SetBounds(left, top, width_, height_);
}

void TForm::CreateWnd() {
    // Made at its centred place, so showing it need not move it (unless its size changed since).
    if (!HandleAllocated() && Position == TPosition::poScreenCenter && !positioned_) CenterOnScreen();
    TWinControl::CreateWnd();
}

void TForm::SetVisible(bool v) {
    if (v) {
        Handle();
        if (Position == TPosition::poScreenCenter && !positioned_) CenterOnScreen();
        positioned_ = true;
        if (visible_ && IsWindowVisible(handle_)) {
            BringWindowToTop(handle_);
            return;
        }
        visible_ = true;
        RunHandler(OnShow);
        ShowWindow(handle_, SW_SHOW);
        UpdateWindow(handle_);
    } else {
        if (!visible_) return;
        visible_ = false;
        if (handle_) ShowWindow(handle_, SW_HIDE);
        RunHandler(OnHide);
    }
}

void TForm::Close() {
    TCloseAction action = TCloseAction::caHide;
    // A close handler that raises leaves the action as it stood when it raised.
    auto askHandler = [&] {
        if (OnClose) GuardedCall([&] { OnClose(this, action); });
    };
    if (modal_) {
        askHandler();
        if (action != TCloseAction::caNone && modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    askHandler();
    switch (action) {
    case TCloseAction::caNone: return;
    case TCloseAction::caMinimize: SetWindowState(TWindowState::wsMinimized); return;
    case TCloseAction::caHide:
    case TCloseAction::caFree:
        if (Application && Application->MainForm() == this) {
            Application->Terminate();
            PostQuitMessage(0);
        }
        Hide();
        return;
    }
}

static BOOL CALLBACK CollectEnabledWindow(HWND w, LPARAM p) {
    if (IsWindowVisible(w) && IsWindowEnabled(w)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

TModalResult TForm::ShowModal() {
    if (modal_ || Visible()) throw EInvalidOperation("Cannot make a visible window modal");
    // Every other enabled window of this thread is disabled while the dialog runs.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    HWND previous = GetActiveWindow();
    for (HWND w : disabled) EnableWindow(w, FALSE);
    modal_ = true;
    modalResult_ = mrNone;
    try {
        Show();
        SetForegroundWindow(Handle());
        // The first control in tab order has the focus, as in a dialog.
        std::vector<TWinControl*> tabs = TabList();
        if (tabs.empty())
            SetFocus();
        else
            tabs.front()->SetFocus();
        while (modalResult_ == mrNone) {
            if (!WaitAndPumpMessages(INFINITE)) {
                // The thread's loop is ending: the dialog closes as cancelled, and the quit stays
                // queued for that loop.
                modalResult_ = mrCancel;
                break;
            }
        }
    } catch (...) {
        modal_ = false;
        for (HWND w : disabled) EnableWindow(w, TRUE);
        throw;
    }
    for (HWND w : disabled) EnableWindow(w, TRUE);
    Hide();
    modal_ = false;
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    return modalResult_;
}

bool TForm::DialogKey(const MSG& m) {
    if (m.message != WM_KEYDOWN || !HandleAllocated()) return false;
    if (m.hwnd != handle_ && !IsChild(handle_, m.hwnd)) return false;
    switch (m.wParam) {
    case VK_RETURN: {
        // A multi-line box keeps its Enter.
        char cls[16] = {};
        GetClassNameA(m.hwnd, cls, sizeof cls);
        if (lstrcmpiA(cls, "EDIT") == 0 && (GetWindowLongA(m.hwnd, GWL_STYLE) & ES_MULTILINE)) return false;
        TWinControl* focused = TWinControl::FromHandle(m.hwnd);
        if (auto* b = dynamic_cast<TButtonControl*>(focused); b && b->IsPushButton()) {
            GuardedCall([&] { b->Click(); });
            return true;
        }
        if (DefaultButton && DefaultButton->Visible() && DefaultButton->Enabled()) {
            GuardedCall([&] { DefaultButton->Click(); });
            return true;
        }
        return false;
    }
    case VK_ESCAPE:
        if (CancelButton && CancelButton->Visible() && CancelButton->Enabled())
            GuardedCall([&] { CancelButton->Click(); });
        else if (modal_)
            modalResult_ = mrCancel;
        return true;
    case VK_TAB: {
        // The focused window may be a part of one of our controls (a combo box's edit).
        TWinControl* current = nullptr;
        for (HWND w = m.hwnd; w && w != handle_ && !current; w = GetParent(w)) current = TWinControl::FromHandle(w);
        SelectNext(current, GetKeyState(VK_SHIFT) >= 0);
        return true;
    }
    default: return false;
    }
}

static void CollectTabStops(const TWinControl* parent, std::vector<TWinControl*>& out) {
    std::vector<std::pair<int, TWinControl*>> children;
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* w = dynamic_cast<TWinControl*>(parent->Controls(i)); w && w->Visible())
            children.emplace_back(w->TabOrder >= 0 ? w->TabOrder : std::numeric_limits<int>::max(), w);
    std::stable_sort(children.begin(), children.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [order, w] : children) {
        if (w->TabStop && w->Enabled()) out.push_back(w);
        CollectTabStops(w, out);
    }
}

std::vector<TWinControl*> TForm::TabList() const {
    std::vector<TWinControl*> list;
    CollectTabStops(this, list);
    return list;
}

void TForm::SelectNext(TWinControl* current, bool forward) {
    std::vector<TWinControl*> list = TabList();
    if (list.empty()) return;
    auto it = std::find(list.begin(), list.end(), current);
    size_t n = list.size(), i;
    if (it == list.end())
        i = forward ? 0 : n - 1;
    else
        i = (static_cast<size_t>(it - list.begin()) + (forward ? 1 : n - 1)) % n;
    list[i]->SetFocus();
}

TWindowState TForm::WindowState() const {
    if (!HandleAllocated()) return TWindowState::wsNormal;
    if (IsIconic(handle_)) return TWindowState::wsMinimized;
    if (IsZoomed(handle_)) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TForm::SetWindowState(TWindowState s) {
    HWND h = Handle();
    switch (s) {
    case TWindowState::wsNormal: ShowWindow(h, SW_RESTORE); break;
    case TWindowState::wsMinimized: ShowWindow(h, SW_MINIMIZE); break;
    case TWindowState::wsMaximized: ShowWindow(h, SW_MAXIMIZE); break;
    }
}

bool TForm::Active() const { return HandleAllocated() && GetActiveWindow() == handle_; }

void TForm::Resized() { RunHandler(OnResize); }

bool TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_CLOSE:
        Close();
        result = 0;
        return true;
    case WM_ACTIVATE: RunHandler(LOWORD(wParam) == WA_INACTIVE ? OnDeactivate : OnActivate); return false;
    default: return TWinControl::WndProc(msg, wParam, lParam, result);
    }
}
