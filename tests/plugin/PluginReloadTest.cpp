// Unloading the plug-in leaves nothing of it behind, and a second load at another address works:
// the player may load, quit and unload plug-ins while it runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/PluginRecord.h"
#include "support/Input.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/GdiCanvas.h"

namespace {

std::string DllPath() {
    std::string p = QV_PLUGIN_DLL;
    return p.size() > 1 && p[0] == '/' ? "Z:" + p : p;
}

// Every window class the library registers.
const char* const kClasses[] = {"QuavoryWindow", "QuavoryApplication", "QuavoryTimerWindow", "PsockWindowClass",
                                "TmrWindowClass"};

TWinampGeneralPurposePlugin* RecordOf(HMODULE m) {
    auto get = reinterpret_cast<TGetGeneralPurposePlugin>(reinterpret_cast<void*>(GetProcAddress(m, kPluginExportName)));
    return get ? get() : nullptr;
}

DWORD ImageSize(HMODULE m) {
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(m);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(m) + dos->e_lfanew);
    return nt->OptionalHeader.SizeOfImage;
}

BOOL CALLBACK CollectWindow(HWND w, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

// The windows of this thread (top-level and message-only) made by module `m`.
std::vector<HWND> WindowsOfModule(HMODULE m) {
    std::vector<HWND> all, mine;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w; w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr))
        all.push_back(w);
    for (HWND w : all)
        if (reinterpret_cast<HMODULE>(GetWindowLongPtrA(w, GWLP_HINSTANCE)) == m) mine.push_back(w);
    return mine;
}

int ClassesRegisteredBy(HMODULE m) {
    int n = 0;
    for (const char* c : kClasses) {
        WNDCLASSA wc{};
        n += GetClassInfoA(m, c, &wc) ? 1 : 0;
    }
    return n;
}

// Runs init and checks the window shows, paints its artwork and answers; then quit.
void InitShowAndQuit(HMODULE m) {
    TWinampGeneralPurposePlugin* r = RecordOf(m);
    ASSERT_NE(r, nullptr);
    r->hDllInstance = m;
    ASSERT_EQ(r->init(), 0);
    HWND w = FindWindowA(nullptr, "QUAVORY");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(reinterpret_cast<HMODULE>(GetWindowLongPtrA(w, GWLP_HINSTANCE)), m);
    EXPECT_TRUE(IsWindowVisible(w));
    PumpUntil([] { return false; }, 300);
    // Painted: the background picture, not a black or blank window.
    RECT rc;
    GetClientRect(w, &rc);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    HDC screen = GetDC(nullptr);
    int coloured = 0;
    {
        TOffscreen off(screen, rc.right, rc.bottom);
        BitBlt(off.DC(), 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
        TBitmap b = off.ToBitmap();
        for (int y = 0; y < b.Height(); y += 4)
            for (int x = 0; x < b.Width(); x += 4) coloured += (b.Pixel(x, y) & 0xFF) > 0x20; // blue in it
    }
    ReleaseDC(nullptr, screen);
    EXPECT_GT(coloured, 1000);
    // Answers through the new image's procedures.
    char caption[32] = {};
    EXPECT_GT(SendMessageA(w, WM_GETTEXT, sizeof caption, reinterpret_cast<LPARAM>(caption)), 0);
    EXPECT_STREQ(caption, "QUAVORY");
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(origin.x + 300, origin.y + 300)), HTCAPTION);
    r->quit();
    EXPECT_EQ(FindWindowA(nullptr, "QUAVORY"), nullptr);
}

} // namespace

TEST(PluginReload, UnloadLeavesNoClassOrWindowAndASecondLoadAtAnotherAddressWorks) {
    ASSERT_EQ(GetModuleHandleA("gen_quavory.dll"), nullptr);
    HMODULE first = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(first, nullptr);
    DWORD size = ImageSize(first);
    InitShowAndQuit(first);
    EXPECT_EQ(ClassesRegisteredBy(first), 5); // all of them, while loaded
    ASSERT_TRUE(FreeLibrary(first));
    ASSERT_EQ(GetModuleHandleA("gen_quavory.dll"), nullptr);

    // Nothing of the first load remains: no class whose procedure points into the freed image,
    // no window of it.
    EXPECT_EQ(ClassesRegisteredBy(first), 0);
    EXPECT_TRUE(WindowsOfModule(first).empty());

    // The old address range is taken, so the library must load somewhere else.
    void* hold = VirtualAlloc(reinterpret_cast<void*>(first), size, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_EQ(hold, reinterpret_cast<void*>(first));
    HMODULE second = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    InitShowAndQuit(second);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(ClassesRegisteredBy(second), 0);
    VirtualFree(hold, 0, MEM_RELEASE);
}

namespace {

HMODULE g_quitModule = nullptr;
bool g_quitDone = false;
bool g_dialogWasOpen = false;

// What the player does when it closes while the plug-in's dialog is open: quit, then unload,
// from inside a message the dialog's loop dispatches.
void CALLBACK QuitAndUnload(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_dialogWasOpen = FindWindowA("QuavoryWindow", " ") != nullptr; // the proxy dialog's caption
    RecordOf(g_quitModule)->quit();
    FreeLibrary(g_quitModule);
    g_quitDone = true;
}

} // namespace

TEST(PluginQuit, QuitAndUnloadFromInsideTheProxyDialogsLoopReturnsSafely) {
    HMODULE m = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(m, nullptr);
    TWinampGeneralPurposePlugin* r = RecordOf(m);
    r->hDllInstance = m;
    ASSERT_EQ(r->init(), 0);
    HWND w = FindWindowA(nullptr, "QUAVORY");
    ASSERT_NE(w, nullptr);
    SetForegroundWindow(w);
    PumpUntil([] { return false; }, 300);
    // A right-click on the window opens its menu; the first item opens the proxy dialog, whose
    // modal loop then runs inside the window's handler.
    g_quitModule = m;
    g_quitDone = false;
    SetTimer(nullptr, 0, 1500, QuitAndUnload);
    RECT rc;
    GetWindowRect(w, &rc);
    {
        TMenuDriver menu("DE");
        MouseClickAt(rc.left + 300, rc.top + 300, TTestButton::Right);
        PumpUntil([] { return g_quitDone; }, 20000);
        EXPECT_TRUE(menu.Seen());
    }
    ASSERT_TRUE(g_quitDone);
    EXPECT_TRUE(g_dialogWasOpen);
    EXPECT_EQ(FindWindowA("QuavoryWindow", " "), nullptr);
    // The dialog closed, the handler returned, and only then did the window go.
    PumpUntil([] { return FindWindowA(nullptr, "QUAVORY") == nullptr; }, 5000);
    EXPECT_EQ(FindWindowA(nullptr, "QUAVORY"), nullptr);
    EXPECT_FALSE(IsWindow(w));
    // The library stayed loaded for the handler to return into; it is kept until the process ends.
    EXPECT_EQ(GetModuleHandleA("gen_quavory.dll"), m);
}
