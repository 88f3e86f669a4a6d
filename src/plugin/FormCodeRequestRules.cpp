#include "plugin/FormCodeRequestRules.h"

#include "net/NMHttp.h"
#include "player/MP3Tag.h"
#include "plugin/SettingsFormCodeRules.h"
#include "toolkit/Classes.h"
#include "toolkit/SysUtils.h"

std::string service::SponsorUrl() {
    return "http://" + std::string(kSponsorHost) + "/powered/redirect.cgi?AD=" + std::string(kMakerDomain);
}

std::string service::MakerUrl() { return "http://" + std::string(kMakerHost) + "/"; }

std::optional<std::string> RatingForItem(int itemIndex) {
    if (itemIndex < 0 || itemIndex > 9) return std::nullopt;
    return std::to_string(10 - itemIndex);
}

bool TagNeedsCompletion(const TMP3Tag& tag) {
    return Trim(tag.Album()).empty() || Trim(tag.Artist()).empty() || Trim(tag.Title()).empty();
}

std::string BuildRatingQuery(const TMP3Tag& tag, std::string_view rating) {
    std::string q = "vALBUM=";
    q += Trim(tag.Album());
    q += "&&vARTIST=";
    q += Trim(tag.Artist());
    q += "&&vCOMMENTS=";
    q += Trim(tag.Comment());
    q += "&&vTITLE=";
    q += Trim(tag.Title());
    q += "&&vGENREID=";
    q += std::to_string(static_cast<unsigned>(tag.GenreID()));
    q += "&&vYEAR=";
    q += tag.Year(); // as the tag component holds it, zero bytes included
    q += "&&vRating=";
    q += rating;
    return q;
}

TLinkDecision RouteLink(const std::string& url, std::string_view baseUrl) {
    if (std::string_view(url).substr(0, baseUrl.size()) != baseUrl) return {TLinkRoute::Browser, url};
    std::string fetch = url;
    if (fetch.find(service::kUpdatesPage) != std::string::npos) fetch += service::kVersionQuery;
    return {TLinkRoute::Service, fetch};
}

std::string JoinFormResults(const TStringList& results) {
    std::string joined;
    for (int i = 0; i < results.Count(); ++i) {
        if (joined.empty())
            joined = results[i];
        else
            joined += "&" + results[i];
    }
    return joined;
}

std::optional<std::string> CookieValueToStore(std::string_view receivedCookie) {
    if (receivedCookie.empty()) return std::nullopt;
    // "ID=abc; path=/" stores "abc": the value of the name=value pair before the attributes. A
    // cookie without attributes ("ID=abc") keeps its whole value, where cutting at a missing ";"
    // would store nothing and lose the listener's identity.
    std::string_view pair = receivedCookie.substr(0, receivedCookie.find(';'));
    size_t eq = pair.find('=');
    return std::string(eq == std::string_view::npos ? pair : pair.substr(eq + 1));
}

void SetCookieFieldFromStore(TUserStateStore& store, TNMHTTP& http) {
    http.HeaderInfo.Cookie = userstate::kCookiePrefix + store.ReadString(userstate::kCookie);
}

void TakeOverReceivedCookie(TUserStateStore& store, TNMHTTP& http) {
    std::optional<std::string> value = CookieValueToStore(http.ReceivedCookie);
    if (!value || !store.ValueExists(userstate::kCookie)) return;
    store.WriteString(userstate::kCookie, *value);
    SetCookieFieldFromStore(store, http);
}
