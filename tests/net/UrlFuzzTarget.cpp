// Fuzz target: URL splitting and the encoders. The bytes up to the first line feed are a URL
// for the engine's split and request header, the rest a reference resolved against it; both go
// through URL encoding (which must round-trip), Base64 and UU encoding (whose lengths follow from
// the input's), and the header list. Built for libFuzzer with QV_FUZZ; replayed over the saved
// corpus in every test run.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FakeSocketDriver.h"
#include "net/NMExtstr.h"
#include "net/NMHttp.h"
#include "net/NMURL.h"
#include "net/NMUUE.h"

namespace {

void CheckEncoders(const std::string& s) {
    if (UrlDecode(UrlEncode(s)) != s) __builtin_trap();
    try {
        (void)UrlDecode(s); // may refuse a bad escape, never more
    } catch (const EConvertError&) {}
    const size_t lines = (s.size() + 44) / 45;
    const std::string mime = UUEncodeString(s, UUMethods::uuMime);
    if (mime.size() != (s.size() + 2) / 3 * 4 + 2 * lines) __builtin_trap();
    const std::string uu = UUEncodeString(s, UUMethods::uuCode);
    // Every line: a count character, the characters without padding, CR LF; then the end line.
    size_t expect = 3;
    for (size_t left = s.size(); left > 0; left -= std::min<size_t>(left, 45)) {
        size_t n = std::min<size_t>(left, 45);
        expect += 1 + n / 3 * 4 + (n % 3 == 0 ? 0 : n % 3 + 1) + 2;
    }
    if (uu.size() != expect) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto net = std::make_shared<FakeNet>();
    static TNMHTTP http(nullptr, std::make_unique<FakeSocketDriver>(net));
    const std::string in(reinterpret_cast<const char*>(data), size);
    const size_t lf = in.find('\n');
    const std::string url = in.substr(0, lf);
    const std::string ref = lf == std::string::npos ? std::string() : in.substr(lf + 1);

    http.Port = 0;
    http.Host = "www.example.com";
    http.Proxy = size % 2 ? "proxy.lan" : "";
    http.RequestUrl = url;
    try {
        http.ParseUrl();
        if (http.Port < 1 || http.Port > 65535) __builtin_trap();
        http.BuildRequestHeader();
        if (http.RequestHeader.Count() < 5) __builtin_trap();
    } catch (const Exception&) {
        // "Empty URL", a port that is not a number or out of range.
    }
    const std::string base = HasScheme(url) ? url : "http://www.example.com/dir/page.cfm";
    const std::string resolved = ResolveReference(base, ref);
    if (!HasScheme(ref) && HasScheme(base) && !HasScheme(resolved)) __builtin_trap();

    CheckEncoders(url);
    CheckEncoders(ref);

    TExStringList list;
    list.SetSorted((size & 4) != 0);
    list.SetHeader("Host", url);
    list.Add(ref);
    const int i = list.FindHeader(ref.substr(0, ref.find(':')));
    if (i >= 0 && list[i].find(':') == std::string::npos) __builtin_trap();
    list.SetHeader("Host", "");
    return 0;
}
