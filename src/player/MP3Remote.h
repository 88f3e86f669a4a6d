// TMP3Remote: finds the player's main window by its class, checks that it answers the version
// query, names the version from an editable table, tells where the player is installed, and can
// start the player from its registered open command. Win32 only.
#pragma once

#include <string>

#include "player/MP3RemoteRules.h"
#include "toolkit/Classes.h"
#include "toolkit/Win32.h"

class TMP3Remote : public TComponent {
public:
    explicit TMP3Remote(TComponent* owner);

    // How long StartAmp looks for the window of a player it started that is still running but
    // was reported idle before it made its window.
    static constexpr unsigned kPlayerWindowWaitMs = 20000;

    HWND AmpHandle = nullptr;
    bool AmpFound = false;
    TNotifyEvent OnAmpFound;

    bool FindAmp();
    bool CheckAmp();
    unsigned GetAmpVersion();
    bool StartAmp();
    std::string AmpVersionName(unsigned version) const;

    // Read from the registry on every call: the folder with a trailing backslash, or "Error!".
    std::string WinampDir() const;
    // Accepted and ignored: what WinampDir reads never changes.
    void SetWinampDir(const std::string&) {}

    // The version table, one row "Version <name> = 0x<HHHH>" per known version.
    const TStringList& AmpVersions() const { return versions_; }
    TStringList& AmpVersions() { return versions_; }
    // Copies the rows into the component's own list (which keeps its identity).
    void SetAmpVersions(const TStringList& rows) { versions_.Assign(rows); }

    // The registered open command of "Winamp.file", cleaned: the text before the first "%1",
    // without any double quotes. Empty when the key is missing.
    static std::string PlayerCommand();

private:
    TStringList versions_;
};
