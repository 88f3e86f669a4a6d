// Starts the stand-in player (quavory-host.exe) for a Win32 test, asks it the player's questions,
// and closes it at the end.
#pragma once

#include <string>
#include <vector>

#include "player/PlayerMessages.h"
#include "support/Deadlines.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Win32.h"

// Unix build paths reach Windows programs under Wine through drive Z:.
inline std::string WinPath(std::string p) {
    if (p.size() > 1 && p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

class THostProcess {
public:
    // Runs `exe` with `args` and waits (bounded) until its player window exists.
    THostProcess(const std::string& exe, const std::string& args) {
        std::string cmd = "\"" + WinPath(exe) + "\" " + args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back('\0');
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
        WaitForInputIdle(pi.hProcess, kOtherProcessMs);
        PumpUntil([&] { return (wnd = FindWindowA(player::kWindowClass, nullptr)) != nullptr; }, kOtherProcessMs);
    }
    ~THostProcess() { Close(); }
    THostProcess(const THostProcess&) = delete;
    THostProcess& operator=(const THostProcess&) = delete;

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
    // Closes the window and waits (bounded) for the process to end.
    void Close() {
        if (!pi.hProcess) return;
        if (wnd && IsWindow(wnd)) PostMessageA(wnd, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, kOtherProcessMs) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        pi.hProcess = nullptr;
    }

    PROCESS_INFORMATION pi{};
    HWND wnd = nullptr;
};
