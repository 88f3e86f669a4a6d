// The track watcher end to end: the stand-in player loads the real DLL from its Plugins folder and
// plays a tagged playlist; this test steers the player with its keys and reads the rating button's
// caption ("Enter Rating for " and the tag's title) from the plug-in's window in that process.
#include <gtest/gtest.h>

#include <fstream>

#include "WindowTestKit.h"
#include "support/Deadlines.h"
#include "support/HostProcess.h"

namespace {

BOOL CALLBACK FindRatingButton(HWND w, LPARAM p) {
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    if (std::string(text).rfind("Enter Rating for", 0) != 0) return TRUE;
    *reinterpret_cast<std::string*>(p) = text;
    return FALSE;
}

// The caption of the plug-in's rating button, read across processes; empty until it exists.
std::string RatingButtonCaption() {
    HWND plugin = FindWindowA(nullptr, "QUAVORY");
    std::string caption;
    if (plugin) EnumChildWindows(plugin, FindRatingButton, reinterpret_cast<LPARAM>(&caption));
    return caption;
}

// Presses one of the player's keys and waits until the player has taken it.
void PlayerKey(const THostProcess& h, char key) {
    PostMessageA(h.wnd, WM_CHAR, static_cast<WPARAM>(key), 0);
    h.Ask(player::kGetListPos); // answered only after the posted key
}

TEST(PluginInPlayer, WatcherFollowsThePlaylistOnlyWhilePlayingAndByTitle) {
    TMusicFolder music;
    TID3v1Record a = Tag("Harbour Lights", "The Velmorra Trio");
    TID3v1Record b = Tag("Paper Moons", "Anja Kestrel");
    TID3v1Record d = Tag("Never Shown", "Nobody");
    std::string fa = music.Add("01.mp3", &a), fb = music.Add("02.mp3", &b), fc = music.Add("03 - untagged.mp3", nullptr),
                fd = music.Add("04.mp3", &d);
    std::string folder = fa.substr(0, fa.find_last_of('\\') + 1);
    {
        std::ofstream list(folder + "list.m3u", std::ios::binary);
        list << "#EXTM3U\r\n#EXTINF:1,Trio - Harbour\r\n01.mp3\r\n#EXTINF:1,Kestrel - Moons\r\n02.mp3\r\n"
             << "#EXTINF:1,Untagged One\r\n03 - untagged.mp3\r\n#EXTINF:1,UNTAGGED one\r\n04.mp3\r\n";
    }
    std::string plugins = folder + "Plugins";
    CreateDirectoryA(plugins.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(WinPath(QV_PLUGIN_DLL).c_str(), (plugins + "\\gen_quavory.dll").c_str(), FALSE));

    THostProcess h(QV_HOST_EXE, "--plugins \"" + plugins + "\" \"" + folder + "list.m3u\"");
    ASSERT_NE(h.wnd, nullptr);
    auto shows = [&](const std::string& title) {
        return PumpUntil([&] { return RatingButtonCaption() == "Enter Rating for " + title; }, kOtherProcessMs);
    };
    auto stays = [&](const std::string& title) {
        PumpUntil([] { return false; }, 2500); // two and a half ticks
        return RatingButtonCaption() == "Enter Rating for " + title;
    };

    // Stopped at start: the selected entry is shown all the same.
    EXPECT_TRUE(shows("Harbour Lights"));
    // Stopped, the selection moves: nothing changes.
    PlayerKey(h, 'b');
    EXPECT_TRUE(stays("Harbour Lights"));
    // Playing: the new entry's tag.
    PlayerKey(h, 'x');
    EXPECT_TRUE(shows("Paper Moons"));
    // Paused, the selection moves: nothing changes until it plays again.
    PlayerKey(h, 'c');
    PlayerKey(h, 'b');
    EXPECT_TRUE(stays("Paper Moons"));
    PlayerKey(h, 'c');
    // A file without a tag: its file name.
    EXPECT_TRUE(shows("03 - untagged.mp3"));
    // A title differing only in letter case counts as the same: no re-read.
    PlayerKey(h, 'b');
    EXPECT_TRUE(stays("03 - untagged.mp3"));
    // Closed (hidden), the watcher goes on.
    HWND plugin = FindWindowA(nullptr, "QUAVORY");
    PostMessageA(plugin, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(plugin); }, kOtherProcessMs));
    PlayerKey(h, 'b');
    EXPECT_TRUE(shows("Harbour Lights"));
    EXPECT_TRUE(IsWindow(plugin));
    h.Close();
    DeleteFileA((plugins + "\\gen_quavory.dll").c_str());
    RemoveDirectoryA(plugins.c_str());
    DeleteFileA((folder + "list.m3u").c_str());
}

} // namespace
