#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "plugin/PluginRecord.h"
#include "support/MessageBoxWatcher.h"

namespace {

// Unix build paths reach Windows programs under Wine through drive Z:.
std::string DllPath() {
    std::string p = QV_PLUGIN_DLL;
    return p.size() > 1 && p[0] == '/' ? "Z:" + p : p;
}

struct ExportDirectory {
    std::string moduleName;
    std::vector<std::string> names;
};

// Reads the export directory straight from the file (PE/COFF layout), without loading it.
ExportDirectory ReadExports(const std::vector<uint8_t>& f) {
    auto u16 = [&](size_t o) { return static_cast<uint32_t>(f.at(o) | (f.at(o + 1) << 8)); };
    auto u32 = [&](size_t o) { return u16(o) | (u16(o + 2) << 16); };
    size_t pe = u32(0x3C);
    EXPECT_EQ(u32(pe), 0x00004550u); // "PE\0\0"
    size_t sections = u16(pe + 6), optSize = u16(pe + 20), opt = pe + 24;
    EXPECT_EQ(u16(opt), 0x10Bu); // PE32: a 32-bit image
    uint32_t exportRva = u32(opt + 96);
    auto toOffset = [&](uint32_t rva) -> size_t {
        size_t sec = opt + optSize;
        for (size_t i = 0; i < sections; ++i, sec += 40) {
            uint32_t va = u32(sec + 12), size = u32(sec + 8), raw = u32(sec + 20);
            if (rva >= va && rva < va + size) return rva - va + raw;
        }
        return 0;
    };
    ExportDirectory d;
    size_t ed = toOffset(exportRva);
    d.moduleName = reinterpret_cast<const char*>(&f.at(toOffset(u32(ed + 12))));
    uint32_t count = u32(ed + 24);
    size_t namesAt = toOffset(u32(ed + 32));
    for (uint32_t i = 0; i < count; ++i) d.names.push_back(reinterpret_cast<const char*>(&f.at(toOffset(u32(namesAt + 4 * i)))));
    EXPECT_EQ(u32(ed + 20), count); // functions: no ordinal-only exports either
    return d;
}

class PluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryA(DllPath().c_str());
        ASSERT_NE(module_, nullptr) << "LoadLibrary failed: " << GetLastError();
        get_ = reinterpret_cast<TGetGeneralPurposePlugin>(reinterpret_cast<void*>(GetProcAddress(module_, kPluginExportName)));
    }
    static HMODULE module_;
    static TGetGeneralPurposePlugin get_;
};
HMODULE PluginTest::module_ = nullptr;
TGetGeneralPurposePlugin PluginTest::get_ = nullptr;

HWND FindQuavoryWindow() { return FindWindowA(nullptr, "QUAVORY"); }

} // namespace

TEST(PluginFile, ExportDirectoryNamesTheModuleAndHoldsOneUndecoratedExport) {
    std::ifstream in(QV_PLUGIN_DLL, std::ios::binary);
    if (!in) in.open(DllPath(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 1024u);
    ExportDirectory d = ReadExports(bytes);
    EXPECT_EQ(d.moduleName, "gen_quavory.dll");
    ASSERT_EQ(d.names.size(), 1u);
    EXPECT_EQ(d.names[0], "winampGetGeneralPurposePlugin");
}

// The tests below run in order on one loaded library, as the player uses it.
TEST_F(PluginTest, RecordStraightAfterLoad) {
    ASSERT_NE(get_, nullptr);
    TWinampGeneralPurposePlugin* r = get_();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->version, 16);
    EXPECT_STREQ(r->description, "THE QUAVORY plugin v1.0");
    EXPECT_NE(r->init, nullptr);
    EXPECT_NE(r->config, nullptr);
    EXPECT_NE(r->quit, nullptr);
    EXPECT_EQ(r->hwndParent, nullptr);
    EXPECT_EQ(r->hDllInstance, nullptr);
    EXPECT_EQ(get_(), r);
}

TEST_F(PluginTest, ConfigBeforeInitShowsItsBoxAndChangesNothing) {
    TWinampGeneralPurposePlugin* r = get_();
    TMessageBoxWatcher box("Configure");
    r->config();
    ASSERT_TRUE(box.Wait());
    EXPECT_EQ(box.Text(), "Nothing to do here !");
    EXPECT_EQ(box.Owner(), nullptr);
    EXPECT_EQ(FindQuavoryWindow(), nullptr);
}

TEST_F(PluginTest, InitOpensTheBorderlessWindowAndQuitDestroysIt) {
    TWinampGeneralPurposePlugin* r = get_();
    // The player fills in its window and the library's handle before init.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Winamp v1.x";
    RegisterClassA(&wc);
    HWND player =
        CreateWindowExA(0, "Winamp v1.x", "player", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    r->hwndParent = player;
    r->hDllInstance = module_;

    EXPECT_EQ(r->init(), 0);
    HWND w = FindQuavoryWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindowVisible(w));
    LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    RECT rc;
    GetClientRect(w, &rc);
    EXPECT_EQ(rc.right - rc.left, 564);
    EXPECT_EQ(rc.bottom - rc.top, 492);
    // Centred on the screen.
    RECT wr;
    GetWindowRect(w, &wr);
    EXPECT_EQ(wr.left, (GetSystemMetrics(SM_CXSCREEN) - 564) / 2);
    EXPECT_EQ(wr.top, (GetSystemMetrics(SM_CYSCREEN) - 492) / 2);

    // Config is the same after init.
    {
        TMessageBoxWatcher box("Configure");
        r->config();
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.Text(), "Nothing to do here !");
    }

    // The window's messages are served by this thread's loop (the player's).
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(IsWindow(w));

    r->quit();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(FindQuavoryWindow(), nullptr);
    EXPECT_EQ(get_(), r);
    EXPECT_EQ(r->version, 16);
    DestroyWindow(player);
}

TEST(PluginUnload, UnloadAfterQuitAndLoadAgainGivesAFreshRecord) {
    // Init and quit in a library of its own, then unload it: the module's state goes with it.
    HMODULE m = LoadLibraryA((DllPath()).c_str());
    ASSERT_NE(m, nullptr);
    auto get = reinterpret_cast<TGetGeneralPurposePlugin>(reinterpret_cast<void*>(GetProcAddress(m, kPluginExportName)));
    TWinampGeneralPurposePlugin* r = get();
    EXPECT_EQ(r->init(), 0);
    r->quit();
    // The suite's own handle keeps the module loaded; free both references.
    FreeLibrary(m);
    FreeLibrary(GetModuleHandleA("gen_quavory.dll"));
    EXPECT_EQ(GetModuleHandleA("gen_quavory.dll"), nullptr);
    m = LoadLibraryA((DllPath()).c_str());
    ASSERT_NE(m, nullptr);
    get = reinterpret_cast<TGetGeneralPurposePlugin>(reinterpret_cast<void*>(GetProcAddress(m, kPluginExportName)));
    r = get();
    EXPECT_EQ(r->hwndParent, nullptr);
    EXPECT_EQ(r->hDllInstance, nullptr);
    EXPECT_EQ(r->init(), 0);
    EXPECT_NE(FindWindowA(nullptr, "QUAVORY"), nullptr);
    r->quit();
    FreeLibrary(m);
}
