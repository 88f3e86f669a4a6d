#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "player/PlayerMessages.h"
#include "support/MessageBoxWatcher.h"

namespace {

std::string WinPath(std::string p) {
    if (p.size() > 1 && p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string TempFolder() {
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    std::string dir = std::string(buf) + "quavory-host-test\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// Runs the host with `args` and closes it at the end.
struct Host {
    PROCESS_INFORMATION pi{};
    HWND wnd = nullptr;
    explicit Host(const std::string& args) {
        std::string cmd = "\"" + WinPath(QV_HOST_EXE) + "\" " + args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back('\0');
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
        WaitForInputIdle(pi.hProcess, 10000);
        PumpUntil([&] { return (wnd = FindWindowA(player::kWindowClass, nullptr)) != nullptr; }, 10000);
    }
    LRESULT Ask(long code, WPARAM arg = 0) const { return SendMessageA(wnd, player::kMessage, arg, code); }
    // Reads a string answer, which is an address inside the host's process.
    std::string AskString(long code, WPARAM arg) const {
        LRESULT addr = Ask(code, arg);
        if (addr == 0) return "<null>";
        char buf[512] = {};
        SIZE_T got = 0;
        ReadProcessMemory(pi.hProcess, reinterpret_cast<const void*>(addr), buf, sizeof buf - 1, &got);
        return buf;
    }
    void Close() {
        if (!pi.hProcess) return;
        if (wnd && IsWindow(wnd)) PostMessageA(wnd, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        pi.hProcess = nullptr;
    }
    ~Host() { Close(); }
};

} // namespace

TEST(Host, AnswersThePlayerQueries) {
    std::string dir = TempFolder();
    std::ofstream(dir + "list.m3u") << "#EXTM3U\r\n#EXTINF:1,Artist - First\r\nC:\\Music\\one.mp3\r\ntwo.mp3\r\n";
    Host h("--no-plugins --version 2009 \"" + dir + "list.m3u\"");
    ASSERT_NE(h.wnd, nullptr);
    EXPECT_EQ(h.Ask(player::kGetVersion) & 0xFFFF, 0x2009);
    EXPECT_EQ(h.Ask(player::kIsPlaying), player::kStopped);
    EXPECT_EQ(h.Ask(player::kGetListPos), 0);
    EXPECT_EQ(h.AskString(player::kGetPlaylistFile, 0), "C:\\Music\\one.mp3");
    EXPECT_EQ(h.AskString(player::kGetPlaylistTitle, 0), "Artist - First");
    EXPECT_EQ(h.AskString(player::kGetPlaylistFile, 1), dir + "two.mp3"); // relative to the list
    EXPECT_EQ(h.AskString(player::kGetPlaylistTitle, 1), "two");
    EXPECT_EQ(h.Ask(player::kGetPlaylistFile, 2), 0); // a bad index answers 0
    EXPECT_EQ(h.Ask(player::kGetPlaylistTitle, static_cast<WPARAM>(-1)), 0);
}

TEST(Host, KeysAndScriptDriveThePlayback) {
    std::string dir = TempFolder();
    std::ofstream(dir + "script.txt") << "0 play 1\n300 pause\n600 next\n";
    Host h("--no-plugins --script \"" + dir + "script.txt\" a.mp3 b.mp3 c.mp3");
    ASSERT_NE(h.wnd, nullptr);
    EXPECT_TRUE(
        PumpUntil([&] { return h.Ask(player::kGetListPos) == 1 && h.Ask(player::kIsPlaying) == player::kPlaying; }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kIsPlaying) == player::kPaused; }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kGetListPos) == 2; }, 5000));
    // The player's keys: v stops, x plays, b steps to the next entry (wrapping).
    PostMessageA(h.wnd, WM_CHAR, 'v', 0);
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kIsPlaying) == player::kStopped; }, 5000));
    PostMessageA(h.wnd, WM_CHAR, 'x', 0);
    PostMessageA(h.wnd, WM_CHAR, 'b', 0);
    EXPECT_TRUE(
        PumpUntil([&] { return h.Ask(player::kGetListPos) == 0 && h.Ask(player::kIsPlaying) == player::kPlaying; }, 5000));
}

TEST(Host, LoadsThePluginFromItsPluginsFolderAndQuitsItOnExit) {
    std::string dir = TempFolder() + "Plugins\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(WinPath(QV_PLUGIN_DLL).c_str(), (dir + "gen_quavory.dll").c_str(), FALSE));
    // No trailing backslash inside the quotes: the C runtime would read \" as a literal quote.
    Host h("--plugins \"" + dir.substr(0, dir.size() - 1) + "\" a.mp3");
    ASSERT_NE(h.wnd, nullptr);
    HWND plugin = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (plugin = FindWindowA(nullptr, "QUAVORY")) != nullptr; }, 10000));
    DWORD pid = 0;
    GetWindowThreadProcessId(plugin, &pid);
    EXPECT_EQ(pid, h.pi.dwProcessId); // the window lives in the player's process, on its thread
    EXPECT_TRUE(IsWindowVisible(plugin));
    h.Close();
    EXPECT_FALSE(IsWindow(plugin));
    DeleteFileA((dir + "gen_quavory.dll").c_str());
}
