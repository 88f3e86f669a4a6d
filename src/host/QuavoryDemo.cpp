// quavory-demo.exe: walks the rating road on the plug-in's window inside the stand-in player, as
// a listener would, for the demo without a display: waits for the track, picks a rating and sends
// it (completing a missing tag in the dialog), moves to the next tracks and rates them, asks for
// recommendations, follows a link and posts a form. After each step it saves a screenshot
// (24-bit BMP) into the folder given, and at the end writes the plug-in's count of pages shown.
//
// Usage: quavory-demo.exe OUTDIR
// Every wait is bounded; a step that cannot be done is reported and the walk goes on.
#include <cstdio>
#include <string>
#include <vector>

#include "player/PlayerMessages.h"
#include "toolkit/Win32.h"

namespace {

constexpr DWORD kWaitMs = 60000; // processes under emulation can take long to answer
constexpr char kPagesShownProperty[] = "QuavoryPagesShown";
std::string g_out;
int g_shot = 0;
HWND g_form = nullptr;

bool WaitFor(DWORD ms, const auto& done) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(100);
    }
    return true;
}

void Screenshot(const char* name) {
    Sleep(600); // let the windows paint
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3), size = stride * static_cast<DWORD>(h);
    char file[64];
    std::snprintf(file, sizeof file, "%02d-%s.bmp", ++g_shot, name);
    if (FILE* f = std::fopen((g_out + file).c_str(), "wb")) {
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        std::fwrite(&fh, sizeof fh, 1, f);
        std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
        std::fwrite(bits, 1, size, f);
        std::fclose(f);
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    std::printf("screenshot %s\n", file);
    std::fflush(stdout);
}

std::string TextOf(HWND w) {
    char buf[512] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

BOOL CALLBACK CollectChild(HWND c, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(c);
    return TRUE;
}

// Every descendant of `parent` of the window class `cls`, in creation order.
std::vector<HWND> Children(HWND parent, const char* cls) {
    std::vector<HWND> all, found;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
    for (HWND c : all) {
        char name[64] = {};
        GetClassNameA(c, name, sizeof name);
        if (lstrcmpiA(name, cls) == 0) found.push_back(c);
    }
    return found;
}

// The first of them whose text starts with `prefix`.
HWND FindChild(HWND parent, const char* cls, const std::string& prefix) {
    for (HWND c : Children(parent, cls))
        if (TextOf(c).rfind(prefix, 0) == 0) return c;
    return nullptr;
}

int PagesShown() { return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(g_form, kPagesShownProperty))); }

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// Waits for the next reply page in the viewer.
bool WaitForPage(int before, const char* what) {
    bool ok = WaitFor(kWaitMs, [&] { return PagesShown() > before; });
    if (!ok) std::printf("no page came for: %s\n", what);
    return ok;
}

// The missing-tag dialog, when it shows: fills in what is empty and presses "Continue".
void CompleteTagDialog() {
    HWND dlg = nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(g_form, &pid);
    WaitFor(4000, [&] {
        for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, " "); w; w = FindWindowExA(nullptr, w, nullptr, " ")) {
            DWORD p = 0;
            GetWindowThreadProcessId(w, &p);
            if (p == pid && IsWindowVisible(w)) dlg = w;
        }
        return dlg != nullptr;
    });
    if (!dlg) return;
    std::vector<HWND> edits = Children(dlg, "Edit");
    const char* fill[] = {"Untitled", "Unknown Artist", "Demo Album"};
    for (size_t i = 0; i < edits.size() && i < 3; ++i)
        if (TextOf(edits[i]).empty()) SendMessageA(edits[i], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fill[i]));
    if (std::vector<HWND> combos = Children(dlg, "TComboBox"); !combos.empty()) SendMessageA(combos[0], CB_SETCURSEL, 3, 0);
    Screenshot("tag-dialog");
    if (HWND cont = FindChild(dlg, "Button", "Continue")) Click(cont);
}

bool RateTrack(int item) {
    HWND combo = Children(g_form, "TComboBox").empty() ? nullptr : Children(g_form, "TComboBox")[0];
    HWND rate = FindChild(g_form, "Button", "Enter Rating for");
    if (!combo || !rate) return false;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    Screenshot("rating-chosen");
    const int before = PagesShown();
    Click(rate);
    CompleteTagDialog(); // only when the track's tag lacks something
    if (!WaitForPage(before, "rating")) return false;
    Screenshot("rating-sent");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quavory-demo.exe OUTDIR\n");
        return 2;
    }
    g_out = argv[1];
    if (!g_out.empty() && g_out.back() != '\\' && g_out.back() != '/') g_out += '\\';
    HWND host = nullptr;
    if (!WaitFor(kWaitMs, [&] { return (g_form = FindWindowA(nullptr, "QUAVORY")) != nullptr; }) ||
        !(host = FindWindowA(player::kWindowClass, nullptr))) {
        std::printf("the plug-in's window did not appear\n");
        return 1;
    }
    // The track watcher shows the first track.
    WaitFor(kWaitMs, [&] {
        HWND b = FindChild(g_form, "Button", "Enter Rating for ");
        return b && TextOf(b).size() > 17;
    });
    Screenshot("track-shown");

    // Three tracks; the second lacks its album and the third has no tag, so the dialog asks.
    RateTrack(1);
    for (int item : {0, 3}) {
        HWND rate = FindChild(g_form, "Button", "Enter Rating for");
        const std::string shown = rate ? TextOf(rate) : "";
        PostMessageA(host, WM_COMMAND, 103, 0); // the player's "Next"
        WaitFor(kWaitMs, [&] { return rate && TextOf(rate) != shown; });
        RateTrack(item);
    }

    // Recommendations.
    if (HWND recs = FindChild(g_form, "Button", "Get Recommendations")) {
        const int before = PagesShown();
        Click(recs);
        if (WaitForPage(before, "recommendations")) Screenshot("recommendations");
    }

    // The page's first line is a link into the service: click it where the viewer shows it.
    {
        RECT r;
        GetWindowRect(g_form, &r);
        POINT p{r.left + 24 + 20, r.top + 118 + 6};
        HWND panel = WindowFromPoint(p);
        ScreenToClient(panel, &p);
        const int before = PagesShown();
        PostMessageA(panel, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        PostMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        PostMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        if (WaitForPage(before, "link")) Screenshot("link-followed");
    }

    // A form: back to the recommendations, then its search button.
    if (HWND recs = FindChild(g_form, "Button", "Get Recommendations")) {
        const int before = PagesShown();
        Click(recs);
        WaitForPage(before, "recommendations again");
        if (HWND search = FindChild(g_form, "Button", "Search")) {
            // The listener scrolls down to the form, types an artist into its text box, then
            // presses its button. (An edit box's text is asked for with WM_GETTEXT: the window
            // name that GetWindowText reads across processes is not its text.)
            if (std::vector<HWND> bars = Children(g_form, "ScrollBar"); !bars.empty())
                SendMessageA(GetParent(bars[0]), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), reinterpret_cast<LPARAM>(bars[0]));
            for (HWND box : Children(g_form, "Edit")) {
                char text[64] = {};
                SendMessageA(box, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
                if (std::string(text) != "Band") continue;
                SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Mira"));
                Screenshot("form-filled");
                break;
            }
            const int atForm = PagesShown();
            Click(search);
            if (WaitForPage(atForm, "form")) Screenshot("form-posted");
        } else {
            std::printf("the page shows no form controls: the form step was not done\n");
        }
    }

    std::printf("PAGES_SHOWN=%d\n", PagesShown());
    std::fflush(stdout);
    PostMessageA(host, WM_CLOSE, 0, 0);
    return 0;
}
