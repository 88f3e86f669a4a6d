// BMP, PNG and JPEG decoding against reference decodes, the size limits of every decoder, and
// the path from image data to a picture with its mask.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <zlib.h>

#include "GifTestUtil.h"
#include "ImageTestUtil.h"
#include "html/HTMLUn2Images.h"
#include "toolkit/Pictures.h"
#include "toolkit/Png.h"

namespace {

using qv_test::Bytes;
using qv_test::Rgb;
const auto ReadFile = qv_test::ReadImageFixture;

void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = static_cast<uint8_t>(v), b[at + 1] = static_cast<uint8_t>(v >> 8); }
void Put32(Bytes& b, size_t at, uint32_t v) { Put16(b, at, v & 0xFFFF), Put16(b, at + 2, v >> 16); }

// A Windows bitmap file of `rgb` (w x h, rows top to bottom) with a 40-byte header. Paletted
// depths take the colours from `palette` and the indices from `index`.
Bytes WriteBmp(int w, int h, int bpp, bool topDown, const Bytes& rgb, const std::vector<uint32_t>& palette = {},
               const Bytes& index = {}) {
    const size_t stride = ((static_cast<size_t>(w) * static_cast<size_t>(bpp) + 31) / 32) * 4;
    const size_t tableBytes = palette.size() * 4;
    Bytes b(54 + tableBytes + stride * static_cast<size_t>(h), 0);
    b[0] = 'B', b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size()));
    Put32(b, 10, static_cast<uint32_t>(54 + tableBytes));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<uint32_t>(w));
    Put32(b, 22, static_cast<uint32_t>(topDown ? -h : h));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<uint32_t>(bpp));
    for (size_t i = 0; i < palette.size(); ++i) Put32(b, 54 + 4 * i, palette[i]); // 0x00RRGGBB: B, G, R, 0
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.data() + 54 + tableBytes + stride * static_cast<size_t>(topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            const uint8_t* c = rgb.data() + 3 * i;
            switch (bpp) {
            case 1: row[x / 8] |= static_cast<uint8_t>(index[i] << (7 - x % 8)); break;
            case 4: row[x / 2] |= static_cast<uint8_t>(index[i] << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = index[i]; break;
            case 16: {
                uint32_t v = (uint32_t(c[0] >> 3) << 10) | (uint32_t(c[1] >> 3) << 5) | (c[2] >> 3);
                row[2 * x] = static_cast<uint8_t>(v), row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            }
            case 24: row[3 * x] = c[2], row[3 * x + 1] = c[1], row[3 * x + 2] = c[0]; break;
            case 32: row[4 * x] = c[2], row[4 * x + 1] = c[1], row[4 * x + 2] = c[0], row[4 * x + 3] = 0x77; break;
            }
        }
    }
    return b;
}

struct TIndexed {
    Bytes rgb, index;
    std::vector<uint32_t> palette;
};
TIndexed Indexed(int w, int h, int bits) {
    TIndexed t;
    std::mt19937 rng(static_cast<unsigned>(bits));
    for (int i = 0; i < (1 << bits); ++i) t.palette.push_back(rng() & 0xFFFFFF);
    for (int i = 0; i < w * h; ++i) {
        uint8_t k = static_cast<uint8_t>(rng() % (1u << bits));
        t.index.push_back(k);
        uint32_t c = t.palette[k];
        t.rgb.insert(t.rgb.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
    return t;
}

} // namespace

TEST(ImageSniff, FirstBytesGiveTheFormat) {
    const struct {
        Bytes data;
        TImageFormat format;
    } cases[] = {
        {{'G', 'I', 'F', '8', '9', 'a'}, TImageFormat::Gif},
        {{'G', 'I', 'F', '8'}, TImageFormat::Gif},
        {{'G', 'I', 'F', '9'}, TImageFormat::Unknown},
        {{'B', 'M'}, TImageFormat::Bmp},
        {{0x89, 'P', 'N', 'G', 13, 10}, TImageFormat::Png},
        {{0x88, 'P', 'N', 'G'}, TImageFormat::Unknown},
        {{0xFF, 0xD8, 0xFF}, TImageFormat::Jpeg},
        {{0xFF, 0xD9}, TImageFormat::Unknown},
        {{'<', 'h', 't', 'm', 'l', '>'}, TImageFormat::Unknown},
        {{'B'}, TImageFormat::Unknown},
        {{}, TImageFormat::Unknown},
    };
    for (auto& c : cases) EXPECT_EQ(SniffImageFormat(c.data.data(), c.data.size()), c.format) << c.data.size();
    EXPECT_EQ(SniffImageFormat(nullptr, 10), TImageFormat::Unknown);
}

TEST(ImageFormats, FilesMatchTheReferenceDecode) {
    // Reference: ImageMagick's decode of the same files (tests/data/images/make-fixtures.sh).
    const char* files[] = {"rgb.png",          "grey.png",     "rgba.png",        "rgb16.png",     "interlaced.png",
                           "palette-trns.png", "baseline.jpg", "progressive.jpg", "grey.jpg",      "mono.bmp",
                           "p4.bmp",           "rle8.bmp",     "rgb24.bmp",       "topdown24.bmp", "rgba32.bmp"};
    for (const char* f : files) {
        Bytes data = ReadFile(f);
        TBitmap b = BuiltInImageCodecs().Decode(SniffImageFormat(data.data(), data.size()), data.data(), data.size());
        Bytes ref = ReadFile(std::string(f) + ".rgb");
        ASSERT_EQ(static_cast<size_t>(b.Width()) * static_cast<size_t>(b.Height()) * 3, ref.size()) << f;
        EXPECT_TRUE(Rgb(b) == ref) << f;
    }
}

TEST(ImageFormats, BmpDepthsAndRowOrders) {
    const int w = 13, h = 5;
    struct TCase {
        int bpp;
        bool topDown;
    };
    for (TCase c : {TCase{1, false}, TCase{4, false}, TCase{8, false}, TCase{8, true}, TCase{16, false}, TCase{24, false},
                    TCase{24, true}, TCase{32, false}}) {
        TIndexed t = Indexed(w, h, c.bpp <= 8 ? c.bpp : 8);
        if (c.bpp == 16)
            for (auto& v : t.rgb) v = static_cast<uint8_t>((v >> 3) * 255 / 31); // five bits scaled to eight
        Bytes file =
            c.bpp <= 8 ? WriteBmp(w, h, c.bpp, c.topDown, t.rgb, t.palette, t.index) : WriteBmp(w, h, c.bpp, c.topDown, t.rgb);
        TBitmap b = DecodeBmp(file.data(), file.size());
        ASSERT_EQ(b.Width(), w);
        ASSERT_EQ(b.Height(), h);
        EXPECT_EQ(Rgb(b), t.rgb) << c.bpp << (c.topDown ? " top-down" : " bottom-up");
    }
}

TEST(ImageFormats, BmpRunLengthEncoded) {
    // 4 x 3, RLE8, bottom-up. Palette: 0 black, 1 red, 2 green, 3 blue.
    Bytes file = {
        'B', 'M', 0, 0, 0, 0, 0,    0, 0, 0,    70, 0, 0,    0,                   // pixel data at 54 + 16
        40,  0,   0, 0, 4, 0, 0,    0, 3, 0,    0,  0, 1,    0, 8, 0, 1, 0, 0, 0, // 4 x 3, 8 bits, RLE8
        0,   0,   0, 0, 0, 0, 0,    0, 0, 0,    0,  0, 4,    0, 0, 0, 0, 0, 0, 0, // 4 colours used
        0,   0,   0, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0,  0, 0xFF, 0, 0, 0,             // B G R 0 each
        4,   1,                                                                   // bottom row: 4 x red
        0,   0,                                                                   // end of line
        0,   3,   2, 3, 2, 0,                                                     // absolute: green blue green, padded
        0,   0,                                                                   // end of line (the fourth pixel stays 0)
        0,   2,   1, 0,                                                           // delta: right 1 (the first pixel stays 0)
        3,   3,                                                                   // top row from x 1: 3 x blue
        0,   1,                                                                   // end of bitmap
    };
    TBitmap b = DecodeBmp(file.data(), file.size());
    const uint32_t K = 0, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;
    const std::vector<uint32_t> expect = {K, B, B, B, G, B, G, K, R, R, R, R};
    EXPECT_EQ(std::vector<uint32_t>(b.Data(), b.Data() + 12), expect);
}

TEST(ImageLimitsTest, ClaimedSizesPastTheLimitsAreRejected) {
    // BMP: 128 K pixels wide, a height of -2^31 (top-down), 6000 x 6000 (36 M pixels).
    Bytes bmp = WriteBmp(2, 2, 24, false, Bytes(12, 9));
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{131072, 1}, {1, 0x80000000u}, {6000, 6000}, {0, 1}}) {
        Bytes b = bmp;
        Put32(b, 18, w), Put32(b, 22, h);
        EXPECT_THROW(DecodeBmp(b.data(), b.size()), EInvalidGraphic) << w << " x " << h;
    }
    // PNG: the IHDR chunk rewritten (with its CRC) to claim 128 K x 1 and 6000 x 6000.
    Bytes png = ReadFile("rgb.png");
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{131072, 1}, {6000, 6000}}) {
        Bytes b = png;
        for (int i = 0; i < 4; ++i)
            b[16 + i] = static_cast<uint8_t>(w >> (24 - 8 * i)), b[20 + i] = static_cast<uint8_t>(h >> (24 - 8 * i));
        uint32_t crc = static_cast<uint32_t>(crc32(0, b.data() + 12, 17));
        for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        EXPECT_THROW(DecodePng(b.data(), b.size()), EInvalidGraphic) << w << " x " << h;
    }
    // JPEG: the start-of-frame marker rewritten to claim 60000 x 60000.
    Bytes jpg = ReadFile("baseline.jpg");
    for (size_t i = 0; i + 9 < jpg.size(); ++i)
        if (jpg[i] == 0xFF && jpg[i + 1] == 0xC0) {
            jpg[i + 5] = 0xEA, jpg[i + 6] = 0x60, jpg[i + 7] = 0xEA, jpg[i + 8] = 0x60;
            break;
        }
    EXPECT_THROW(DecodeJpeg(jpg.data(), jpg.size()), EInvalidGraphic);
    EXPECT_TRUE(PictureSizeAllowed(4000, 10));
}

TEST(ImageFormats, DamagedDataRaises) {
    Bytes bmp = WriteBmp(5, 5, 8, false, Indexed(5, 5, 8).rgb, Indexed(5, 5, 8).palette, Indexed(5, 5, 8).index);
    Bytes png = ReadFile("rgb.png"), jpg = ReadFile("baseline.jpg");
    const struct {
        const char* what;
        Bytes data;
        TImageFormat format;
    } cases[] = {
        {"BMP cut in its pixels", Bytes(bmp.begin(), bmp.end() - 3), TImageFormat::Bmp},
        {"BMP cut in its header", Bytes(bmp.begin(), bmp.begin() + 30), TImageFormat::Bmp},
        {"BMP of 7 bits",
         [&] {
             Bytes b = bmp;
             Put16(b, 28, 7);
             return b;
         }(),
         TImageFormat::Bmp},
        {"BMP, RLE8 at 24 bits",
         [&] {
             Bytes b = WriteBmp(2, 2, 24, false, Bytes(12));
             Put32(b, 30, 1);
             return b;
         }(),
         TImageFormat::Bmp},
        {"BMP pixels past the end",
         [&] {
             Bytes b = bmp;
             Put32(b, 10, 100000);
             return b;
         }(),
         TImageFormat::Bmp},
        {"PNG cut in half", Bytes(png.begin(), png.begin() + static_cast<ptrdiff_t>(png.size() / 2)), TImageFormat::Png},
        {"PNG with a broken CRC",
         [&] {
             Bytes b = png;
             b[30] ^= 1;
             return b;
         }(),
         TImageFormat::Png},
        {"JPEG of its first 40 bytes", Bytes(jpg.begin(), jpg.begin() + 40), TImageFormat::Jpeg},
    };
    for (auto& c : cases)
        EXPECT_THROW(BuiltInImageCodecs().Decode(c.format, c.data.data(), c.data.size()), EInvalidGraphic) << c.what;
}

TEST(ImageFormats, PngTransparentColourFromTrns) {
    // Entry 2 of the fixture's tRNS chunk is the only transparent one: (32, 80, 229).
    Bytes png = ReadFile("palette-trns.png");
    TColor c = clNone;
    ASSERT_TRUE(PngTransparentColor(png.data(), png.size(), c));
    EXPECT_EQ(c, RGBColor(32, 80, 229));
    Bytes rgb = ReadFile("rgb.png");
    EXPECT_FALSE(PngTransparentColor(rgb.data(), rgb.size(), c));
    Bytes cut(png.begin(), png.begin() + 70); // cut inside the PLTE chunk
    EXPECT_FALSE(PngTransparentColor(cut.data(), cut.size(), c));
}

// ---------------------------------------------------------------- data to picture

namespace {
// Codecs that record what they were asked, around the built-in ones.
class TRecordingCodecs : public TImageCodecs {
public:
    std::vector<TImageFormat> Calls;
    TBitmap Decode(TImageFormat format, const uint8_t* data, size_t size) override {
        Calls.push_back(format);
        return BuiltInImageCodecs().Decode(format, data, size);
    }
};

Bytes OneFrameGif(int transparent, int frames = 1) {
    giftest::TGifRecipe s;
    s.ScreenWidth = 6, s.ScreenHeight = 6, s.GlobalColors = giftest::Palette(2);
    for (int i = 0; i < frames; ++i) {
        giftest::TSpecFrame f{0, 0, 6, 6, false, 0, 10, transparent, true, {}, Bytes(36)};
        for (size_t k = 0; k < 36; ++k) f.Pixels[k] = static_cast<uint8_t>((k + static_cast<size_t>(i)) % 4);
        s.Frames.push_back(f);
    }
    return giftest::WriteGif(s);
}
} // namespace

TEST(ImagePicture, GifsBecomeBitmapsUnlessAnimated) {
    TRecordingCodecs codecs;
    Bytes still = OneFrameGif(-1), holes = OneFrameGif(3), moving = OneFrameGif(3, 4);
    TPicture a = DecodeImageData(still.data(), still.size(), TImageOrigin::Stream, "a", codecs);
    ASSERT_TRUE(a.Bitmap);
    EXPECT_FALSE(a.Gif);
    EXPECT_FALSE(a.Mask);
    EXPECT_EQ(a.TranspKind, TTranspKind::None);
    TPicture b = DecodeImageData(holes.data(), holes.size(), TImageOrigin::File, "B.GIF", codecs);
    ASSERT_TRUE(b.Bitmap && b.Mask);
    EXPECT_EQ(b.TranspKind, TTranspKind::Color);
    for (int k = 0; k < 36; ++k) EXPECT_EQ(b.Mask->Pixel(k % 6, k / 6), k % 4 == 3 ? 0xFFFFFFu : 0u) << k;
    TPicture c = DecodeImageData(moving.data(), moving.size(), TImageOrigin::Stream, "c", codecs);
    ASSERT_TRUE(c.Gif);
    EXPECT_FALSE(c.Bitmap);
    EXPECT_EQ(c.Gif->FrameCount(), 4);
    EXPECT_EQ(c.TranspKind, TTranspKind::Color);
    EXPECT_EQ(c.Width(), 6);
    EXPECT_TRUE(codecs.Calls.empty()); // GIFs never reach the codecs
}

TEST(ImagePicture, OtherFormatsAndNames) {
    TRecordingCodecs codecs;
    Bytes png = ReadFile("palette-trns.png"), jpg = ReadFile("baseline.jpg"), gif = OneFrameGif(-1);
    // A palette PNG with a transparent tRNS entry: a mask of that colour, kind 3.
    TPicture p = DecodeImageData(png.data(), png.size(), TImageOrigin::Stream, "p", codecs);
    ASSERT_TRUE(p.Bitmap && p.Mask);
    EXPECT_EQ(p.TranspKind, TTranspKind::PngTrns);
    int masked = 0;
    for (int y = 0; y < p.Bitmap->Height(); ++y)
        for (int x = 0; x < p.Bitmap->Width(); ++x) {
            const bool isKey = p.Bitmap->Pixel(x, y) == TBitmap::ToPixel(RGBColor(32, 80, 229));
            EXPECT_EQ(p.Mask->Pixel(x, y), isKey ? 0xFFFFFFu : 0u);
            masked += isKey;
        }
    EXPECT_GT(masked, 0);
    // A file named .gif holding a JPEG goes on to the other formats by its first bytes.
    TPicture j = DecodeImageData(jpg.data(), jpg.size(), TImageOrigin::File, "c:\\pics\\photo.gif", codecs);
    EXPECT_EQ(j.Bitmap->Width(), 37);
    EXPECT_EQ(codecs.Calls, (std::vector<TImageFormat>{TImageFormat::Png, TImageFormat::Jpeg}));
    // A GIF under another name: files by extension go to the codecs, which take no GIF; streams
    // are sniffed.
    EXPECT_THROW(DecodeImageData(gif.data(), gif.size(), TImageOrigin::File, "x.png", codecs), EInvalidGraphic);
    EXPECT_NO_THROW(DecodeImageData(gif.data(), gif.size(), TImageOrigin::Stream, "x.png", codecs));
    EXPECT_NO_THROW(DecodeImageData(gif.data(), gif.size(), TImageOrigin::File, "x.GFR", codecs));
}

TEST(ImagePicture, FailuresRaise) {
    TRecordingCodecs codecs;
    Bytes gif = OneFrameGif(-1);
    Bytes damagedGif(gif.begin(), gif.begin() + 40);
    const Bytes text = {'<', 'h', 't', 'm', 'l', '>', 'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', ' ', 'h', 'e', 'r', 'e'};
    EXPECT_THROW(DecodeImageData(gif.data(), 19, TImageOrigin::Stream, "", codecs), EInvalidGraphic); // under 20 bytes
    EXPECT_THROW(DecodeImageData(damagedGif.data(), damagedGif.size(), TImageOrigin::Stream, "", codecs), EGifDataError);
    EXPECT_THROW(DecodeImageData(damagedGif.data(), damagedGif.size(), TImageOrigin::File, "a.gif", codecs), EGifDataError);
    EXPECT_THROW(DecodeImageData(text.data(), text.size(), TImageOrigin::Stream, "", codecs), EInvalidGraphic);
    EXPECT_THROW(DecodeImageData(text.data(), text.size(), TImageOrigin::File, "a.gif", codecs), EInvalidGraphic);
    EXPECT_THROW(DecodeImageData(nullptr, 0, TImageOrigin::File, "a.gif", codecs), EInvalidGraphic);
    EXPECT_TRUE(codecs.Calls.empty());
}

TEST(ImagePicture, MasksByColour) {
    TBitmap b(3, 2, TBitmap::ToPixel(clRed));
    b.SetPixel(0, 1, TBitmap::ToPixel(clLime)); // lower left
    b.SetPixel(2, 0, TBitmap::ToPixel(clLime));
    EXPECT_EQ(LowerLeftColor(b), clLime);
    TBitmap m = MakeMask(b, clLime | 0x02000000);
    EXPECT_EQ(std::vector<uint32_t>(m.Data(), m.Data() + 6), (std::vector<uint32_t>{0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0}));
    EXPECT_EQ(LowerLeftColor(TBitmap()), clBlack);
}
