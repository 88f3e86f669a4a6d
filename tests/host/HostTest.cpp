#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "player/PlayerMessages.h"
#include "support/HostProcess.h"

namespace {

std::string TempFolder() {
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    std::string dir = std::string(buf) + "quavory-host-test\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// The host under test, started with `args`.
struct Host : THostProcess {
    explicit Host(const std::string& args) : THostProcess(QV_HOST_EXE, args) {}
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
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kGetListPos) == 1 && h.Ask(player::kIsPlaying) == player::kPlaying; },
                          kOtherProcessMs));
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kIsPlaying) == player::kPaused; }, kOtherProcessMs));
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kGetListPos) == 2; }, kOtherProcessMs));
    // The player's keys: v stops, x plays, b steps to the next entry (wrapping).
    PostMessageA(h.wnd, WM_CHAR, 'v', 0);
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kIsPlaying) == player::kStopped; }, kOtherProcessMs));
    PostMessageA(h.wnd, WM_CHAR, 'x', 0);
    PostMessageA(h.wnd, WM_CHAR, 'b', 0);
    EXPECT_TRUE(PumpUntil([&] { return h.Ask(player::kGetListPos) == 0 && h.Ask(player::kIsPlaying) == player::kPlaying; },
                          kOtherProcessMs));
}

TEST(Host, LoadsThePluginFromItsPluginsFolderAndQuitsItOnExit) {
    std::string dir = TempFolder() + "Plugins\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(WinPath(QV_PLUGIN_DLL).c_str(), (dir + "gen_quavory.dll").c_str(), FALSE));
    // No trailing backslash inside the quotes: the C runtime would read \" as a literal quote.
    Host h("--plugins \"" + dir.substr(0, dir.size() - 1) + "\" a.mp3");
    ASSERT_NE(h.wnd, nullptr);
    HWND plugin = nullptr;
    // The window exists before the plug-in has finished building and showing it: wait for it shown.
    ASSERT_TRUE(PumpUntil([&] { return (plugin = FindWindowA(nullptr, "QUAVORY")) != nullptr && IsWindowVisible(plugin); },
                          kOtherProcessMs));
    DWORD pid = 0;
    GetWindowThreadProcessId(plugin, &pid);
    EXPECT_EQ(pid, h.pi.dwProcessId); // the window lives in the player's process, on its thread
    EXPECT_TRUE(IsWindowVisible(plugin));
    h.Close();
    EXPECT_FALSE(IsWindow(plugin));
    DeleteFileA((dir + "gen_quavory.dll").c_str());
}
