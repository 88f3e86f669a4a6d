// The application object: title, message pumping, the standard error box, and the list of forms.
// Win32 only. One instance, `Application`, lives as long as the module.
#pragma once

#include "toolkit/Win32.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Exception.h"

class TForm;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // Creates the hidden application window that owns the forms.
    void Initialize();
    // With a main form: runs the message loop until it closes. Without one (a plug-in inside a
    // host that runs the loop): returns at once.
    void Run();
    // Dispatches every pending message of this thread, then returns (the one pump,
    // MessagePump.h; a WM_QUIT met there is put back and ends the application's run).
    void ProcessMessages();
    // Waits for the next message (or `timeoutMs`), then dispatches what is pending.
    void HandleMessage(DWORD timeoutMs = INFINITE);
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    void BringToFront();
    void Minimize();
    void Restore();

    // Shows the standard error box for `e` (captioned with the title, error icon, one OK).
    // EAbort is silent. OnException, when set, replaces the box.
    void HandleException(const std::exception& e);
    std::function<void(TObject* Sender, const std::exception& e)> OnException;

    // A platform message box owned by the active form (or nobody), captioned with the title when
    // `caption` is null. Returns the platform's button id.
    int MessageBox(const std::string& text, const char* caption = nullptr, UINT flags = MB_OK);

    HWND Handle() const { return window_.Handle(); }
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* f) { mainForm_ = f; }
    // The foreground form of this application, if any.
    TForm* ActiveForm() const;

    // Forms register themselves while they exist.
    void AddForm(TForm* f);
    void RemoveForm(TForm* f);
    const std::vector<TForm*>& Forms() const { return forms_; }

private:
    std::string title_;
    THiddenWindow window_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    std::vector<TForm*> forms_;
};

extern TApplication* Application;

// Runs `f`, turning any exception into the standard error box. For every boundary where control
// returns to the platform (window procedures, timer callbacks, exported functions).
template <class F> void GuardedCall(F&& f) noexcept {
    try {
        f();
    } catch (const std::exception& e) {
        try {
            if (Application) Application->HandleException(e);
        } catch (...) {}
    } catch (...) {}
}
