// The main window under Wine: its description, the track watcher with a player in this process,
// the stored state at creation, the window commands driven with the mouse, and a screenshot.
#include <gtest/gtest.h>

#include "WindowTestKit.h"
#include "support/Input.h"
#include "html/Htmlview.h"
#include "net/NMHttp.h"
#include "player/MP3Tag.h"
#include "plugin/FormCode.h"
#include "plugin/FormCodeArtwork.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "widgets/FocusBtnsWin32.h"
#include "widgets/GProgressWin32.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->SetTitle("THE QUAVORY");
        Application->Initialize();
        ClearUserState();
    }
    void TearDown() override {
        delete form;
        form = nullptr;
        ClearUserState();
    }
    void Create() {
        form = new TForm1(Application, [this] { return player.wnd; });
        form->Show();
    }
    // One watcher tick comes every second: wait until `done`, at most a few ticks.
    template <class F> bool WaitFor(F done, unsigned ms = 4000) { return PumpUntil(done, ms); }
    std::string Label() const { return form->TrackLabel->Caption(); }

    TTestPlayer player;
    TMusicFolder music;
    TForm1* form = nullptr;
};

// ------------------------------------------------------------------ the description

TEST_F(MainWindowTest, ControlsFollowTheDescriptionInCreationOrder) {
    Create();
    const struct {
        const char* name;
        int left, top, width, height;
        bool visible;
    } rows[] = {
        {"Image4", 0, 0, 564, 492, true},
        {"HeadingOn", 0, 1, 564, 14, true},
        {"CurrentTrackLabel", 4, 22, 558, 16, true},
        {"Label2", 131, 62, -1, -1, true},
        {"TrackLabel", 0, 39, 561, 13, true},
        {"ProgressBar", 16, 471, 392, 13, true},
        {"Label5", 26, 59, -1, -1, true},
        {"HeadingOff", 0, 1, 564, 14, false},
        {"StopGreyImage", 512, 72, 32, 32, true},
        {"Label3", 8, 152, 556, 23, true},
        {"Label4", 74, 185, -1, -1, true},
        {"QSLabel1", 74, 215, -1, -1, true},
        {"QSLabel2", 74, 244, -1, -1, true},
        {"QSLabel3", 74, 274, -1, -1, true},
        {"QSLabel4", 74, 303, -1, -1, true},
        {"QSLabel5", 74, 330, -1, -1, true},
        {"QSLabel8", 74, 388, -1, -1, true},
        {"QSLabel6", 74, 349, -1, -1, true},
        {"QSLabel7", 74, 367, -1, -1, true},
        {"HeadingOn400", 57, 1, 400, 11, false},
        {"HeadingOff400", 57, 1, 400, 11, false},
        {"StopGreyImageSmall", 512, 72, 32, 33, false},
        {"Viewer2", 20, 118, 522, 343, false},
        {"FocusButton1", 326, 68, 181, 38, true},
        {"StopButton", 512, 72, 32, 33, false},
        {"CloseBtn", 554, 5, 6, 6, true},
        {"Memo", 192, 160, 81, 17, false},
        {"RatingsComboBox", 130, 80, 186, 21, true},
        {"BitBtn5", 412, 466, 147, 24, true},
        {"MinimizeBtn", 533, 4, 6, 6, true},
        {"BitBtn6", 37, 30, 22, 21, true},
        {"PellucorBtnSmall", 24, 75, 98, 30, true},
        {"VelmorraBtnSmall", 480, 29, 67, 22, true},
        {"PellucorBtnLarge", 24, 75, 98, 30, true},
        {"VelmorraBtnLarge", 480, 29, 67, 22, true},
        {"InfinButton", 12, 3, 14, 12, true},
        {"StopButtonSmall", 512, 72, 32, 33, false},
    };
    ASSERT_EQ(form->ControlCount(), static_cast<int>(std::size(rows)));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& r = rows[i];
        TControl* c = form->Controls(static_cast<int>(i));
        EXPECT_EQ(c->Name(), r.name) << i;
        EXPECT_EQ(c->Left(), r.left) << r.name;
        EXPECT_EQ(c->Top(), r.top) << r.name;
        if (r.width >= 0) { EXPECT_EQ(c->Width(), r.width) << r.name; }
        if (r.height >= 0) { EXPECT_EQ(c->Height(), r.height) << r.name; }
        EXPECT_EQ(c->Visible(), r.visible) << r.name;
    }
    // The Quick Start lines stand one under another, each one line high (the word-wrapped ones at
    // least their designed widths), none reaching into the next.
    const TLabel* lines[] = {form->QSLabel1, form->QSLabel2, form->QSLabel3, form->QSLabel4,
                             form->QSLabel5, form->QSLabel6, form->QSLabel7, form->QSLabel8};
    for (size_t i = 0; i < std::size(lines); ++i) {
        EXPECT_EQ(lines[i]->Height(), lines[0]->Height()) << lines[i]->Name();
        if (i + 1 < std::size(lines)) {
            EXPECT_LE(lines[i]->Top() + lines[i]->Height(), lines[i + 1]->Top()) << lines[i]->Name();
        }
    }
    EXPECT_GE(form->QSLabel5->Width(), 425);
    EXPECT_GE(form->QSLabel6->Width(), 413);
    EXPECT_GE(form->QSLabel7->Width(), 186);
    // Captions with their blanks, the labels' fonts and looks.
    EXPECT_EQ(form->QSLabel1->Caption(), "1.  Start your Internet connection ");
    EXPECT_EQ(form->QSLabel4->Caption(), "4.  Submit your rating by clicking the \"Enter Rating for \" button. ");
    EXPECT_EQ(form->QSLabel8->Caption(), "6.  Click on the \"Get Recommendations\" button below.  ");
    EXPECT_EQ(form->QSLabel6->Caption(), "     you will receive increasingly more accurate recommendations as you");
    EXPECT_EQ(form->QSLabel7->Caption(), "     rate more and more tracks.  ");
    for (TLabel* l : {form->QSLabel1, form->QSLabel5, form->QSLabel8}) {
        EXPECT_EQ(l->Font().Name, "Tahoma");
        EXPECT_EQ(l->Font().Height, -13);
        EXPECT_EQ(l->Font().Color, clLime);
        EXPECT_TRUE(l->Transparent());
    }
    EXPECT_EQ(form->CurrentTrackLabel->Font().Height, -15);
    EXPECT_EQ(form->CurrentTrackLabel->Alignment(), TAlignment::taCenter);
    EXPECT_FALSE(form->CurrentTrackLabel->AutoSize());
    EXPECT_EQ(form->Label3->Font().Height, -16);
    EXPECT_EQ(form->TrackLabel->Cursor, crHandPoint);
    EXPECT_EQ(form->TrackLabel->Caption(), "");
    EXPECT_EQ(form->FocusButton1->Caption(), "Enter Rating for");
    EXPECT_EQ(form->BitBtn5->Caption(), "Get Recommendations");
    EXPECT_FALSE(form->BitBtn5->Glyph().Empty());
    EXPECT_FALSE(form->StopButton->Glyph().Empty());
    EXPECT_FALSE(form->Image4->Picture().Empty());
    EXPECT_EQ(form->HeadingOn400->Picture().Width(), 400); // sizes itself to its picture

    // The rating list: ten items from "10" down, none selected, ten rows when open.
    ASSERT_EQ(form->RatingsComboBox->Count(), 10);
    EXPECT_EQ(form->RatingsComboBox->Item(0), "10  In my top ten of all songs");
    EXPECT_EQ(form->RatingsComboBox->Item(9), " 1   This is not fit to be called music");
    EXPECT_EQ(form->RatingsComboBox->ItemIndex(), -1);
    EXPECT_EQ(form->RatingsComboBox->DropDownCount(), 10);

    // The viewer's settings.
    EXPECT_EQ(form->Viewer2->DefFontName(), "Tahoma");
    EXPECT_EQ(form->Viewer2->DefFontSize(), 8);
    EXPECT_EQ(form->Viewer2->DefFontColor(), clLime);
    EXPECT_EQ(form->Viewer2->DefVisitedLinkColor(), clWhite);
    EXPECT_EQ(form->Viewer2->DefBackground(), clBlack);
    EXPECT_EQ(form->Viewer2->HistoryMaxCount(), 10);
    EXPECT_EQ(form->Viewer2->MarginWidth(), 0);
    EXPECT_EQ(form->Viewer2->MarginHeight(), 0);
    EXPECT_FALSE(form->Viewer2->ViewImages());
    EXPECT_EQ(form->Viewer2->ScrollBars(), TScrollStyle::ssVertical);

    // Non-visual components.
    EXPECT_EQ(form->MP3Tag1->GenreID(), 12);
    EXPECT_EQ(form->NMHTTP1->TimeOut, 30000);
    EXPECT_EQ(form->NMHTTP1->ProxyPort, 8080);
    EXPECT_EQ(form->NMHTTP1->HeaderInfo.LocalProgram, "The Quavory");
    EXPECT_EQ(form->ProgressBar->Max(), 50);
    EXPECT_FALSE(form->ProgressTimer->Enabled());
    EXPECT_EQ(form->ProgressTimer->Interval(), 500u);
    EXPECT_TRUE(form->CheckPlayTimer->Enabled());
    EXPECT_EQ(form->CheckPlayTimer->Interval(), 1000u);
    ASSERT_EQ(form->PopupMenu->Count(), 2);
    EXPECT_EQ(form->PopupMenu->Items(0)->Caption, "&Proxy Settings");
    EXPECT_EQ(form->PopupMenu->Items(1)->Caption, "E&xit");
}

// The pictures fit the controls that show them: full-size pictures have their control's size,
// glyphs leave a button's frame free, the small logos fit the narrow layout's scaled buttons.
TEST_F(MainWindowTest, ArtworkFitsItsControls) {
    const struct {
        const char* name;
        int width, height; // exact size, or the largest allowed when `atMost`
        bool atMost;
    } pictures[] = {
        {"BACKGROUND", 564, 492, false},
        {"HEADING_ON", 564, 14, false},
        {"HEADING_OFF", 564, 14, false},
        {"HEADING_ON400", 400, 11, false},
        {"HEADING_OFF400", 400, 11, false},
        {"STOP_GREY", 32, 32, false},
        {"STOP_GREY_SMALL", 32, 33, false},
        {"STOP", 32 - 4, 33 - 4, true},
        {"STOP_SMALL", 26 - 4, 27 - 4, true}, // the stop button scaled to 460 x 410
        {"CLOSE", 6, 6, true},
        {"MINIMIZE", 6, 6, true},
        {"INFINITY", 14, 12, true},
        {"QUESTION", 22 - 4, 21 - 4, true},
        {"LIGHTNING", 24 - 4, 24 - 4, true},
        {"SPONSOR_LARGE", 98 - 4, 30 - 4, true},
        {"MAKER_LARGE", 67 - 4, 22 - 4, true},
        {"SPONSOR_SMALL", 80 - 4, 25 - 4, true}, // 98 x 30 and 67 x 22 scaled to the narrow layout
        {"MAKER_SMALL", 55 - 4, 18 - 4, true},
        {"CDDB", 56 - 4, 39 - 4, true},
        {"CONTINUE", 2 * 16, 16, false}, // two states side by side
    };
    for (const auto& p : pictures) {
        TBitmap b = ArtworkBitmap(p.name);
        if (p.atMost) {
            EXPECT_LE(b.Width(), p.width) << p.name;
            EXPECT_LE(b.Height(), p.height) << p.name;
            EXPECT_GT(b.Width() * b.Height(), 0) << p.name;
        } else {
            EXPECT_EQ(b.Width(), p.width) << p.name;
            EXPECT_EQ(b.Height(), p.height) << p.name;
        }
    }
    // Opaque glyphs never hold the transparent key colour (magenta); transparent ones have it at
    // the bottom left, where the button looks for it.
    for (const char* name : {"CLOSE", "MINIMIZE", "INFINITY", "SPONSOR_LARGE", "SPONSOR_SMALL", "MAKER_LARGE", "MAKER_SMALL"}) {
        TBitmap b = ArtworkBitmap(name);
        int keyed = 0;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) keyed += b.Pixel(x, y) == 0xFF00FF;
        EXPECT_EQ(keyed, 0) << name;
    }
    for (const char* name : {"STOP", "STOP_SMALL", "QUESTION", "LIGHTNING", "CDDB", "CONTINUE"}) {
        TBitmap b = ArtworkBitmap(name);
        EXPECT_EQ(b.Pixel(0, b.Height() - 1), 0xFF00FFu) << name;
    }
    EXPECT_THROW(ArtworkBitmap("NO_SUCH_PICTURE"), Exception);
}

// ------------------------------------------------------------------ the track watcher

TEST_F(MainWindowTest, WatcherShowsTheTagAndFollowsThePlayerWhileShownHiddenOrMinimised) {
    TID3v1Record a = Tag("Harbour Lights", "The Velmorra Trio");
    TID3v1Record b = Tag("Caf\xE9 au lait", "\xC9lodie");
    player.list = {{"The Velmorra Trio - Harbour Lights", music.Add("01.mp3", &a)},
                   {"Elodie - Cafe", music.Add("02.mp3", &b)},
                   {"untagged", music.Add("03 untagged.mp3", nullptr)},
                   {"THE VELMORRA TRIO - harbour LIGHTS", music.Add("04.mp3", &b)}};
    player.state = player::kStopped; // first tick: shown even though stopped
    Create();
    ASSERT_TRUE(WaitFor([&] { return !Label().empty(); }));
    EXPECT_EQ(Label(), "HARBOUR LIGHTS - THE VELMORRA TRIO");
    EXPECT_EQ(form->FocusButton1->Caption(), "Enter Rating for Harbour Lights");
    EXPECT_TRUE(form->CheckPlayTimer->Enabled());

    // Stopped: nothing changes, even when the selection moves.
    player.pos = 1;
    PumpUntil([] { return false; }, 1300);
    EXPECT_EQ(Label(), "HARBOUR LIGHTS - THE VELMORRA TRIO");

    // Playing, and hidden: the watcher still ticks; accented letters are kept.
    player.state = player::kPlaying;
    form->Hide();
    ASSERT_TRUE(WaitFor([&] { return Label() != "HARBOUR LIGHTS - THE VELMORRA TRIO"; }));
    EXPECT_EQ(Label(), "CAF\xE9 AU LAIT - \xC9LODIE");

    // Minimised: a file without a tag shows its name in capitals and a dash.
    form->Show();
    form->SetWindowState(TWindowState::wsMinimized);
    player.pos = 2;
    ASSERT_TRUE(WaitFor([&] { return Label() == "03 UNTAGGED.MP3 - "; }));
    EXPECT_EQ(form->FocusButton1->Caption(), "Enter Rating for 03 untagged.mp3");
    form->SetWindowState(TWindowState::wsNormal);

    // The same title in other letter case is not read again.
    player.pos = 0;
    ASSERT_TRUE(WaitFor([&] { return Label() == "HARBOUR LIGHTS - THE VELMORRA TRIO"; }));
    int asked = player.fileQuestions;
    player.pos = 3;
    PumpUntil([] { return false; }, 2300);
    EXPECT_EQ(player.fileQuestions, asked);
    EXPECT_EQ(Label(), "HARBOUR LIGHTS - THE VELMORRA TRIO");
}

// ------------------------------------------------------------------ stored state at creation

TEST_F(MainWindowTest, FirstStartWritesTheDefaults) {
    Create();
    EXPECT_EQ(StoredText("Cookie1"), "0");
    EXPECT_EQ(StoredText("proxy"), "First");
    EXPECT_EQ(StoredText("proxyport"), "8080");
    EXPECT_EQ(form->NMHTTP1->HeaderInfo.Cookie, "UserCookie=0");
    EXPECT_EQ(form->NMHTTP1->Proxy, "");
    EXPECT_EQ(form->NMHTTP1->ProxyPort, 8080);
}

TEST_F(MainWindowTest, AStoredProxyIsUsedFromCreation) {
    StoreText("Cookie1", "abc");
    StoreText("proxy", "proxy.example.test");
    StoreText("proxyport", "3128");
    Create();
    EXPECT_EQ(form->NMHTTP1->Proxy, "proxy.example.test");
    EXPECT_EQ(form->NMHTTP1->ProxyPort, 3128);
    EXPECT_EQ(form->NMHTTP1->HeaderInfo.Cookie, ""); // set before each request, not here
}

TEST_F(MainWindowTest, ABadStoredPortShowsTheConversionErrorOnceAndTheWindowOpens) {
    StoreText("Cookie1", "0");
    StoreText("proxy", "10.0.0.1");
    StoreText("proxyport", "80a");
    {
        TMessageBoxWatcher box("THE QUAVORY");
        Create();
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.Text(), "'80a' is not a valid integer value.");
        EXPECT_TRUE(box.HasErrorIcon());
    }
    TMessageBoxWatcher second("THE QUAVORY", IDOK, 1500);
    PumpUntil([] { return false; }, 1500);
    EXPECT_FALSE(second.Wait());
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->NMHTTP1->Proxy, "10.0.0.1");
    EXPECT_EQ(form->NMHTTP1->ProxyPort, 8080);
}

TEST_F(MainWindowTest, AValueOfAnotherTypeGivesTheDataTypeError) {
    StoreText("Cookie1", "0");
    StoreNumber("proxy", 7);
    TMessageBoxWatcher box("THE QUAVORY");
    Create();
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "Invalid data type for 'proxy'");
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

// ------------------------------------------------------------------ window commands, by mouse

// A click of the real mouse (through the system's input queue) on the middle of a control.
void ClickOn(TControl* c, TTestButton button = TTestButton::Left) {
    TPoint p = c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2});
    MouseClickAt(p.x, p.y, button);
}

TEST_F(MainWindowTest, CloseButtonHidesTheWindowAndTheWatcherGoesOn) {
    TID3v1Record a = Tag("One", "A");
    TID3v1Record b = Tag("Two", "B");
    player.list = {{"one", music.Add("1.mp3", &a)}, {"two", music.Add("2.mp3", &b)}};
    player.state = player::kPlaying;
    Create();
    ASSERT_TRUE(WaitFor([&] { return Label() == "ONE - A"; }));
    SetForegroundWindow(form->Handle());
    ClickOn(form->CloseBtn);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(form->Handle()); }));
    EXPECT_TRUE(IsWindow(form->Handle()));
    player.pos = 1;
    EXPECT_TRUE(WaitFor([&] { return Label() == "TWO - B"; }));
}

TEST_F(MainWindowTest, MinimiseButtonMinimisesTheWindow) {
    Create();
    SetForegroundWindow(form->Handle());
    ClickOn(form->MinimizeBtn);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(form->Handle()) != 0; }));
}

TEST_F(MainWindowTest, TheSystemMinimiseCommandIsAnsweredWithZeroWhateverItsLowBits) {
    Create();
    // The low four bits of the command carry platform details; they do not change its meaning.
    EXPECT_EQ(SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE | 0x2, 0), 0);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(form->Handle()) != 0; }));
    form->SetWindowState(TWindowState::wsNormal);
    // Other commands get the standard handling: SC_CLOSE closes, which hides this window.
    SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(form->Handle()); }));
    EXPECT_TRUE(IsWindow(form->Handle()));
}

TEST_F(MainWindowTest, TheMenuGlyphOpensThePopUpMenuBesideTheHeadingAndExitHides) {
    Create();
    RECT menuRect{};
    std::atomic<bool> seen{false};
    std::thread person([&] {
        for (int i = 0; i < 500 && !seen; ++i) {
            HWND m = FindWindowA("#32768", nullptr);
            if (m && IsWindowVisible(m)) {
                GetWindowRect(m, &menuRect);
                seen = true;
                // Down twice to "E&xit", then Enter.
                PostMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageA(m, WM_KEYDOWN, VK_RETURN, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    SetForegroundWindow(form->Handle());
    ClickOn(form->InfinButton);
    PumpUntil([&] { return seen && !IsWindowVisible(form->Handle()); }, 10000);
    person.join();
    ASSERT_TRUE(seen);
    EXPECT_EQ(menuRect.left, form->Left() + 22);
    EXPECT_EQ(menuRect.top, form->Top() + 16);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(MainWindowTest, ARightClickOnThePictureOpensThePopUpMenuAndItsFirstItemTheProxyDialog) {
    Create();
    std::atomic<bool> seen{false};
    std::thread person([&] {
        for (int i = 0; i < 250 && !seen; ++i) {
            HWND m = FindWindowA("#32768", nullptr);
            if (m && IsWindowVisible(m)) {
                seen = true;
                // "&Proxy Settings", the first item.
                PostMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageA(m, WM_KEYDOWN, VK_RETURN, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::string port;
    TDialogDriver dialog(" ", [&](HWND, TDialogDriver::Controls& c) {
        port = TDialogDriver::TextOf(c["PortEdit"]);
        TDialogDriver::Click(c["BitBtn2"]);
    });
    // A right click of the real mouse over the background picture, away from other controls.
    HWND w = form->Handle();
    SetForegroundWindow(w);
    TPoint p = form->ClientToScreen(TPoint{300, 440});
    MouseClickAt(p.x, p.y, TTestButton::Right);
    PumpUntil([&] { return seen.load(); }, 5000);
    person.join();
    ASSERT_TRUE(seen);
    PumpUntil([&] { return !dialog.Running(); }, 10000);
    EXPECT_TRUE(dialog.Wait());
    EXPECT_EQ(port, "8080");
    EXPECT_EQ(StoredText("proxy"), "First");
    EXPECT_TRUE(IsWindowVisible(w));
}

// ------------------------------------------------------------------ the picture

TEST_F(MainWindowTest, ScreenshotShowsTheArtworkAndTheTrack) {
    TID3v1Record a = Tag("Harbour Lights", "The Velmorra Trio");
    player.list = {{"The Velmorra Trio - Harbour Lights", music.Add("01.mp3", &a)}};
    Create();
    ASSERT_TRUE(WaitFor([&] { return !Label().empty(); }));
    SetForegroundWindow(form->Handle());
    PumpUntil([] { return false; }, 300);
    int w = 0, h = 0;
    auto px = Screenshot(form->Handle(), "main-wide", &w, &h);
    ASSERT_EQ(w, 564);
    ASSERT_EQ(h, 492);
    auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * w + x]; };
    auto isNavy = [](uint32_t p) {
        int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        return b > r + 15 && b > g + 10 && r < 60;
    };
    // The dark blue panel, the black box behind the track texts, the black slot of the bar.
    EXPECT_TRUE(isNavy(at(40, 300))) << std::hex << at(40, 300);
    EXPECT_EQ(at(90, 48), 0u);
    EXPECT_EQ(at(200, 481), 0u);
    // Some lime pixels of "CURRENT TRACK" in the box, some white ones in the heading.
    int lime = 0, white = 0;
    for (int y = 22; y < 38; ++y)
        for (int x = 200; x < 360; ++x) lime += at(x, y) == 0x00FF00;
    for (int y = 1; y < 15; ++y)
        for (int x = 240; x < 330; ++x) white += at(x, y) == 0xFFFFFF;
    EXPECT_GT(lime, 30);
    EXPECT_GT(white, 20);
}

} // namespace
