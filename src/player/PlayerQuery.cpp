#include "player/PlayerQuery.h"

#include <cstring>

#include "player/PlayerMessages.h"

LRESULT TPlayerQuery::Ask(long code, WPARAM arg) const {
    HWND wnd = Window();
    if (!wnd) return 0;
    return SendMessageA(wnd, player::kMessage, arg, code);
}

long TPlayerQuery::PlayingState() const { return static_cast<long>(Ask(player::kIsPlaying)); }

bool TPlayerQuery::IsPlaying() const { return PlayingState() == player::kPlaying; }

int TPlayerQuery::ListPos() const { return static_cast<int>(Ask(player::kGetListPos)); }

std::string TPlayerQuery::PlaylistFile(int pos) const { return TextAt(Ask(player::kGetPlaylistFile, static_cast<WPARAM>(pos))); }

std::string TPlayerQuery::PlaylistTitle(int pos) const {
    return TextAt(Ask(player::kGetPlaylistTitle, static_cast<WPARAM>(pos)));
}

std::string TPlayerQuery::TextAt(LRESULT address) {
    if (address == 0) return {};
    // The player shares our process: the answer is an address we can read directly.
    const char* text = reinterpret_cast<const char*>(address);
    return std::string(text, strnlen(text, kMaxPlayerText));
}
