#include "toolkit/Bmp.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "toolkit/ImageLimits.h"

namespace {

uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

[[noreturn]] void Fail(const char* why) { throw EInvalidGraphic(std::string("Bitmap image is not valid: ") + why); }

// One channel of a bit-fields pixel, scaled to 0..255.
struct TField {
    uint32_t mask = 0;
    int shift = 0, bits = 0;
    explicit TField(uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (bits < 32 - shift && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint32_t Get(uint32_t v) const {
        if (!bits) return 0;
        uint32_t x = (v & mask) >> shift;
        uint32_t maxv = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        return static_cast<uint32_t>((uint64_t(x) * 255 + maxv / 2) / maxv);
    }
};

// RLE8 / RLE4 data into an index image (rows bottom-up as stored; pixels not set stay index 0).
void DecodeRle(const uint8_t* p, size_t n, int bits, int width, int height, std::vector<uint8_t>& idx) {
    const size_t w = static_cast<size_t>(width);
    int x = 0, y = 0;
    size_t i = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height) idx[static_cast<size_t>(y) * w + static_cast<size_t>(x)] = v;
        ++x;
    };
    while (i + 1 < n && y < height) {
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) { // a run: count pixels of one value (RLE4: two alternating nibbles)
            for (int k = 0; k < count; ++k) put(bits == 8 ? value : (k & 1) ? (value & 15) : (value >> 4));
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // delta: move right and up
            if (i + 1 >= n) Fail("RLE data is truncated");
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else { // an absolute run of `value` pixels, padded to a 16-bit boundary
            const size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            if (n - i < bytes) Fail("RLE data is truncated");
            for (int k = 0; k < value; ++k)
                put(bits == 8 ? p[i + static_cast<size_t>(k)] : (k & 1) ? (p[i + k / 2] & 15) : (p[i + k / 2] >> 4));
            i += (bytes + 1) & ~size_t(1);
        }
    }
}

} // namespace

TBitmap DecodeBmp(const uint8_t* data, size_t size) {
    if (!data || size < 26 || data[0] != 'B' || data[1] != 'M') Fail("no bitmap header");
    const uint32_t offBits = U32(data + 10);
    const uint32_t hdrSize = U32(data + 14);
    if (hdrSize != 12 && (hdrSize < 40 || hdrSize > 256)) Fail("unknown header");
    if (size < 14 + size_t(hdrSize)) Fail("header is truncated");
    const uint8_t* h = data + 14;
    int64_t width, height;
    int bpp;
    uint32_t compression = 0, clrUsed = 0;
    if (hdrSize == 12) {
        width = U16(h + 4);
        height = static_cast<int16_t>(U16(h + 6));
        bpp = static_cast<int>(U16(h + 10));
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        bpp = static_cast<int>(U16(h + 14));
        compression = U32(h + 16);
        clrUsed = U32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (!PictureSizeAllowed(width, height)) Fail("size out of range");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) Fail("unsupported bit count");
    const bool rle = compression == 1 || compression == 2;
    if (compression > 3 || (compression == 1 && bpp != 8) || (compression == 2 && bpp != 4) ||
        (compression == 3 && bpp != 16 && bpp != 32) || (rle && topDown))
        Fail("unsupported compression");

    // Colour table: after the header (and the three bit-field masks of a 40-byte header).
    size_t tablePos = 14 + hdrSize;
    TField red(0x7C00), green(0x03E0), blue(0x001F);
    if (bpp == 32) red = TField(0xFF0000), green = TField(0xFF00), blue = TField(0xFF);
    if (compression == 3) {
        const uint8_t* m = hdrSize >= 52 ? h + 40 : data + tablePos;
        if (hdrSize < 52) {
            if (size < tablePos + 12) Fail("bit fields are truncated");
            tablePos += 12;
        }
        red = TField(U32(m)), green = TField(U32(m + 4)), blue = TField(U32(m + 8));
    }
    std::vector<uint32_t> colors;
    if (bpp <= 8) {
        const size_t entrySize = hdrSize == 12 ? 3 : 4;
        size_t entries = clrUsed && clrUsed < (1u << bpp) ? clrUsed : (1u << bpp);
        colors.assign(size_t(1) << bpp, 0);
        entries = std::min(entries, (size - std::min(size, tablePos)) / entrySize);
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* c = data + tablePos + i * entrySize;
            colors[i] = uint32_t(c[0]) | (uint32_t(c[1]) << 8) | (uint32_t(c[2]) << 16);
        }
    }
    if (offBits >= size) Fail("no pixel data");
    const uint8_t* px = data + offBits;
    const size_t avail = size - offBits;
    const int w = static_cast<int>(width), hgt = static_cast<int>(height);
    TBitmap out(w, hgt);
    auto rowOf = [&](int stored) { return topDown ? stored : hgt - 1 - stored; };

    if (rle) {
        std::vector<uint8_t> idx(static_cast<size_t>(w) * static_cast<size_t>(hgt), 0);
        DecodeRle(px, avail, bpp, w, hgt, idx);
        for (int sy = 0; sy < hgt; ++sy)
            for (int x = 0; x < w; ++x)
                out.SetPixel(x, rowOf(sy),
                             colors[idx[static_cast<size_t>(sy) * static_cast<size_t>(w) + static_cast<size_t>(x)]]);
        return out;
    }
    // Rows are padded to 4 bytes. Sizes are below 2^14 a side, so this cannot overflow.
    const size_t stride = ((static_cast<size_t>(w) * static_cast<size_t>(bpp) + 31) / 32) * 4;
    if (avail / stride < static_cast<size_t>(hgt)) Fail("pixel data is truncated");
    for (int sy = 0; sy < hgt; ++sy) {
        const uint8_t* row = px + static_cast<size_t>(sy) * stride;
        uint32_t* dst = out.Data() + static_cast<size_t>(rowOf(sy)) * static_cast<size_t>(w);
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1: dst[x] = colors[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: dst[x] = colors[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
            case 8: dst[x] = colors[row[x]]; break;
            case 24: dst[x] = uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) | (uint32_t(row[3 * x + 2]) << 16); break;
            default: {
                uint32_t v = bpp == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
                dst[x] = blue.Get(v) | (green.Get(v) << 8) | (red.Get(v) << 16);
                break;
            }
            }
        }
    }
    return out;
}
