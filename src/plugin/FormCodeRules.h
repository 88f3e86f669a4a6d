// The main window's rules that need no window: the upper-casing of shown titles, the layout
// test, the rating list's texts, and the track watcher. Portable; FormCode.cpp wires them to the
// window's controls and to the player.
#pragma once

#include <array>
#include <string>
#include <string_view>

class TMP3Tag;

// Bytes "a" to "z" become capitals; every other byte, accented letters included, stays.
std::string MakeUpper(std::string_view s);

// Screens at least this wide get the wide layout; narrower ones the narrow layout.
constexpr int kWideLayoutMinScreenWidth = 810;
constexpr bool IsWideLayout(int screenWidth) { return screenWidth >= kWideLayoutMinScreenWidth; }

// The narrow layout's window size and fonts.
constexpr int kNarrowWidth = 460;
constexpr int kNarrowHeight = 410;
constexpr int kNarrowViewerFontSize = 6;
constexpr int kNarrowQuickStartFontSize = 8; // points

// The rating list, item 0 first. Leading blanks are part of the texts.
constexpr int kRatingItemCount = 10;
extern const std::array<std::string_view, kRatingItemCount> RatingItems;

constexpr std::string_view kRatingButtonPrefix = "Enter Rating for ";

// What the watcher asks the player. Answers of 0 for a text read as the empty text.
class TPlayerQueries {
public:
    virtual ~TPlayerQueries() = default;
    virtual long PlayingState() = 0;                // 1 playing; anything else is not
    virtual int ListPosition() = 0;                 // the current playlist entry
    virtual std::string PlaylistTitle(int pos) = 0; // that entry's display title
    virtual std::string PlaylistFile(int pos) = 0;  // that entry's file name
};

// What the watcher reads and changes on the window.
class TTrackWatcherView {
public:
    virtual ~TTrackWatcherView() = default;
    virtual bool WideLayout() = 0;
    virtual bool WindowActive() = 0;
    // Shows or hides the inactive heading strip of the wide or the narrow layout.
    virtual void SetInactiveHeadingVisible(bool wideLayout, bool visible) = 0;
    virtual std::string TrackLabelCaption() = 0;
    virtual void SetTrackLabelCaption(const std::string& s) = 0;
    virtual void SetRatingButtonCaption(const std::string& s) = 0;
    virtual void SetWatcherEnabled(bool enabled) = 0;
};

// The track watcher: on each tick, follows the window's activation with the heading look and,
// while the player plays (or nothing is shown yet), notices a change of the playlist title and
// then shows the new file's tag.
class TTrackWatcher {
public:
    TTrackWatcher(TTrackWatcherView& view, TPlayerQueries& player, TMP3Tag& tag) : view_(view), player_(player), tag_(tag) {}

    void Tick();

    // The upper-cased playlist title last seen; empty until the first one.
    const std::string& LastSeenTitle() const { return lastSeen_; }

private:
    TTrackWatcherView& view_;
    TPlayerQueries& player_;
    TMP3Tag& tag_;
    std::string lastSeen_;
};
