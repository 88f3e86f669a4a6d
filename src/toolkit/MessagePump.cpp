#include "toolkit/MessagePump.h"

#include "toolkit/Forms.h"

namespace {

bool g_quitSeen = false;

// A key for a modal dialog's controls goes to the dialog's keyboard handling first.
bool DialogKeyOfModalForm(const MSG& m) {
    if (m.message != WM_KEYDOWN) return false;
    for (HWND w = m.hwnd; w; w = GetParent(w))
        if (auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(w))) return form->Modal() && form->DialogKey(m);
    return false;
}

} // namespace

bool PumpWaitingMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            // Put back for the loop that owns the thread: never eaten by a wait.
            g_quitSeen = true;
            PostQuitMessage(static_cast<int>(m.wParam));
            return false;
        }
        if (DialogKeyOfModalForm(m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return true;
}

bool WaitAndPumpMessages(DWORD timeoutMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_ALLINPUT);
    return PumpWaitingMessages();
}

bool QuitSeen() { return g_quitSeen; }
