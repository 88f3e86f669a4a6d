#include <gtest/gtest.h>

#include "net/FakeSocketDriver.h"
#include "net/NMHttp.h"
#include "plugin/SettingsFormCodeRules.h"
#include "toolkit/Exception.h"

namespace {

using Values = std::map<std::string, std::string>;

// The engine as the main window's description sets it up: proxy port 8080, no proxy host.
struct Engine {
    Engine() { http.ProxyPort = 8080; }
    TNMHTTP http{nullptr, std::make_unique<FakeSocketDriver>(std::make_shared<FakeNet>())};
};

TEST(MemoryStore, NamesAreLookedUpWithoutRegardToCaseAndMissingValuesReadEmpty) {
    TMemoryUserStateStore s;
    EXPECT_FALSE(s.ValueExists("proxy"));
    EXPECT_EQ(s.ReadString("proxy"), "");
    s.WriteString("proxyport", "8080");
    EXPECT_TRUE(s.ValueExists("ProxyPort"));
    EXPECT_EQ(s.ReadString("PROXYPORT"), "8080");
    s.WriteString("ProxyPort", "3128"); // the same value, its first spelling kept
    EXPECT_EQ(s.Values(), (Values{{"proxyport", "3128"}}));
    s.WriteNonText("Cookie1");
    try {
        s.ReadString("cookie1");
        FAIL() << "a value of another type must not read";
    } catch (const ERegistryException& e) { EXPECT_STREQ(e.what(), "Invalid data type for 'cookie1'"); }
}

TEST(StoredStateAtCreation, FirstStartWritesTheDefaultsAndSetsTheCookieField) {
    TMemoryUserStateStore s;
    Engine e;
    ApplyStoredState(s, e.http);
    EXPECT_EQ(s.Values(), (Values{{"Cookie1", "0"}, {"proxy", "First"}, {"proxyport", "8080"}}));
    EXPECT_EQ(e.http.HeaderInfo.Cookie, "UserCookie=0");
    EXPECT_EQ(e.http.Proxy, "");
    EXPECT_EQ(e.http.ProxyPort, 8080);
    EXPECT_TRUE(ProxyDialogPending(s));
}

TEST(StoredStateAtCreation, StoredValuesAreKeptAndOnlyAnAddressIsApplied) {
    const struct {
        const char* proxy;
        const char* port;
        const char* wantHost;
        int wantPort;
    } cases[] = {
        {"First", "8080", "", 8080},
        {"Not Needed", "3128", "", 8080},
        {"proxy.example.test", "3128", "proxy.example.test", 3128},
        {"first", "3128", "first", 3128},         // exact comparisons: other case is an address
        {" Not Needed", "81", " Not Needed", 81}, // and so is a blank in front
        {"", "8000", "", 8000},                   // an empty address is not a special value
    };
    for (const auto& c : cases) {
        TMemoryUserStateStore s;
        s.WriteString("Cookie1", "abc");
        s.WriteString("proxy", c.proxy);
        s.WriteString("ProxyPort", c.port);
        Engine e;
        ApplyStoredState(s, e.http);
        EXPECT_EQ(e.http.Proxy, c.wantHost) << c.proxy;
        EXPECT_EQ(e.http.ProxyPort, c.wantPort) << c.proxy;
        // An existing cookie is not put into the field here.
        EXPECT_EQ(e.http.HeaderInfo.Cookie, "") << c.proxy;
        EXPECT_EQ(s.Values(), (Values{{"Cookie1", "abc"}, {"proxy", c.proxy}, {"ProxyPort", c.port}})) << c.proxy;
    }
}

TEST(StoredStateAtCreation, ABadPortRaisesTheConversionErrorAfterTheAddressIsSet) {
    for (const char* port : {"80a", "", " ", "8080 "}) {
        TMemoryUserStateStore s;
        s.WriteString("Cookie1", "0");
        s.WriteString("proxy", "10.0.0.1");
        s.WriteString("proxyport", port);
        Engine e;
        try {
            ApplyStoredState(s, e.http);
            FAIL() << "'" << port << "' must not convert";
        } catch (const EConvertError& err) {
            EXPECT_EQ(std::string(err.what()), std::string("'") + port + "' is not a valid integer value");
        }
        EXPECT_EQ(e.http.Proxy, "10.0.0.1");
        EXPECT_EQ(e.http.ProxyPort, 8080);
    }
}

TEST(StoredStateAtCreation, AMissingProxyRewritesThePortButACookieOnlyItself) {
    TMemoryUserStateStore s;
    s.WriteString("proxyport", "3128");
    s.WriteString("Cookie1", "xyz");
    Engine e;
    ApplyStoredState(s, e.http);
    EXPECT_EQ(s.Values(), (Values{{"Cookie1", "xyz"}, {"proxy", "First"}, {"proxyport", "8080"}}));
}

TEST(StoredStateAtCreation, AValueOfAnotherTypeFailsToRead) {
    TMemoryUserStateStore s;
    s.WriteString("Cookie1", "0");
    s.WriteNonText("proxy");
    Engine e;
    try {
        ApplyStoredState(s, e.http);
        FAIL();
    } catch (const ERegistryException& err) { EXPECT_STREQ(err.what(), "Invalid data type for 'proxy'"); }
}

TEST(ProxyDialog, FieldsShownWhenItOpens) {
    const struct {
        const char* proxy;
        const char* port;
        TProxyDialogFields want;
    } cases[] = {
        {"First", "8080", {false, "", "8080"}},
        {"Not Needed", "8080", {true, "", ""}},
        {"proxy.example.test", "3128", {false, "proxy.example.test", "3128"}},
        {"not needed", "1", {false, "not needed", "1"}},
    };
    for (const auto& c : cases) {
        TMemoryUserStateStore s;
        s.WriteString("proxy", c.proxy);
        s.WriteString("proxyport", c.port);
        EXPECT_EQ(ReadProxyDialogFields(s), c.want) << c.proxy;
    }
}

TEST(ProxyDialog, ConfirmingWithTheBoxCheckedWritesOnlyProxy) {
    TMemoryUserStateStore s;
    Engine e;
    ApplyStoredState(s, e.http);
    s.WriteString("proxyport", "3128");
    e.http.Proxy = "old.example.test";
    ApplyProxyAnswer(s, e.http, {true, "ignored.example.test", "99"});
    EXPECT_EQ(s.ReadString("proxy"), "Not Needed");
    EXPECT_EQ(s.ReadString("proxyport"), "3128");
    // The running engine keeps its settings until the next creation.
    EXPECT_EQ(e.http.Proxy, "old.example.test");
    EXPECT_EQ(e.http.ProxyPort, 8080);
    EXPECT_FALSE(ProxyDialogPending(s));
}

TEST(ProxyDialog, ConfirmingAnAddressStoresBothTextsAsTypedAndAppliesThem) {
    TMemoryUserStateStore s;
    Engine e;
    ApplyStoredState(s, e.http);
    ApplyProxyAnswer(s, e.http, {false, " proxy.example.test ", "3128"});
    EXPECT_EQ(s.ReadString("proxy"), " proxy.example.test ");
    EXPECT_EQ(s.ReadString("proxyport"), "3128");
    EXPECT_EQ(e.http.Proxy, " proxy.example.test ");
    EXPECT_EQ(e.http.ProxyPort, 3128);
    // The next creation applies the stored address.
    Engine next;
    ApplyStoredState(s, next.http);
    EXPECT_EQ(next.http.Proxy, " proxy.example.test ");
    EXPECT_EQ(next.http.ProxyPort, 3128);
}

TEST(ProxyDialog, ABadPortIsStoredAndTheAddressAppliedBeforeTheError) {
    TMemoryUserStateStore s;
    Engine e;
    ApplyStoredState(s, e.http);
    EXPECT_THROW(ApplyProxyAnswer(s, e.http, {false, "10.0.0.2", "x1"}), EConvertError);
    EXPECT_EQ(s.ReadString("proxy"), "10.0.0.2");
    EXPECT_EQ(s.ReadString("proxyport"), "x1");
    EXPECT_EQ(e.http.Proxy, "10.0.0.2");
    EXPECT_EQ(e.http.ProxyPort, 8080);
}

} // namespace
