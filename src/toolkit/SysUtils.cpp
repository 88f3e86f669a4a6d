#include "toolkit/SysUtils.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "toolkit/Exception.h"

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), fmt, args);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

namespace {

bool ParseInt(std::string_view s, int& out) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * base + d;
        // Hex texts may spell the full 32-bit pattern; decimal must fit the signed range.
        if (v > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL)) return false;
    }
    if (base == 10) {
        if (neg) v = -v;
        if (v > 0x7FFFFFFFLL || v < -0x80000000LL) return false;
        out = static_cast<int>(v);
    } else {
        auto u = static_cast<uint32_t>(v);
        out = static_cast<int>(neg ? 0u - u : u);
    }
    return true;
}

} // namespace

int StrToInt(std::string_view s) {
    int v = 0;
    if (!ParseInt(s, v)) throw EConvertError(Format("'%.*s' is not a valid integer value", static_cast<int>(s.size()), s.data()));
    return v;
}

int StrToIntDef(std::string_view s, int def) {
    int v = 0;
    return ParseInt(s, v) ? v : def;
}

std::string IntToStr(long long v) { return std::to_string(v); }

std::string IntToHex(unsigned long long v, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), hex[v & 15]);
        v >>= 4;
    } while (v != 0);
    while (static_cast<int>(out.size()) < digits) out.insert(out.begin(), '0');
    return out;
}

static bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlankOrControl(s[i])) ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && IsBlankOrControl(s[n - 1])) --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string UpperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

int CompareText(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

static size_t PathEnd(std::string_view name, const char* separators = "\\/:") {
    size_t p = name.find_last_of(separators);
    return p == std::string_view::npos ? 0 : p + 1;
}

// The folder ends at the last backslash or drive colon only: a "/" in a command line is a switch
// ("...winamp.exe" /x "%1"), not a folder.
std::string ExtractFilePath(std::string_view name) { return std::string(name.substr(0, PathEnd(name, "\\:"))); }
std::string ExtractFileName(std::string_view name) { return std::string(name.substr(PathEnd(name))); }

std::string ExtractFileExt(std::string_view name) {
    size_t start = PathEnd(name);
    size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot < start) return {};
    return std::string(name.substr(dot));
}

#ifndef _WIN32
int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    long long half = (c < 0 ? -static_cast<long long>(c) : c) / 2;
    bool neg = (p < 0) != (c < 0);
    long long ap = p < 0 ? -p : p;
    long long ac = c < 0 ? -static_cast<long long>(c) : c;
    long long q = (ap + half) / ac;
    return static_cast<int>(neg ? -q : q);
}
#endif

std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    size_t i = 0;
    for (;;) {
        size_t p = s.find(from, i);
        if (p == std::string_view::npos) break;
        out.append(s.substr(i, p - i));
        out.append(to);
        i = p + from.size();
    }
    out.append(s.substr(i));
    return out;
}

std::string AdjustLineBreaks(std::string_view s) {
    s = s.substr(0, s.find('\0'));
    std::string out;
    out.reserve(s.size() + s.size() / 16);
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}
