// The URL launcher's registry look-up and process start.
#include "toolkit/Win32.h"
#include "widgets/pvlUrl.h"

#include <vector>

TpvlUrl::TpvlUrl(TComponent* owner) : TComponent(owner) {}
TpvlUrl::~TpvlUrl() = default;

int TpvlUrl::ReadClassesValue(const std::string& key, std::string& value) {
    value.clear();
    HKEY k = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &k);
    if (rc != ERROR_SUCCESS) return static_cast<int>(rc);
    // Read the whole default value (a command longer than the usual 259 characters must not
    // come back cut or undefined).
    std::vector<char> buf(260);
    DWORD type = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(buf.size());
        rc = RegQueryValueExA(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
        if (rc == ERROR_MORE_DATA) {
            buf.resize(static_cast<size_t>(size) + 1);
            continue;
        }
        if (rc == ERROR_SUCCESS) {
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                rc = ERROR_INVALID_DATA;
                break;
            }
            std::string text(buf.data(), size);
            text = text.substr(0, text.find('\0'));
            if (type == REG_EXPAND_SZ) {
                char expanded[4096];
                DWORD n = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
                if (n > 0 && n <= sizeof expanded) text = expanded;
            }
            value = text;
        }
        break;
    }
    RegCloseKey(k);
    return static_cast<int>(rc);
}

unsigned TpvlUrl::RunCommandLine(const std::string& commandLine, int show) {
    return WinExec(commandLine.c_str(), static_cast<UINT>(show));
}
