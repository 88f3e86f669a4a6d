#include "player/MP3Remote.h"

#include <vector>

#include "player/PlayerMessages.h"
#include "toolkit/Application.h"
#include "toolkit/Registry.h"
#include "toolkit/SysUtils.h"

TMP3Remote::TMP3Remote(TComponent* owner) : TComponent(owner) {
    for (const char* row : mp3remote::kDefaultVersions) versions_.Add(row);
}

bool TMP3Remote::FindAmp() {
    AmpHandle = nullptr;
    AmpHandle = FindWindowA(player::kWindowClass, nullptr);
    bool found = AmpHandle ? CheckAmp() : false;
    AmpFound = found;
    if (found && OnAmpFound) OnAmpFound(this);
    return found;
}

bool TMP3Remote::CheckAmp() {
    AmpFound = GetAmpVersion() != 0;
    return AmpFound;
}

unsigned TMP3Remote::GetAmpVersion() {
    // A stale or empty handle answers 0.
    LRESULT v = SendMessageA(AmpHandle, player::kMessage, 0, player::kGetVersion);
    return static_cast<unsigned>(v) & 0xFFFF;
}

std::string TMP3Remote::AmpVersionName(unsigned version) const { return mp3remote::VersionName(versions_, version); }

std::string TMP3Remote::PlayerCommand() {
    TRegistry reg(KEY_READ);
    reg.RootKey = HKEY_CLASSES_ROOT;
    if (!reg.OpenKey("\\Winamp.file\\shell\\Open\\command", false)) return {};
    return mp3remote::CleanOpenCommand(reg.ReadString(""));
}

std::string TMP3Remote::WinampDir() const {
    TRegistry reg(KEY_READ);
    reg.RootKey = HKEY_CLASSES_ROOT;
    if (!reg.OpenKey("\\Winamp.file\\shell\\Open\\command", false)) return "Error!";
    return ExtractFilePath(mp3remote::CleanOpenCommand(reg.ReadString("")));
}

bool TMP3Remote::StartAmp() {
    std::string command = PlayerCommand();
    if (Application) {
        Application->ProcessMessages();
        Application->BringToFront();
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // The cleaned command is the application name itself, with no separate command line.
    std::vector<char> app(command.begin(), command.end());
    app.push_back('\0');
    if (!CreateProcessA(app.data(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (Application) {
        Application->ProcessMessages();
        Application->BringToFront();
    }
    WaitForInputIdle(pi.hProcess, INFINITE);
    if (Application) Application->BringToFront();
    bool found = FindAmp();
    // The idle wait can return before the new process has made its first window: Wine answers at
    // once while a slow-starting process (an emulated one, say) has not yet reached its message
    // loop. A player that is still running gets a bounded time to show its window.
    const DWORD start = GetTickCount();
    while (!found && GetTickCount() - start < kPlayerWindowWaitMs &&
           MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
        if (Application) Application->ProcessMessages();
        found = FindAmp();
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return found;
}
