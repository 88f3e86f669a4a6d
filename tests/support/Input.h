// Input as a person gives it, for Win32 tests: mouse clicks at screen points and key presses go
// through the system's input queue (SendInput), so they reach whichever window is under the mouse
// or has the focus, with every message the platform makes of them.
#pragma once

#include <chrono>
#include <string>
#include <thread>

#include "toolkit/Win32.h"

enum class TTestButton { Left, Right };

inline void MouseClickAt(int x, int y, TTestButton button = TTestButton::Left) {
    SetCursorPos(x, y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = button == TTestButton::Left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
    in[1].mi.dwFlags = button == TTestButton::Left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
    SendInput(2, in, sizeof(INPUT));
}

// Presses and releases `vk`, with Shift held when `shift`.
inline void PressKey(WORD vk, bool shift = false) {
    INPUT in[4] = {};
    int n = 0;
    auto key = [&](WORD k, bool up) {
        in[n].type = INPUT_KEYBOARD;
        in[n].ki.wVk = k;
        in[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        ++n;
    };
    if (shift) key(VK_SHIFT, false);
    key(vk, false);
    key(vk, true);
    if (shift) key(VK_SHIFT, true);
    SendInput(static_cast<UINT>(n), in, sizeof(INPUT));
}

// Types printable text into the focused window, one character message per byte.
inline void TypeText(HWND focused, const std::string& text) {
    for (char c : text) SendMessageA(focused, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// From a second thread: waits (bounded) until a pop-up menu window is showing, then presses the
// keys given; for driving a menu whose loop blocks the test's own thread.
class TMenuDriver {
public:
    explicit TMenuDriver(std::string keys, unsigned timeoutMs = 10000) : keys_(std::move(keys)) {
        thread_ = std::thread([this, timeoutMs] {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
            while (std::chrono::steady_clock::now() < deadline) {
                HWND menu = FindWindowA("#32768", nullptr);
                if (menu && IsWindowVisible(menu)) {
                    seen_ = true;
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    for (char k : keys_) {
                        PressKey(k == 'D' ? VK_DOWN : k == 'E' ? VK_RETURN : VK_ESCAPE);
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    }
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~TMenuDriver() {
        if (thread_.joinable()) thread_.join();
    }
    TMenuDriver(const TMenuDriver&) = delete;
    TMenuDriver& operator=(const TMenuDriver&) = delete;
    bool Seen() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    std::string keys_; // 'D' down, 'E' enter, 'X' escape
    std::thread thread_;
    bool seen_ = false;
};
