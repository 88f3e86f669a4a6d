#include "toolkit/Application.h"

#include <algorithm>

#include "toolkit/Controls.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/Forms.h"
#include "toolkit/MessagePump.h"

namespace {

TColor PlatformSysColor(int index) { return static_cast<TColor>(GetSysColor(index)); }

// The module's one application object, created with the module and freed at unload.
struct ApplicationHolder {
    ApplicationHolder() {
        SetSysColorProvider(PlatformSysColor);
        Application = new TApplication();
    }
    // The module is unloading: nothing of it may outlive the image. The forms and the
    // application window go first, then every hidden window (timers, sockets), then the window
    // classes, whose procedures point into this image.
    ~ApplicationHolder() {
        delete Application;
        Application = nullptr;
        THiddenWindow::DestroyAll();
        UnregisterToolkitClasses();
    }
};

} // namespace

TApplication* Application = nullptr;
static ApplicationHolder g_holder;

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { DestroyComponents(); }

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    if (window_) SetWindowTextA(window_.Handle(), title.c_str());
}

void TApplication::Initialize() {
    if (window_ && IsWindow(window_.Handle())) return;
    // Hidden, zero-sized: it only owns the forms and carries the title.
    window_ = THiddenWindow("QuavoryApplication", DefWindowProcA, false, nullptr, title_.c_str());
}

void TApplication::Run() {
    if (!mainForm_) return;
    mainForm_->Show();
    while (!terminated_) HandleMessage();
}

void TApplication::ProcessMessages() {
    if (!PumpWaitingMessages()) terminated_ = true;
}

void TApplication::HandleMessage(DWORD timeoutMs) {
    if (!WaitAndPumpMessages(timeoutMs)) terminated_ = true;
}

void TApplication::BringToFront() {
    TForm* f = ActiveForm();
    if (!f && mainForm_) f = mainForm_;
    if (!f)
        for (TForm* x : forms_)
            if (x->Visible()) {
                f = x;
                break;
            }
    if (f && f->HandleAllocated()) {
        SetForegroundWindow(f->Handle());
        BringWindowToTop(f->Handle());
    }
}

void TApplication::Minimize() {
    for (TForm* f : forms_)
        if (f->Visible() && f->HandleAllocated()) ShowWindow(f->Handle(), SW_MINIMIZE);
}

void TApplication::Restore() {
    for (TForm* f : forms_)
        if (f->Visible() && f->HandleAllocated() && IsIconic(f->Handle())) ShowWindow(f->Handle(), SW_RESTORE);
}

void TApplication::HandleException(const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e)) return;
    if (OnException) {
        OnException(this, e);
        return;
    }
    MessageBox(ErrorBoxText(e.what()), nullptr, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& text, const char* caption, UINT flags) {
    TForm* f = ActiveForm();
    HWND owner = f && f->HandleAllocated() ? f->Handle() : nullptr;
    return MessageBoxA(owner, text.c_str(), caption ? caption : title_.c_str(), flags);
}

TForm* TApplication::ActiveForm() const {
    HWND a = GetActiveWindow();
    for (TForm* f : forms_)
        if (f->HandleAllocated() && f->Handle() == a) return f;
    return nullptr;
}

void TApplication::AddForm(TForm* f) {
    if (std::find(forms_.begin(), forms_.end(), f) == forms_.end()) forms_.push_back(f);
}

void TApplication::RemoveForm(TForm* f) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
    if (mainForm_ == f) mainForm_ = nullptr;
}
