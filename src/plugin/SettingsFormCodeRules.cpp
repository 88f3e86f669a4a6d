#include "plugin/SettingsFormCodeRules.h"

#include "net/NMHttp.h"
#include "toolkit/Exception.h"

using namespace userstate;

bool TMemoryUserStateStore::ValueExists(const std::string& name) { return values_.count(LowerCase(name)) != 0; }

std::string TMemoryUserStateStore::ReadString(const std::string& name) {
    auto it = values_.find(LowerCase(name));
    if (it == values_.end()) return {};
    if (!it->second.isText) throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    return it->second.text;
}

void TMemoryUserStateStore::WriteString(const std::string& name, const std::string& value) {
    auto [it, added] = values_.try_emplace(LowerCase(name), TValue{name, value, true});
    if (!added) {
        it->second.text = value;
        it->second.isText = true;
    }
}

void TMemoryUserStateStore::WriteNonText(const std::string& name) {
    auto [it, added] = values_.try_emplace(LowerCase(name), TValue{name, {}, false});
    if (!added) it->second.isText = false;
}

std::map<std::string, std::string> TMemoryUserStateStore::Values() const {
    std::map<std::string, std::string> r;
    for (const auto& [key, v] : values_) r[v.name] = v.isText ? v.text : "<not text>";
    return r;
}

void ApplyStoredState(TUserStateStore& store, TNMHTTP& http) {
    if (!store.ValueExists(kCookie)) {
        store.WriteString(kCookie, kDefaultCookie);
        http.HeaderInfo.Cookie = std::string(kCookiePrefix) + kDefaultCookie;
    }
    if (!store.ValueExists(kProxy)) {
        store.WriteString(kProxy, kProxyFirst);
        store.WriteString(kProxyPortWritten, kDefaultProxyPort);
    }
    std::string proxy = store.ReadString(kProxy);
    if (proxy != kProxyNotNeeded && proxy != kProxyFirst) {
        http.Proxy = proxy;
        http.ProxyPort = StrToInt(store.ReadString(kProxyPortRead));
    }
}

TProxyDialogFields ReadProxyDialogFields(TUserStateStore& store) {
    TProxyDialogFields f;
    std::string proxy = store.ReadString(kProxy);
    if (proxy == kProxyNotNeeded) {
        f.noProxy = true;
        return f;
    }
    if (proxy != kProxyFirst) f.address = proxy;
    f.port = store.ReadString(kProxyPortRead);
    return f;
}

void ApplyProxyAnswer(TUserStateStore& store, TNMHTTP& http, const TProxyDialogFields& answer) {
    if (answer.noProxy) {
        store.WriteString(kProxy, kProxyNotNeeded);
        return;
    }
    store.WriteString(kProxy, answer.address);
    store.WriteString(kProxyPortWritten, answer.port);
    http.Proxy = answer.address;
    http.ProxyPort = StrToInt(answer.port);
}

bool ProxyDialogPending(TUserStateStore& store) { return store.ReadString(kProxy) == kProxyFirst; }
