#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/ButtonGlyphs.h"
#include "toolkit/Pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A BMP file: 40-byte info header, optional masks and palette, then `pixels` (rows as given).
Bytes MakeBmp(int width, int height, int bits, const Bytes& pixels, const std::vector<uint32_t>& palette = {},
              uint32_t compression = 0, const std::vector<uint32_t>& masks = {}) {
    Bytes info;
    Put32(info, 40);
    Put32(info, static_cast<uint32_t>(width));
    Put32(info, static_cast<uint32_t>(height));
    Put16(info, 1);
    Put16(info, static_cast<uint32_t>(bits));
    Put32(info, compression);
    Put32(info, static_cast<uint32_t>(pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, static_cast<uint32_t>(palette.size()));
    Put32(info, 0);
    for (uint32_t m : masks) Put32(info, m);
    for (uint32_t c : palette) Put32(info, c);
    Bytes file = {'B', 'M'};
    Put32(file, static_cast<uint32_t>(14 + info.size() + pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

Bytes ReadFile(const std::string& name) {
    std::ifstream in(std::string(QV_TEST_DATA) + "/toolkit/" + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0, kYellow = 0xFFFF00;

} // namespace

// Every depth decodes to the same 2 x 2 picture: red, green on the top row; blue, white below.
TEST(Pictures, BmpDepthsDecodeToTheSamePixels) {
    const std::vector<uint32_t> pal = {kRed, kGreen, kBlue, kWhite};
    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        // Bottom-up rows: the last row in the file is the top. Each row padded to 4 bytes.
        {"8-bit", MakeBmp(2, 2, 8, {2, 3, 0, 0, 0, 1, 0, 0}, pal)},
        {"4-bit", MakeBmp(2, 2, 4, {0x23, 0, 0, 0, 0x01, 0, 0, 0}, pal)},
        {"24-bit", MakeBmp(2, 2, 24, {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0})},
        {"24-bit top-down", MakeBmp(2, -2, 24, {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0})},
        {"16-bit 5-5-5", MakeBmp(2, 2, 16, {0x1F, 0, 0xFF, 0x7F, 0, 0x7C, 0xE0, 0x03})},
        {"32-bit", MakeBmp(2, 2, 32, {0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0})},
        {"32-bit bit fields", MakeBmp(2, 2, 32, {0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0}, {}, 3,
                                      {0xFF000000, 0x00FF0000, 0x0000FF00})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TBitmap b = DecodePicture(c.file.data(), c.file.size());
        ASSERT_EQ(b.Width(), 2);
        ASSERT_EQ(b.Height(), 2);
        EXPECT_EQ(b.Pixel(0, 0), kRed);
        EXPECT_EQ(b.Pixel(1, 0), kGreen);
        EXPECT_EQ(b.Pixel(0, 1), kBlue);
        EXPECT_EQ(b.Pixel(1, 1), kWhite);
    }
}

TEST(Pictures, OneBitRowsReadMostSignificantBitFirst) {
    // 10 pixels wide: two bytes a row, padded to four. Pattern 1011001110 on one row.
    Bytes file = MakeBmp(10, 1, 1, {0xB3, 0x80, 0, 0}, {kBlack, kWhite});
    TBitmap b = DecodeBmp(file.data(), file.size());
    std::string seen;
    for (int x = 0; x < 10; ++x) seen += b.Pixel(x, 0) == kWhite ? '1' : '0';
    EXPECT_EQ(seen, "1011001110");
}

TEST(Pictures, TheTestFileDecodesWithRowPadding) {
    // tests/data/toolkit/tiny.bmp: 3 x 2, 24-bit, 3 padding bytes a row.
    Bytes file = ReadFile("tiny.bmp");
    ASSERT_FALSE(file.empty());
    TBitmap b = DecodePicture(file.data(), file.size());
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(b.Pixel(0, 0), kRed);
    EXPECT_EQ(b.Pixel(2, 0), kBlue);
    EXPECT_EQ(b.Pixel(0, 1), kWhite);
    EXPECT_EQ(b.Pixel(2, 1), kYellow);
    // The same picture without its file header is a bitmap resource's DIB.
    TBitmap dib = DecodeDib(file.data() + 14, file.size() - 14);
    EXPECT_EQ(dib.Pixel(1, 0), kGreen);
    EXPECT_EQ(dib.Pixel(1, 1), kBlack);
    // And the JPEG goes through the same entry.
    Bytes jpg = ReadFile("tiny.jpg");
    EXPECT_EQ(DecodePicture(jpg.data(), jpg.size()).Width(), 8);
}

TEST(Pictures, BrokenOrHostileFilesAreRejected) {
    Bytes good = MakeBmp(2, 2, 24, Bytes(16, 0));
    Bytes shortPixels = good;
    shortPixels.resize(shortPixels.size() - 5);
    Bytes badMagic = good;
    badMagic[0] = 'X';
    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"pixels cut short", shortPixels},
        {"not BMP nor JPEG", badMagic},
        {"empty", {}},
        {"header only", Bytes(good.begin(), good.begin() + 20)},
        {"run-length code on 24 bits", MakeBmp(2, 2, 24, Bytes(16, 0), {}, 1)},
        {"run-length 4 on 8 bits", MakeBmp(2, 2, 8, Bytes(8, 0), {kRed}, 2)},
        {"bit depth 2", MakeBmp(2, 2, 2, Bytes(8, 0), {kRed})},
        {"zero width", MakeBmp(0, 2, 24, Bytes(16, 0))},
        {"wider than the limit", MakeBmp(kMaxPictureSide + 1, 1, 24, Bytes(16, 0))},
        {"more pixels than the limit", MakeBmp(kMaxPictureSide, kMaxPictureSide, 24, Bytes(16, 0))},
        {"colour table over 256", MakeBmp(1, 1, 8, Bytes(4, 0), std::vector<uint32_t>(257, 0))},
        {"colour table missing", MakeBmp(1, 1, 8, {}, {})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(DecodePicture(c.file.data(), c.file.size()), EInvalidGraphic);
    }
    EXPECT_THROW(DecodeDib(nullptr, 0), EInvalidGraphic);
    EXPECT_TRUE(PictureSizeAllowed(kMaxPictureSide, 2));
    EXPECT_FALSE(PictureSizeAllowed(kMaxPictureSide, kMaxPictureSide));
    EXPECT_FALSE(PictureSizeAllowed(-1, 5));
}

TEST(ButtonGlyphs, TickAndCrossInTheirColoursOnATransparentGround) {
    struct Case {
        const char* what;
        TBitmap glyph;
        uint32_t ink;
    } cases[] = {{"OK", OkGlyph(), TBitmap::ToPixel(kOkGlyphColor)},
                 {"Cancel", CancelGlyph(), TBitmap::ToPixel(kCancelGlyphColor)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.glyph.Width(), kStandardGlyphSize);
        EXPECT_TRUE(c.glyph.Transparent);
        // The bottom-left pixel is the ground, which the drawing leaves out.
        EXPECT_EQ(c.glyph.Pixel(0, kStandardGlyphSize - 1), TBitmap::ToPixel(kGlyphTransparent));
        int ink = 0, other = 0;
        for (int y = 0; y < c.glyph.Height(); ++y)
            for (int x = 0; x < c.glyph.Width(); ++x) {
                uint32_t p = c.glyph.Pixel(x, y);
                ink += p == c.ink;
                other += p != c.ink && p != TBitmap::ToPixel(kGlyphTransparent);
            }
        EXPECT_GT(ink, 30); // a stroke three pixels thick, not a dot
        EXPECT_EQ(other, 0);
    }
    // The tick's low point is left of centre and its arm ends high on the right; the cross is symmetric.
    TBitmap ok = OkGlyph(), cancel = CancelGlyph();
    EXPECT_EQ(ok.Pixel(7, 13), TBitmap::ToPixel(kOkGlyphColor));
    EXPECT_EQ(ok.Pixel(14, 13), TBitmap::ToPixel(kGlyphTransparent));
    for (int y = 0; y < kStandardGlyphSize; ++y)
        for (int x = 1; x < kStandardGlyphSize; ++x)
            ASSERT_EQ(cancel.Pixel(x, y), cancel.Pixel(kStandardGlyphSize - x, y)) << x << "," << y;
}
