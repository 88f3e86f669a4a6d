#include "toolkit/Png.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

#include "toolkit/Pictures.h"

namespace {

struct TMemorySource {
    const uint8_t* data;
    size_t size, pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t len) {
    auto* src = static_cast<TMemorySource*>(png_get_io_ptr(png));
    if (src->size - src->pos < len) png_error(png, "PNG data is truncated");
    std::memcpy(out, src->data + src->pos, len);
    src->pos += len;
}

struct TErrorText {
    char text[200] = "";
};

void OnError(png_structp png, png_const_charp msg) {
    auto* err = static_cast<TErrorText*>(png_get_error_ptr(png));
    std::snprintf(err->text, sizeof err->text, "%s", msg);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {} // warnings are not shown

// Returns false and fills `message` on failure; never throws, and holds nothing with a destructor
// across libpng's longjmp (the row pointers are owned by the caller).
bool Decode(const uint8_t* data, size_t size, TBitmap& out, std::vector<png_bytep>& rows, TErrorText& err) {
    TMemorySource src{data, size, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, OnError, OnWarning);
    if (!png) {
        std::snprintf(err.text, sizeof err.text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &src, ReadFromMemory);
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(png, 8 * 1024 * 1024); // no ancillary chunk needs more
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
    if (!PictureSizeAllowed(w, h) || h > rows.size()) png_error(png, "image is too large");
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (depth == 16) png_set_scale_16(png);
    if (type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER); // B, G, R, 0: the bitmap's pixel layout
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row size");
    out.SetSize(static_cast<int>(w), static_cast<int>(h));
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = reinterpret_cast<png_bytep>(out.Data() + size_t(y) * w);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

const uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

} // namespace

TBitmap DecodePng(const uint8_t* data, size_t size) {
    if (!data || size < 8 || std::memcmp(data, Signature, 8) != 0) throw EInvalidGraphic("Not a PNG image");
    // The row pointer array is sized from the header before libpng starts, so nothing with a
    // destructor is created between setjmp and longjmp.
    size_t rowsNeeded = 0;
    if (size >= 24) rowsNeeded = Be32(data + 20);
    if (rowsNeeded > size_t(kMaxPictureSide)) throw EInvalidGraphic("PNG error: image is too large");
    std::vector<png_bytep> rows(rowsNeeded ? rowsNeeded : 1);
    TBitmap out;
    TErrorText err;
    if (!Decode(data, size, out, rows, err)) throw EInvalidGraphic(std::string("PNG error: ") + err.text);
    return out;
}

bool PngTransparentColor(const uint8_t* data, size_t size, TColor& color) {
    if (!data || size < 8 || std::memcmp(data, Signature, 8) != 0) return false;
    const uint8_t* palette = nullptr;
    size_t paletteEntries = 0;
    bool isPalette = false;
    size_t pos = 8;
    while (size - pos >= 12) {
        const size_t len = Be32(data + pos);
        const uint8_t* type = data + pos + 4;
        const uint8_t* body = data + pos + 8;
        if (len > size - pos - 12) return false; // a chunk running past the data
        if (std::memcmp(type, "IHDR", 4) == 0 && len >= 10)
            isPalette = body[9] == 3;
        else if (std::memcmp(type, "PLTE", 4) == 0)
            palette = body, paletteEntries = len / 3;
        else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (!isPalette || !palette) return false;
            for (size_t i = 0; i < len && i < paletteEntries; ++i)
                if (body[i] == 0) {
                    color = RGBColor(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
                    return true;
                }
            return false;
        } else if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)
            return false; // tRNS comes before the image data
        pos += len + 12;
    }
    return false;
}
