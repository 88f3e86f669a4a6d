// The registry: one open key at a time under a root, string values. Win32 only.
#pragma once

#include "toolkit/Win32.h"

#include <string>

#include "toolkit/Classes.h"

class TRegistry : public TObject {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
    ~TRegistry() override;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey = HKEY_CURRENT_USER;
    REGSAM Access;

    // Opens `path` below the root (a leading backslash is allowed), creating every missing level
    // when `canCreate`. Closes any key open before. False when it cannot be opened.
    bool OpenKey(const std::string& path, bool canCreate);
    bool OpenKeyReadOnly(const std::string& path);
    void CloseKey();
    bool KeyOpen() const { return key_ != nullptr; }
    HKEY CurrentKey() const { return key_; }
    const std::string& CurrentPath() const { return path_; }

    // Value names are looked up without regard to letter case (the platform's rule).
    bool ValueExists(const std::string& name) const;
    // A missing value reads as the empty text; a value of another type raises
    // ERegistryException "Invalid data type for '<name>'".
    std::string ReadString(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    bool DeleteValue(const std::string& name);
    bool DeleteKey(const std::string& path);

private:
    HKEY key_ = nullptr;
    std::string path_;
};
