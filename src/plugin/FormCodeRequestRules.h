// The main window's conversation with the service, in the parts that need no window: where the
// service and the outside pages live, the rating query, which links stay in the viewer, how a
// submitted form is joined, what a reply's cookie leaves stored, and the busy bar's step. Portable; FormCodeRequests.cpp
// wires them to the window's controls and the HTTP engine.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

class TMP3Tag;
class TNMHTTP;
class TStringList;
class TUserStateStore;

// Every host name the plug-in talks to or opens, in one place.
namespace service {
// The service. Its base URL is "http://" + host + "/Quav/": 34 characters with this host.
constexpr std::string_view kHostName = "www.quavory-music.com";
constexpr std::string_view kBasePath = "/Quav/";
constexpr std::string_view kBaseUrl = "http://www.quavory-music.com/Quav/";
static_assert(kBaseUrl.size() == 34);

// Pages below the base URL.
constexpr std::string_view kEnterRatingPage = "EnterRating.cfm";
constexpr std::string_view kRecommendationsPage = "GetRecomendations.cfm";
constexpr std::string_view kManualPage = "manual/QuavoryManual.htm";
// A link naming the updates page gets the plug-in's version attached.
constexpr std::string_view kUpdatesPage = "Updates.cfm";
constexpr std::string_view kVersionQuery = "?vVersion=10";

// The manual kept beside the player, below its folder.
constexpr std::string_view kLocalManual = "plugins\\QuavoryManual.htm";

// The sponsor's redirect page, told which site sent the listener; the maker's home page.
constexpr std::string_view kSponsorHost = "www.pellucor-hosting.com";
constexpr std::string_view kMakerDomain = "velmorra-soft.com";
constexpr std::string_view kMakerHost = "www.velmorra-soft.com";

std::string SponsorUrl(); // http://<sponsor>/powered/redirect.cgi?AD=<maker's domain>
std::string MakerUrl();   // http://<maker's host>/
} // namespace service

// The rating sent for item `itemIndex` of the rating list: "10" for item 0 down to "1" for item
// 9; nullopt for any other index (nothing selected).
std::optional<std::string> RatingForItem(int itemIndex);

// True when the tag lacks title, artist or album (each trimmed of blanks and control characters),
// so the listener is asked for them before rating.
bool TagNeedsCompletion(const TMP3Tag& tag);

// The rating query: album, artist, comment and title trimmed, the genre in decimal, the year as
// the tag holds it, then the rating, separated by "&&" and not escaped.
std::string BuildRatingQuery(const TMP3Tag& tag, std::string_view rating);

// Where a link clicked in a shown page goes.
enum class TLinkRoute {
    Browser, // outside the service: the system browser opens it, the viewer keeps its page
    Service, // fetched with GET and shown in the viewer
};
struct TLinkDecision {
    TLinkRoute route;
    std::string url; // what the browser opens, or what is fetched
    friend bool operator==(const TLinkDecision&, const TLinkDecision&) = default;
};
// A link stays in the service when its first characters, as many as the base URL has, equal the
// base URL exactly (letter case counts). A link to the updates page gets the version attached.
TLinkDecision RouteLink(const std::string& url, std::string_view baseUrl = service::kBaseUrl);

// A submitted form's field texts joined with "&" in order; a leading empty text is dropped, a
// later one leaves a bare "&".
std::string JoinFormResults(const TStringList& results);

// The value a reply's Set-Cookie text leaves stored for the listener: of the text before the first
// ";" (all of it without one), the characters after its first "=" (all of them without one).
// Nothing is stored (nullopt) for a reply without a cookie.
std::optional<std::string> CookieValueToStore(std::string_view receivedCookie);

// The engine's cookie field for the listener's next request: "UserCookie=" and the stored value.
void SetCookieFieldFromStore(TUserStateStore& store, TNMHTTP& http);

// After a reply or a redirect: a cookie the engine received (CookieValueToStore) becomes the
// listener's stored value and the engine's cookie field follows it. Without a received cookie, or
// when the store has no cookie value to replace, nothing changes.
void TakeOverReceivedCookie(TUserStateStore& store, TNMHTTP& http);

// The busy bar after one tick: from the maximum back to 1, then on by one.
constexpr int kProgressMax = 50;
constexpr int NextProgressPosition(int position) { return (position == kProgressMax ? 1 : position) + 1; }
