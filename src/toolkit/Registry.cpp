#include "toolkit/Registry.h"

#include <vector>

#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

TRegistry::TRegistry(REGSAM access) : Access(access) {}

TRegistry::~TRegistry() { CloseKey(); }

static std::string StripLeadingBackslash(const std::string& path) {
    // The platform rejects a path that starts with a backslash.
    size_t i = 0;
    while (i < path.size() && path[i] == '\\') ++i;
    return path.substr(i);
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    CloseKey();
    std::string p = StripLeadingBackslash(path);
    HKEY k = nullptr;
    LONG rc;
    if (canCreate)
        rc = RegCreateKeyExA(RootKey, p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, &k, nullptr);
    else
        rc = RegOpenKeyExA(RootKey, p.c_str(), 0, Access, &k);
    if (rc != ERROR_SUCCESS) return false;
    key_ = k;
    path_ = p;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path) {
    REGSAM saved = Access;
    Access = KEY_READ;
    bool ok = OpenKey(path, false);
    Access = saved;
    return ok;
}

void TRegistry::CloseKey() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
    path_.clear();
}

bool TRegistry::ValueExists(const std::string& name) const {
    if (!key_) return false;
    return RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (!key_) return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    std::vector<char> buf(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) != ERROR_SUCCESS)
        return {};
    // The stored text may or may not end in NUL; stop at the first one.
    std::string s(buf.data(), got);
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!key_ || RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

bool TRegistry::DeleteValue(const std::string& name) { return key_ && RegDeleteValueA(key_, name.c_str()) == ERROR_SUCCESS; }

bool TRegistry::DeleteKey(const std::string& path) {
    return RegDeleteKeyA(key_ ? key_ : RootKey, StripLeadingBackslash(path).c_str()) == ERROR_SUCCESS;
}
