// The plug-in library: one export handing out the static record, and the record's init, config
// and quit. Everything runs on the player's thread; no exception leaves these functions.
#include "plugin/gen_quavory.h"

#include "plugin/FormCode.h"
#include "toolkit/Application.h"

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

void QuitPlugin() {
    GuardedCall([] {
        TForm1* w = g_mainWindow;
        g_mainWindow = nullptr;
        if (!w) return;
        // The player may quit from inside a loop one of the window's handlers runs (a modal
        // dialog, a request waiting), and unload the library right after. The window then goes
        // when that handler returns, and the library stays loaded until the process ends, so
        // the handler does not return into an unloaded image.
        if (w->HandlerRunning()) {
            HMODULE self = nullptr;
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                               reinterpret_cast<LPCSTR>(&QuitPlugin), &self);
        }
        w->Release();
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
