#include "plugin/FormCodeArtwork.h"

#include <cstring>

#include "toolkit/Controls.h"
#include "toolkit/Jpeg.h"
#include "toolkit/SysUtils.h"

namespace {

uint32_t Le(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Pictures larger than this are not artwork of ours.
constexpr int32_t kMaxArtworkSide = 4096;

} // namespace

TBitmap DecodeBmp(const uint8_t* data, size_t size) {
    // BITMAPFILEHEADER (14 bytes) then BITMAPINFOHEADER (40 bytes or a later, larger version).
    if (size < 54 || data[0] != 'B' || data[1] != 'M') throw EInvalidGraphic("Bitmap image is not valid");
    uint32_t offset = Le(data + 10, 4);
    uint32_t headerSize = Le(data + 14, 4);
    auto width = static_cast<int32_t>(Le(data + 18, 4));
    auto height = static_cast<int32_t>(Le(data + 22, 4));
    uint32_t planes = Le(data + 26, 2), bits = Le(data + 28, 2), compression = Le(data + 30, 4);
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (headerSize < 40 || planes != 1 || (bits != 24 && bits != 32) || compression != 0 || width <= 0 || height <= 0 ||
        width > kMaxArtworkSide || height > kMaxArtworkSide)
        throw EInvalidGraphic("Bitmap image is not valid");
    size_t bytesPerPixel = bits / 8;
    size_t stride = (static_cast<size_t>(width) * bytesPerPixel + 3) & ~size_t{3};
    if (offset > size || stride * static_cast<size_t>(height) > size - offset) throw EInvalidGraphic("Bitmap image is not valid");
    TBitmap bmp(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = data + offset + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * bytesPerPixel;
            bmp.SetPixel(x, y, static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16))); // B, G, R
        }
    }
    return bmp;
}

TBitmap ArtworkBitmap(const char* name) {
    HMODULE module = ToolkitInstance();
    HRSRC res = FindResourceA(module, name, MAKEINTRESOURCEA(10)); // RT_RCDATA
    HGLOBAL loaded = res ? LoadResource(module, res) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) throw EResNotFound(Format("Resource %s not found", name));
    auto data = static_cast<const uint8_t*>(bytes);
    size_t size = SizeofResource(module, res);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) return DecodeJpeg(data, size);
    return DecodeBmp(data, size);
}

TBitmap OpaqueGlyph(const char* name) {
    TBitmap b = ArtworkBitmap(name);
    b.Transparent = true;
    // The generator keeps the key colour (magenta) out of opaque glyphs, so every pixel is drawn.
    b.TransparentColor = clFuchsia;
    return b;
}
