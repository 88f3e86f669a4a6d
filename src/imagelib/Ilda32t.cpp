// ILDA32T.DLL: BMP, JPEG and PNG decoding for the viewer, built on the toolkit's decoders (BMP
// of its own, libjpeg, libpng). The decoded picture is handed to GDI, which converts it to the
// colour depth asked for (matching colours against the palette on depths of 8 bits or fewer).
// No exception leaves an entry point.
#include "imagelib/Ilda32t.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "html/HTMLUn2Images.h"
#include "toolkit/Pictures.h"
#include "toolkit/Png.h"

namespace {

// A 256-colour palette for 8-bit results when the caller gives none: the 6 x 6 x 6 colour cube
// and a grey ramp.
std::vector<PALETTEENTRY> DefaultPalette() {
    std::vector<PALETTEENTRY> p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.push_back({static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51), 0});
    for (int i = 0; p.size() < 256; ++i) {
        const BYTE v = static_cast<BYTE>(8 + i * 6);
        p.push_back({v, v, v, 0});
    }
    return p;
}

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
    std::vector<uint8_t> buf(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(entries.size());
    std::memcpy(lp->palPalEntry, entries.data(), entries.size() * sizeof(PALETTEENTRY));
    return CreatePalette(lp);
}

// The picture as a DIB section of `bpp` bits (1, 4, 8, 16, 24 or 32; anything else 32).
HBITMAP ToBitmap(const TBitmap& pic, int bpp, HPALETTE shared, HPALETTE* paletteOut) {
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) bpp = 32;
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[256];
    } bi{};
    bi.h.biSize = sizeof(BITMAPINFOHEADER);
    bi.h.biWidth = pic.Width();
    bi.h.biHeight = -pic.Height(); // top-down
    bi.h.biPlanes = 1;
    bi.h.biBitCount = static_cast<WORD>(bpp);
    bi.h.biCompression = BI_RGB;
    std::vector<PALETTEENTRY> entries;
    if (bpp <= 8) {
        const int want = 1 << bpp;
        if (shared) {
            entries.resize(static_cast<size_t>(want));
            entries.resize(GetPaletteEntries(shared, 0, static_cast<UINT>(want), entries.data()));
        }
        if (entries.empty()) {
            entries = DefaultPalette();
            entries.resize(static_cast<size_t>(want));
        }
        for (size_t i = 0; i < entries.size(); ++i) bi.colors[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        bi.h.biClrUsed = static_cast<DWORD>(entries.size());
    }
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return nullptr;
    // The decoded pixels as a 32-bit top-down DIB; SetDIBits converts them to the section's depth.
    BITMAPINFO src{};
    src.bmiHeader = bi.h;
    src.bmiHeader.biBitCount = 32;
    src.bmiHeader.biClrUsed = 0;
    HDC dc = GetDC(nullptr);
    const int rows = SetDIBits(dc, bmp, 0, static_cast<UINT>(pic.Height()), pic.Data(), &src, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != pic.Height()) {
        DeleteObject(bmp);
        return nullptr;
    }
    if (paletteOut) *paletteOut = bpp <= 8 ? MakePalette(entries) : nullptr;
    return bmp;
}

int DecodeInto(TImageFormat format, const uint8_t* data, size_t size, int bpp, HPALETTE shared, TIldaProgress progress,
               HBITMAP* bitmap, HPALETTE* palette) {
    if (!bitmap) return IldaBadCall;
    *bitmap = nullptr;
    if (palette) *palette = nullptr;
    if (!data) return IldaBadCall;
    if (progress && progress(0) == 0) return IldaStopped;
    if (size > MaxImageDataBytes || SniffImageFormat(data, size) != format) return IldaFailed;
    try {
        TBitmap pic = format == TImageFormat::Bmp   ? DecodeBmp(data, size)
                      : format == TImageFormat::Png ? DecodePng(data, size)
                                                    : DecodeJpeg(data, size);
        if (progress && progress(90) == 0) return IldaStopped;
        HBITMAP bmp = ToBitmap(pic, bpp, shared, palette);
        if (!bmp) return IldaFailed;
        *bitmap = bmp;
    } catch (...) { return IldaFailed; }
    if (progress) progress(100);
    return IldaOk;
}

int DecodeFile(TImageFormat format, const char* fileName, int bpp, HPALETTE shared, TIldaProgress progress, HBITMAP* bitmap,
               HPALETTE* palette) {
    if (!fileName || !bitmap) return IldaBadCall;
    *bitmap = nullptr;
    if (palette) *palette = nullptr;
    try {
        std::ifstream in(fileName, std::ios::binary);
        if (!in) return IldaFailed;
        std::string bytes(MaxImageDataBytes + 1, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(in.gcount()));
        return DecodeInto(format, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bpp, shared, progress, bitmap,
                          palette);
    } catch (...) { return IldaFailed; }
}

int DecodeStream(TImageFormat format, const void* data, int size, int bpp, HPALETTE shared, TIldaProgress progress,
                 HBITMAP* bitmap, HPALETTE* palette) {
    if (size < 0) return IldaBadCall;
    return DecodeInto(format, static_cast<const uint8_t*>(data), static_cast<size_t>(size), bpp, shared, progress, bitmap,
                      palette);
}

} // namespace

#define QV_ILDA_EXPORT extern "C" __declspec(dllexport) int __stdcall

QV_ILDA_EXPORT rbmp(const char* f, int bpp, int, HPALETTE pal, TIldaProgress cb, HBITMAP* b, HPALETTE* p) {
    return DecodeFile(TImageFormat::Bmp, f, bpp, pal, cb, b, p);
}
QV_ILDA_EXPORT rjpg(const char* f, int bpp, int, HPALETTE pal, TIldaProgress cb, HBITMAP* b, HPALETTE* p) {
    return DecodeFile(TImageFormat::Jpeg, f, bpp, pal, cb, b, p);
}
QV_ILDA_EXPORT rpng(const char* f, int bpp, int, HPALETTE pal, TIldaProgress cb, HBITMAP* b, HPALETTE* p) {
    return DecodeFile(TImageFormat::Png, f, bpp, pal, cb, b, p);
}
QV_ILDA_EXPORT rbmpstream(const void* d, int n, int bpp, int, HPALETTE pal, TIldaProgress cb, HBITMAP* b, HPALETTE* p) {
    return DecodeStream(TImageFormat::Bmp, d, n, bpp, pal, cb, b, p);
}
QV_ILDA_EXPORT rjpgstream(const void* d, int n, int bpp, int, HPALETTE pal, TIldaProgress cb, HBITMAP* b, HPALETTE* p) {
    return DecodeStream(TImageFormat::Jpeg, d, n, bpp, pal, cb, b, p);
}
QV_ILDA_EXPORT rpngstream(const void* d, int n, int bpp, int, HPALETTE pal, TIldaProgress cb, HBITMAP* b, HPALETTE* p) {
    return DecodeStream(TImageFormat::Png, d, n, bpp, pal, cb, b, p);
}
