#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "toolkit/Exception.h"
#include "widgets/pvlUrl.h"

namespace {

// The platform's documented command-line splitting (CommandLineToArgvW and the C runtime) for
// the arguments after the program name: blanks and tabs separate outside quotes; 2n backslashes
// before a quote give n backslashes and the quote toggles quoting; 2n + 1 give n backslashes and
// a literal quote; other backslashes are literal. The program name itself ends at the next blank
// or, when it starts with a quote, at the next quote.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0, n = line.size();
    std::string prog;
    if (i < n && line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"') prog += line[i++];
        if (i < n) ++i;
    } else {
        while (i < n && line[i] != ' ' && line[i] != '\t') prog += line[i++];
    }
    args.push_back(prog);
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            size_t backslashes = 0;
            while (i < n && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < n && line[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    arg += '"';
                } else if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"'; // "" inside quotes: a literal quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(backslashes, '\\');
                if (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

class RecordingUrl : public TpvlUrl {
public:
    RecordingUrl() : TpvlUrl(nullptr) {}
    std::map<std::string, std::string> registry;
    std::vector<std::string> lines;
    std::vector<int> shows;
    unsigned result = 33;

    int ReadClassesValue(const std::string& key, std::string& value) override {
        auto it = registry.find(key);
        if (it == registry.end()) return 2;
        value = it->second;
        return 0;
    }

protected:
    unsigned RunCommandLine(const std::string& line, int show) override {
        lines.push_back(line);
        shows.push_back(show);
        return result;
    }
};

} // namespace

TEST(pvlUrl, PlaceholderIsCutWithItsQuotes) {
    struct Case {
        std::string command, cut;
    } cases[] = {
        {"\"C:\\b\\browser.exe\" \"%1\"", "\"C:\\b\\browser.exe\" "},
        {"C:\\b\\browser.exe %1", "C:\\b\\browser.exe "},
        {"C:\\b\\browser.exe -nohome", "C:\\b\\browser.exe -nohome"},
        {"browser.exe -url \"%1\" -new-window", "browser.exe -url "},
        {"browser.exe %1,%2", "browser.exe "},
        {"browser.exe \"%1", "browser.exe \""}, // no closing quote: only the bare placeholder is cut
    };
    for (const auto& c : cases) EXPECT_EQ(CutDocumentPlaceholder(c.command), c.cut) << c.command;
}

TEST(pvlUrl, CommandLinesKeepTheAddressOneArgument) {
    EXPECT_EQ(BrowserCommandLine("\"b.exe\" \"%1\"", "http://x/"), "\"b.exe\"  \"http://x/\"");
    EXPECT_EQ(BrowserCommandLine("b.exe", "http://x/"), "b.exe \"http://x/\"");
    EXPECT_EQ(BrowserCommandLine("b.exe %1 -switch", ""), "b.exe  \"\"");
}

TEST(pvlUrl, QuotedArgumentsSplitBackExactly) {
    const std::string tricky[] = {
        "http://example.com/page.htm",
        "http://example.com/a b c",
        "http://x/?q=\"quoted\"&r=1",
        "\" --inject \"",
        "http://x/\" -new-window \"file:///c:/",
        "trailing\\",
        "two\\\\",
        "back\\\"slash",
        "\\\\\"",
        "tab\there",
        "a&b|c^d%e<f>g",
        "",
        "\"",
        "\"\"",
        " ",
    };
    for (const auto& url : tricky) {
        auto args = SplitCommandLine(BrowserCommandLine("\"C:\\b\\browser.exe\" \"%1\"", url));
        ASSERT_EQ(args.size(), 2u) << url;
        EXPECT_EQ(args[0], "C:\\b\\browser.exe");
        EXPECT_EQ(args[1], url);
    }
    // Every string over the awkward characters, up to 4 long.
    const char alphabet[] = {'a', ' ', '"', '\\', '\t', '&'};
    for (int len = 0; len <= 4; ++len) {
        int total = 1;
        for (int k = 0; k < len; ++k) total *= 6;
        for (int code = 0; code < total; ++code) {
            std::string url;
            for (int k = 0, v = code; k < len; ++k, v /= 6) url += alphabet[v % 6];
            auto args = SplitCommandLine(BrowserCommandLine("b.exe %1", url));
            ASSERT_EQ(args.size(), 2u) << "[" << url << "]";
            EXPECT_EQ(args[1], url);
        }
    }
}

TEST(pvlUrl, NulEndsTheArgument) {
    std::string url("http://x/\0\" -evil", 17);
    EXPECT_EQ(QuoteCommandLineArgument(url), "\"http://x/\"");
}

TEST(pvlUrl, OpenUrlFollowsTheRegistryRoad) {
    RecordingUrl u;
    u.registry[".htm"] = "htmlfile";
    u.registry["htmlfile\\shell\\open\\command"] = "\"C:\\b\\browser.exe\" \"%1\"";
    u.Url = "http://x/a b";
    u.OpenUrl();
    ASSERT_EQ(u.lines.size(), 1u);
    EXPECT_EQ(u.lines[0], "\"C:\\b\\browser.exe\"  \"http://x/a b\"");
    EXPECT_EQ(u.shows[0], 10); // ssShowDefault

    u.UrlShowCommand = TUrlShowCmd::ssShowMinNoActivate;
    u.OpenUrl();
    EXPECT_EQ(u.shows[1], 7);
}

TEST(pvlUrl, MissingRegistrationIsSilentAndFailureRaises) {
    RecordingUrl none;
    none.Url = "http://x/";
    EXPECT_NO_THROW(none.OpenUrl());
    none.registry[".htm"] = "htmlfile"; // class without an open command
    EXPECT_NO_THROW(none.OpenUrl());
    EXPECT_TRUE(none.lines.empty());

    RecordingUrl failing;
    failing.registry[".htm"] = "htmlfile";
    failing.registry["htmlfile\\shell\\open\\command"] = "missing.exe %1";
    failing.result = 2;
    try {
        failing.OpenUrl();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) { EXPECT_EQ(e.Message(), "Couldn't launch default browser"); }
    failing.result = 32; // the first success value
    EXPECT_NO_THROW(failing.OpenUrl());
}

TEST(pvlUrl, ShowValues) {
    const std::pair<TUrlShowCmd, int> table[] = {
        {TUrlShowCmd::ssHide, 0},          {TUrlShowCmd::ssMaximize, 3},       {TUrlShowCmd::ssMinimize, 6},
        {TUrlShowCmd::ssRestore, 9},       {TUrlShowCmd::ssShow, 5},           {TUrlShowCmd::ssShowDefault, 10},
        {TUrlShowCmd::ssShowMaximized, 3}, {TUrlShowCmd::ssShowMinimized, 2},  {TUrlShowCmd::ssShowMinNoActivate, 7},
        {TUrlShowCmd::ssShowNA, 8},        {TUrlShowCmd::ssShowNoActivate, 4}, {TUrlShowCmd::ssShowNormal, 1},
    };
    for (auto [cmd, value] : table) EXPECT_EQ(UrlShowValue(cmd), value);
}
