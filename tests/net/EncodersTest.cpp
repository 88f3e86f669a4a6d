// URL encoding, Base64/UU encoding and the header list.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "net/NMExtstr.h"
#include "net/NMURL.h"
#include "net/NMUUE.h"
#include "toolkit/SysUtils.h"

namespace {

std::string RandomBytes(std::mt19937& rng, size_t maxLen) {
    std::uniform_int_distribution<size_t> len(0, maxLen);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(len(rng), '\0');
    for (auto& c : s) c = static_cast<char>(byte(rng));
    return s;
}

// Runs a shell command with `input` in a temporary file as its standard input.
std::string RunFilter(const std::string& command, const std::string& input) {
    char path[] = "/tmp/qv-net-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return "<mkstemp failed>";
    if (!input.empty() && write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) return "<write failed>";
    close(fd);
    std::string out;
    if (FILE* p = popen((command + " < " + path).c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    unlink(path);
    return out;
}

std::string CrLfToLf(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

std::vector<std::string> SplitLines(const std::string& s) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n') {
            lines.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    if (start < s.size()) lines.push_back(s.substr(start));
    return lines;
}

TEST(NMURL, EncodeTable) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a b", "a+b"},       {"x=1&y=2", "x%3D1%26y%3D2"},       {"\xE9", "%E9"}, {"+", "%2B"},
        {"AZaz09", "AZaz09"}, {std::string("\0\n", 2), "%00%0A"}, {"", ""},
    };
    TNMURL url(nullptr);
    for (const auto& c : cases) {
        url.InputString = c.in;
        EXPECT_EQ(url.Encode(), c.out) << c.in;
    }
}

TEST(NMURL, DecodeAndErrors) {
    TNMURL url(nullptr);
    std::vector<std::string> errors;
    url.OnError = [&](TObject* sender, const std::string& op, const std::string& msg) {
        EXPECT_EQ(sender, &url);
        EXPECT_FALSE(msg.empty());
        errors.push_back(op);
    };
    url.InputString = "a+b%41%e9";
    EXPECT_EQ(url.Decode(), "a b\x41\xE9");
    EXPECT_TRUE(errors.empty());
    for (std::string bad : {"100%", "%4G", "ab%4"}) {
        url.InputString = bad;
        EXPECT_EQ(url.Decode(), bad);
    }
    EXPECT_EQ(errors, (std::vector<std::string>{"Error during decode", "Error during decode", "Error during decode"}));
    // Without a handler the failure is still silent and returns the input.
    url.OnError = nullptr;
    url.InputString = "%";
    EXPECT_EQ(url.Decode(), "%");
}

TEST(NMURL, RoundTripRandomAndLong) {
    std::mt19937 rng(12345);
    TNMURL url(nullptr);
    for (int i = 0; i < 300; ++i) {
        std::string s = RandomBytes(rng, 200);
        url.InputString = s;
        url.InputString = url.Encode();
        ASSERT_EQ(url.Decode(), s);
    }
    // Inputs past 65,535 characters are encoded whole.
    std::string big(70000, '&');
    big.back() = 'z';
    url.InputString = big;
    std::string enc = url.Encode();
    EXPECT_EQ(enc.size(), 69999u * 3 + 1);
    url.InputString = enc;
    EXPECT_EQ(url.Decode(), big);
}

TEST(NMUUProcessor, LineAndPaddingRules) {
    EXPECT_EQ(UUEncodeString("A", UUMethods::uuMime), "QQ==\r\n");
    EXPECT_EQ(UUEncodeString("AB", UUMethods::uuMime), "QUI=\r\n");
    EXPECT_EQ(UUEncodeString("ABC", UUMethods::uuMime), "QUJD\r\n");
    EXPECT_EQ(UUEncodeString("", UUMethods::uuMime), "");
    EXPECT_EQ(UUEncodeString("", UUMethods::uuCode), "`\r\n");
    // "#" is the count for 3; a zero 6-bit value is "`", never a blank.
    EXPECT_EQ(UUEncodeString("Cat", UUMethods::uuCode), "#0V%T\r\n`\r\n");
    EXPECT_EQ(UUEncodeString(std::string(3, '\0'), UUMethods::uuCode), "#````\r\n`\r\n");
    // 45 bytes per line: 60 characters (+1 count character for uuCode).
    std::string in(46, 'x');
    std::string mime = UUEncodeString(in, UUMethods::uuMime);
    auto lines = SplitLines(CrLfToLf(mime));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 60u);
    EXPECT_EQ(lines[1], "eA==");
    std::string uu = UUEncodeString(in, UUMethods::uuCode);
    lines = SplitLines(CrLfToLf(uu));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 61u);
    EXPECT_EQ(lines[0][0], 'M');
    EXPECT_EQ(lines[1].substr(0, 1), "!");
    EXPECT_EQ(lines[2], "`");
}

TEST(NMUUProcessor, EventsAndRewind) {
    TNMUUProcessor p(nullptr);
    TNetMemoryStream in(std::string("hello")), out;
    in.SetPosition(3); // encoding starts from the beginning regardless
    std::vector<std::string> events;
    p.OnBeginEncode = [&](TObject*) { events.push_back("begin"); };
    p.OnEndEncode = [&](TObject*) { events.push_back("end:" + std::to_string(out.Position())); };
    p.InputStream = &in;
    p.OutputStream = &out;
    p.EncodeStream();
    EXPECT_EQ(out.DataString(), "aGVsbG8=\r\n");
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "end:0"}));
}

TEST(NMUUProcessor, MimeMatchesCoreutilsBase64) {
    std::mt19937 rng(777);
    for (int i = 0; i < 40; ++i) {
        std::string s = RandomBytes(rng, 400);
        std::string ours = CrLfToLf(UUEncodeString(s, UUMethods::uuMime));
        std::string theirs = RunFilter("base64 -w 60", s);
        ASSERT_EQ(ours, theirs) << "input length " << s.size();
    }
}

TEST(NMUUProcessor, UuCodeMatchesSharutilsLineBodies) {
    std::mt19937 rng(4242);
    for (int i = 0; i < 30; ++i) {
        std::string s = RandomBytes(rng, 300);
        if (s.empty()) s = "x";
        auto ours = SplitLines(CrLfToLf(UUEncodeString(s, UUMethods::uuCode)));
        auto theirs = SplitLines(RunFilter("uuencode qv", s));
        // uuencode frames the lines with "begin ..." and "end".
        ASSERT_GE(theirs.size(), 3u);
        ASSERT_EQ(theirs.front().substr(0, 6), "begin ");
        ASSERT_EQ(theirs.back(), "end");
        theirs = std::vector<std::string>(theirs.begin() + 1, theirs.end() - 1);
        ASSERT_EQ(ours.size(), theirs.size());
        for (size_t l = 0; l < ours.size(); ++l) {
            // uuencode pads a last partial group to four characters with "`"; this encoder
            // writes only the characters that carry bits.
            const std::string& a = ours[l];
            const std::string& b = theirs[l];
            ASSERT_LE(a.size(), b.size());
            ASSERT_EQ(b.substr(0, a.size()), a) << "line " << l;
            ASSERT_EQ(b.find_first_not_of('`', a.size()), std::string::npos) << "line " << l;
        }
    }
}

TEST(ExStringList, FindAndSetHeader) {
    TExStringList list;
    list.Add("GET / HTTP/1.0");
    list.Add("HOST: a");
    list.Add("Accept: x");
    list.Add("NoColonHost");
    EXPECT_EQ(list.FindHeader("host"), 1);
    EXPECT_EQ(list.FindHeader("Accept"), 2);
    EXPECT_EQ(list.FindHeader("NoColonHost"), -1);
    EXPECT_EQ(list.FindHeader("Acc"), -1);
    list.SetHeader("Host", "example.org");
    EXPECT_EQ(list[1], "Host: example.org");
    EXPECT_EQ(list.Count(), 4);
    list.SetHeader("Cookie", "a=b");
    EXPECT_EQ(list[4], "Cookie: a=b");
    list.SetHeader("Host", "");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.FindHeader("Host"), -1);
    list.SetHeader("Missing", ""); // deleting what is not there changes nothing
    EXPECT_EQ(list.Count(), 4);
}

TEST(ExStringList, SortedListFindsFirstMatch) {
    TExStringList list;
    list.SetSorted(true);
    for (const char* s : {"Zeta: 1", "alpha: 2", "Mid: 3", "mid: 4", "Beta: 5", "Omega: 6"}) list.Add(s);
    int i = list.FindHeader("MID");
    ASSERT_GE(i, 0);
    EXPECT_TRUE(list[i] == "Mid: 3" || list[i] == "mid: 4");
    // The first of the equal names is found.
    ASSERT_GT(i, 0);
    EXPECT_FALSE(SameText(list[i - 1].substr(0, 4), "mid:"));
    EXPECT_EQ(list.FindHeader("alpha"), 0);
    EXPECT_EQ(list.FindHeader("nothing"), -1);
}

TEST(ExStringList, SortedListSkipsLinesWithoutColon) {
    struct Case {
        std::vector<const char*> lines;
        const char* name;
        const char* found; // nullptr: not found
    } cases[] = {
        {{"Host", "Zed: 1"}, "Host", nullptr},
        {{"Accept: a", "Host", "Zed: 1"}, "host", nullptr},
        {{"Host", "Host: a", "Zed: 1"}, "Host", "Host: a"},
        {{"A: 1", "B: 2", "Host", "Host: a", "Host: b", "Zed: 1"}, "HOST", "Host: a"},
        {{"Cookie", "Cookie: x=1"}, "Cookie", "Cookie: x=1"},
    };
    for (const auto& c : cases) {
        TExStringList list;
        list.SetSorted(true);
        for (const char* l : c.lines) list.Add(l);
        int i = list.FindHeader(c.name);
        if (!c.found) {
            EXPECT_EQ(i, -1) << c.name << " in " << list.Text();
        } else {
            ASSERT_GE(i, 0) << c.name << " in " << list.Text();
            EXPECT_EQ(list[i], c.found);
        }
    }
}

// RFC 3986, 5.4.1 and 5.4.2: every example, with its base.
TEST(ResolveReference, Rfc3986Examples) {
    const std::string base = "http://a/b/c/d;p?q";
    struct Case {
        const char* ref;
        const char* target;
    } cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"},
        {"g;x", "http://a/b/c/g;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../", "http://a/"},
        {"../../g", "http://a/g"},
        // Abnormal examples.
        {"../../../g", "http://a/g"},
        {"../../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {".g", "http://a/b/c/.g"},
        {"g..", "http://a/b/c/g.."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"g?y/../x", "http://a/b/c/g?y/../x"},
        {"g#s/./x", "http://a/b/c/g#s/./x"},
        {"g#s/../x", "http://a/b/c/g#s/../x"},
        {"http:g", "http:g"}, // strict parsers keep the scheme
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveReference(base, c.ref), c.target) << c.ref;
    // A base with an authority and no path.
    EXPECT_EQ(ResolveReference("http://h", "x/y"), "http://h/x/y");
    EXPECT_EQ(ResolveReference("http://h:81", "?q"), "http://h:81?q");
    EXPECT_TRUE(HasScheme("http://x"));
    EXPECT_TRUE(HasScheme("a+b.c-d:rest"));
    EXPECT_FALSE(HasScheme("1http://x"));
    EXPECT_FALSE(HasScheme("ok/page.html"));
    EXPECT_FALSE(HasScheme(":x"));
    EXPECT_FALSE(HasScheme("/a:b"));
}

} // namespace
