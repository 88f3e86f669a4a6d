// Top-level windows: forms, modal showing, closing. Win32 only.
#pragma once

#include "toolkit/Controls.h"

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum TBorderIconBits : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
using TBorderIcons = unsigned;
enum class TPosition { poDesigned, poScreenCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY, mrIgnore = IDIGNORE,
                       mrYes = IDYES, mrNo = IDNO;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TButtonControl;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition Position = TPosition::poDesigned;

    // Outer size follows from the client size and the frame the border style gives.
    void SetClientWidth(int w);
    void SetClientHeight(int h);
    void SetClientSize(int w, int h);
    TRect ClientRect() const override;

    void SetVisible(bool v) override;
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Runs OnClose; the main form ends the application, any other form is hidden (the default
    // action), unless the handler says otherwise.
    void Close();
    // Shows the form as a modal dialog: the application's other forms are disabled and a local
    // message loop runs until ModalResult is set. Returns it.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult r) { modalResult_ = r; }
    bool Modal() const { return modal_; }

    TWindowState WindowState() const;
    void SetWindowState(TWindowState s);
    bool Active() const;
    // Places the form in the middle of the screen (its outer rectangle).
    void CenterOnScreen();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnResize;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;

    // Frees a form made with new, at once when none of its handlers runs, else when the outermost
    // one returns (the host may quit from inside a loop a handler started). First it ends what
    // could keep a handler waiting: every modal dialog closes as cancelled, and
    // CancelNestedWork runs.
    void Release();
    // Called by Release: a form that waits on something of its own (a network request) ends it.
    virtual void CancelNestedWork() {}
    // Brackets a call into the form's handlers (window procedure, timers).
    void EnterHandler() { handlers_.Enter(); }
    // Returns true when the form was freed by it.
    bool LeaveHandler() { return handlers_.Leave(); }
    bool ReleasePending() const { return handlers_.ReleasePending(); }
    bool HandlerRunning() const { return handlers_.Depth() > 0; }
    // The form a control or component belongs to (its parent chain, else its owner chain).
    static TForm* FormOf(TComponent* c);

    // Runs OnCreate; called by a derived form's constructor once its controls exist. Like every
    // handler the form runs (create, show, hide, resize, activate, close, destroy), one that
    // raises ends at the standard error box and the form carries on: the window is still created
    // and shown.
    void DoCreate();

    // Default and cancel buttons answer Enter and Esc in modal dialogs.
    TButtonControl* DefaultButton = nullptr;
    TButtonControl* CancelButton = nullptr;

    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Keyboard handling for dialogs (Enter, Esc, Tab). True when the message was consumed.
    bool DialogKey(const MSG& m);

    // The controls Tab walks, in order: windowed controls with TabStop that can take the focus,
    // siblings by TabOrder (those without one after, in creation order), each container's
    // controls right after it.
    std::vector<TWinControl*> TabList() const;
    // Moves the focus to the next (or previous) control of TabList after `current`, wrapping.
    void SelectNext(TWinControl* current, bool forward);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Resized() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void RunHandler(const TNotifyEvent& handler);
    THandlerDepth handlers_{[this] { delete this; }};
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool positioned_ = false;
};
