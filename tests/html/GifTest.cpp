// The GIF decoder: the LZW code reader on hand-packed codes, the block parser on tiny annotated
// files, every frame against giflib's reading of generated and real files, and the animation
// state.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "GifTestUtil.h"
#include "html/HTMLGif.h"
#include "html/HTMLGifLzw.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Packs (code, width) pairs least significant bit first, as GIF image data stores them.
Bytes PackCodes(std::initializer_list<std::pair<int, int>> codes) {
    Bytes out;
    uint32_t acc = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        acc |= static_cast<uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(static_cast<uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits) out.push_back(static_cast<uint8_t>(acc));
    return out;
}

gif::TLzwResult Lzw(int minCodeSize, const Bytes& data, Bytes& out) {
    static gif::TLzwDecoder decoder;
    return decoder.Decode(minCodeSize, data.data(), data.size(), out.data(), out.size());
}

TGIFImage Gif(const Bytes& b) { return TGIFImage::FromBytes(b.data(), b.size()); }

// The screen as 0xAARRGGBB, after each frame in turn.
std::vector<std::vector<uint32_t>> Screens(TGIFImage& g) {
    std::vector<std::vector<uint32_t>> out;
    g.Rewind();
    for (int i = 0; i < g.FrameCount(); ++i) {
        if (i) g.NextFrame();
        out.push_back(g.Screen());
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------- LZW codes

TEST(GifLzw, DecodesCodeSequences) {
    // Minimum code size 2: clear 4, end 5, first free entry 6; codes are 3 bits wide until entry
    // 7 is defined, then 4.
    const struct {
        const char* what;
        Bytes data;
        Bytes expect;
    } cases[] = {
        {"roots only", PackCodes({{4, 3}, {0, 3}, {1, 3}, {1, 3}, {0, 4}, {5, 4}}), {0, 1, 1, 0}},
        {"an entry reused (6 = 0 1)", PackCodes({{4, 3}, {0, 3}, {1, 3}, {6, 3}, {5, 4}}), {0, 1, 0, 1}},
        {"the entry being defined (KwKwK)", PackCodes({{4, 3}, {2, 3}, {6, 3}, {5, 4}}), {2, 2, 2}},
        {"a clear code in the middle", PackCodes({{4, 3}, {3, 3}, {3, 3}, {4, 3}, {1, 3}, {5, 3}}), {3, 3, 1}},
        {"no leading clear code", PackCodes({{2, 3}, {1, 3}, {5, 3}}), {2, 1}},
    };
    for (auto& c : cases) {
        Bytes out(c.expect.size(), 0xEE);
        gif::TLzwResult r = Lzw(2, c.data, out);
        EXPECT_EQ(r.Status, gif::TLzwStatus::Complete) << c.what;
        EXPECT_EQ(out, c.expect) << c.what;
    }
}

TEST(GifLzw, DamagedDataIsReported) {
    const struct {
        const char* what;
        int minCodeSize;
        Bytes data;
        size_t outSize;
        gif::TLzwStatus status;
        size_t written;
    } cases[] = {
        // Code 7 names no entry yet: only 6 (the one being defined) may follow 1 code.
        {"code past the next entry", 2, PackCodes({{4, 3}, {1, 3}, {7, 3}}), 4, gif::TLzwStatus::BadCode, 1},
        {"a string code right after clear", 2, PackCodes({{4, 3}, {6, 3}}), 4, gif::TLzwStatus::BadCode, 0},
        {"end code before the last pixel", 2, PackCodes({{4, 3}, {1, 3}, {5, 3}}), 4, gif::TLzwStatus::EndTooSoon, 1},
        // Nine bits of codes fill two bytes; the seven padding bits read as two codes 0.
        {"data ends before the last pixel", 2, PackCodes({{4, 3}, {1, 3}, {2, 3}}), 8, gif::TLzwStatus::Truncated, 4},
        {"no data at all", 2, {}, 1, gif::TLzwStatus::Truncated, 0},
        {"minimum code size 0", 0, PackCodes({{1, 1}}), 1, gif::TLzwStatus::BadCodeSize, 0},
        {"minimum code size 9", 9, PackCodes({{512, 10}}), 1, gif::TLzwStatus::BadCodeSize, 0},
    };
    for (auto& c : cases) {
        Bytes out(c.outSize, 0);
        gif::TLzwResult r = Lzw(c.minCodeSize, c.data, out);
        EXPECT_EQ(r.Status, c.status) << c.what;
        EXPECT_EQ(r.Written, c.written) << c.what;
    }
}

TEST(GifLzw, StringsAreCutAtTheEndOfTheOutput) {
    // 6 = "3 3", then 7 = "3 3 3": seven pixels of data for a five-pixel frame. The last string
    // is cut; nothing is written past the end.
    Bytes data = PackCodes({{4, 3}, {3, 3}, {6, 3}, {7, 4}, {5, 4}});
    Bytes out(6, 0xEE);
    gif::TLzwDecoder decoder;
    gif::TLzwResult r = decoder.Decode(2, data.data(), data.size(), out.data(), 5);
    EXPECT_EQ(r.Status, gif::TLzwStatus::Complete);
    EXPECT_EQ(out, (Bytes{3, 3, 3, 3, 3, 0xEE}));
}

TEST(GifLzw, LongChainsNeedNoStack) {
    // One colour repeated: each code's string is one longer than the last, so the chain reaches
    // thousands of entries. 4095 entries hold strings up to 4090 bytes.
    const int n = 1 << 22;
    giftest::TGifRecipe recipe;
    recipe.ScreenWidth = 2048, recipe.ScreenHeight = n / 2048;
    recipe.GlobalColors = giftest::Palette(1);
    recipe.Frames.push_back({0, 0, 2048, n / 2048, false, 0, 0, -1, false, {}, Bytes(static_cast<size_t>(n), 1)});
    TGIFImage g = Gif(giftest::WriteGif(recipe));
    EXPECT_FALSE(g.Truncated());
    for (uint8_t p : g.Frame(0).Pixels) ASSERT_EQ(p, 1);
}

// ---------------------------------------------------------------- tiny files

namespace {
// GIF89a, no global colour table: a 2 x 2 frame with a local table of two colours.
const Bytes NoGlobalTable = {
    'G',  'I',  'F',  '8',  '9', 'a', 2, 0, 2, 0, // logical screen 2 x 2
    0x00, 0,    0,                                // no global table, background 0, no aspect ratio
    ',',  0,    0,    0,    0,                    // image at 0, 0
    2,    0,    2,    0,                          // 2 x 2
    0x80,                                         // local table of 2 entries, not interlaced
    0xFF, 0,    0,                                // 0: red
    0,    0,    0xFF,                             // 1: blue
    2,                                            // minimum code size 2
    3,    0x44, 0x02, 0x05, 0,                    // codes clear 0 1 1 0 end (3, 3, 3, 3, 4, 4 bits)
    ';',
};

// GIF87a, 1 x 4, interlaced: rows are stored in the order 0, 2, 1, 3.
const Bytes Interlaced1x4 = {
    'G',  'I', 'F',  '8',  '7',  'a',  1,    0, 4, 0,          // logical screen 1 x 4
    0x81, 0,   0,                                              // global table of 4 entries
    0,    0,   0,    0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, // black white red green
    ',',  0,   0,    0,    0,    1,    0,    4, 0,
    0x40,                           // interlaced, no local table
    2,    3,   0x84, 0x32, 0x05, 0, // codes clear 0 2 1 3 end: rows 0, 2, 1, 3 hold 0, 2, 1, 3
    ';',
};

// As NoGlobalTable, but the second code is 7 while the next free entry is 6.
const Bytes BadLzwCode = {
    'G', 'I', 'F', '8', '9', 'a',  2,    0, 2, 0, 0x00, 0,    0, ',', 0,    0,    0,
    0,   2,   0,   2,   0,   0x80, 0xFF, 0, 0, 0, 0,    0xFF, 2, 2,   0x3C, 0x00, 0, // codes clear(4) 7: bits 100 111
    ';',
};

// A logical screen of 65,535 x 65,535 with a 1 x 1 frame.
const Bytes HugeScreen = {
    'G', 'I', 'F', '8', '9', 'a',  0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0, 0, ',', 0,    0,    0,
    0,   1,   0,   1,   0,   0x80, 1,    2,    3,    4,    5,    6, 2, 2,   0x44, 0x01, 0, // clear 0 end
    ';',
};

// A frame that claims 65,535 x 65,535 on a small screen, with hardly any data.
const Bytes HugeFrame = {
    'G',  'I',  'F',  '8',  '9',  'a', 1, 0, 1, 0, 0x00, 0, 0, ',',  0,    0, 0,   0,
    0xFF, 0xFF, 0xFF, 0xFF, 0x80, 1,   2, 3, 4, 5, 6,    2, 2, 0x44, 0x01, 0, ';',
};

uint32_t Argb(uint32_t rgb) { return 0xFF000000u | rgb; }
} // namespace

TEST(GifBytes, NoGlobalColourTable) {
    TGIFImage g = Gif(NoGlobalTable);
    ASSERT_EQ(g.FrameCount(), 1);
    EXPECT_EQ(g.Width(), 2);
    EXPECT_EQ(g.Height(), 2);
    EXPECT_TRUE(g.Frame(0).LocalColors);
    EXPECT_EQ(g.Screen(), (std::vector<uint32_t>{Argb(0xFF0000), Argb(0x0000FF), Argb(0x0000FF), Argb(0xFF0000)}));
    // giflib reads the same bytes the same way.
    EXPECT_EQ(giftest::ReadWithGiflib(NoGlobalTable).Screens.at(0), g.Screen());
}

TEST(GifBytes, WithoutAnyColourTableEverythingIsBlack) {
    Bytes b = NoGlobalTable;
    b[22] = 0x00;                            // drop the local table flag...
    b.erase(b.begin() + 23, b.begin() + 29); // ...and its six bytes
    TGIFImage g = Gif(b);
    EXPECT_EQ(g.Screen(), std::vector<uint32_t>(4, Argb(0)));
}

TEST(GifBytes, InterlacedRowsGoToTheirPasses) {
    TGIFImage g = Gif(Interlaced1x4);
    ASSERT_EQ(g.FrameCount(), 1);
    EXPECT_TRUE(g.Frame(0).Interlaced);
    EXPECT_EQ(g.Frame(0).Pixels, (Bytes{0, 1, 2, 3}));
    EXPECT_EQ(giftest::ReadWithGiflib(Interlaced1x4).Screens.at(0), g.Screen());
}

TEST(GifBytes, DamageAndLimitsRaise) {
    const struct {
        const char* what;
        Bytes data;
    } cases[] = {
        {"bad LZW code in the only frame", BadLzwCode},
        {"not a GIF", {'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}},
        {"shorter than the screen descriptor", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1}},
        {"global table cut short", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x87, 0, 0, 1, 2, 3}},
        {"no frame before the trailer", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'}},
        {"screen of 65,535 x 65,535", HugeScreen},
        {"frame of 65,535 x 65,535", HugeFrame},
        {"data ends inside the only frame", Bytes(NoGlobalTable.begin(), NoGlobalTable.end() - 4)},
    };
    for (auto& c : cases) EXPECT_THROW(Gif(c.data), EInvalidGraphic) << c.what;
}

TEST(GifBytes, TruncatedFileKeepsItsGoodFrames) {
    giftest::TGifRecipe recipe;
    recipe.ScreenWidth = 8, recipe.ScreenHeight = 8;
    recipe.GlobalColors = giftest::Palette(3);
    for (int i = 0; i < 3; ++i) {
        giftest::TSpecFrame f{0, 0, 8, 8, false, 1, 5, -1, false, {}, Bytes(64)};
        for (size_t k = 0; k < 64; ++k) f.Pixels[k] = static_cast<uint8_t>((k * 7 + static_cast<size_t>(i)) % 8);
        recipe.Frames.push_back(f);
    }
    Bytes whole = giftest::WriteGif(recipe);
    giftest::TReference ref = giftest::ReadWithGiflib(whole);
    // Cut at every byte of the last two frames: the frames that are complete are kept, exactly.
    for (size_t cut = whole.size() - 1; cut > whole.size() - 60; --cut) {
        Bytes part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
        TGIFImage g = Gif(part);
        giftest::TReference partRef = giftest::ReadWithGiflib(part);
        ASSERT_GE(g.FrameCount(), 1) << cut;
        auto screens = Screens(g);
        for (int i = 0; i < g.FrameCount(); ++i)
            EXPECT_EQ(screens[static_cast<size_t>(i)], ref.Screens[static_cast<size_t>(i)]) << cut;
        EXPECT_GE(g.FrameCount(), static_cast<int>(partRef.Screens.size()) - 1) << cut;
        EXPECT_TRUE(g.Truncated()) << cut; // the trailer is always cut off
    }
}

TEST(GifBytes, BlocksAfterTheTrailerAndUnknownBlocksAreNotRead) {
    Bytes b = NoGlobalTable;
    b.insert(b.end(), {',', 0xFF, 0xFF, 0, 0, 'x', 'y', 'z'}); // garbage after the trailer
    EXPECT_EQ(Gif(b).FrameCount(), 1);
    Bytes c = NoGlobalTable;
    c.insert(c.end() - 1, {0x42, ',', 0, 0}); // an unknown introducer before the trailer
    EXPECT_EQ(Gif(c).FrameCount(), 1);
}

TEST(GifBytes, ExtensionsSetTheNextFrame) {
    // Graphic control with disposal 7, delay 12, transparent index 1; a comment in two
    // sub-blocks; an unknown application block; NETSCAPE2.0 with loop count 0x0102; plain text.
    Bytes b(NoGlobalTable.begin(), NoGlobalTable.begin() + 13);
    const Bytes ext = {
        '!', 0xFE, 3,    'a',          'b', 'c', 2,   'd', 'e', 0,                                // comment "abcde"
        '!', 0xFF, 11,   'X',          'X', 'X', 'X', 'X', 'X', 'X', 'X', '1', '.', '0', 1, 9, 0, // other application
        '!', 0xFF, 11,   'N',          'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0x02, 0x01,
        0,   '!',  0x01, 12,           0,   0,   0,   0,   8,   0,   8,   0,   8,   8,   0, 0, 2,    'h',
        'i', 0,                                          // plain text
        '!', 0xF9, 4,    (7 << 2) | 1, 12,  0,   1,   0, // graphic control
    };
    b.insert(b.end(), ext.begin(), ext.end());
    b.insert(b.end(), NoGlobalTable.begin() + 13, NoGlobalTable.end() - 1);
    // A second frame: no graphic control of its own, so none of the first frame's settings.
    b.insert(b.end(), NoGlobalTable.begin() + 13, NoGlobalTable.end());
    TGIFImage g = Gif(b);
    ASSERT_EQ(g.FrameCount(), 2);
    EXPECT_EQ(g.LoopCount(), 0x0102);
    const TFrame& f = g.Frame(0);
    EXPECT_EQ(f.Comment, "abcde");
    EXPECT_EQ(f.Disposal, TDisposal::Background); // 7 is reserved: restore to background
    EXPECT_EQ(f.DelayMs, 120);
    EXPECT_TRUE(f.Transparent);
    EXPECT_EQ(f.TransparentIndex, 1);
    EXPECT_TRUE(g.IsTransparent());
    const TFrame& s = g.Frame(1);
    EXPECT_EQ(s.Comment, "");
    EXPECT_EQ(s.Disposal, TDisposal::None);
    EXPECT_FALSE(s.Transparent);
    // Transparent pixels (index 1, blue) leave the screen empty.
    g.Rewind();
    EXPECT_EQ(g.Screen(), (std::vector<uint32_t>{Argb(0xFF0000), 0, 0, Argb(0xFF0000)}));
    EXPECT_TRUE(g.HasMask());
    EXPECT_EQ(g.Mask().Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(g.Mask().Pixel(0, 0), 0u);
}

TEST(GifBytes, DisposalValuesMap) {
    const std::pair<int, TDisposal> cases[] = {{0, TDisposal::None},       {1, TDisposal::Leave},      {2, TDisposal::Background},
                                               {3, TDisposal::Previous},   {4, TDisposal::Background}, {5, TDisposal::Background},
                                               {6, TDisposal::Background}, {7, TDisposal::Background}};
    for (auto [value, expect] : cases) {
        Bytes b(NoGlobalTable.begin(), NoGlobalTable.begin() + 13);
        b.insert(b.end(), {'!', 0xF9, 4, static_cast<uint8_t>(value << 2), 0, 0, 0, 0});
        b.insert(b.end(), NoGlobalTable.begin() + 13, NoGlobalTable.end());
        EXPECT_EQ(Gif(b).Frame(0).Disposal, expect) << value;
    }
}

TEST(GifBytes, AtMost256FramesAreRead) {
    Bytes b(NoGlobalTable.begin(), NoGlobalTable.begin() + 13);
    for (int i = 0; i < 300; ++i) b.insert(b.end(), NoGlobalTable.begin() + 13, NoGlobalTable.end() - 1);
    b.push_back(';');
    EXPECT_EQ(Gif(b).FrameCount(), gif::MaxFrames);
}

TEST(GifBytes, ScreenGrowsToCoverEveryFrame) {
    // Screen 2 x 2, the frame placed at (3, 1): the picture becomes 5 x 3, and what no frame drew
    // stays empty. (giflib leaves frames past the screen to the caller; here the screen grows.)
    Bytes b = NoGlobalTable;
    b[14] = 3, b[16] = 1;
    TGIFImage g = Gif(b);
    EXPECT_EQ(g.Width(), 5);
    EXPECT_EQ(g.Height(), 3);
    std::vector<uint32_t> expect(15, 0);
    expect[1 * 5 + 3] = Argb(0xFF0000), expect[1 * 5 + 4] = Argb(0x0000FF);
    expect[2 * 5 + 3] = Argb(0x0000FF), expect[2 * 5 + 4] = Argb(0xFF0000);
    EXPECT_EQ(g.Screen(), expect);
    EXPECT_TRUE(g.HasMask());
}

// ---------------------------------------------------------------- against giflib

namespace {
giftest::TSpecFrame Frame(int l, int t, int w, int h, unsigned seed, int colors) {
    giftest::TSpecFrame f;
    f.Left = l, f.Top = t, f.Width = w, f.Height = h;
    std::mt19937 rng(seed);
    f.Pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    // Runs of one colour with noise between them: long LZW strings and table resets both happen.
    uint8_t c = 0;
    for (auto& p : f.Pixels) {
        if (rng() % 9 == 0) c = static_cast<uint8_t>(rng() % static_cast<unsigned>(colors));
        p = rng() % 5 == 0 ? static_cast<uint8_t>(rng() % static_cast<unsigned>(colors)) : c;
    }
    return f;
}

void ExpectSameAsGiflib(const Bytes& file, const std::string& what) {
    giftest::TReference ref = giftest::ReadWithGiflib(file);
    ASSERT_FALSE(ref.Screens.empty()) << what;
    TGIFImage g = Gif(file);
    ASSERT_EQ(g.FrameCount(), static_cast<int>(ref.Screens.size())) << what;
    EXPECT_EQ(g.Width(), ref.Width) << what;
    EXPECT_EQ(g.Height(), ref.Height) << what;
    auto screens = Screens(g);
    for (size_t i = 0; i < screens.size(); ++i) {
        EXPECT_TRUE(screens[i] == ref.Screens[i]) << what << ": frame " << i;
        EXPECT_EQ(g.Frame(static_cast<int>(i)).DelayMs, ref.DelaysCs[i] * 10) << what << ": frame " << i;
    }
}
} // namespace

TEST(GifVsGiflib, GeneratedFiles) {
    struct TCase {
        std::string what;
        giftest::TGifRecipe recipe;
    };
    std::vector<TCase> cases;
    for (int bits = 1; bits <= 8; ++bits) { // every colour-table size, GIF87a and GIF89a
        giftest::TGifRecipe s;
        s.ScreenWidth = 37, s.ScreenHeight = 23, s.Gif89 = bits % 2 == 0;
        s.GlobalColors = giftest::Palette(bits, static_cast<unsigned>(bits));
        s.Frames.push_back(Frame(0, 0, 37, 23, static_cast<unsigned>(bits), 1 << bits));
        cases.push_back({"table of " + std::to_string(1 << bits), s});
    }
    {
        giftest::TGifRecipe s; // local tables, one frame each, over a global one
        s.ScreenWidth = 20, s.ScreenHeight = 20, s.GlobalColors = giftest::Palette(2);
        for (int i = 0; i < 3; ++i) {
            auto f = Frame(i * 3, i * 4, 11, 9, 30u + static_cast<unsigned>(i), 16);
            f.LocalColors = giftest::Palette(4, 40u + static_cast<unsigned>(i));
            f.DelayCs = 7 * i;
            s.Frames.push_back(f);
        }
        cases.push_back({"local tables", s});
    }
    for (int h : {1, 2, 3, 4, 5, 7, 8, 9, 17, 33}) { // interlace with every remainder of 8
        giftest::TGifRecipe s;
        s.ScreenWidth = 5, s.ScreenHeight = h, s.GlobalColors = giftest::Palette(3);
        auto f = Frame(0, 0, 5, h, static_cast<unsigned>(h), 8);
        f.Interlace = true;
        s.Frames.push_back(f);
        cases.push_back({"interlaced, height " + std::to_string(h), s});
    }
    for (int disposal = 0; disposal <= 7; ++disposal) { // each disposal, with transparency
        giftest::TGifRecipe s;
        s.ScreenWidth = 16, s.ScreenHeight = 12, s.GlobalColors = giftest::Palette(3), s.Loop = 0;
        auto back = Frame(0, 0, 16, 12, 1, 8);
        auto mid = Frame(2, 3, 9, 6, 2, 8);
        mid.Disposal = disposal, mid.Transparent = 5, mid.DelayCs = 3;
        auto top = Frame(5, 1, 8, 8, 3, 8);
        top.Transparent = 0, top.Disposal = 1;
        s.Frames = {back, mid, top, Frame(1, 1, 3, 3, 4, 8)};
        cases.push_back({"disposal " + std::to_string(disposal), s});
    }
    {
        giftest::TGifRecipe s; // a transparent first frame: its holes stay empty
        s.ScreenWidth = 9, s.ScreenHeight = 9, s.GlobalColors = giftest::Palette(1);
        auto f = Frame(0, 0, 9, 9, 5, 2);
        f.Transparent = 1;
        s.Frames.push_back(f);
        cases.push_back({"transparent", s});
    }
    {
        giftest::TGifRecipe s; // indices past a small table
        s.ScreenWidth = 6, s.ScreenHeight = 6, s.GlobalColors = giftest::Palette(1);
        auto f = Frame(0, 0, 6, 6, 6, 2);
        f.LocalColors = giftest::Palette(1, 9);
        s.Frames.push_back(f);
        cases.push_back({"two-colour local table", s});
    }
    {
        giftest::TGifRecipe s;
        s.GlobalColors = giftest::Palette(1);
        s.Frames.push_back(Frame(0, 0, 1, 1, 7, 2));
        cases.push_back({"1 x 1", s});
    }
    {
        giftest::TGifRecipe s;
        s.ScreenWidth = 4000, s.ScreenHeight = 10, s.GlobalColors = giftest::Palette(8);
        s.Frames.push_back(Frame(0, 0, 4000, 10, 8, 256));
        cases.push_back({"4000 x 10", s});
    }
    {
        giftest::TGifRecipe s; // large enough for the code table to fill and be cleared many times
        s.ScreenWidth = 300, s.ScreenHeight = 300, s.GlobalColors = giftest::Palette(8);
        s.Frames.push_back(Frame(0, 0, 300, 300, 9, 256));
        cases.push_back({"300 x 300, 256 colours", s});
    }
    for (auto& c : cases) ExpectSameAsGiflib(giftest::WriteGif(c.recipe), c.what);
}

TEST(GifVsGiflib, RealFiles) {
    // GIF pictures shipped with the system's documentation and toolkits.
    int seen = 0;
    for (const char* dir : {"/usr/share/doc", "/usr/share/tcltk", "/usr/share/icons", "/usr/share/pixmaps"}) {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(dir, ec); !ec && it != std::filesystem::end(it);
             it.increment(ec)) {
            if (it->path().extension() != ".gif" || !it->is_regular_file()) continue;
            std::ifstream in(it->path(), std::ios::binary);
            Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            ExpectSameAsGiflib(b, it->path().string());
            if (++seen == 100) return;
        }
    }
    if (seen == 0) GTEST_SKIP() << "no GIF files on this system";
}

// ---------------------------------------------------------------- animation

namespace {
Bytes ThreeFrames(int loop, int delayCs) {
    giftest::TGifRecipe s;
    s.ScreenWidth = 4, s.ScreenHeight = 4, s.GlobalColors = giftest::Palette(2), s.Loop = loop;
    for (int i = 0; i < 3; ++i) {
        auto f = Frame(0, 0, 4, 4, static_cast<unsigned>(i), 4);
        f.DelayCs = delayCs, f.Control = true;
        s.Frames.push_back(f);
    }
    return giftest::WriteGif(s);
}
} // namespace

TEST(GifAnimation, LoopCountTwoPlaysTwiceAndStopsOnTheLastFrame) {
    TGIFImage g = Gif(ThreeFrames(2, 10)); // 100 ms a frame
    g.Rewind();
    g.StartAnimation(1000);
    std::vector<int> shown = {g.CurrentFrame()};
    for (uint32_t t = 1050; t <= 2500; t += 50)
        if (g.Step(t)) shown.push_back(g.CurrentFrame());
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_FALSE(g.Running());
    EXPECT_EQ(g.CurrentFrame(), 2);
    EXPECT_EQ(g.Passes(), 2);
}

TEST(GifAnimation, DelaysAndSpeed) {
    const struct {
        int loop, delayCs, speed;
        uint32_t firstChangeAfter; // ms
    } cases[] = {
        {0, 10, 100, 100}, // 10 hundredths = 100 ms
        {0, 10, 200, 50},  // twice as fast
        {0, 10, 50, 200},  // half as fast
        {0, 0, 100, 1},    // no delay: at least 1 ms
        {-1, 3, 100, 30},  // no loop block: runs on
    };
    for (auto& c : cases) {
        TGIFImage g = Gif(ThreeFrames(c.loop, c.delayCs));
        g.Speed = c.speed;
        g.StartAnimation(5000);
        EXPECT_FALSE(g.Step(5000 + c.firstChangeAfter - 1)) << c.speed;
        EXPECT_TRUE(g.Step(5000 + c.firstChangeAfter)) << c.speed;
        EXPECT_EQ(g.CurrentFrame(), 1);
    }
    // Loop count 0 and no loop block both run for ever (checked over 30 passes).
    for (int loop : {0, -1}) {
        TGIFImage g = Gif(ThreeFrames(loop, 1));
        g.StartAnimation(0);
        for (uint32_t t = 10; t <= 900; t += 10) g.Step(t);
        EXPECT_TRUE(g.Running()) << loop;
    }
}

TEST(GifAnimation, RewindAndTheClockWrapping) {
    TGIFImage g = Gif(ThreeFrames(0, 10));
    g.StartAnimation(0xFFFFFFC0u); // 64 ms before the millisecond clock wraps
    EXPECT_FALSE(g.Step(0xFFFFFFFFu));
    EXPECT_TRUE(g.Step(0x30u)); // 112 ms later
    EXPECT_EQ(g.CurrentFrame(), 1);
    auto firstScreen = Screens(g)[0];
    g.NextFrame();
    g.Rewind();
    EXPECT_EQ(g.CurrentFrame(), 0);
    EXPECT_FALSE(g.Running());
    EXPECT_EQ(g.Screen(), firstScreen);
    // A copy shares the frames but animates on its own.
    TGIFImage copy = g;
    copy.NextFrame();
    EXPECT_EQ(g.CurrentFrame(), 0);
    EXPECT_EQ(copy.CurrentFrame(), 1);
    EXPECT_EQ(&copy.Frame(0), &g.Frame(0));
    // Past the last frame the screen starts empty again, so a second pass repeats the first.
    TGIFImage h = Gif(ThreeFrames(0, 10));
    auto pass1 = Screens(h); // leaves h on its last frame
    EXPECT_EQ(h.CurrentFrame(), 2);
    h.NextFrame();
    EXPECT_EQ(h.CurrentFrame(), 0);
    EXPECT_EQ(h.Screen(), pass1[0]);
    h.NextFrame();
    EXPECT_EQ(h.Screen(), pass1[1]);
}
