#include <gtest/gtest.h>

#include "player/MP3Remote.h"
#include "player/PlayerMessages.h"
#include "support/HostProcess.h"
#include "toolkit/Registry.h"

namespace {

const char kOpenKey[] = "Winamp.file\\shell\\Open\\command";

std::string HostPath() { return WinPath(QV_HOST_EXE); }

// Starts the stand-in host without plug-ins.
struct HostProcess : THostProcess {
    explicit HostProcess(const std::string& args) : THostProcess(QV_HOST_EXE, "--no-plugins " + args) {}
};

void SetOpenCommand(const std::string& command) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kOpenKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()), static_cast<DWORD>(command.size() + 1));
    RegCloseKey(k);
}

void RemoveOpenCommand() {
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kOpenKey);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Winamp.file\\shell\\Open");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Winamp.file\\shell");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Winamp.file");
}

} // namespace

TEST(MP3Remote, NoPlayerWindowMeansNotFoundAndNoEvent) {
    ASSERT_EQ(FindWindowA(player::kWindowClass, nullptr), nullptr);
    TMP3Remote r(nullptr);
    int events = 0;
    r.OnAmpFound = [&](TObject*) { ++events; };
    r.AmpHandle = reinterpret_cast<HWND>(1);
    EXPECT_FALSE(r.FindAmp());
    EXPECT_EQ(r.AmpHandle, nullptr);
    EXPECT_FALSE(r.AmpFound);
    EXPECT_EQ(events, 0);
}

TEST(MP3Remote, FindsTheHostReadsItsVersionAndNoticesWhenItCloses) {
    HostProcess host("--version 2009");
    TMP3Remote r(nullptr);
    int events = 0;
    r.OnAmpFound = [&](TObject* s) {
        EXPECT_EQ(s, &r);
        ++events;
    };
    ASSERT_TRUE(r.FindAmp());
    EXPECT_EQ(r.AmpHandle, FindWindowA(player::kWindowClass, nullptr));
    EXPECT_TRUE(r.AmpFound);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(r.GetAmpVersion(), 0x2009u);
    EXPECT_EQ(r.AmpVersionName(r.GetAmpVersion()), "Version 2.09 ");
    EXPECT_TRUE(r.CheckAmp());
    host.Close();
    // The handle is stale now: the query answers 0.
    EXPECT_FALSE(r.CheckAmp());
    EXPECT_FALSE(r.AmpFound);
    EXPECT_NE(r.AmpHandle, nullptr); // only FindAmp clears it
}

TEST(MP3Remote, AHostAnsweringVersionZeroIsNotAPlayer) {
    HostProcess host("--version 0");
    TMP3Remote r(nullptr);
    int events = 0;
    r.OnAmpFound = [&](TObject*) { ++events; };
    EXPECT_FALSE(r.FindAmp());
    EXPECT_NE(r.AmpHandle, nullptr);
    EXPECT_EQ(events, 0);
}

TEST(MP3Remote, WinampDirFromTheRegisteredOpenCommand) {
    TMP3Remote r(nullptr);
    RemoveOpenCommand();
    EXPECT_EQ(r.WinampDir(), "Error!");
    SetOpenCommand("\"C:\\Program Files\\Winamp\\winamp.exe\" \"%1\"");
    EXPECT_EQ(r.WinampDir(), "C:\\Program Files\\Winamp\\");
    r.SetWinampDir("D:\\Program Files\\Winamp\\");
    EXPECT_EQ(r.WinampDir(), "C:\\Program Files\\Winamp\\");
    RemoveOpenCommand();
    EXPECT_EQ(r.WinampDir(), "Error!");
}

TEST(MP3Remote, AssigningTheVersionTableCopiesIntoTheSameList) {
    TMP3Remote r(nullptr);
    const TStringList* before = &r.AmpVersions();
    EXPECT_EQ(r.AmpVersions().Count(), 27);
    TStringList mine{"Version 9.99 = 0x9999"};
    r.SetAmpVersions(mine);
    EXPECT_EQ(&r.AmpVersions(), before);
    ASSERT_EQ(r.AmpVersions().Count(), 1);
    EXPECT_EQ(r.AmpVersionName(0x9999), "Version 9.99 ");
    EXPECT_EQ(r.AmpVersionName(0x2009), "Not known winamp version, but still valid Winamp...8201");
}

TEST(MP3Remote, StartAmpOfAProgramThatEndsWithoutAPlayerWindowIsNotFound) {
    ASSERT_EQ(FindWindowA(player::kWindowClass, nullptr), nullptr);
    TMP3Remote r(nullptr);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    SetOpenCommand("\"" + std::string(system) + "\\hostname.exe\" \"%1\"");
    EXPECT_FALSE(r.StartAmp()); // started, ended, never made a player window
    EXPECT_FALSE(r.AmpFound);
    EXPECT_EQ(r.AmpHandle, nullptr);
    RemoveOpenCommand();
}

TEST(MP3Remote, StartAmpStartsTheRegisteredPlayerAndFindsIt) {
    TMP3Remote r(nullptr);
    RemoveOpenCommand();
    EXPECT_FALSE(r.StartAmp()); // nothing registered: an empty command cannot start
    // The host registers itself the way the player does: quoted path, a blank, quoted "%1".
    SetOpenCommand("\"" + HostPath() + "\" \"%1\"");
    bool started = r.StartAmp();
    EXPECT_TRUE(started);
    EXPECT_TRUE(r.AmpFound);
    EXPECT_EQ(r.GetAmpVersion(), 0x2009u);
    HWND w = FindWindowA(player::kWindowClass, nullptr);
    if (w) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        PostMessageA(w, WM_CLOSE, 0, 0);
        if (p) {
            if (WaitForSingleObject(p, kOtherProcessMs) != WAIT_OBJECT_0) TerminateProcess(p, 1);
            CloseHandle(p);
        }
    }
    RemoveOpenCommand();
}
