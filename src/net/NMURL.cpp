#include "net/NMURL.h"

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
