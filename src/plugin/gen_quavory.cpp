// The plug-in library: one export handing out the static record, and the record's init, config
// and quit. Everything runs on the player's thread; no exception leaves these functions.
#include "plugin/gen_quavory.h"

#include "plugin/FormCode.h"
#include "toolkit/Application.h"
#include "toolkit/Controls.h"

namespace {

TForm1* g_mainWindow = nullptr;
const char kTitle[] = "THE QUAVORY";

int InitPlugin();
void ConfigPlugin();
void QuitPlugin();

TWinampGeneralPurposePlugin g_record = {
    kGeneralPurposePluginVersion, "THE QUAVORY plugin v1.0", InitPlugin, ConfigPlugin, QuitPlugin, nullptr, nullptr,
};

int InitPlugin() {
    GuardedCall([] {
        Application->SetTitle(kTitle);
        Application->Initialize();
        Application->SetTitle(kTitle);
        // Player questions go to the window the player wrote into the record, read afresh each time.
        if (!g_mainWindow) g_mainWindow = new TForm1(Application, [] { return g_record.hwndParent; });
        g_mainWindow->Show();
        // No main form: the run step returns at once and the player's loop serves the window.
        Application->Run();
        Application->SetTitle(kTitle);
    });
    return 0;
}

void ConfigPlugin() {
    GuardedCall([] { MessageBoxA(nullptr, "Nothing to do here !", "Configure", MB_OK); });
}

// A window told to go while one of its handlers waited for the service is freed from here, by a
// message posted once that handler has returned, so that no handler of it is still running.
constexpr UINT kReleaseWindowMessage = WM_USER + 1;
HWND g_releaser = nullptr;

LRESULT CALLBACK ReleaserProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kReleaseWindowMessage) {
        GuardedCall([lParam] { delete reinterpret_cast<TForm1*>(lParam); });
        // The player ended its loop while the request waited: the wait's pump saw the quit and
        // queued it again, but closing the request's socket and windows can take a queued quit
        // with it. Put it back, so the player's own loop still ends.
        MSG m;
        if (Application && Application->Terminated() && !PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

void ReleaseLater(TForm1* w) {
    if (!g_releaser) g_releaser = CreateHiddenWindow("QuavoryReleaser", ReleaserProc, true);
    if (g_releaser) PostMessageA(g_releaser, kReleaseWindowMessage, 0, reinterpret_cast<LPARAM>(w));
}

void QuitPlugin() {
    GuardedCall([] {
        TForm1* w = g_mainWindow;
        g_mainWindow = nullptr;
        if (!w) return;
        if (w->QuitRequested()) {
            delete w;
            return;
        }
        // A request waits further down this thread's stack, inside the library: the player
        // unloads the library right after quit, so it stays loaded for the rest of the process,
        // and the window goes once the waiting handler has unwound.
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(&QuitPlugin), &self);
        w->OnReleaseAfterRequest = [](TForm1* form) { ReleaseLater(form); };
    });
}

} // namespace

extern "C" __declspec(dllexport) TWinampGeneralPurposePlugin* winampGetGeneralPurposePlugin() { return &g_record; }

namespace plugin {
TForm1* MainWindow() { return g_mainWindow; }
int Init() { return InitPlugin(); }
void Config() { ConfigPlugin(); }
void Quit() { QuitPlugin(); }
} // namespace plugin
