#include "net/NMURL.h"

#include <string_view>

#include "toolkit/Exception.h"

namespace {

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

std::string UrlEncode(const std::string& s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size() * 3);
    for (unsigned char c : s) {
        if (c == ' ')
            out += '+';
        else if (IsAlnum(c))
            out += static_cast<char>(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string UrlDecode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '+')
            out += ' ';
        else if (c == '%') {
            int hi = i + 1 < s.size() ? HexValue(static_cast<unsigned char>(s[i + 1])) : -1;
            int lo = i + 2 < s.size() ? HexValue(static_cast<unsigned char>(s[i + 2])) : -1;
            if (hi < 0 || lo < 0) throw EConvertError("Invalid escape sequence at position " + std::to_string(i + 1));
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else
            out += c;
    }
    return out;
}

// Inputs of any length are encoded: a 16-bit character count would silently drop everything
// after the first 65,535 characters.
std::string TNMURL::Encode() const {
    try {
        return UrlEncode(InputString);
    } catch (const std::exception& e) {
        if (OnError) OnError(const_cast<TNMURL*>(this), "Error during encode", e.what());
        return InputString;
    }
}

std::string TNMURL::Decode() const {
    try {
        return UrlDecode(InputString);
    } catch (const std::exception& e) {
        if (OnError) OnError(const_cast<TNMURL*>(this), "Error during decode", e.what());
        return InputString;
    }
}

// ---------------------------------------------------------------- reference resolution

namespace {

// The five components of a URI reference (RFC 3986, appendix B); a component that is absent
// differs from one that is present and empty.
struct UriParts {
    bool hasScheme = false, hasAuthority = false, hasQuery = false, hasFragment = false;
    std::string scheme, authority, path, query, fragment;
};

bool IsSchemeChar(char c, bool first) {
    const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (first) return alpha;
    return alpha || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

size_t SchemeLength(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && IsSchemeChar(s[i], i == 0)) ++i;
    return i > 0 && i < s.size() && s[i] == ':' ? i : 0;
}

UriParts SplitUri(const std::string& s) {
    UriParts u;
    size_t i = 0;
    if (size_t n = SchemeLength(s)) {
        u.hasScheme = true;
        u.scheme = s.substr(0, n);
        i = n + 1;
    }
    if (s.compare(i, 2, "//") == 0) {
        size_t end = s.find_first_of("/?#", i + 2);
        if (end == std::string::npos) end = s.size();
        u.hasAuthority = true;
        u.authority = s.substr(i + 2, end - i - 2);
        i = end;
    }
    size_t end = s.find_first_of("?#", i);
    if (end == std::string::npos) end = s.size();
    u.path = s.substr(i, end - i);
    i = end;
    if (i < s.size() && s[i] == '?') {
        end = s.find('#', i);
        if (end == std::string::npos) end = s.size();
        u.hasQuery = true;
        u.query = s.substr(i + 1, end - i - 1);
        i = end;
    }
    if (i < s.size() && s[i] == '#') {
        u.hasFragment = true;
        u.fragment = s.substr(i + 1);
    }
    return u;
}

// RFC 3986, 5.2.4.
std::string RemoveDotSegments(std::string in) {
    std::string out;
    size_t i = 0;
    auto dropLastSegment = [&out] {
        size_t slash = out.rfind('/');
        out.erase(slash == std::string::npos ? 0 : slash);
    };
    while (i < in.size()) {
        std::string_view rest(in.data() + i, in.size() - i);
        if (rest.starts_with("../")) {
            i += 3;
        } else if (rest.starts_with("./")) {
            i += 2;
        } else if (rest.starts_with("/./")) {
            i += 2;
        } else if (rest == "/.") {
            in.replace(i, 2, "/");
        } else if (rest.starts_with("/../")) {
            i += 3;
            dropLastSegment();
        } else if (rest == "/..") {
            in.replace(i, 3, "/");
            dropLastSegment();
        } else if (rest == "." || rest == "..") {
            i = in.size();
        } else {
            size_t next = in.find('/', i + 1);
            if (next == std::string::npos) next = in.size();
            out.append(in, i, next - i);
            i = next;
        }
    }
    return out;
}

// RFC 3986, 5.2.3.
std::string MergePaths(const UriParts& base, const std::string& path) {
    if (base.hasAuthority && base.path.empty()) return "/" + path;
    size_t slash = base.path.rfind('/');
    return slash == std::string::npos ? path : base.path.substr(0, slash + 1) + path;
}

} // namespace

bool HasScheme(const std::string& uri) { return SchemeLength(uri) > 0; }

std::string ResolveReference(const std::string& base, const std::string& reference) {
    if (HasScheme(reference)) return reference;
    const UriParts b = SplitUri(base), r = SplitUri(reference);
    UriParts t;
    if (r.hasAuthority) {
        t.hasAuthority = true;
        t.authority = r.authority;
        t.path = RemoveDotSegments(r.path);
        t.hasQuery = r.hasQuery;
        t.query = r.query;
    } else {
        if (r.path.empty()) {
            t.path = b.path;
            t.hasQuery = r.hasQuery || b.hasQuery;
            t.query = r.hasQuery ? r.query : b.query;
        } else {
            t.path = RemoveDotSegments(r.path[0] == '/' ? r.path : MergePaths(b, r.path));
            t.hasQuery = r.hasQuery;
            t.query = r.query;
        }
        t.hasAuthority = b.hasAuthority;
        t.authority = b.authority;
    }
    t.hasScheme = b.hasScheme;
    t.scheme = b.scheme;
    t.hasFragment = r.hasFragment;
    t.fragment = r.fragment;

    // RFC 3986, 5.3.
    std::string out;
    if (t.hasScheme) out += t.scheme + ":";
    if (t.hasAuthority) out += "//" + t.authority;
    out += t.path;
    if (t.hasQuery) out += "?" + t.query;
    if (t.hasFragment) out += "#" + t.fragment;
    return out;
}
