#include "toolkit/Pictures.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3;

uint32_t U16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }
int32_t S32(const uint8_t* p) {
    uint32_t u = U32(p);
    int32_t s;
    std::memcpy(&s, &u, sizeof s);
    return s;
}

[[noreturn]] void Fail(const std::string& why) { throw EInvalidGraphic("Bitmap image is not valid: " + why); }

// Position and width of a bit-field mask, to scale its value to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
    }
    uint32_t Get(uint32_t v) const { return max ? ((v & mask) >> shift) * 255 / max : 0; }
};

// Run-length encoded pixels (RLE8, or RLE4 with two alternating nibbles a byte) into colour
// indices, rows in stored (bottom-up) order. Pixels the data skips or never reaches stay index 0;
// runs past the end of a row or of the picture are cut.
std::vector<uint8_t> DecodeRle(const uint8_t* p, size_t n, uint32_t bits, int width, int height) {
    std::vector<uint8_t> idx(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    int x = 0, y = 0;
    size_t i = 0;
    auto put = [&](uint32_t v) {
        if (x < width && y < height)
            idx[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = static_cast<uint8_t>(v);
        ++x;
    };
    auto nibble = [](uint32_t byte, int k) { return (k & 1) ? (byte & 15) : (byte >> 4); };
    while (i + 1 < n && y < height) {
        const uint32_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) { // a run of `count` pixels
            for (int k = 0; k < static_cast<int>(count) && x < width; ++k) put(bits == 8 ? value : nibble(value, k));
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: right and up
            if (n - i < 2) Fail("RLE data is short");
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else { // `value` pixels stored as they are, padded to a 16-bit boundary
            const size_t bytes = bits == 8 ? value : (value + 1) / 2;
            if (n - i < bytes) Fail("RLE data is short");
            for (int k = 0; k < static_cast<int>(value); ++k)
                put(bits == 8 ? p[i + static_cast<size_t>(k)] : nibble(p[i + static_cast<size_t>(k) / 2], k));
            i += (bytes + 1) & ~size_t(1);
        }
    }
    return idx;
}

// `pixels` is where the pixel rows start; `palette` the colour table (4 bytes an entry).
TBitmap DecodeInfo(const uint8_t* info, size_t infoAvail, const uint8_t* start, size_t total, size_t pixelOffset,
                   bool pixelOffsetKnown) {
    if (infoAvail < 12) Fail("header is short");
    uint32_t headerSize = U32(info);
    int64_t width, height;
    uint32_t bits, compression = kBiRgb, colorsUsed = 0;
    bool core = headerSize == 12;
    if (core) {
        width = U16(info + 4);
        height = static_cast<int16_t>(U16(info + 6));
        bits = U16(info + 10);
    } else {
        if (headerSize < 40 || headerSize > infoAvail) Fail("header is short");
        width = S32(info + 4);
        height = S32(info + 8);
        bits = U16(info + 14);
        compression = U32(info + 16);
        colorsUsed = U32(info + 32);
    }
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (!PictureSizeAllowed(width, height)) Fail("size out of range");
    const bool rle = (compression == kBiRle8 && bits == 8) || (compression == kBiRle4 && bits == 4);
    if (compression != kBiRgb && !rle && !(compression == kBiBitFields && (bits == 16 || bits == 32)))
        Fail("compression not supported");
    if (rle && topDown) Fail("compression not supported"); // run-length pictures are stored bottom-up
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) Fail("bit depth not supported");

    const uint8_t* end = start + total;
    const uint8_t* after = info + headerSize;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (compression == kBiBitFields) {
        // The masks follow a 40-byte header; larger headers hold them inside.
        const uint8_t* m = headerSize == 40 ? after : info + 40;
        if (m + 12 > end) Fail("masks missing");
        for (int i = 0; i < 3; ++i) masks[i] = U32(m + 4 * i);
        if (headerSize == 40) after += 12;
    }
    std::vector<uint32_t> palette;
    if (bits <= 8) {
        size_t entries = colorsUsed ? colorsUsed : (1u << bits);
        if (entries > 256) Fail("colour table too large");
        size_t entrySize = core ? 3 : 4;
        if (after + entries * entrySize > end) Fail("colour table missing");
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* e = after + i * entrySize;
            palette.push_back(static_cast<uint32_t>(e[0] | (e[1] << 8) | (e[2] << 16)));
        }
        after += entries * entrySize;
    }
    const uint8_t* pixels = pixelOffsetKnown ? start + pixelOffset : after;
    if (rle) {
        if (pixels < start || pixels >= end) Fail("pixel data is short");
        std::vector<uint8_t> idx =
            DecodeRle(pixels, static_cast<size_t>(end - pixels), bits, static_cast<int>(width), static_cast<int>(height));
        TBitmap out(static_cast<int>(width), static_cast<int>(height));
        for (int y = 0; y < out.Height(); ++y) {
            const uint8_t* row = idx.data() + static_cast<size_t>(out.Height() - 1 - y) * static_cast<size_t>(width);
            for (int x = 0; x < out.Width(); ++x) out.SetPixel(x, y, row[x] < palette.size() ? palette[row[x]] : 0);
        }
        return out;
    }
    size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    if (pixels < start || pixels > end || static_cast<size_t>(end - pixels) / stride < static_cast<size_t>(height))
        Fail("pixel data is short");

    Channel r(masks[0]), g(masks[1]), b(masks[2]);
    TBitmap out(static_cast<int>(width), static_cast<int>(height));
    for (int y = 0; y < out.Height(); ++y) {
        const uint8_t* row = pixels + stride * static_cast<size_t>(topDown ? y : out.Height() - 1 - y);
        for (int x = 0; x < out.Width(); ++x) {
            uint32_t p = 0;
            switch (bits) {
            case 1:
            case 4:
            case 8: {
                size_t bit = static_cast<size_t>(x) * bits;
                uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                p = index < palette.size() ? palette[index] : 0;
                break;
            }
            case 16: {
                uint32_t v = U16(row + 2 * x);
                p = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v);
                break;
            }
            case 24: p = static_cast<uint32_t>(row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16)); break;
            case 32: {
                uint32_t v = U32(row + 4 * x);
                p = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v);
                break;
            }
            default: break;
            }
            out.SetPixel(x, y, p);
        }
    }
    return out;
}

} // namespace

bool PictureSizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

TBitmap DecodeBmp(const uint8_t* data, size_t size) {
    if (!data || size < kFileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M') Fail("not a BMP file");
    uint32_t offset = U32(data + 10);
    if (offset > size) Fail("pixel data is short");
    return DecodeInfo(data + kFileHeaderSize, size - kFileHeaderSize, data, size, offset, true);
}

TBitmap DecodeDib(const uint8_t* data, size_t size) {
    if (!data) Fail("header is short");
    return DecodeInfo(data, size, data, size, 0, false);
}

TBitmap DecodePicture(const uint8_t* data, size_t size) {
    if (data && size >= 2 && data[0] == 0xFF && data[1] == 0xD8) return DecodeJpeg(data, size);
    if (data && size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size);
    throw EInvalidGraphic("Picture is neither JPEG nor BMP");
}
