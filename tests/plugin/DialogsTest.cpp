// The proxy dialog and the missing-tag dialog under Wine, driven from a second thread the way a
// person drives them: reading what they show, typing, ticking, picking and clicking.
#include <gtest/gtest.h>

#include "WindowTestKit.h"
#include "net/NMHttp.h"
#include "plugin/FormCode.h"
#include "plugin/SettingsFormCode.h"
#include "plugin/TagFormCode.h"
#include "toolkit/Application.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"
#include "widgets/pvlUrl.h"

namespace {

using Controls = TDialogDriver::Controls;

class ProxyDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->SetTitle("THE QUAVORY");
        Application->Initialize();
        ClearUserState();
    }
    void TearDown() override {
        delete form;
        ClearUserState();
    }
    void Create() {
        form = new TForm1(Application, [this] { return player.wnd; });
        form->Show();
    }
    TTestPlayer player;
    TForm1* form = nullptr;
};

struct Shown {
    std::string address, port;
    bool noProxy = false;
};

Shown ReadDialog(Controls& c) {
    return {TDialogDriver::TextOf(c["ProxyEdit"]), TDialogDriver::TextOf(c["PortEdit"]),
            TDialogDriver::Checked(c["ProxyCheckBox"])};
}

TEST_F(ProxyDialogTest, FirstShowingHasAnEmptyAddressAndTheDefaultPortAndTickingWritesOnlyProxy) {
    Create();
    StoreText("proxyport", "3128"); // "Not Needed" must leave the port's text alone
    Shown shown;
    TDialogDriver person(" ", [&](HWND dialog, Controls& c) {
        shown = ReadDialog(c);
        Screenshot(dialog, "proxy-dialog");
        TDialogDriver::Click(c["ProxyCheckBox"]);
        TDialogDriver::Click(c["BitBtn1"]);
    });
    form->CheckProxy();
    ASSERT_TRUE(person.Wait());
    EXPECT_EQ(shown.address, "");
    EXPECT_EQ(shown.port, "3128");
    EXPECT_FALSE(shown.noProxy);
    EXPECT_EQ(StoredText("proxy"), "Not Needed");
    EXPECT_EQ(StoredText("proxyport"), "3128");
    EXPECT_EQ(form->NMHTTP1->Proxy, "");
    // The next showing has the box ticked and both texts empty.
    TDialogDriver again(" ", [&](HWND, Controls& c) {
        shown = ReadDialog(c);
        TDialogDriver::Click(c["BitBtn2"]);
    });
    form->CheckProxy();
    ASSERT_TRUE(again.Wait());
    EXPECT_TRUE(shown.noProxy);
    EXPECT_EQ(shown.address, "");
    EXPECT_EQ(shown.port, "");
}

TEST_F(ProxyDialogTest, CancellingLeavesFirstAndTheEngineAlone) {
    Create();
    TDialogDriver person(" ", [&](HWND, Controls& c) {
        TDialogDriver::Type(c["ProxyEdit"], "typed.example.test");
        TDialogDriver::Click(c["BitBtn2"]);
    });
    form->CheckProxy();
    ASSERT_TRUE(person.Wait());
    EXPECT_EQ(StoredText("proxy"), "First");
    EXPECT_EQ(StoredText("proxyport"), "8080");
    EXPECT_EQ(form->NMHTTP1->Proxy, "");
}

TEST_F(ProxyDialogTest, AStoredProxyIsShownAndATypedOneIsStoredAsTypedAndApplied) {
    StoreText("Cookie1", "0");
    StoreText("proxy", "proxy.example.test");
    StoreText("proxyport", "3128");
    Create();
    Shown shown;
    TDialogDriver person(" ", [&](HWND, Controls& c) {
        shown = ReadDialog(c);
        TDialogDriver::Type(c["ProxyEdit"], " 10.1.1.1");
        TDialogDriver::Type(c["PortEdit"], "3129");
        TDialogDriver::Click(c["BitBtn1"]);
    });
    form->CheckProxy();
    ASSERT_TRUE(person.Wait());
    EXPECT_EQ(shown.address, "proxy.example.test");
    EXPECT_EQ(shown.port, "3128");
    EXPECT_FALSE(shown.noProxy);
    EXPECT_EQ(StoredText("proxy"), " 10.1.1.1");
    EXPECT_EQ(StoredText("proxyport"), "3129");
    EXPECT_EQ(form->NMHTTP1->Proxy, " 10.1.1.1");
    EXPECT_EQ(form->NMHTTP1->ProxyPort, 3129);
}

TEST_F(ProxyDialogTest, APortThatIsNoNumberIsStoredThenReportedAndThePortStays) {
    Create();
    TMessageBoxWatcher box("THE QUAVORY");
    TDialogDriver person(" ", [&](HWND, Controls& c) {
        TDialogDriver::Type(c["ProxyEdit"], "10.0.0.2");
        TDialogDriver::Type(c["PortEdit"], "x1");
        TDialogDriver::Click(c["BitBtn1"]);
    });
    // The menu item runs the dialog; its error ends there, in the standard box.
    GuardedCall([&] { form->Settings1->Click(); });
    ASSERT_TRUE(person.Wait());
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "'x1' is not a valid integer value.");
    EXPECT_EQ(StoredText("proxy"), "10.0.0.2");
    EXPECT_EQ(StoredText("proxyport"), "x1");
    EXPECT_EQ(form->NMHTTP1->Proxy, "10.0.0.2");
    EXPECT_EQ(form->NMHTTP1->ProxyPort, 8080);
}

TEST_F(ProxyDialogTest, AStoredValueOfAnotherTypeGivesTheErrorAndTheDialogStillOpens) {
    Create();
    StoreNumber("proxy", 1);
    TMessageBoxWatcher box("THE QUAVORY");
    TDialogDriver person(" ", [&](HWND, Controls& c) { TDialogDriver::Click(c["BitBtn2"]); });
    form->CheckProxy();
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "Invalid data type for 'proxy'");
    EXPECT_TRUE(person.Wait());
}

// ------------------------------------------------------------------ the tag dialog

// Records the address instead of starting a browser.
class TRecordingUrl : public TpvlUrl {
public:
    using TpvlUrl::TpvlUrl;
    std::vector<std::string> opened;
    int ReadClassesValue(const std::string& key, std::string& value) override {
        value = key == ".htm" ? "htmlfile" : "\"C:\\browser.exe\" \"%1\"";
        return 0;
    }

protected:
    unsigned RunCommandLine(const std::string& commandLine, int) override {
        opened.push_back(commandLine);
        return 33;
    }
};

class TagDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->SetTitle("THE QUAVORY");
        Application->Initialize();
        TID3v1Record old = Tag("", "Old Artist", "");
        old.Year = "1999";
        old.Comment = "kept";
        file = music.Add("song.mp3", &old);
        tag.SetFilename(file);
    }
    int IndexOf(const TTagForm& dialog, const char* genre) {
        for (size_t i = 0; i < dialog.PickList().size(); ++i)
            if (dialog.PickList()[i].Name == genre) return static_cast<int>(i);
        return -1;
    }
    TMusicFolder music;
    std::string file;
    TMP3Tag tag{nullptr};
    TRecordingUrl url{nullptr};
};

TEST_F(TagDialogTest, ContinueWithCompleteAnswersFillsTheTagAndClosesWithOk) {
    const struct {
        const char* title;
        const char* artist;
        const char* album;
        const char* genre; // nullptr: none picked
        const char* wantTitle;
        int wantGenre;
    } cases[] = {
        {"Song", "Band", "Disc", nullptr, "Song", 0},
        {"Song", "Band", "Disc", "Folklore", "Song", 114},
        {"Song", "Band", "Disc", "Bebob", "Song", 84},
        {"Song", "Band", "Disc", "Acid", "Song", 34},
        {"   Leading", "Band", "Disc", nullptr, "   Leading", 0},
        {"A title of forty characters, cut to 30.", "Band", "Disc", nullptr, "A title of forty characters, c", 0},
    };
    for (const auto& c : cases) {
        tag.SetFilename(file);
        TTagForm dialog(Application, tag, url);
        int pick = c.genre ? IndexOf(dialog, c.genre) : -1;
        TDialogDriver person(" ", [&](HWND, Controls& w) {
            TDialogDriver::Type(w["TitleEdit"], c.title);
            TDialogDriver::Type(w["ArtistEdit"], c.artist);
            TDialogDriver::Type(w["AlbumEdit"], c.album);
            if (pick >= 0) TDialogDriver::Pick(w["GenreComboBox"], pick);
            TDialogDriver::Click(w["BitBtn1"]);
        });
        EXPECT_EQ(dialog.ShowModal(), mrOk) << c.title;
        ASSERT_TRUE(person.Wait());
        EXPECT_EQ(tag.Title(), c.wantTitle);
        EXPECT_EQ(tag.Artist(), c.artist);
        EXPECT_EQ(tag.Album(), c.album);
        EXPECT_EQ(tag.GenreID(), c.wantGenre) << c.genre;
        EXPECT_EQ(tag.Year(), "1999"); // not touched
        EXPECT_EQ(TrimRight(tag.Comment()), "kept");
    }
    // Nothing was written to the file.
    TMP3Tag reread(nullptr);
    reread.SetFilename(file);
    EXPECT_EQ(TrimRight(reread.Artist()), "Old Artist");
}

TEST_F(TagDialogTest, MissingAnswersAreNamedAndTheDialogStaysOpenWithItsEntries) {
    const struct {
        const char* title;
        const char* artist;
        const char* album;
        const char* message;
    } cases[] = {
        {"", "Band", "", "Please enter :\r\nthe track title\r\nthe album title"},
        {"Song", "   ", "Disc", "Please enter :\r\nthe artist name"},
        {"", "", "", "Please enter :\r\nthe track title\r\nthe artist name\r\nthe album title"},
    };
    for (const auto& c : cases) {
        tag.SetFilename(file);
        TTagForm dialog(Application, tag, url);
        std::string message, titleAfter;
        bool sawBox = false;
        TDialogDriver person(" ", [&](HWND d, Controls& w) {
            TDialogDriver::Type(w["TitleEdit"], c.title);
            TDialogDriver::Type(w["ArtistEdit"], c.artist);
            TDialogDriver::Type(w["AlbumEdit"], c.album);
            TMessageBoxWatcher box("Error");
            PostMessageA(w["BitBtn1"], BM_CLICK, 0, 0);
            sawBox = box.Wait();
            message = box.Text();
            if (std::string(c.title).empty()) Screenshot(d, "tag-dialog");
            titleAfter = TDialogDriver::TextOf(w["TitleEdit"]);
            TDialogDriver::Click(w["BitBtn2"]);
        });
        EXPECT_EQ(dialog.ShowModal(), mrCancel);
        ASSERT_TRUE(person.Wait());
        EXPECT_TRUE(sawBox);
        // The box's static text shows CR LF line breaks as they were given.
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(titleAfter, c.title);
        // Cancel leaves the tag as it was read.
        EXPECT_EQ(TrimRight(tag.Artist()), "Old Artist");
        EXPECT_EQ(TrimRight(tag.Title()), "");
    }
}

TEST_F(TagDialogTest, TheDialogShowsItsTextsAndTheSortedGenresAndTheLogoOpensTheLookUpSite) {
    TTagForm dialog(Application, tag, url);
    EXPECT_EQ(dialog.Left(), 267);
    EXPECT_EQ(dialog.Top(), 210);
    EXPECT_EQ(dialog.ClientWidth(), 456);
    EXPECT_EQ(dialog.ClientHeight(), 286);
    EXPECT_EQ(dialog.Label4->Caption(),
              "This MP3 file is missing some information. It is important to complete all details accurately. If  you "
              "are unsure you can look up details  on the CDDB site.  ");
    ASSERT_EQ(dialog.GenreComboBox->Count(), 115);
    EXPECT_EQ(dialog.GenreComboBox->Item(0), "Acid");
    EXPECT_EQ(dialog.GenreComboBox->Item(114), "Vocal");
    EXPECT_EQ(dialog.GenreComboBox->ItemIndex(), -1);
    EXPECT_EQ(dialog.GenreComboBox->DropDownCount(), 15);
    EXPECT_FALSE(dialog.BitBtn4->Visible());
    // Fields start empty even though the tag holds an artist.
    EXPECT_EQ(dialog.ArtistEdit->Text(), "");

    TDialogDriver person(" ", [&](HWND, Controls& w) {
        TDialogDriver::Click(w["BitBtn3"]);
        TDialogDriver::Click(w["BitBtn2"]);
    });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    ASSERT_TRUE(person.Wait());
    ASSERT_EQ(url.opened.size(), 1u);
    EXPECT_NE(url.opened[0].find(kCddbHomePage), std::string::npos);
}

} // namespace
