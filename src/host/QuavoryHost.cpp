// quavory-host.exe: a stand-in for the media player, for tests and the demo.
//
// It shows a playlist in a top-level window of the player's class, answers the player's WM_USER
// queries (version, playing state, position, an entry's file name and title), plays, pauses,
// stops and steps through the list from its keyboard and menu or from a script, and loads
// general-purpose plug-ins the way the player does: every gen_*.dll in its Plugins folder, record
// fetched through the export, parent window and instance handle filled in, init called, its own
// message loop serving everything, quit called on exit.
//
// Usage: quavory-host.exe [options] [file.mp3 | list.m3u ...]
//   --plugins DIR     folder to load gen_*.dll from (default: <exe folder>\Plugins)
//   --no-plugins      load none
//   --version HEX     the version word answered to code 0 (default 2009)
//   --script FILE     timed commands, one per line: "<ms> <command> [arg]" with commands
//                     play [N], pause, stop, next, prev, version HEX, quit
//   --play N          start playing entry N (0-based) at once
//   --register        write the open command for "Winamp.file" under the classes root, exit
//   --unregister      remove it, exit
//   --ready FILE      write the window handle (decimal) into FILE once the window exists
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "player/PlayerMessages.h"
#include "plugin/PluginRecord.h"
#include "toolkit/Win32.h"

namespace {

struct Entry {
    std::string file;
    std::string title;
};

struct ScriptStep {
    unsigned atMs;
    std::string command;
    std::string arg;
};

struct LoadedPlugin {
    HMODULE module;
    TWinampGeneralPurposePlugin* record;
};

enum : UINT_PTR { kScriptTimer = 1 };
enum : UINT { kCmdPlay = 100, kCmdPause, kCmdStop, kCmdNext, kCmdPrev, kCmdExit };

struct Host {
    HWND wnd = nullptr;
    HWND list = nullptr;
    std::vector<Entry> playlist;
    int position = 0;
    long state = player::kStopped;
    DWORD playStart = 0;
    DWORD pausedAt = 0;
    unsigned version = 0x2009;
    std::string answer; // the buffer behind the last string answer
    std::vector<ScriptStep> script;
    size_t scriptNext = 0;
    DWORD scriptStart = 0;
    std::vector<LoadedPlugin> plugins;
} g;

std::string ExeFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string BaseTitle(const std::string& file) {
    size_t slash = file.find_last_of("\\/");
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void AddPlaylistArg(const std::string& arg) {
    size_t dot = arg.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : arg.substr(dot);
    for (auto& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (ext != ".m3u") {
        g.playlist.push_back({arg, BaseTitle(arg)});
        return;
    }
    // An M3U list: "#EXTINF:<seconds>,<title>" gives the next entry's title.
    FILE* f = fopen(arg.c_str(), "rb");
    if (!f) return;
    std::string folder = arg.substr(0, arg.find_last_of("\\/") + 1);
    char line[2048];
    std::string title;
    while (fgets(line, sizeof line, f)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        if (s.empty()) continue;
        if (s.rfind("#EXTINF:", 0) == 0) {
            size_t comma = s.find(',');
            title = comma == std::string::npos ? "" : s.substr(comma + 1);
            continue;
        }
        if (s[0] == '#') continue;
        std::string file = (s.size() > 1 && (s[1] == ':' || s[0] == '\\')) ? s : folder + s;
        g.playlist.push_back({file, title.empty() ? BaseTitle(file) : title});
        title.clear();
    }
    fclose(f);
}

void LoadScript(const std::string& name) {
    FILE* f = fopen(name.c_str(), "rb");
    if (!f) return;
    char line[512];
    while (fgets(line, sizeof line, f)) {
        char cmd[64] = {}, arg[256] = {};
        unsigned at = 0;
        int n = sscanf(line, "%u %63s %255s", &at, cmd, arg);
        if (n >= 2) g.script.push_back({at, cmd, n >= 3 ? arg : ""});
    }
    fclose(f);
}

void UpdateCaption() {
    std::string caption = "Quavory Host";
    if (g.position >= 0 && g.position < static_cast<int>(g.playlist.size()))
        caption = std::to_string(g.position + 1) + ". " + g.playlist[static_cast<size_t>(g.position)].title + " - Quavory Host";
    if (g.state == player::kPaused) caption += " [Paused]";
    if (g.state == player::kStopped) caption += " [Stopped]";
    SetWindowTextA(g.wnd, caption.c_str());
    if (g.list) SendMessageA(g.list, LB_SETCURSEL, static_cast<WPARAM>(g.position), 0);
}

void Play(int index) {
    if (g.playlist.empty()) return;
    if (index >= 0) g.position = index % static_cast<int>(g.playlist.size());
    if (g.state == player::kPaused && index < 0)
        g.playStart += GetTickCount() - g.pausedAt;
    else
        g.playStart = GetTickCount();
    g.state = player::kPlaying;
    UpdateCaption();
}

void Pause() {
    if (g.state == player::kPlaying) {
        g.state = player::kPaused;
        g.pausedAt = GetTickCount();
    } else if (g.state == player::kPaused) {
        Play(-1);
        return;
    }
    UpdateCaption();
}

void Stop() {
    g.state = player::kStopped;
    UpdateCaption();
}

void Step(int delta) {
    if (g.playlist.empty()) return;
    int n = static_cast<int>(g.playlist.size());
    g.position = ((g.position + delta) % n + n) % n;
    if (g.state == player::kPlaying) g.playStart = GetTickCount();
    UpdateCaption();
}

LRESULT PlayerQuery(WPARAM wParam, LPARAM code) {
    auto entry = [&](bool file) -> LRESULT {
        int i = static_cast<int>(wParam);
        if (i < 0 || i >= static_cast<int>(g.playlist.size())) return 0;
        // Valid until the next string query, as the player's own answers are.
        g.answer = file ? g.playlist[static_cast<size_t>(i)].file : g.playlist[static_cast<size_t>(i)].title;
        return reinterpret_cast<LRESULT>(g.answer.c_str());
    };
    switch (code) {
    case player::kGetVersion: return static_cast<LRESULT>(g.version);
    case player::kIsPlaying: return g.state;
    case player::kGetListPos: return g.position;
    case player::kGetPlaylistFile: return entry(true);
    case player::kGetPlaylistTitle: return entry(false);
    case 105: // current position in milliseconds, for completeness
        return g.state == player::kStopped
                   ? 0
                   : static_cast<LRESULT>((g.state == player::kPaused ? g.pausedAt : GetTickCount()) - g.playStart);
    default: return 0;
    }
}

void RunScriptStep(const ScriptStep& s) {
    if (s.command == "play")
        Play(s.arg.empty() ? -1 : atoi(s.arg.c_str()));
    else if (s.command == "pause")
        Pause();
    else if (s.command == "stop")
        Stop();
    else if (s.command == "next")
        Step(1);
    else if (s.command == "prev")
        Step(-1);
    else if (s.command == "version")
        g.version = static_cast<unsigned>(strtoul(s.arg.c_str(), nullptr, 16));
    else if (s.command == "quit")
        DestroyWindow(g.wnd);
}

void LoadPlugins(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "gen_*.dll").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string path = folder + fd.cFileName;
        HMODULE m = LoadLibraryA(path.c_str());
        if (!m) continue;
        auto get = reinterpret_cast<TGetGeneralPurposePlugin>(reinterpret_cast<void*>(GetProcAddress(m, kPluginExportName)));
        TWinampGeneralPurposePlugin* rec = get ? get() : nullptr;
        if (!rec) {
            FreeLibrary(m);
            continue;
        }
        rec->hwndParent = g.wnd;
        rec->hDllInstance = m;
        if (rec->init() != 0) {
            FreeLibrary(m);
            continue;
        }
        g.plugins.push_back({m, rec});
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

void UnloadPlugins() {
    for (auto it = g.plugins.rbegin(); it != g.plugins.rend(); ++it) {
        it->record->quit();
        FreeLibrary(it->module);
    }
    g.plugins.clear();
}

LRESULT CALLBACK HostWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_USER: return PlayerQuery(wParam, lParam);
    case WM_CREATE: {
        g.list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 0, 0, 100, 100,
                                 wnd, nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(g.list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
        for (size_t i = 0; i < g.playlist.size(); ++i) {
            std::string row = std::to_string(i + 1) + ". " + g.playlist[i].title;
            SendMessageA(g.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
        }
        return 0;
    }
    case WM_SIZE: MoveWindow(g.list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE); return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == g.list) {
            if (HIWORD(wParam) == LBN_DBLCLK) Play(static_cast<int>(SendMessageA(g.list, LB_GETCURSEL, 0, 0)));
            return 0;
        }
        switch (LOWORD(wParam)) {
        case kCmdPlay: Play(-1); break;
        case kCmdPause: Pause(); break;
        case kCmdStop: Stop(); break;
        case kCmdNext: Step(1); break;
        case kCmdPrev: Step(-1); break;
        case kCmdExit: DestroyWindow(wnd); break;
        default: break;
        }
        return 0;
    case WM_TIMER:
        if (wParam == kScriptTimer) {
            DWORD elapsed = GetTickCount() - g.scriptStart;
            while (g.scriptNext < g.script.size() && g.script[g.scriptNext].atMs <= elapsed)
                RunScriptStep(g.script[g.scriptNext++]);
            if (g.scriptNext >= g.script.size()) KillTimer(wnd, kScriptTimer);
        }
        return 0;
    case WM_DESTROY:
        KillTimer(wnd, kScriptTimer);
        UnloadPlugins();
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(wnd, msg, wParam, lParam);
    }
}

// The player's keys: z previous, x play, c pause, v stop, b next.
bool HostKey(const MSG& m) {
    if (m.message != WM_CHAR || (m.hwnd != g.wnd && m.hwnd != g.list)) return false;
    switch (tolower(static_cast<int>(m.wParam))) {
    case 'z': Step(-1); return true;
    case 'x': Play(-1); return true;
    case 'c': Pause(); return true;
    case 'v': Stop(); return true;
    case 'b': Step(1); return true;
    default: return false;
    }
}

int Register(bool on) {
    const char* key = "Winamp.file\\shell\\Open\\command";
    if (!on) return RegDeleteKeyA(HKEY_CLASSES_ROOT, key) == ERROR_SUCCESS ? 0 : 1;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = "\"" + std::string(path, n) + "\" \"%1\"";
    HKEY k;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS) return 1;
    LONG rc = RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                             static_cast<DWORD>(command.size() + 1));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string pluginDir = ExeFolder() + "Plugins\\";
    bool loadPlugins = true;
    int playAt = -1;
    std::string readyFile;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--plugins") {
            pluginDir = next();
            if (!pluginDir.empty() && pluginDir.back() != '\\' && pluginDir.back() != '/') pluginDir += '\\';
        } else if (a == "--no-plugins")
            loadPlugins = false;
        else if (a == "--version")
            g.version = static_cast<unsigned>(strtoul(next().c_str(), nullptr, 16));
        else if (a == "--script")
            LoadScript(next());
        else if (a == "--play")
            playAt = atoi(next().c_str());
        else if (a == "--register")
            return Register(true);
        else if (a == "--unregister")
            return Register(false);
        else if (a == "--ready")
            readyFile = next();
        else
            AddPlaylistArg(a);
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = HostWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = player::kWindowClass;
    RegisterClassA(&wc);

    HMENU menu = CreateMenu(), control = CreatePopupMenu();
    AppendMenuA(control, MF_STRING, kCmdPrev, "&Previous\tZ");
    AppendMenuA(control, MF_STRING, kCmdPlay, "P&lay\tX");
    AppendMenuA(control, MF_STRING, kCmdPause, "P&ause\tC");
    AppendMenuA(control, MF_STRING, kCmdStop, "&Stop\tV");
    AppendMenuA(control, MF_STRING, kCmdNext, "&Next\tB");
    AppendMenuA(control, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(control, MF_STRING, kCmdExit, "E&xit");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(control), "&Playback");

    g.wnd = CreateWindowExA(0, player::kWindowClass, "Quavory Host", WS_OVERLAPPEDWINDOW, 10, 10, 275, 300, nullptr, menu,
                            GetModuleHandleA(nullptr), nullptr);
    if (!g.wnd) return 1;
    UpdateCaption();
    ShowWindow(g.wnd, SW_SHOWNOACTIVATE);
    UpdateWindow(g.wnd);
    if (playAt >= 0) Play(playAt);
    if (!readyFile.empty()) {
        if (FILE* f = fopen(readyFile.c_str(), "wb")) {
            fprintf(f, "%lu\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(g.wnd)));
            fclose(f);
        }
    }
    if (!g.script.empty()) {
        g.scriptStart = GetTickCount();
        SetTimer(g.wnd, kScriptTimer, 20, nullptr);
    }
    if (loadPlugins) LoadPlugins(pluginDir);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (HostKey(m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
