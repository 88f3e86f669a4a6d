#include "plugin/FormCodeRules.h"

#include "player/MP3Tag.h"
#include "toolkit/SysUtils.h"

std::string MakeUpper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

const std::array<std::string_view, kRatingItemCount> RatingItems = {
    "10  In my top ten of all songs",       " 9   One of my favourites",
    " 8   This music is really good",       " 7   I enjoy listening to this",
    " 6   I think this is OK to listen to", " 5   I don't like or dislike this one",
    " 4   Found this to be annoying",       " 3   Not interested in hearing this again",
    " 2   I couldn't stand this music",     " 1   This is not fit to be called music",
};

void TTrackWatcher::Tick() {
    // The inactive strip covers the active one whenever the window has lost activation.
    bool wide = view_.WideLayout();
    view_.SetInactiveHeadingVisible(wide, !view_.WindowActive());

    // While paused or stopped the shown track stays; until something is shown, read anyway.
    if (!view_.TrackLabelCaption().empty() && player_.PlayingState() != 1) return;

    std::string title = MakeUpper(player_.PlaylistTitle(player_.ListPosition()));
    if (title == lastSeen_) return;

    // Reading the tag may be slow: no tick may run in between. The timer comes back on whatever
    // happens, so one unreadable file does not stop the watcher for good.
    view_.SetWatcherEnabled(false);
    try {
        lastSeen_ = title;
        tag_.SetFilename(player_.PlaylistFile(player_.ListPosition()));
        std::string shownTitle = TrimRight(tag_.Title());
        view_.SetRatingButtonCaption(std::string(kRatingButtonPrefix) + shownTitle);
        view_.SetTrackLabelCaption(MakeUpper(shownTitle + " - " + TrimRight(tag_.Artist())));
    } catch (...) {
        view_.SetWatcherEnabled(true);
        throw;
    }
    view_.SetWatcherEnabled(true);
}
