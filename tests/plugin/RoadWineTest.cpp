// The main window's requests over real WinSock under Wine: the window is created in this process
// with a player window of its own (answering the player's questions with files made here), its
// stored proxy pointing at a scripted server on loopback, so the request line carries the
// service's full URL and the exact bytes on the wire can be checked; the same through tinyproxy,
// and against the real rating service.
#include "toolkit/Win32.h"

#include <winsock.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "html/Htmlview.h"
#include "net/NMHttp.h"
#include "player/MP3Tag.h"
#include "player/PlayerMessages.h"
#include "plugin/FormCode.h"
#include "plugin/SettingsFormCodeRules.h"
#include "support/Deadlines.h"
#include "support/HostProcess.h"
#include "support/PeerPorts.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/Controls.h"
#include "toolkit/SysUtils.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Registry.h"
#include "toolkit/StdCtrls.h"
#include "widgets/GProgressWin32.h"

namespace {

int PortOf(const char* name) { return PeerPort("QV_ROAD_PORTS", name); }

// A scripted server on a thread of its own with blocking sockets: each connection takes the next
// queued reply (or stalls until the client goes), and the raw request bytes are recorded.
class TScriptServer {
public:
    struct Reply {
        std::string bytes;
        bool stall = false;
    };

    explicit TScriptServer(int port) {
        WSADATA wd;
        WSAStartup(0x0101, &wd);
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        BOOL reuse = TRUE;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<u_short>(port));
        sa.sin_addr.s_addr = inet_addr("127.0.0.1");
        ok_ = bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 && listen(listener_, 8) == 0;
        if (ok_) thread_ = std::thread([this] { Serve(); });
    }
    ~TScriptServer() {
        stop_ = true;
        closesocket(listener_);
        if (thread_.joinable()) thread_.join();
        WSACleanup();
    }
    bool Ok() const { return ok_; }
    void Queue(std::string bytes, bool stall = false) {
        std::lock_guard<std::mutex> l(m_);
        replies_.push_back({std::move(bytes), stall});
    }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> l(m_);
        return requests_;
    }

private:
    void Serve() {
        while (!stop_) {
            SOCKET c = accept(listener_, nullptr, nullptr);
            if (c == INVALID_SOCKET) return;
            std::string req = ReadRequest(c);
            Reply r{"HTTP/1.0 200 OK\r\n\r\n<html>default</html>", false};
            {
                std::lock_guard<std::mutex> l(m_);
                requests_.push_back(req);
                if (!replies_.empty()) {
                    r = replies_.front();
                    replies_.pop_front();
                }
            }
            if (r.stall) {
                char b[256];
                while (!stop_ && recv(c, b, sizeof b, 0) > 0) {}
            } else {
                send(c, r.bytes.data(), static_cast<int>(r.bytes.size()), 0);
            }
            closesocket(c);
        }
    }
    static std::string ReadRequest(SOCKET c) {
        std::string d;
        char b[4096];
        size_t need = std::string::npos;
        for (int guard = 0; guard < 10000; ++guard) {
            size_t end = d.find("\r\n\r\n");
            if (end != std::string::npos && need == std::string::npos) {
                need = end + 4;
                size_t cl = d.find("Content-Length: ");
                if (cl != std::string::npos && cl < end) need += static_cast<size_t>(std::atoi(d.c_str() + cl + 16));
            }
            if (need != std::string::npos && d.size() >= need) break;
            int n = recv(c, b, sizeof b, 0);
            if (n <= 0) break;
            d.append(b, static_cast<size_t>(n));
        }
        return d;
    }

    SOCKET listener_ = INVALID_SOCKET;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex m_;
    std::deque<Reply> replies_;
    std::vector<std::string> requests_;
};

// The player, in this process: one playlist entry whose file and title it answers.
struct TPlayerWindow {
    static inline std::string file, title;
    HWND wnd = nullptr;
    TPlayerWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "RoadTestPlayer";
        RegisterClassA(&wc);
        wnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~TPlayerWindow() { DestroyWindow(wnd); }
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg != player::kMessage) return DefWindowProcA(w, msg, wp, lp);
        switch (lp) {
        case player::kIsPlaying: return 1;
        case player::kGetListPos: return 0;
        case player::kGetPlaylistFile: return reinterpret_cast<LRESULT>(file.c_str());
        case player::kGetPlaylistTitle: return reinterpret_cast<LRESULT>(title.c_str());
        default: return 0;
        }
    }
};

std::string TempDir() {
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    return buf;
}

// A small MP3 file with an ID3v1 tag of these fields.
std::string MakeMp3(const std::string& name, const TID3v1Record& rec) {
    std::string path = TempDir() + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    std::string audio(1000, '\xff');
    f.write(audio.data(), static_cast<std::streamsize>(audio.size()));
    TID3v1Block block = EncodeID3v1(rec);
    f.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    return path;
}

TID3v1Record Tag(std::string title, std::string artist, std::string album, std::string year, std::string comment, int genre) {
    TID3v1Record r;
    r.Marker = "TAG";
    r.Title = std::move(title);
    r.Artist = std::move(artist);
    r.Album = std::move(album);
    r.Year = std::move(year);
    r.Comment = std::move(comment);
    r.GenreID = static_cast<std::uint8_t>(genre);
    return r;
}

const std::string kBase = "http://www.quavory-music.com/Quav/";

std::string BodyOf(const std::string& request) {
    size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}
std::string LineOf(const std::string& request) { return request.substr(0, request.find("\r\n")); }
std::string CookieOf(const std::string& request) {
    size_t at = request.find("\r\nCookie: ");
    if (at == std::string::npos) return "<none>";
    at += 10;
    return request.substr(at, request.find("\r\n", at) - at);
}

class Road : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(PortOf("SCRIPT_PORT"), 0) << "QV_ROAD_PORTS does not name the fixture's port file";
        Application->SetTitle("THE QUAVORY");
        Application->Initialize();
        UseProxy(PortOf("SCRIPT_PORT"));
        Store("Cookie1", "0");
        server = std::make_unique<TScriptServer>(PortOf("SCRIPT_PORT"));
        ASSERT_TRUE(server->Ok());
        TPlayerWindow::file = MakeMp3("road_song.mp3", Tag("Song", "Band", "Disc", "1999", "", 17));
        TPlayerWindow::title = "Band - Song";
        HWND playerWnd = player.wnd;
        form = std::make_unique<TForm1>(Application, [playerWnd] { return playerWnd; });
        form->Show();
    }
    void TearDown() override {
        form.reset();
        server.reset();
    }

    // The stored proxy, as the proxy dialog leaves it: every request goes to this port.
    static void UseProxy(int port) {
        Store("proxy", "127.0.0.1");
        Store("proxyport", std::to_string(port));
    }
    static void Store(const std::string& name, const std::string& value) {
        TRegistry r;
        r.OpenKey(userstate::kKeyPath, true);
        r.WriteString(name, value);
    }
    static std::string Stored(const std::string& name) {
        TRegistry r;
        r.OpenKey(userstate::kKeyPath, true);
        return r.ReadString(name);
    }
    void PointEngineAt(int port) {
        form->NMHTTP1->Proxy = "127.0.0.1";
        form->NMHTTP1->ProxyPort = port;
    }

    void Rate(int item) {
        form->RatingsComboBox->SetItemIndex(item);
        form->FocusButton1Click(nullptr);
    }
    static bool Idle(TForm1& f) {
        return !f.ProgressTimer->Enabled() && f.ProgressBar->Position() == 0 && !f.StopButton->Visible() &&
               !f.StopButtonSmall->Visible() && ScreenCursor() == crDefault;
    }
    bool Idle() { return Idle(*form); }

    TPlayerWindow player;
    std::unique_ptr<TScriptServer> server;
    std::unique_ptr<TForm1> form;
};

TEST_F(Road, RatingGoesOutByteForByteAndTheCookieComesBack) {
    server->Queue("HTTP/1.0 200 OK\r\nSet-Cookie: ID=abc; path=/\r\n\r\n<html>Thank you</html>");
    EXPECT_FALSE(form->Viewer2->Visible());
    Rate(2);
    auto reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(LineOf(reqs[0]), "POST " + kBase + "EnterRating.cfm HTTP/1.0");
    EXPECT_EQ(BodyOf(reqs[0]), "vALBUM=Disc&&vARTIST=Band&&vCOMMENTS=&&vTITLE=Song&&vGENREID=17&&vYEAR=1999&&vRating=8");
    EXPECT_EQ(CookieOf(reqs[0]), "UserCookie=0");
    EXPECT_EQ(Stored("Cookie1"), "abc");
    EXPECT_TRUE(form->Viewer2->Visible());
    EXPECT_EQ(form->Memo->Text(), "<html>Thank you</html>");
    EXPECT_EQ(form->PagesShown(), 1);
    EXPECT_EQ(form->RatingsComboBox->ItemIndex(), -1);
    EXPECT_TRUE(Idle());

    // The next request carries the stored value; a reply without a cookie leaves it.
    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>recommended</html>");
    form->BitBtn5Click(nullptr);
    reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(LineOf(reqs[1]), "GET " + kBase + "GetRecomendations.cfm HTTP/1.0");
    EXPECT_EQ(CookieOf(reqs[1]), "UserCookie=abc");
    EXPECT_EQ(Stored("Cookie1"), "abc");
    EXPECT_EQ(form->PagesShown(), 2);
}

TEST_F(Road, RatingOfEachEndAndATagWithoutYearOrComment) {
    TPlayerWindow::file = MakeMp3("road_noyear.mp3", Tag("Song", "Band", "Disc", "", "", 0));
    Rate(0);
    Rate(9);
    auto reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 2u);
    // An empty year read from a file is four zero bytes in the tag component: sent as held.
    EXPECT_EQ(BodyOf(reqs[0]),
              std::string("vALBUM=Disc&&vARTIST=Band&&vCOMMENTS=&&vTITLE=Song&&vGENREID=0&&vYEAR=\0\0\0\0&&vRating=10", 86));
    EXPECT_EQ(BodyOf(reqs[1]).substr(BodyOf(reqs[1]).size() - 11), "&&vRating=1");
}

TEST_F(Road, NoRatingSelectedShowsTheBoxAndSendsNothing) {
    TMessageBoxWatcher box("Error");
    form->RatingsComboBox->SetItemIndex(-1);
    form->FocusButton1Click(nullptr);
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "Please select a Rating");
    EXPECT_TRUE(server->Requests().empty());
}

BOOL CALLBACK CollectChild(HWND c, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(c);
    return TRUE;
}

// Presses a button of the missing-tag dialog from a second thread, after filling its fields when
// an album is given.
void AnswerTagDialog(const char* album, int buttonIndex, std::atomic<bool>& seen) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 20000) {
        HWND dlg = nullptr;
        // The dialog is the visible top-level window captioned " " of this process.
        for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, " "); w; w = FindWindowExA(nullptr, w, nullptr, " ")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && IsWindowVisible(w)) dlg = w;
        }
        if (dlg) {
            std::vector<HWND> all, edits, buttons;
            EnumChildWindows(dlg, CollectChild, reinterpret_cast<LPARAM>(&all));
            for (HWND c : all) {
                char cls[32] = {};
                GetClassNameA(c, cls, sizeof cls);
                if (lstrcmpiA(cls, "Edit") == 0) edits.push_back(c);
                if (lstrcmpiA(cls, "Button") == 0) buttons.push_back(c);
            }
            if (edits.size() >= 3 && buttons.size() >= 2) {
                if (album) {
                    // The dialog asks for all three: title and artist as the tag has them.
                    SendMessageA(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Song"));
                    SendMessageA(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Band"));
                    SendMessageA(edits[2], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(album));
                }
                seen = true;
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(buttons[static_cast<size_t>(buttonIndex)]), BN_CLICKED),
                             reinterpret_cast<LPARAM>(buttons[static_cast<size_t>(buttonIndex)]));
                return;
            }
        }
        Sleep(50);
    }
    std::printf("the missing-tag dialog did not show\n");
    std::fflush(stdout);
}

TEST_F(Road, TagDialogCancelledSendsNothingAndCompletedTagIsWrittenAndSent) {
    const std::string path = MakeMp3("road_noalbum.mp3", Tag("Song", "Band", "", "2000", "", 5));
    TPlayerWindow::file = path;
    {
        std::atomic<bool> seen{false};
        std::thread t(AnswerTagDialog, nullptr, 1, std::ref(seen)); // Cancel
        Rate(3);
        t.join();
        EXPECT_TRUE(seen);
        EXPECT_TRUE(server->Requests().empty());
        EXPECT_EQ(form->RatingsComboBox->ItemIndex(), 3); // the rating stays selected
    }
    {
        std::atomic<bool> seen{false};
        std::thread t(AnswerTagDialog, "New Disc", 0, std::ref(seen)); // Continue
        Rate(3);
        t.join();
        EXPECT_TRUE(seen);
        auto reqs = server->Requests();
        ASSERT_EQ(reqs.size(), 1u);
        EXPECT_EQ(BodyOf(reqs[0]).substr(0, 26), "vALBUM=New Disc&&vARTIST=B");
        TMP3Tag reread(nullptr);
        reread.SetFilename(path);
        EXPECT_EQ(Trim(reread.Album()), "New Disc");
    }
}

TEST_F(Road, ReadOnlyFileGivesTheOpenErrorAndSendsNothing) {
    const std::string path = MakeMp3("road_readonly.mp3", Tag("Song", "Band", "", "", "", 5));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    TPlayerWindow::file = path;
    std::atomic<bool> seen{false};
    TMessageBoxWatcher box("THE QUAVORY");
    std::thread t(AnswerTagDialog, "Disc", 0, std::ref(seen));
    GuardedCall([&] { Rate(4); }); // the error ends the handler and is shown as the toolkit shows it
    t.join();
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "Cannot open file " + path + ".");
    EXPECT_TRUE(server->Requests().empty());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Road, LinksIntoTheServiceAreFetchedOthersLeaveThePage) {
    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>first</html>");
    form->BitBtn5Click(nullptr);
    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>updates</html>");
    bool handled = false;
    form->Viewer2HotSpotClick(nullptr, kBase + "Updates.cfm", handled);
    EXPECT_TRUE(handled);
    auto reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(LineOf(reqs[1]), "GET " + kBase + "Updates.cfm?vVersion=10 HTTP/1.0");
    EXPECT_EQ(form->Memo->Text(), "<html>updates</html>");

    // Outside the service (another site, other letter case, too short): the browser gets it
    // (none is registered here, so nothing starts) and the viewer keeps its page.
    for (const std::string& url : {std::string("http://www.example.org/Updates.cfm"),
                                   std::string("http://WWW.QUAVORY-MUSIC.COM/Quav/x.cfm"), kBase.substr(0, 20)}) {
        handled = false;
        form->Viewer2HotSpotClick(nullptr, url, handled);
        EXPECT_TRUE(handled);
    }
    EXPECT_EQ(server->Requests().size(), 2u);
    EXPECT_EQ(form->Memo->Text(), "<html>updates</html>");
    EXPECT_EQ(form->PagesShown(), 2);
}

TEST_F(Road, FormsArePostedToTheirActionWhateverTheirMethod) {
    // A page is shown first: forms are submitted from the pages the viewer shows.
    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>page</html>");
    form->BitBtn5Click(nullptr);
    ASSERT_TRUE(form->Viewer2->Visible());
    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>found</html>");
    auto results = std::make_unique<TStringList>(std::initializer_list<std::string>{"a=1", "b=2"});
    // Through the viewer's own queue, as a submitted form arrives.
    form->Viewer2->SubmitForm(kBase + "Search.cfm", "", "", "GET", std::move(results));
    ASSERT_TRUE(PumpUntil([&] { return form->PagesShown() == 2; }, 20000));
    auto reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(LineOf(reqs[1]), "POST " + kBase + "Search.cfm HTTP/1.0");
    EXPECT_EQ(BodyOf(reqs[1]), "a=1&b=2");
    EXPECT_EQ(form->Memo->Text(), "<html>found</html>");
}

TEST_F(Road, BusyBarWrapsAndA404PageIsShownWithTheIndicatorEnded) {
    for (int i = 0; i < 51; ++i) form->ProgressTimerTimer(nullptr);
    EXPECT_EQ(form->ProgressBar->Position(), 2);
    form->ProgressBar->SetPosition(0);

    server->Queue("HTTP/1.0 404 Not Found\r\n\r\n<html>missing</html>");
    form->BitBtn5Click(nullptr);
    EXPECT_EQ(form->Memo->Text(), "<html>missing</html>");
    EXPECT_TRUE(form->Viewer2->Visible());
    EXPECT_TRUE(Idle());
}

TEST_F(Road, RefusedConnectionShowsTheErrorLoadsNothingAndEndsTheIndicator) {
    PointEngineAt(PortOf("REFUSED_PORT"));
    TMessageBoxWatcher box("THE QUAVORY");
    GuardedCall([&] { form->BitBtn5Click(nullptr); });
    ASSERT_TRUE(box.Wait());
    EXPECT_FALSE(box.Text().empty());
    EXPECT_TRUE(box.HasErrorIcon());
    EXPECT_EQ(form->PagesShown(), 0);
    EXPECT_FALSE(form->Viewer2->Visible());
    EXPECT_TRUE(Idle());
}

// Timer callbacks that act on the window while one of its requests waits.
TForm1* g_target = nullptr;
TForm1* g_released = nullptr;

void CALLBACK PressStop(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EXPECT_TRUE(g_target->StopButton->Visible() || g_target->StopButtonSmall->Visible());
    EXPECT_TRUE(g_target->ProgressTimer->Enabled());
    g_target->StopButtonClick(nullptr);
}

void CALLBACK QuitNow(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_target->Release(); // the player's quit: a handler waits, so the window is not freed now
    EXPECT_TRUE(g_target->ReleasePending());
    g_released = g_target;
}

TEST_F(Road, StopDuringAStalledReplyThenRecommendationsSendOnlyTheNewRequest) {
    server->Queue("", true);
    // The stop button, pressed while the rating waits.
    g_target = form.get();
    UINT_PTR timer = SetTimer(nullptr, 0, 700, PressStop);
    ASSERT_NE(timer, 0u);
    TMessageBoxWatcher box("THE QUAVORY");
    GuardedCall([&] { Rate(1); });
    ASSERT_TRUE(box.Wait());
    EXPECT_FALSE(box.Text().empty());
    EXPECT_EQ(form->PagesShown(), 0);
    EXPECT_TRUE(Idle());

    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>recs</html>");
    form->BitBtn5Click(nullptr);
    auto reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[1].substr(0, 4), "GET ");
    EXPECT_EQ(reqs[1].find("vRating"), std::string::npos);
    EXPECT_EQ(BodyOf(reqs[1]), "");
    EXPECT_EQ(form->Memo->Text(), "<html>recs</html>");
}

TEST_F(Road, QuitWhileARequestWaitsFreesTheWindowAfterTheHandler) {
    server->Queue("", true);
    TForm1* w = form.release(); // freed by its release from here on
    g_target = w;
    g_released = nullptr;
    SetTimer(nullptr, 0, 700, QuitNow);
    w->EnterHandler();                              // as the window procedure brackets a click
    GuardedCall([&] { w->BitBtn5Click(nullptr); }); // quiet: no box after a quit
    EXPECT_EQ(g_released, w);
    EXPECT_EQ(w->PagesShown(), 0);
    EXPECT_TRUE(Idle(*w));
    EXPECT_TRUE(w->LeaveHandler()); // the outermost handler returned: now it goes
}

TEST_F(Road, RedirectCookieIsKeptAsTheListenersOwn) {
    server->Queue("HTTP/1.0 302 Found\r\nSet-Cookie: ID=red; path=/\r\nLocation: " + kBase + "Next.cfm\r\n\r\n");
    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>next</html>");
    server->Queue("HTTP/1.0 200 OK\r\n\r\n<html>link</html>");
    form->BitBtn5Click(nullptr);
    bool handled = false;
    form->Viewer2HotSpotClick(nullptr, kBase + "Track.cfm", handled);
    auto reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 3u);
    EXPECT_EQ(LineOf(reqs[1]), "GET " + kBase + "Next.cfm HTTP/1.0");
    EXPECT_EQ(CookieOf(reqs[1]), "UserCookie=red");
    EXPECT_EQ(CookieOf(reqs[2]), "UserCookie=red");
    EXPECT_EQ(Stored("Cookie1"), "red");
}

TEST_F(Road, ThroughTinyproxyTheBodyStillGoesOutAsBuilt) {
    PointEngineAt(PortOf("PROXY_SCRIPT_PORT"));
    server->Queue("HTTP/1.0 200 OK\r\nSet-Cookie: ID=viaproxy; path=/\r\n\r\n<html>ok</html>");
    Rate(2);
    auto reqs = server->Requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_NE(reqs[0].find("/Quav/EnterRating.cfm HTTP/1.0\r\n"), std::string::npos) << reqs[0];
    EXPECT_NE(reqs[0].find("\r\nVia: "), std::string::npos); // it did pass the proxy
    EXPECT_EQ(BodyOf(reqs[0]), "vALBUM=Disc&&vARTIST=Band&&vCOMMENTS=&&vTITLE=Song&&vGENREID=17&&vYEAR=1999&&vRating=8");
    EXPECT_EQ(Stored("Cookie1"), "viaproxy");
}

TEST_F(Road, TheRealServiceDirectlyAndThroughTinyproxy) {
    for (const char* port : {"SERVICE_PORT", "PROXY_SERVICE_PORT"}) {
        Store("Cookie1", "0");
        PointEngineAt(PortOf(port));
        form->NMHTTP1->HeaderInfo.Cookie.clear();
        Rate(0);
        const std::string cookie = Stored("Cookie1");
        EXPECT_EQ(cookie.substr(0, 1), "Q") << port; // a new listener got the service's cookie
        EXPECT_NE(form->Memo->Text().find("is stored"), std::string::npos) << form->Memo->Text();
        form->BitBtn5Click(nullptr);
        EXPECT_NE(form->Memo->Text().find("Recommended for you"), std::string::npos);
        EXPECT_EQ(Stored("Cookie1"), cookie); // no new cookie for a known listener
        EXPECT_TRUE(Idle());
    }
}

// The real library inside the stand-in player: the player closes (and calls quit, then unloads
// the library) while "Get Recommendations" waits for a reply that never comes. The request is
// aborted, the window goes after its handler, and the player ends cleanly.
BOOL CALLBACK FindPluginWindow(HWND w, LPARAM p) {
    char text[16] = {};
    GetWindowTextA(w, text, sizeof text);
    if (lstrcmpA(text, "QUAVORY") != 0) return TRUE;
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
}

BOOL CALLBACK FindRecommendationsButton(HWND c, LPARAM p) {
    char text[32] = {};
    GetWindowTextA(c, text, sizeof text);
    if (lstrcmpA(text, "Get Recommendations") != 0) return TRUE;
    *reinterpret_cast<HWND*>(p) = c;
    return FALSE;
}

TEST_F(Road, PlayerQuitsWhileThePluginWaitsForTheService) {
    form.reset(); // the plug-in's window of this test lives in the player
    server->Queue("", true);
    THostProcess host(QV_HOST_EXE, "--plugins \"" + WinPath(QV_PLUGIN_DIR) + "\"");
    ASSERT_NE(host.wnd, nullptr);
    HWND plugin = nullptr, button = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            EnumThreadWindows(host.pi.dwThreadId, FindPluginWindow, reinterpret_cast<LPARAM>(&plugin));
            return plugin != nullptr;
        },
        kOtherProcessMs));
    EnumChildWindows(plugin, FindRecommendationsButton, reinterpret_cast<LPARAM>(&button));
    ASSERT_NE(button, nullptr);
    PostMessageA(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return server->Requests().size() == 1; }, kOtherProcessMs));
    PostMessageA(host.wnd, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(host.pi.hProcess, kOtherProcessMs), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(host.pi.hProcess, &code);
    EXPECT_EQ(code, 0u); // no crash on the way out
    EXPECT_EQ(server->Requests().size(), 1u);
}

} // namespace
