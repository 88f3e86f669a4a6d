// What the plug-in's window tests share: a player window in this process that answers the
// player's questions from a playlist, music files in a scratch folder, the plug-in's registry key
// cleared and filled, a second thread that drives a dialog as a person does (clicks and typing
// posted to its controls), and screenshots read back from the screen into BMP files.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "player/MP3Tag.h"
#include "player/PlayerMessages.h"
#include "plugin/SettingsFormCodeRules.h"
#include "support/MessageBoxWatcher.h"
#include "support/Screenshots.h"
#include "toolkit/Controls.h"
#include "toolkit/Win32.h"

// ---------------------------------------------------------------- the player

class TTestPlayer {
public:
    struct Entry {
        std::string title, file;
    };
    TTestPlayer() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuavoryTestPlayer";
        RegisterClassA(&wc);
        wnd = CreateWindowExA(0, wc.lpszClassName, "test player", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, this);
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TTestPlayer() { DestroyWindow(wnd); }
    TTestPlayer(const TTestPlayer&) = delete;
    TTestPlayer& operator=(const TTestPlayer&) = delete;

    HWND wnd = nullptr;
    std::vector<Entry> list;
    int pos = 0;
    long state = player::kStopped;
    int fileQuestions = 0;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<TTestPlayer*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (msg != player::kMessage || !self) return DefWindowProcA(w, msg, wp, lp);
        auto entry = [&]() -> const Entry* { return wp < self->list.size() ? &self->list[wp] : nullptr; };
        switch (lp) {
        case player::kIsPlaying: return self->state;
        case player::kGetListPos: return self->pos;
        case player::kGetPlaylistTitle: return entry() ? reinterpret_cast<LRESULT>(entry()->title.c_str()) : 0;
        case player::kGetPlaylistFile:
            ++self->fileQuestions;
            return entry() ? reinterpret_cast<LRESULT>(entry()->file.c_str()) : 0;
        default: return 0;
        }
    }
};

// ---------------------------------------------------------------- music files

class TMusicFolder {
public:
    TMusicFolder() {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir_ = std::string(tmp) + "qv-windows-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter_++) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    ~TMusicFolder() {
        for (const auto& f : files_) DeleteFileA(f.c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    // A file of silent audio bytes with a tag block, or without one.
    std::string Add(const std::string& name, const TID3v1Record* tag) {
        std::string path = dir_ + name;
        std::vector<uint8_t> bytes(417 * 4, 0);
        if (tag) {
            TID3v1Block b = EncodeID3v1(*tag);
            bytes.insert(bytes.end(), b.begin(), b.end());
        }
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        files_.push_back(path);
        return path;
    }

private:
    static inline int counter_ = 0;
    std::string dir_;
    std::vector<std::string> files_;
};

inline TID3v1Record Tag(std::string title, std::string artist, std::string album = "Disc") {
    TID3v1Record r;
    r.Title = std::move(title);
    r.Artist = std::move(artist);
    r.Album = std::move(album);
    r.GenreID = 17;
    return r;
}

// ---------------------------------------------------------------- the registry key

inline std::string KeyPath() { return std::string(userstate::kKeyPath).substr(1); }

inline void ClearUserState() { RegDeleteKeyA(HKEY_CURRENT_USER, KeyPath().c_str()); }

inline void StoreText(const char* name, const std::string& value) {
    HKEY k;
    RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    RegCloseKey(k);
}

inline void StoreNumber(const char* name, DWORD value) {
    HKEY k;
    RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(k);
}

// The stored values by name; "<missing>" when the key or value is absent.
inline std::string StoredText(const char* name) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<missing>";
    char buf[512] = {};
    DWORD size = sizeof buf - 1, type = 0;
    LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? std::string(buf) : "<missing>";
}

// ---------------------------------------------------------------- driving a dialog

// Runs on a second thread, like a person at the keyboard and mouse: waits (bounded) for a
// visible top-level window of this process captioned `caption`, then runs `steps` with the
// window's controls by name. Every action is a posted message or one the platform's own
// controls answer (BM_CLICK presses a button as a click does).
class TDialogDriver {
public:
    using Controls = std::map<std::string, HWND>;
    TDialogDriver(std::string caption, std::function<void(HWND dialog, Controls&)> steps, unsigned timeoutMs = 20000)
        : caption_(std::move(caption)), steps_(std::move(steps)) {
        thread_ = std::thread([this, timeoutMs] { Run(timeoutMs); });
    }
    ~TDialogDriver() { Wait(); }
    TDialogDriver(const TDialogDriver&) = delete;
    TDialogDriver& operator=(const TDialogDriver&) = delete;

    bool Wait() {
        if (thread_.joinable()) thread_.join();
        return found_;
    }
    // True until the steps have run (or the watch gave up).
    bool Running() const { return !done_; }

    // Person-like actions.
    // BM_CLICK presses the button as a click does; the posted empty message then wakes the
    // dialog's loop, as the mouse's own posted messages would.
    static void Click(HWND button) {
        SendMessageA(button, BM_CLICK, 0, 0);
        PostMessageA(GetAncestor(button, GA_ROOT), WM_NULL, 0, 0);
    }
    static void Type(HWND edit, const std::string& text) {
        SendMessageA(edit, EM_SETSEL, 0, -1); // select what is there, so typing replaces it
        for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    static std::string TextOf(HWND w) {
        char buf[512] = {};
        GetWindowTextA(w, buf, sizeof buf);
        return buf;
    }
    static bool Checked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    static void Pick(HWND combo, int index) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

private:
    struct Search {
        const std::string* caption;
        HWND found;
    };
    static BOOL CALLBACK FindTop(HWND w, LPARAM p) {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char text[256] = {};
        GetWindowTextA(w, text, sizeof text);
        if (pid == GetCurrentProcessId() && IsWindowVisible(w) && *s->caption == text && TWinControl::FromHandle(w)) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK Collect(HWND w, LPARAM p) {
        if (TWinControl* c = TWinControl::FromHandle(w)) (*reinterpret_cast<Controls*>(p))[c->Name()] = w;
        return TRUE;
    }
    void Run(unsigned timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            Search s{&caption_, nullptr};
            EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
            if (s.found) {
                Controls controls;
                EnumChildWindows(s.found, Collect, reinterpret_cast<LPARAM>(&controls));
                found_ = true;
                steps_(s.found, controls);
                done_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        done_ = true;
    }
    std::string caption_;
    std::function<void(HWND, Controls&)> steps_;
    std::thread thread_;
    std::atomic<bool> found_{false};
    std::atomic<bool> done_{false};
};

// ---------------------------------------------------------------- screenshots

// Reads the window's rectangle back from the screen (exact at 24 bits) and writes it as a BMP
// file under shots/ in the working folder; returns the pixels, top row first, 0x00RRGGBB.
inline std::vector<uint32_t> Screenshot(HWND w, const std::string& name, int* width = nullptr, int* height = nullptr) {
    const TBitmap shot = CaptureWindow(w);
    CreateDirectoryA("shots", nullptr);
    SaveBmp(shot, "shots/" + name + ".bmp");
    const int cx = shot.Width(), cy = shot.Height();
    std::vector<uint32_t> px;
    px.reserve(static_cast<size_t>(cx) * static_cast<size_t>(cy));
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) px.push_back(shot.Pixel(x, y) & 0xFFFFFF);
    if (width) *width = cx;
    if (height) *height = cy;
    return px;
}
