// The user's stored state (cookie value and proxy choice) and the proxy dialog's rules, over a
// store of named text values. Portable: the product's store is the registry (SettingsFormCode),
// the native tests' store lives in memory.
#pragma once

#include <map>
#include <string>

#include "toolkit/SysUtils.h"

class TNMHTTP;

namespace userstate {
// The key below the current user's root, and its values.
constexpr const char* kKeyPath = "\\WinAmp\\Velmorra\\TheQuavory\\UserCookie";
constexpr const char* kCookie = "Cookie1";
constexpr const char* kProxy = "proxy";
// The port is written under one spelling and read under another; value names do not
// distinguish letter case, so both denote the one value.
constexpr const char* kProxyPortWritten = "proxyport";
constexpr const char* kProxyPortRead = "ProxyPort";

constexpr const char* kDefaultCookie = "0";
constexpr const char* kProxyFirst = "First"; // the dialog has not been answered yet
constexpr const char* kProxyNotNeeded = "Not Needed";
constexpr const char* kDefaultProxyPort = "8080";
constexpr int kDefaultProxyPortNumber = 8080;

constexpr const char* kCookiePrefix = "UserCookie=";
} // namespace userstate

// Named text values. Names are looked up without regard to letter case; a missing value reads
// as the empty text; a value stored as something other than text raises ERegistryException
// "Invalid data type for '<name>'".
class TUserStateStore {
public:
    virtual ~TUserStateStore() = default;
    virtual bool ValueExists(const std::string& name) = 0;
    virtual std::string ReadString(const std::string& name) = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
};

// A store in memory, for systems without a registry and for tests. A value can be marked as
// stored with another type, which then fails to read as the registry's would.
class TMemoryUserStateStore : public TUserStateStore {
public:
    bool ValueExists(const std::string& name) override;
    std::string ReadString(const std::string& name) override;
    void WriteString(const std::string& name, const std::string& value) override;
    void WriteNonText(const std::string& name);
    // Every value, by its name as first written.
    std::map<std::string, std::string> Values() const;

private:
    struct TValue {
        std::string name;
        std::string text;
        bool isText = true;
    };
    std::map<std::string, TValue> values_; // by lower-cased name
};

// The main window's creation steps: missing defaults written, the cookie field set when the
// cookie was missing, and a stored proxy address applied to the engine. A port that is not a
// whole number raises EConvertError after the address has been applied (the port stays).
void ApplyStoredState(TUserStateStore& store, TNMHTTP& http);

// What the proxy dialog shows when it opens.
struct TProxyDialogFields {
    bool noProxy = false; // the "No Proxy Server" box
    std::string address;
    std::string port;
    friend bool operator==(const TProxyDialogFields&, const TProxyDialogFields&) = default;
};
TProxyDialogFields ReadProxyDialogFields(TUserStateStore& store);

// The dialog confirmed with `answer`: the box checked stores "Not Needed" only (the running
// engine keeps its settings); otherwise address and port are stored as typed and applied, the
// port converted last, so a bad port raises EConvertError with everything else already done.
void ApplyProxyAnswer(TUserStateStore& store, TNMHTTP& http, const TProxyDialogFields& answer);

// True while the user has not answered the proxy dialog yet.
bool ProxyDialogPending(TUserStateStore& store);
