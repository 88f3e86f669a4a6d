// Finds a message box from a second thread, records its caption, text and icon, and presses one
// of its buttons, so a test can drive code that shows a box and waits for it to close.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "toolkit/Win32.h"

class TMessageBoxWatcher {
public:
    // Watches for a dialog-class window captioned `caption` for up to `timeoutMs`, then presses
    // the button `buttonId` (IDOK by default).
    explicit TMessageBoxWatcher(std::string caption, int buttonId = IDOK, unsigned timeoutMs = 10000)
        : caption_(std::move(caption)), button_(buttonId) {
        thread_ = std::thread([this, timeoutMs] { Run(timeoutMs); });
    }
    ~TMessageBoxWatcher() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    TMessageBoxWatcher(const TMessageBoxWatcher&) = delete;
    TMessageBoxWatcher& operator=(const TMessageBoxWatcher&) = delete;

    // Waits until the box was seen and closed (or the watch timed out).
    bool Wait() {
        if (thread_.joinable()) thread_.join();
        return found_;
    }
    const std::string& Text() const { return text_; }
    bool HasErrorIcon() const { return errorIcon_; }
    HWND Owner() const { return owner_; }

private:
    void Run(unsigned timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!stop_ && std::chrono::steady_clock::now() < deadline) {
            HWND box = FindWindowA("#32770", caption_.c_str());
            if (box && IsWindowVisible(box)) {
                // The message text is the static control with id 0xFFFF.
                char buf[1024] = {};
                GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
                text_ = buf;
                // The icon is a static control with SS_ICON; an error box shows the hand icon.
                EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(this));
                owner_ = GetWindow(box, GW_OWNER);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, button_)));
                found_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    static BOOL CALLBACK FindIcon(HWND child, LPARAM self) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            char cls[16] = {};
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") == 0 &&
                SendMessageA(child, STM_GETICON, 0, 0) == reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_HAND)))
                reinterpret_cast<TMessageBoxWatcher*>(self)->errorIcon_ = true;
        }
        return TRUE;
    }

    std::string caption_;
    int button_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> found_{false};
    std::string text_;
    bool errorIcon_ = false;
    HWND owner_ = nullptr;
};

// Pumps this thread's messages until `done()` or `timeoutMs` passes. Bounded by time.
template <class Pred> bool PumpUntil(Pred done, unsigned timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return true;
}
