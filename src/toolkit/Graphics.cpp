#include "toolkit/Graphics.h"

#include <cmath>

#include "toolkit/SysUtils.h"

namespace {

// The classic Windows colour scheme, so portable code resolves system colours the same way
// without a platform to ask.
TColor DefaultSysColor(int index) {
    static const TColor table[] = {
        RGBColor(192, 192, 192), RGBColor(0, 128, 128),   RGBColor(0, 0, 128),     RGBColor(128, 128, 128),
        RGBColor(192, 192, 192), RGBColor(255, 255, 255), RGBColor(0, 0, 0),       RGBColor(0, 0, 0),
        RGBColor(0, 0, 0),       RGBColor(255, 255, 255), RGBColor(192, 192, 192), RGBColor(192, 192, 192),
        RGBColor(128, 128, 128), RGBColor(0, 0, 128),     RGBColor(255, 255, 255), RGBColor(192, 192, 192),
        RGBColor(128, 128, 128), RGBColor(128, 128, 128), RGBColor(0, 0, 0),       RGBColor(192, 192, 192),
        RGBColor(255, 255, 255), RGBColor(0, 0, 0),       RGBColor(223, 223, 223), RGBColor(0, 0, 0),
        RGBColor(255, 255, 225),
    };
    if (index >= 0 && index < static_cast<int>(sizeof table / sizeof table[0])) return table[index];
    return clBlack;
}

TSysColorProvider g_provider = DefaultSysColor;

} // namespace

TColor ColorToRGB(TColor c) {
    if (c < 0) return g_provider(c & 0xFF);
    return c & 0x00FFFFFF;
}

void SetSysColorProvider(TSysColorProvider provider) { g_provider = provider ? provider : DefaultSysColor; }

int TFont::Size() const {
    // Points from pixels, rounded as the platform's MulDiv does.
    return -MulDiv(Height, 72, ScreenPixelsPerInch);
}

void TFont::SetSize(int points) { Height = -MulDiv(points, ScreenPixelsPerInch, 72); }

TBitmap::TBitmap(int width, int height, uint32_t fill) { SetSize(width, height, fill); }

void TBitmap::SetSize(int width, int height, uint32_t fill) {
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill);
}
