// Every message the program sends to the player's main window: WM_USER (0x0400), sent
// synchronously, the operation chosen by lParam, its argument in wParam. The one place that
// names these codes; the plug-in, the player-finding component and the stand-in host use it.
#pragma once

namespace player {

constexpr unsigned kMessage = 0x0400; // WM_USER

// lParam codes.
constexpr long kGetVersion = 0;         // answer: version; low 16 bits are the version word (0x2009 = 2.09)
constexpr long kIsPlaying = 104;        // answer: 1 playing; anything else is not playing (3 paused, 0 stopped)
constexpr long kGetListPos = 125;       // answer: current playlist position
constexpr long kGetPlaylistFile = 211;  // wParam position; answer: address of the entry's file name, 0 for none
constexpr long kGetPlaylistTitle = 212; // wParam position; answer: address of the entry's display title, 0 for none

constexpr long kPlaying = 1;
constexpr long kPaused = 3;
constexpr long kStopped = 0;

// The player's main window class.
constexpr const char* kWindowClass = "Winamp v1.x";

} // namespace player
