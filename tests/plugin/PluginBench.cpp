// Benchmarks of the plug-in's windows under Wine (label "bench"; prints figures, asserts none):
//   - start-up: from the record's init called to the window shown with its artwork decoded and
//     painted, median of N runs, beside a bare window of the same size that blits one bitmap of
//     the same size, measured in the same run;
//   - the track watcher's idle cost: CPU time of one tick with nothing changing, and the process's
//     CPU share over a few seconds of idle ticking, as a share of one core;
//   - the DLL's size.
//
//   plugin_bench.exe [runs]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "WindowTestKit.h"
#include "support/BenchStats.h"
#include "net/NMHttp.h"
#include "net/PsockWin32.h"
#include "plugin/FormCode.h"
#include "plugin/FormCodeArtwork.h"
#include "plugin/PluginRecord.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

namespace {

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto secs = [](FILETIME t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
    };
    return secs(kernel) + secs(user);
}

std::string DllPath() {
    std::string p = QV_PLUGIN_DLL;
    return p.size() > 1 && p[0] == '/' ? "Z:" + p : p;
}

// ---------------------------------------------------------------- the bare window

const int kW = TForm1::kDesignClientWidth, kH = TForm1::kDesignClientHeight;
HBITMAP g_bitmap = nullptr;

LRESULT CALLBACK BareProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, g_bitmap);
        BitBlt(dc, 0, 0, kW, kH, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        EndPaint(w, &ps);
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// The one bitmap the bare windows blit: window-sized, filled with the background's blue.
void MakeBareBitmap() {
    HDC screen = GetDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kW;
    bi.bmiHeader.biHeight = -kH;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    g_bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    auto* px = static_cast<uint32_t*>(bits);
    for (int i = 0; i < kW * kH; ++i) px[i] = 0x101C4A;
}

// The bare window: made, shown and painted with one blit. With `children` it also holds the
// platform windows a window like the plug-in's would have had at first paint, one drop-down list of
// ten rows and eleven owner-drawn buttons (each filled with one colour): what those windows cost
// before any work of the program's own.
LRESULT CALLBACK BareChildrenProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAWITEM) {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (d->CtlType == ODT_BUTTON) {
            FillRect(d->hDC, &d->rcItem, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
            return TRUE;
        }
    }
    return BareProc(w, msg, wp, lp);
}

double BareWindowRun(bool children = false) {
    double t0 = BenchNow();
    MakeBareBitmap();
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HWND w = CreateWindowExA(0, children ? "QuavoryBenchBareChildren" : "QuavoryBenchBare", "bare",
                             WS_POPUP | (children ? WS_CLIPCHILDREN : 0), 100, 100, kW, kH, nullptr, nullptr, inst, nullptr);
    if (children) {
        HWND list = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL, 130, 80, 186, 200,
                                    w, nullptr, inst, nullptr);
        for (int i = 0; i < 10; ++i) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a rating of this track"));
        for (int i = 0; i < 11; ++i)
            CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10 + 40 * i, 440, 32, 24, w, nullptr, inst,
                            nullptr);
    }
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    GdiFlush();
    double t = BenchNow() - t0;
    DestroyWindow(w);
    DeleteObject(g_bitmap);
    return t;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 20;

    WNDCLASSA wc{};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuavoryBenchBare";
    RegisterClassA(&wc);
    wc.lpfnWndProc = BareChildrenProc;
    wc.lpszClassName = "QuavoryBenchBareChildren";
    RegisterClassA(&wc);

    // ---- start-up, the DLL as the player loads it, interleaved with the bare window
    HMODULE dll = LoadLibraryA(DllPath().c_str());
    if (!dll) {
        std::printf("cannot load %s (%lu)\n", DllPath().c_str(), GetLastError());
        return 1;
    }
    auto get = reinterpret_cast<TGetGeneralPurposePlugin>(reinterpret_cast<void*>(GetProcAddress(dll, kPluginExportName)));
    TWinampGeneralPurposePlugin* record = get();
    TTestPlayer player;
    record->hwndParent = player.wnd;
    record->hDllInstance = dll;
    std::vector<double> plugin, bare, bareChildren;
    for (int i = 0; i < runs; ++i) {
        double t0 = BenchNow();
        record->init();
        GdiFlush();
        plugin.push_back(BenchNow() - t0);
        record->quit();
        bare.push_back(BareWindowRun());
        bareChildren.push_back(BareWindowRun(true));
        PumpUntil([] { return false; }, 20);
    }
    double mp = Median(plugin), mb = Median(bare);
    std::printf("start-up, median of %d: plug-in init to window shown %.2f ms; bare window with one blit %.2f ms; ratio %.2f "
                "(target at most 3)\n",
                runs, mp * 1e3, mb * 1e3, mb > 0 ? mp / mb : 0.0);
    // On a shared machine the fastest runs are the ones least disturbed by other work.
    double fp = *std::min_element(plugin.begin(), plugin.end()), fb = *std::min_element(bare.begin(), bare.end());
    std::printf("start-up, fastest of %d: plug-in %.2f ms; bare window %.2f ms; ratio %.2f\n", runs, fp * 1e3, fb * 1e3,
                fb > 0 ? fp / fb : 0.0);
    std::printf("start-up, median of %d: the bare window holding a platform drop-down list and eleven owner-drawn "
                "buttons %.2f ms; ratio to the bare window %.2f\n",
                runs, Median(bareChildren) * 1e3, mb > 0 ? Median(bareChildren) / mb : 0.0);
    FreeLibrary(dll);

    // ---- where start-up goes, on the window linked into this program
    Application->SetTitle("THE QUAVORY");
    Application->Initialize();
    {
        std::vector<double> decode, create, show, engine;
        const char* art[] = {"BACKGROUND",      "HEADING_ON", "HEADING_OFF",   "HEADING_ON400", "HEADING_OFF400", "STOP_GREY",
                             "STOP_GREY_SMALL", "STOP",       "STOP_SMALL",    "CLOSE",         "MINIMIZE",       "QUESTION",
                             "LIGHTNING",       "INFINITY",   "SPONSOR_LARGE", "SPONSOR_SMALL", "MAKER_LARGE",    "MAKER_SMALL"};
        for (int i = 0; i < runs; ++i) {
            double t0 = BenchNow();
            for (const char* a : art) ArtworkBitmap(a);
            decode.push_back(BenchNow() - t0);
            t0 = BenchNow();
            auto* f = new TForm1(Application, [&] { return player.wnd; });
            create.push_back(BenchNow() - t0);
            t0 = BenchNow();
            f->Show();
            GdiFlush();
            show.push_back(BenchNow() - t0);
            delete f;
            t0 = BenchNow();
            delete new TNMHTTP(nullptr, CreateWinsockDriver());
            engine.push_back(BenchNow() - t0);
        }
        std::printf("of which: artwork decoded %.2f ms, window created %.2f ms (artwork included), shown and painted %.2f ms; "
                    "an HTTP engine alone (WinSock started, socket made) %.2f ms\n",
                    Median(decode) * 1e3, Median(create) * 1e3, Median(show) * 1e3, Median(engine) * 1e3);
    }

    // ---- what the platform's own controls cost to make, for comparison: the window holds one
    // drop-down list and about a dozen buttons
    {
        std::vector<double> list, button;
        HWND parent = CreateWindowExA(0, "QuavoryBenchBare", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        for (int i = 0; i < runs; ++i) {
            double t0 = BenchNow();
            HWND c = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 186, 200,
                                     parent, nullptr, GetModuleHandleA(nullptr), nullptr);
            list.push_back(BenchNow() - t0);
            t0 = BenchNow();
            HWND b = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 32, 32, parent, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
            button.push_back(BenchNow() - t0);
            DestroyWindow(c);
            DestroyWindow(b);
        }
        DestroyWindow(parent);
        std::printf("platform controls made alone: a drop-down list %.2f ms, an owner-drawn button %.2f ms\n", Median(list) * 1e3,
                    Median(button) * 1e3);
    }

    // ---- the watcher's idle cost
    TMusicFolder music;
    TID3v1Record tag = Tag("Harbour Lights", "The Velmorra Trio");
    player.list = {{"The Velmorra Trio - Harbour Lights", music.Add("01.mp3", &tag)}};
    player.state = player::kPlaying;
    auto* form = new TForm1(Application, [&] { return player.wnd; });
    form->Show();
    PumpUntil([&] { return !form->TrackLabel->Caption().empty(); }, 5000);
    const int ticks = 2000;
    double c0 = ProcessCpuSeconds(), t0 = BenchNow();
    for (int i = 0; i < ticks; ++i) form->CheckPlayTimer->Timer();
    double perTickCpu = (ProcessCpuSeconds() - c0) / ticks, perTickWall = (BenchNow() - t0) / ticks;
    std::printf(
        "watcher tick with nothing changing: %.1f us wall, %.1f us CPU; at one tick per second that is %.5f%% of a core\n",
        perTickWall * 1e6, perTickCpu * 1e6, perTickCpu / 1.0 * 100);
    const double idleSeconds = 5;
    c0 = ProcessCpuSeconds();
    t0 = BenchNow();
    PumpUntil([] { return false; }, static_cast<unsigned>(idleSeconds * 1000));
    double share = (ProcessCpuSeconds() - c0) / (BenchNow() - t0);
    std::printf("idle window with the watcher ticking, %.0f s: process CPU %.3f%% of a core\n", idleSeconds, share * 100);
    delete form;
    ClearUserState();

    std::ifstream f(QV_PLUGIN_DLL, std::ios::binary | std::ios::ate);
    if (!f) f.open(DllPath(), std::ios::binary | std::ios::ate);
    std::printf("gen_quavory.dll: %lld bytes\n", static_cast<long long>(f.tellg()));
    return 0;
}
