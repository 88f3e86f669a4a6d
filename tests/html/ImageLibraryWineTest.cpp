// The image library ILDA32T.DLL under Wine: its entry points, the viewer's decoders through it
// (identical to the reference decodes the native tests use), and what happens without it (the
// message shown once, BMP through the toolkit's reader, JPEG and PNG failing).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ImageTestUtil.h"
#include "html/HTMLUn2Library.h"
#include "support/MessageBoxWatcher.h"
#include "toolkit/Application.h"

namespace {

using qv_test::Bytes;
using qv_test::Rgb;
const auto ReadFixture = qv_test::ReadImageFixture;

const char* const Fixtures[] = {"rgb.png",          "grey.png",     "rgba.png",        "rgb16.png",     "interlaced.png",
                                "palette-trns.png", "baseline.jpg", "progressive.jpg", "grey.jpg",      "mono.bmp",
                                "p4.bmp",           "rle8.bmp",     "rgb24.bmp",       "topdown24.bmp", "rgba32.bmp"};

// The library is copied beside the test program at build time.
TIldaStreamEntry Entry(HMODULE lib, const char* name) {
    return reinterpret_cast<TIldaStreamEntry>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

int stopAfter = -1; // the progress callback stops once it is called with this share or more
int __stdcall StopProgress(int percent) { return stopAfter >= 0 && percent >= stopAfter ? 0 : 1; }

} // namespace

TEST(ImageLibrary, DecodesIdenticallyToTheReference) {
    // On the 24-bit screen of the test run every decode matches the native reference exactly.
    TLibraryImageCodecs codecs;
    int missing = 0;
    codecs.OnMissing = [&](const std::string&) { ++missing; };
    ASSERT_TRUE(codecs.Available());
    for (const char* f : Fixtures) {
        const Bytes data = ReadFixture(f);
        const TBitmap b = codecs.Decode(SniffImageFormat(data.data(), data.size()), data.data(), data.size());
        EXPECT_TRUE(Rgb(b) == ReadFixture(std::string(f) + ".rgb")) << f;
    }
    EXPECT_EQ(missing, 0);
}

TEST(ImageLibrary, EntryPoints) {
    HMODULE lib = LoadLibraryA("ILDA32T.DLL");
    ASSERT_NE(lib, nullptr);
    const TIldaStreamEntry png = Entry(lib, "rpngstream"), jpg = Entry(lib, "rjpgstream"), bmp = Entry(lib, "rbmpstream");
    ASSERT_TRUE(png && jpg && bmp);
    const Bytes p = ReadFixture("rgb.png"), j = ReadFixture("baseline.jpg");
    HBITMAP b = nullptr;
    HPALETTE pal = nullptr;

    // Each entry takes its own format only.
    EXPECT_EQ(jpg(p.data(), static_cast<int>(p.size()), 24, 1, nullptr, nullptr, &b, &pal), IldaFailed);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(bmp(j.data(), static_cast<int>(j.size()), 24, 1, nullptr, nullptr, &b, &pal), IldaFailed);
    // Truncated data fails; bad calls are refused.
    EXPECT_EQ(png(p.data(), static_cast<int>(p.size() / 2), 24, 1, nullptr, nullptr, &b, &pal), IldaFailed);
    EXPECT_EQ(png(nullptr, 10, 24, 1, nullptr, nullptr, &b, &pal), IldaBadCall);
    EXPECT_EQ(png(p.data(), -1, 24, 1, nullptr, nullptr, &b, &pal), IldaBadCall);
    EXPECT_EQ(png(p.data(), static_cast<int>(p.size()), 24, 1, nullptr, nullptr, nullptr, &pal), IldaBadCall);

    // The progress callback can stop a decode.
    stopAfter = 0;
    EXPECT_EQ(png(p.data(), static_cast<int>(p.size()), 24, 1, nullptr, StopProgress, &b, &pal), IldaStopped);
    EXPECT_EQ(b, nullptr);
    stopAfter = -1;

    // The depth asked for: 24 bits without a palette, 8 bits with one (here the library's own
    // colour cube, black being its first entry).
    struct TDepth {
        int bpp;
        bool palette;
    };
    for (TDepth d : {TDepth{24, false}, TDepth{32, false}, TDepth{16, false}, TDepth{8, true}}) {
        ASSERT_EQ(png(p.data(), static_cast<int>(p.size()), d.bpp, 1, nullptr, StopProgress, &b, &pal), IldaOk) << d.bpp;
        BITMAP info{};
        ASSERT_TRUE(GetObjectA(b, sizeof info, &info));
        EXPECT_EQ(info.bmBitsPixel, d.bpp);
        EXPECT_EQ(info.bmWidth, 37);
        EXPECT_EQ(info.bmHeight, 23);
        EXPECT_EQ(pal != nullptr, d.palette) << d.bpp;
        if (pal) {
            PALETTEENTRY first{};
            EXPECT_EQ(GetPaletteEntries(pal, 0, 1, &first), 1u);
            EXPECT_EQ(first.peRed + first.peGreen + first.peBlue, 0);
            DeleteObject(pal);
        }
        DeleteObject(b);
    }

    // The file entries read the same pictures.
    const auto file = reinterpret_cast<TIldaFileEntry>(reinterpret_cast<void*>(GetProcAddress(lib, "rjpg")));
    ASSERT_NE(file, nullptr);
    const std::string path = std::string(QV_TEST_DATA) + "/images/baseline.jpg";
    ASSERT_EQ(file(path.c_str(), 24, 1, nullptr, nullptr, &b, &pal), IldaOk);
    EXPECT_TRUE(Rgb(BitmapFromHandle(b)) == ReadFixture("baseline.jpg.rgb"));
    DeleteObject(b);
    EXPECT_EQ(file("no-such-file.jpg", 24, 1, nullptr, nullptr, &b, &pal), IldaFailed);
    FreeLibrary(lib);
}

TEST(ImageLibrary, MissingLibrary) {
    TLibraryImageCodecs codecs("NOSUCH32.DLL");
    std::vector<std::string> shown;
    codecs.OnMissing = [&](const std::string& text) { shown.push_back(text); };
    for (int pass = 0; pass < 2; ++pass)
        for (const char* f : Fixtures) {
            const Bytes data = ReadFixture(f);
            const TImageFormat format = SniffImageFormat(data.data(), data.size());
            if (format == TImageFormat::Bmp) {
                // BMP still loads, through the toolkit's own reader.
                const TBitmap b = codecs.Decode(format, data.data(), data.size());
                EXPECT_TRUE(Rgb(b) == ReadFixture(std::string(f) + ".rgb")) << f;
            } else {
                EXPECT_THROW(codecs.Decode(format, data.data(), data.size()), EInvalidGraphic) << f;
            }
        }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Image Library, ILDA32T.DLL, not found");
}

TEST(ImageLibrary, MissingLibraryMessageBoxShownOnce) {
    Application->SetTitle("THE QUAVORY");
    Application->Initialize();
    TLibraryImageCodecs codecs("NOSUCH32.DLL");
    const Bytes png = ReadFixture("rgb.png");
    {
        TMessageBoxWatcher watcher("THE QUAVORY");
        EXPECT_THROW(codecs.Decode(TImageFormat::Png, png.data(), png.size()), EInvalidGraphic);
        ASSERT_TRUE(watcher.Wait());
        EXPECT_EQ(watcher.Text(), "Image Library, ILDA32T.DLL, not found");
    }
    // The second picture fails without a box.
    TMessageBoxWatcher again("THE QUAVORY", IDOK, 1500);
    EXPECT_THROW(codecs.Decode(TImageFormat::Png, png.data(), png.size()), EInvalidGraphic);
    EXPECT_FALSE(again.Wait());
}
