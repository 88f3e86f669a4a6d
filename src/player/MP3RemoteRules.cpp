// The portable half of the player remote: cleaning the open command and naming versions.
#include "player/MP3RemoteRules.h"

#include "toolkit/SysUtils.h"

namespace mp3remote {

const char* const kDefaultVersions[27] = {
    "Version 1.55 = 0x1551", "Version 1.6b = 0x16A0",  "Version 1.60 = 0x16AF", "Version 1.61 = 0x16B0", "Version 1.62 = 0x16B1",
    "Version 1.64 = 0x16B3", "Version 1.666 = 0x16B4", "Version 1.69 = 0x16B5", "Version 1.70 = 0x1700", "Version 1.72 = 0x1702",
    "Version 1.73 = 0x1703", "Version 1.80 = 0x1800",  "Version 1.81 = 0x1801", "Version 1.82 = 0x1802", "Version 1.90 = 0x1900",
    "Version 1.91 = 0x1901", "Version 1.92 = 0x1902",  "Version 2.00 = 0x2000", "Version 2.01 = 0x2001", "Version 2.02 = 0x2002",
    "Version 2.03 = 0x2003", "Version 2.04 = 0x2004",  "Version 2.05 = 0x2005", "Version 2.06 = 0x2006", "Version 2.07 = 0x2007",
    "Version 2.08 = 0x2008", "Version 2.09 = 0x2009",
};

std::string CleanOpenCommand(const std::string& command) {
    std::string s = command;
    size_t p = s.find("%1");
    if (p != std::string::npos) s.resize(p);
    std::string out;
    for (char c : s)
        if (c != '"') out += c;
    return out;
}

std::string VersionName(const TStringList& table, unsigned version) {
    version &= 0xFFFF;
    std::string result = version == 0 ? std::string("Not valid Winamp Handle!")
                                      : "Not known winamp version, but still valid Winamp..." + IntToStr(version);
    // Hex digits right-aligned in four places, padded with blanks: 0x0FFF gives " FFF".
    std::string hex = IntToHex(version, 1);
    while (hex.size() < 4) hex.insert(hex.begin(), ' ');
    for (int i = 0; i < table.Count(); ++i) {
        const std::string& row = table[i];
        size_t eq = row.find('=');
        // The digits stand four characters after the "=": past "=", the blank and "0x".
        std::string digits = eq == std::string::npos ? row : (eq + 4 <= row.size() ? row.substr(eq + 4, 4) : std::string());
        if (digits == hex) return eq == std::string::npos ? std::string() : row.substr(0, eq);
    }
    return result;
}

} // namespace mp3remote
