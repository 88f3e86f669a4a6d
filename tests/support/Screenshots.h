// Screenshots for Win32 tests: a window's pixels read back from the screen, and a bitmap written
// as a 24-bit BMP file that any image viewer opens, so a person can look at what a test saw.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "toolkit/GdiCanvas.h"
#include "toolkit/Win32.h"

// The screen's pixels under a window (exact at 24-bit depth).
inline TBitmap CaptureWindow(HWND wnd) {
    RECT r;
    GetWindowRect(wnd, &r);
    HDC screen = GetDC(nullptr);
    TOffscreen off(screen, r.right - r.left, r.bottom - r.top);
    BitBlt(off.DC(), 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return off.ToBitmap();
}

// Writes `b` to the file `name` as a bottom-up 24-bit BMP.
inline void SaveBmp(const TBitmap& b, const std::string& name) {
    const int w = b.Width(), h = b.Height(), stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride * h);
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&ih), sizeof ih);
    std::string row(static_cast<size_t>(stride), '\0');
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t p = b.Pixel(x, y);
            row[static_cast<size_t>(x * 3)] = static_cast<char>(p & 255);
            row[static_cast<size_t>(x * 3 + 1)] = static_cast<char>((p >> 8) & 255);
            row[static_cast<size_t>(x * 3 + 2)] = static_cast<char>((p >> 16) & 255);
        }
        out.write(row.data(), stride);
    }
}
