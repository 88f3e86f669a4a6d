// The plug-in's questions to the player that hosts it: playing state (104), playlist position
// (125), an entry's file name (211) and title (212). Each is a synchronous WM_USER message to the
// window the player wrote into the plug-in record; the field is read afresh on every question,
// so a window filled in after load is the one asked. Win32 only.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "toolkit/Win32.h"

// Longest text copied from a string answer. The answer is the address of a NUL-terminated string
// inside the player; this bound keeps a string without its NUL from running the copy on.
constexpr size_t kMaxPlayerText = 4096;

// The player's window, read afresh for every question: the record's live field.
using TPlayerWindowSource = std::function<HWND()>;

class TPlayerQuery {
public:
    explicit TPlayerQuery(TPlayerWindowSource playerWindow) : window_(std::move(playerWindow)) {}

    HWND Window() const { return window_ ? window_() : nullptr; }
    // Code 104: the playing state as the player answers it (0 without a player).
    long PlayingState() const;
    // True only for the answer 1 (playing); paused, stopped or no player is false.
    bool IsPlaying() const;
    // Code 125: the current playlist position, passed unchanged to the entry questions.
    int ListPos() const;
    // Code 211 / 212 with `pos`: the entry's file name / display title, copied at once. An answer
    // of 0 (no such entry, no player) reads as an empty text.
    std::string PlaylistFile(int pos) const;
    std::string PlaylistTitle(int pos) const;

    // Copies the NUL-terminated text at `address`, at most kMaxPlayerText bytes; 0 gives "".
    static std::string TextAt(LRESULT address);

private:
    LRESULT Ask(long code, WPARAM arg = 0) const;
    TPlayerWindowSource window_;
};
