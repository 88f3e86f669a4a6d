#include <gtest/gtest.h>

#include "MemoryTagFiles.h"
#include "plugin/FormCodeRules.h"

namespace {

TEST(MakeUpper, OnlyAsciiLowerCaseLettersChange) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"harbour lights", "HARBOUR LIGHTS"},
        {"MiXeD 123 - ok", "MIXED 123 - OK"},
        {"`az{", "`AZ{"}, // the neighbours of a and z stay
        // Accented letters (Latin-1 bytes) are kept exactly, whatever their case.
        {"caf\xE9 \xFC"
         "ber \xC9t\xE9",
         "CAF\xE9 \xFC"
         "BER \xC9T\xE9"},
        // Zero bytes inside a text survive.
        {std::string("a\0b", 3), std::string("A\0B", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(MakeUpper(c.in), c.out) << c.in;
}

TEST(Layout, WideFrom810PixelsOn) {
    EXPECT_FALSE(IsWideLayout(640));
    EXPECT_FALSE(IsWideLayout(800));
    EXPECT_FALSE(IsWideLayout(809));
    EXPECT_TRUE(IsWideLayout(810));
    EXPECT_TRUE(IsWideLayout(1024));
}

TEST(RatingItems, TenTextsFromTenDownToOneEachLedByItsRating) {
    ASSERT_EQ(RatingItems.size(), 10u);
    EXPECT_EQ(RatingItems[0], "10  In my top ten of all songs");
    EXPECT_EQ(RatingItems[5], " 5   I don't like or dislike this one");
    EXPECT_EQ(RatingItems[9], " 1   This is not fit to be called music");
    for (int i = 1; i < 10; ++i) {
        std::string_view s = RatingItems[static_cast<size_t>(i)];
        EXPECT_EQ(s[0], ' ') << i;
        EXPECT_EQ(s[1], static_cast<char>('0' + 10 - i)) << i;
        EXPECT_EQ(s.substr(2, 3), "   ") << i;
    }
}

// ------------------------------------------------------------------ the track watcher

struct FakePlayer : TPlayerQueries {
    struct Entry {
        std::string title, file;
    };
    std::vector<Entry> list;
    int pos = 0;
    long state = 0;
    int titleQueries = 0, fileQueries = 0;
    long PlayingState() override { return state; }
    int ListPosition() override { return pos; }
    std::string PlaylistTitle(int p) override {
        ++titleQueries;
        return p >= 0 && p < static_cast<int>(list.size()) ? list[static_cast<size_t>(p)].title : "";
    }
    std::string PlaylistFile(int p) override {
        ++fileQueries;
        return p >= 0 && p < static_cast<int>(list.size()) ? list[static_cast<size_t>(p)].file : "";
    }
};

struct FakeView : TTrackWatcherView {
    bool wide = true, active = true;
    bool inactiveWide = false, inactiveNarrow = false;
    std::string label, button = "Enter Rating for";
    bool timer = true;
    std::vector<bool> timerChanges;
    bool WideLayout() override { return wide; }
    bool WindowActive() override { return active; }
    void SetInactiveHeadingVisible(bool w, bool v) override { (w ? inactiveWide : inactiveNarrow) = v; }
    std::string TrackLabelCaption() override { return label; }
    void SetTrackLabelCaption(const std::string& s) override {
        EXPECT_FALSE(timer) << "the tag is shown while the watcher is off";
        label = s;
    }
    void SetRatingButtonCaption(const std::string& s) override { button = s; }
    void SetWatcherEnabled(bool e) override {
        timer = e;
        timerChanges.push_back(e);
    }
};

class TrackWatcherTest : public ::testing::Test {
protected:
    TrackWatcherTest() : files(std::make_shared<TMemoryTagFiles>()), tag(nullptr, files), watcher(view, player, tag) {
        TID3v1Record a;
        a.Title = "Harbour Lights";
        a.Artist = "The Velmorra Trio";
        a.Album = "Night Ferries";
        files->AddTagged("C:\\Music\\01.mp3", a);
        TID3v1Record b;
        b.Title = "Paper Moons";
        b.Artist = "Anja Kestrel";
        files->AddTagged("C:\\Music\\02.mp3", b);
        files->AddUntagged("C:\\Music\\03 untagged.mp3");
        player.list = {{"The Velmorra Trio - Harbour Lights", "C:\\Music\\01.mp3"},
                       {"Anja Kestrel - Paper Moons", "C:\\Music\\02.mp3"},
                       {"03 untagged", "C:\\Music\\03 untagged.mp3"}};
    }
    std::shared_ptr<TMemoryTagFiles> files;
    TMP3Tag tag;
    FakePlayer player;
    FakeView view;
    TTrackWatcher watcher;
};

TEST_F(TrackWatcherTest, FirstTickWithThePlayerStoppedShowsTheSelectedEntry) {
    player.state = 0;
    player.pos = 1;
    watcher.Tick();
    EXPECT_EQ(view.label, "PAPER MOONS - ANJA KESTREL");
    EXPECT_EQ(view.button, "Enter Rating for Paper Moons");
    EXPECT_EQ(watcher.LastSeenTitle(), "ANJA KESTREL - PAPER MOONS");
    EXPECT_EQ(tag.Filename(), "C:\\Music\\02.mp3");
    // Switched off for the read, on again afterwards.
    EXPECT_EQ(view.timerChanges, (std::vector<bool>{false, true}));
}

TEST_F(TrackWatcherTest, TheSameTitleIsNotReadAgain) {
    player.state = 1;
    watcher.Tick();
    int opens = files->opens;
    EXPECT_EQ(opens, 1);
    // The tag changes on disk, but the playlist title does not: nothing is re-read.
    TID3v1Record changed;
    changed.Title = "Renamed";
    files->AddTagged("C:\\Music\\01.mp3", changed);
    for (int i = 0; i < 3; ++i) watcher.Tick();
    EXPECT_EQ(files->opens, opens);
    EXPECT_EQ(view.label, "HARBOUR LIGHTS - THE VELMORRA TRIO");
    EXPECT_EQ(view.timerChanges.size(), 2u); // only the first tick switched the timer
}

TEST_F(TrackWatcherTest, PausedOrStoppedKeepsTheShownTrackUntilPlayingAgain) {
    player.state = 1;
    watcher.Tick();
    for (long state : {3L, 0L, 2L}) { // paused, stopped, and any other answer than 1
        player.state = state;
        player.pos = 1;
        int titleQueries = player.titleQueries;
        watcher.Tick();
        EXPECT_EQ(view.label, "HARBOUR LIGHTS - THE VELMORRA TRIO") << state;
        EXPECT_EQ(player.titleQueries, titleQueries) << "no title asked while not playing";
    }
    player.state = 1;
    watcher.Tick();
    EXPECT_EQ(view.label, "PAPER MOONS - ANJA KESTREL");
}

TEST_F(TrackWatcherTest, TitlesDifferingOnlyInLetterCaseCountAsTheSame) {
    player.state = 1;
    watcher.Tick();
    player.list.push_back({"the velmorra trio - HARBOUR lights", "C:\\Music\\02.mp3"});
    player.pos = 3;
    watcher.Tick();
    EXPECT_EQ(view.label, "HARBOUR LIGHTS - THE VELMORRA TRIO");
    EXPECT_EQ(files->opens, 1);
}

TEST_F(TrackWatcherTest, AccentedLettersAreKeptAndTrailingBlanksAndZeroBytesDropped) {
    TID3v1Record t;
    t.Title = std::string("Caf\xE9 \xE0 l'aube\0\0", 15);
    t.Artist = "\xC9lodie  \t";
    files->AddTagged("C:\\Music\\04.mp3", t);
    player.list.push_back({"Caf\xE9", "C:\\Music\\04.mp3"});
    player.pos = 3;
    watcher.Tick();
    EXPECT_EQ(view.label, "CAF\xE9 \xE0 L'AUBE - \xC9LODIE");
    EXPECT_EQ(view.button, "Enter Rating for Caf\xE9 \xE0 l'aube");
}

TEST_F(TrackWatcherTest, AFileWithoutATagShowsItsFileNameInCapitalsAndADash) {
    player.pos = 2;
    watcher.Tick();
    EXPECT_EQ(view.label, "03 UNTAGGED.MP3 - ");
    EXPECT_EQ(view.button, "Enter Rating for 03 untagged.mp3");
}

TEST_F(TrackWatcherTest, AMissingFileShowsAnEmptyTitle) {
    player.list.push_back({"Gone", "C:\\Music\\gone.mp3"});
    player.pos = 3;
    watcher.Tick();
    EXPECT_EQ(view.label, " - ");
    EXPECT_EQ(view.button, "Enter Rating for ");
}

TEST_F(TrackWatcherTest, AFileThatCannotBeOpenedLeavesTheWatcherRunning) {
    files->locked.push_back("C:\\Music\\01.mp3");
    player.state = 1;
    EXPECT_THROW(watcher.Tick(), EFOpenError);
    EXPECT_TRUE(view.timer);
    EXPECT_EQ(view.label, "");
    // The title counts as seen: the failing read is not retried on every tick.
    watcher.Tick();
    EXPECT_EQ(files->opens, 1);
    // The next track is read as usual.
    player.pos = 1;
    watcher.Tick();
    EXPECT_EQ(view.label, "PAPER MOONS - ANJA KESTREL");
}

TEST_F(TrackWatcherTest, TheInactiveHeadingFollowsActivationInTheCurrentLayout) {
    const struct {
        bool wide, active, inactiveWide, inactiveNarrow;
    } cases[] = {
        {true, true, false, false},
        {true, false, true, false},
        {false, false, false, true},
        {false, true, false, false},
    };
    for (const auto& c : cases) {
        view.wide = c.wide;
        view.active = c.active;
        view.inactiveWide = view.inactiveNarrow = false;
        watcher.Tick();
        EXPECT_EQ(view.inactiveWide, c.inactiveWide) << c.wide << c.active;
        EXPECT_EQ(view.inactiveNarrow, c.inactiveNarrow) << c.wide << c.active;
    }
    // The heading also follows while paused, before the early return.
    player.state = 3;
    view.wide = true;
    view.active = false;
    view.inactiveWide = false;
    watcher.Tick();
    EXPECT_TRUE(view.inactiveWide);
}

TEST_F(TrackWatcherTest, AnEmptyPlaylistReadsNothing) {
    player.list.clear();
    for (int i = 0; i < 3; ++i) watcher.Tick();
    EXPECT_EQ(files->opens, 0);
    EXPECT_EQ(view.label, "");
    EXPECT_TRUE(view.timerChanges.empty());
}

} // namespace
