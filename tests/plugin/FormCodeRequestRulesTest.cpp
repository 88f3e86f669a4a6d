#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "net/FakeSocketDriver.h"
#include "net/NMHttp.h"
#include "net/NMURL.h"
#include "player/MP3Tag.h"
#include "plugin/FormCodeRequestRules.h"
#include "plugin/SettingsFormCodeRules.h"
#include "toolkit/Classes.h"

namespace {

struct Fields {
    std::string title, artist, album, year, comment;
    int genre;
};

std::unique_ptr<TMP3Tag> TagOf(const Fields& f) {
    auto tag = std::make_unique<TMP3Tag>(nullptr);
    tag->SetTitle(f.title);
    tag->SetArtist(f.artist);
    tag->SetAlbum(f.album);
    tag->SetYear(f.year);
    tag->SetComment(f.comment);
    tag->SetGenreID(static_cast<std::uint8_t>(f.genre));
    return tag;
}

TEST(ServiceAddresses, BaseUrlAndOutsidePages) {
    EXPECT_EQ(std::string(service::kBaseUrl), "http://" + std::string(service::kHostName) + std::string(service::kBasePath));
    EXPECT_EQ(service::kBaseUrl.size(), 34u);
    EXPECT_EQ(service::SponsorUrl(), "http://www.pellucor-hosting.com/powered/redirect.cgi?AD=velmorra-soft.com");
    EXPECT_EQ(service::MakerUrl(), "http://www.velmorra-soft.com/");
}

TEST(RatingQuery, RatingOfEachItemAndNone) {
    const std::vector<std::pair<int, std::optional<std::string>>> cases = {
        {-1, std::nullopt}, {0, "10"}, {1, "9"}, {2, "8"}, {8, "2"}, {9, "1"}, {10, std::nullopt}};
    for (const auto& [item, rating] : cases) EXPECT_EQ(RatingForItem(item), rating) << "item " << item;
}

TEST(RatingQuery, BuiltExactlyFromTheTag) {
    struct Case {
        Fields tag;
        const char* rating;
        std::string query;
    };
    const std::vector<Case> cases = {
        // The listener's example, byte for byte.
        {{"Song", "Band", "Disc", "1999", "", 17},
         "8",
         "vALBUM=Disc&&vARTIST=Band&&vCOMMENTS=&&vTITLE=Song&&vGENREID=17&&vYEAR=1999&&vRating=8"},
        // No year, no comment: empty pieces, separators kept.
        {{"Song", "Band", "Disc", "", "", 0},
         "10",
         "vALBUM=Disc&&vARTIST=Band&&vCOMMENTS=&&vTITLE=Song&&vGENREID=0&&vYEAR=&&vRating=10"},
        // Blanks and control characters trimmed at both ends, inner ones kept; the highest genre.
        {{"  Two  Words\t", "\x01The Band ", " Disc ", "2001", " nice ", 255},
         "1",
         "vALBUM=Disc&&vARTIST=The Band&&vCOMMENTS=nice&&vTITLE=Two  Words&&vGENREID=255&&vYEAR=2001&&vRating=1"},
        // Ampersands and equals signs inside a field go out as they are.
        {{"A=B", "Rock & Roll", "X", "", "", 9},
         "5",
         "vALBUM=X&&vARTIST=Rock & Roll&&vCOMMENTS=&&vTITLE=A=B&&vGENREID=9&&vYEAR=&&vRating=5"},
    };
    for (const Case& c : cases) EXPECT_EQ(BuildRatingQuery(*TagOf(c.tag), c.rating), c.query);
}

TEST(RatingQuery, YearKeepsWhatTheTagHolds) {
    auto tag = TagOf({"T", "A", "B", "", "", 1});
    tag->SetYear(std::string("19\0\0", 4));
    EXPECT_EQ(BuildRatingQuery(*tag, "3"),
              std::string("vALBUM=B&&vARTIST=A&&vCOMMENTS=&&vTITLE=T&&vGENREID=1&&vYEAR=19\0\0&&vRating=3", 76));
}

TEST(RatingQuery, EncodedForTheEngineTheBodyGoesOutAsBuilt) {
    // The query is URL-encoded for Post, which decodes it again: the wire carries it unchanged,
    // even with characters that encoding changes.
    for (const std::string& query :
         {std::string("vALBUM=Disc&&vARTIST=Band&&vCOMMENTS=&&vTITLE=Song&&vGENREID=17&&vYEAR=1999&&vRating=8"),
          std::string("vALBUM=Caf\xe9 50%+&&vARTIST=A/B?&&vCOMMENTS=&&vTITLE=x y&&vGENREID=1&&vYEAR=&&vRating=2")}) {
        auto net = std::make_shared<FakeNet>();
        net->hosts[std::string(service::kHostName)] = FakeAddr(10, 0, 0, 1);
        FakeExchange e;
        e.reply = "HTTP/1.0 200 OK\r\n\r\nthanks";
        net->exchanges.push_back(e);
        TNMHTTP http(nullptr, std::make_unique<FakeSocketDriver>(net));
        TNMURL url(nullptr);
        url.InputString = query;
        http.Post(std::string(service::kBaseUrl) + std::string(service::kEnterRatingPage), url.Encode());
        const std::string& wire = net->requests.at(0);
        ASSERT_GE(wire.size(), query.size());
        EXPECT_EQ(wire.substr(wire.size() - query.size()), query);
        EXPECT_EQ(wire.substr(0, 35), "POST /Quav/EnterRating.cfm HTTP/1.0");
    }
}

TEST(TagCompletion, AskedOnlyWhenTitleArtistOrAlbumIsMissing) {
    struct Case {
        Fields tag;
        bool ask;
    };
    const std::vector<Case> cases = {
        {{"T", "A", "B", "", "", 0}, false}, // genre, year and comment may be empty
        {{"T", "A", "", "1999", "c", 3}, true},    {{"T", "  ", "B", "", "", 0}, true},
        {{"\x01\x02", "A", "B", "", "", 0}, true}, {{"", "", "", "", "", 0}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(TagNeedsCompletion(*TagOf(c.tag)), c.ask) << c.tag.title << "/" << c.tag.artist;
}

TEST(Links, ServiceLinksStayInTheViewerOthersGoToTheBrowser) {
    const std::string base(service::kBaseUrl);
    struct Case {
        std::string url;
        TLinkDecision expected;
    };
    const std::vector<Case> cases = {
        {base + "Updates.cfm", {TLinkRoute::Service, base + "Updates.cfm?vVersion=10"}},
        {base + "Updates.cfm?x=1", {TLinkRoute::Service, base + "Updates.cfm?x=1?vVersion=10"}},
        {base + "sub/Updates.cfm.htm", {TLinkRoute::Service, base + "sub/Updates.cfm.htm?vVersion=10"}},
        {base + "updates.cfm", {TLinkRoute::Service, base + "updates.cfm"}}, // letter case counts
        {base + "Track.cfm?id=3", {TLinkRoute::Service, base + "Track.cfm?id=3"}},
        {base, {TLinkRoute::Service, base}},
        {"http://WWW.QUAVORY-MUSIC.COM/Quav/Updates.cfm", {TLinkRoute::Browser, "http://WWW.QUAVORY-MUSIC.COM/Quav/Updates.cfm"}},
        {"http://www.quavory-music.com/quav/x.cfm", {TLinkRoute::Browser, "http://www.quavory-music.com/quav/x.cfm"}},
        {"http://www.example.org/Updates.cfm", {TLinkRoute::Browser, "http://www.example.org/Updates.cfm"}},
        {base.substr(0, 33), {TLinkRoute::Browser, base.substr(0, 33)}}, // shorter than the base URL
        {"Updates.cfm", {TLinkRoute::Browser, "Updates.cfm"}},
        {"", {TLinkRoute::Browser, ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(RouteLink(c.url), c.expected) << c.url;
}

TEST(Links, PrefixIsAsLongAsTheBaseUrl) {
    EXPECT_EQ(RouteLink("http://127.0.0.1:8000/Quav/a", "http://127.0.0.1:8000/Quav/").route, TLinkRoute::Service);
    EXPECT_EQ(RouteLink("http://127.0.0.1:8001/Quav/a", "http://127.0.0.1:8000/Quav/").route, TLinkRoute::Browser);
}

TEST(Forms, FieldsJoinedWithAmpersands) {
    struct Case {
        TStringList results;
        std::string joined;
    };
    const std::vector<Case> cases = {
        {{"a=1", "b=2"}, "a=1&b=2"},
        {{}, ""},
        {{"q=x"}, "q=x"},
        {{"", "a=1"}, "a=1"},             // an empty first text is dropped
        {{"", "", "a=1"}, "a=1"},         // and so are all empty texts before the first
        {{"a=1", "", "b=2"}, "a=1&&b=2"}, // a later one leaves a bare "&"
        {{"a=1", ""}, "a=1&"},
    };
    for (const Case& c : cases) EXPECT_EQ(JoinFormResults(c.results), c.joined);
}

TEST(Cookies, ValueStoredFromTheReplysCookie) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"ID=abc; path=/", "abc"},
        {"", std::nullopt}, // no cookie: the stored value stays
        {"ID=abc", "abc"},  // no attributes: the whole value, not an empty one
        {"abc; path=/", "abc"},
        {"ID=; path=/", ""},
        {"ID=a=b; path=/", "a=b"},
        {"QuavID=L123;path=/;", "L123"},
        {"a;b=c", "a"}, // a value without a name
    };
    for (const auto& [received, stored] : cases) EXPECT_EQ(CookieValueToStore(received), stored) << received;
}

// The listener's identity over a run of requests through the engine: each request carries the
// stored value, each reply's cookie replaces it.
TEST(Cookies, TheServicesCookieIsStoredAndSentBackWithTheNextRequests) {
    struct Step {
        const char* setCookie;   // the reply's Set-Cookie line, or nullptr
        const char* sentCookie;  // the Cookie header the request carried
        const char* storedAfter; // the stored value after the reply
    };
    const Step steps[] = {
        {"ID=abc; path=/", "UserCookie=0", "abc"}, // a new listener gets one
        {nullptr, "UserCookie=abc", "abc"},        // no cookie: the stored value stays
        {"ID=xyz", "UserCookie=abc", "xyz"},       // no attributes: the value kept whole
        {nullptr, "UserCookie=xyz", "xyz"},
    };
    auto net = std::make_shared<FakeNet>();
    net->hosts[std::string(service::kHostName)] = FakeAddr(10, 0, 0, 1);
    for (const Step& s : steps) {
        FakeExchange e;
        e.reply = std::string("HTTP/1.0 200 OK\r\n") + (s.setCookie ? std::string("Set-Cookie: ") + s.setCookie + "\r\n" : "") +
                  "\r\npage";
        net->exchanges.push_back(e);
    }
    TMemoryUserStateStore store;
    store.WriteString(userstate::kCookie, "0");
    TNMHTTP http(nullptr, std::make_unique<FakeSocketDriver>(net));
    for (size_t i = 0; i < std::size(steps); ++i) {
        SetCookieFieldFromStore(store, http);
        http.Get(std::string(service::kBaseUrl) + std::string(service::kRecommendationsPage));
        TakeOverReceivedCookie(store, http);
        EXPECT_NE(net->requests.at(i).find(std::string("\r\nCookie: ") + steps[i].sentCookie + "\r\n"), std::string::npos)
            << net->requests.at(i);
        EXPECT_EQ(store.ReadString(userstate::kCookie), steps[i].storedAfter) << i;
    }

    // A store without the cookie value (not yet written) gets none from a reply.
    TMemoryUserStateStore empty;
    http.ReceivedCookie = "ID=abc; path=/";
    TakeOverReceivedCookie(empty, http);
    EXPECT_FALSE(empty.ValueExists(userstate::kCookie));
}

TEST(BusyBar, RunsFromOneToTheMaximumAndWraps) {
    int p = 0;
    std::vector<int> seen;
    for (int i = 0; i < 51; ++i) seen.push_back(p = NextProgressPosition(p));
    EXPECT_EQ(seen.front(), 1);
    EXPECT_EQ(seen[49], 50);
    EXPECT_EQ(p, 2); // 51 ticks from 0
    EXPECT_EQ(NextProgressPosition(50), 2);
    EXPECT_EQ(NextProgressPosition(49), 50);
}

} // namespace
