// The general-purpose plug-in record the player reads and fills in: seven 32-bit fields, 28
// bytes, no gaps. A binary interface: the layout is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/Win32.h"

struct TWinampGeneralPurposePlugin {
    int32_t version;         // 16: the player's header version for general-purpose plug-ins
    const char* description; // NUL-terminated ANSI text
    int (*init)();           // returns 0 on success
    void (*config)();
    void (*quit)();
    HWND hwndParent;        // written by the player before init: its main window
    HINSTANCE hDllInstance; // written by the player before init: this library's module handle
};

constexpr int32_t kGeneralPurposePluginVersion = 0x10;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(TWinampGeneralPurposePlugin) == 28, "plug-in record must be 28 bytes");
static_assert(offsetof(TWinampGeneralPurposePlugin, version) == 0);
static_assert(offsetof(TWinampGeneralPurposePlugin, description) == 4);
static_assert(offsetof(TWinampGeneralPurposePlugin, init) == 8);
static_assert(offsetof(TWinampGeneralPurposePlugin, config) == 12);
static_assert(offsetof(TWinampGeneralPurposePlugin, quit) == 16);
static_assert(offsetof(TWinampGeneralPurposePlugin, hwndParent) == 20);
static_assert(offsetof(TWinampGeneralPurposePlugin, hDllInstance) == 24);
#endif

// The export's signature and name.
using TGetGeneralPurposePlugin = TWinampGeneralPurposePlugin* (*)();
constexpr const char* kPluginExportName = "winampGetGeneralPurposePlugin";
