// Image objects: attributes, sizes with the placeholder rules and with pictures, getting the
// picture once (and not at all with images off), drawing on the memory canvas (placeholders,
// stretched and masked pictures, the link border), hit tests and image maps.
#include <gtest/gtest.h>

#include <map>

#include "GifTestUtil.h"
#include "html/HTMLUn2.h"
#include "toolkit/MemoryCanvas.h"
#include "toolkit/SysUtils.h"

namespace {

struct TA {
    Symb sym;
    std::string text;
};

// An attribute list as the parser makes it: the value's leading number, and its text.
TAttributeList Attrs(std::initializer_list<TA> list) {
    TAttributeList l;
    for (const TA& a : list) {
        size_t n = 0;
        while (n < a.text.size() && (std::isdigit(static_cast<unsigned char>(a.text[n])) || (n == 0 && a.text[0] == '-'))) ++n;
        l.Add(std::make_unique<TAttribute>(a.sym, StrToIntDef(a.text.substr(0, n), 0), a.text));
    }
    return l;
}

// A GIF of `w` x `h` in colour index 1 (red), with index 0 (green) transparent in the top-left
// pixel when `transparent`; `frames` frames.
std::string Gif(int w, int h, bool transparent = false, int frames = 1) {
    giftest::TGifRecipe r;
    r.ScreenWidth = w, r.ScreenHeight = h;
    r.GlobalColors = {0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255};
    for (int f = 0; f < frames; ++f) {
        giftest::TSpecFrame s;
        s.Width = w, s.Height = h, s.Control = true, s.DelayCs = 10;
        s.Pixels.assign(static_cast<size_t>(w * h), static_cast<uint8_t>(f % 2 ? 2 : 1));
        if (transparent) s.Pixels[0] = 0, s.Transparent = 0;
        r.Frames.push_back(s);
    }
    const std::vector<uint8_t> b = giftest::WriteGif(r);
    return std::string(b.begin(), b.end());
}

// A document's image context over in-memory files, counting reads.
struct TPage {
    TStringBitmapList cache;
    std::map<std::string, std::string> files;
    int reads = 0;
    TImageContext ctx;
    TPage() {
        ctx.ViewImages = true;
        ctx.Sources.Cache = &cache;
        ctx.Sources.FullName = [](const std::string& src) { return src; };
        ctx.Sources.ReadFile = [this](const std::string& name, std::string& bytes) {
            ++reads;
            auto it = files.find(name);
            if (it == files.end()) return false;
            bytes = it->second;
            return true;
        };
    }
    std::unique_ptr<TImageObj> Image(std::initializer_list<TA> a) {
        auto img = std::make_unique<TImageObj>(0, Attrs(a));
        img->Context = &ctx;
        return img;
    }
};

uint32_t Px(TColor c) { return TBitmap::ToPixel(c); }

} // namespace

TEST(ImageObj, Attributes) {
    TImageObj a(7, Attrs({{SrcSy, " pics/a.gif "},
                          {AltSy, "Logo"},
                          {AlignSy, "absmiddle"},
                          {BorderSy, "0"},
                          {HeightSy, "0"},
                          {HSpaceSy, "-30"},
                          {UseMapSy, " #Nav "},
                          {TranspSy, ""},
                          {IsMapSy, ""},
                          {ActiveSy, ""}}));
    EXPECT_EQ(a.Pos, 7);
    EXPECT_EQ(a.Source, "pics/a.gif");
    EXPECT_EQ(a.AltText, "Logo");
    EXPECT_EQ(a.VAlign, TImageAlign::Middle);
    EXPECT_TRUE(a.NoBorder);
    EXPECT_EQ(a.SpecHeight, 1); // HEIGHT=0 counts as 1
    EXPECT_EQ(a.HSpace, 20);    // |-30|, at most 20
    EXPECT_EQ(a.MapName, "NAV");
    EXPECT_TRUE(a.Transparent && a.IsMap && a.HoverAnimated);
    const struct {
        const char* align;
        TImageAlign want;
    } aligns[] = {{"TOP", TImageAlign::Top},     {"middle", TImageAlign::Middle}, {"left", TImageAlign::Left},
                  {"Right", TImageAlign::Right}, {"center", TImageAlign::Bottom}, {"", TImageAlign::Bottom}};
    for (auto& c : aligns) EXPECT_EQ(TImageObj(0, Attrs({{AlignSy, c.align}})).VAlign, c.want) << c.align;
    TImageObj d(0, Attrs({}));
    EXPECT_EQ(d.HSpace, 5);
    EXPECT_FALSE(d.NoBorder);
    EXPECT_EQ(TImageObj(0, Attrs({{WidthSy, "250%"}})).SpecWidth, 100);
    EXPECT_TRUE(TImageObj(0, Attrs({{WidthSy, "50%"}})).PercentWidth);
}

TEST(ImageObj, PlaceholderSizes) {
    // Images off (the plug-in's setting): nothing is read, every image is a placeholder box.
    TPage page;
    page.ctx.ViewImages = false;
    page.files["a.gif"] = Gif(40, 30);
    TMemoryCanvas canvas(10, 10);
    canvas.Font = TImageObj::AltFont();
    const int logoW = canvas.TextExtent("Logo").cx, altH = canvas.TextExtent("Logo").cy;
    const struct {
        std::initializer_list<TA> attrs;
        bool link;
        int avail, w, h;
    } cases[] = {
        {{{SrcSy, "a.gif"}, {AltSy, "Logo"}}, false, 400, logoW + 2 + 24, std::max(24, altH)},
        {{{SrcSy, "a.gif"}}, false, 400, 26, 24}, // no ALT: at least 2 + 24 wide, 24 high
        {{{SrcSy, "a.gif"}, {WidthSy, "70"}, {HeightSy, "9"}}, false, 400, 70, 9},
        {{{SrcSy, "a.gif"}, {WidthSy, "70"}}, false, 400, 26, 24}, // one side given: the box
        {{{SrcSy, "a.gif"}, {WidthSy, "50%"}}, false, 400, 200, 24},
        {{{SrcSy, "a.gif"}, {WidthSy, "50%"}, {HeightSy, "0"}}, false, 400, 200, 1},
        {{{SrcSy, "a.gif"}, {WidthSy, "70"}, {HeightSy, "9"}}, true, 400, 72, 11}, // link border
    };
    for (auto& c : cases) {
        auto img = page.Image(c.attrs);
        img->HasBorder = c.link;
        img->SetSize(canvas, c.avail);
        EXPECT_EQ(img->State(), TImageState::NotLoaded);
        EXPECT_EQ(img->Width, c.w) << c.w;
        EXPECT_EQ(img->Height, c.h) << c.h;
    }
    EXPECT_EQ(page.reads, 0);
    EXPECT_EQ(page.cache.Count(), 0);
}

TEST(ImageObj, PictureSizes) {
    TPage page;
    page.files["a.gif"] = Gif(40, 30);
    TMemoryCanvas canvas(10, 10);
    const struct {
        std::initializer_list<TA> attrs;
        int avail, w, h;
    } cases[] = {
        {{{SrcSy, "a.gif"}}, 400, 40, 30},
        {{{SrcSy, "a.gif"}, {WidthSy, "80"}}, 400, 80, 60},                   // height follows the width
        {{{SrcSy, "a.gif"}, {HeightSy, "15"}}, 400, 20, 15},                  // width follows the height
        {{{SrcSy, "a.gif"}, {WidthSy, "10"}, {HeightSy, "90"}}, 400, 10, 90}, // both as given
        {{{SrcSy, "a.gif"}, {WidthSy, "50%"}}, 400, 200, 30},                 // WIDTH=50% on 400 pixels
        {{{SrcSy, "a.gif"}, {WidthSy, "25%"}, {HeightSy, "7"}}, 400, 100, 7},
        {{{SrcSy, "a.gif"}, {HeightSy, "0"}}, 400, 1, 1}, // HEIGHT=0 counts as 1
        {{{SrcSy, "a.gif"}, {WidthSy, "1"}}, 400, 1, 1},  // scaled to 0: at least 1
        {{{SrcSy, "a.gif"}, {WidthSy, "99999999"}}, 400, MaxImageSide, MaxImageSide},
    };
    for (auto& c : cases) {
        auto img = page.Image(c.attrs);
        img->SetSize(canvas, c.avail);
        ASSERT_EQ(img->State(), TImageState::Loaded);
        EXPECT_EQ(img->Width, c.w) << c.w << "x" << c.h;
        EXPECT_EQ(img->Height, c.h) << c.w << "x" << c.h;
    }
    // A percentage follows the width it is given; a fixed size is kept.
    auto pct = page.Image({{SrcSy, "a.gif"}, {WidthSy, "50%"}});
    pct->SetSize(canvas, 400);
    pct->SetSize(canvas, 100);
    EXPECT_EQ(pct->Width, 50);
    // The file was read and decoded once for all these images.
    EXPECT_EQ(page.reads, 1);
    EXPECT_EQ(page.cache.Find("a.gif")->Users, 1); // only pct still holds it
}

TEST(ImageObj, ErrorsWaitingAndReleasing) {
    TPage page;
    page.files["bad.gif"] = "GIF89a but nothing more of a picture";
    TMemoryCanvas canvas(10, 10);
    auto missing = page.Image({{SrcSy, "none.gif"}});
    missing->SetSize(canvas, 100);
    EXPECT_EQ(missing->State(), TImageState::Error);
    auto bad = page.Image({{SrcSy, "bad.gif"}});
    bad->SetSize(canvas, 100);
    EXPECT_EQ(bad->State(), TImageState::Error);
    EXPECT_EQ(bad->Width, 26); // the placeholder box

    // The image request says "not yet": the image waits, and the same name is not asked again.
    std::string wait;
    int asked = 0;
    page.ctx.Sources.WaitStream = &wait;
    page.ctx.Sources.ImageRequest = [&](const std::string&, std::string*& s) { ++asked, s = &wait; };
    auto w1 = page.Image({{SrcSy, "later.gif"}}), w2 = page.Image({{SrcSy, "LATER.GIF"}});
    w1->SetSize(canvas, 100);
    w2->SetSize(canvas, 100);
    EXPECT_EQ(w1->State(), TImageState::Waiting);
    EXPECT_EQ(w2->State(), TImageState::Waiting);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(page.ctx.Waiting.count("LATER.GIF"), 1u);

    // Releasing gives the cache entry back and measures again.
    page.ctx.Sources.ImageRequest = nullptr;
    page.files["a.gif"] = Gif(4, 3);
    auto img = page.Image({{SrcSy, "a.gif"}});
    img->SetSize(canvas, 100);
    EXPECT_EQ(page.cache.Find("a.gif")->Users, 1);
    img->ReleasePicture();
    EXPECT_EQ(page.cache.Find("a.gif")->Users, 0);
    EXPECT_EQ(img->State(), TImageState::NotLoaded);
    EXPECT_FALSE(img->Sized());
}

TEST(ImageObj, AnimatedPicturesAreListedWhileTheyLive) {
    TPage page;
    page.files["anim.gif"] = Gif(4, 4, false, 3);
    TMemoryCanvas canvas(10, 10);
    auto a = page.Image({{SrcSy, "anim.gif"}}), b = page.Image({{SrcSy, "anim.gif"}, {ActiveSy, ""}});
    a->SetSize(canvas, 100);
    b->SetSize(canvas, 100);
    ASSERT_NE(a->Gif(), nullptr);
    EXPECT_NE(a->Gif(), b->Gif()); // each image animates its own copy
    EXPECT_EQ(page.ctx.Animations.Count(), 2);
    page.ctx.Animations.RewindAndStart(0);
    EXPECT_EQ(page.ctx.Animations.Tick(100), std::vector<const void*>{a.get()}); // b waits for the mouse
    b.reset();
    EXPECT_EQ(page.ctx.Animations.Count(), 1);
    a->ReleasePicture();
    EXPECT_TRUE(page.ctx.Animations.Empty());
}

TEST(ImageObj, DrawingPictures) {
    TPage page;
    page.files["t.gif"] = Gif(2, 2, true); // top-left pixel transparent, the rest red
    page.files["s.gif"] = Gif(2, 2);
    TMemoryCanvas canvas(40, 40, clWhite);
    TDocColors colors;
    colors.Link = clBlue;

    // Natural size, masked: the transparent pixel keeps the page.
    auto t = page.Image({{SrcSy, "t.gif"}});
    t->SetSize(canvas, 100);
    t->Draw(canvas, 1, 1, colors);
    EXPECT_EQ(canvas.Bitmap().Pixel(1, 1), Px(clWhite));
    EXPECT_EQ(canvas.Bitmap().Pixel(2, 1), Px(clRed));
    EXPECT_EQ(canvas.Bitmap().Pixel(2, 2), Px(clRed));

    // Stretched to 8 x 8 with its mask: the top-left 4 x 4 stays white.
    auto big = page.Image({{SrcSy, "t.gif"}, {WidthSy, "8"}, {HeightSy, "8"}});
    big->SetSize(canvas, 100);
    big->Draw(canvas, 10, 10, colors);
    EXPECT_EQ(canvas.Bitmap().Pixel(13, 13), Px(clWhite));
    EXPECT_EQ(canvas.Bitmap().Pixel(14, 13), Px(clRed));
    EXPECT_EQ(canvas.Bitmap().Pixel(17, 17), Px(clRed));
    EXPECT_EQ(canvas.Bitmap().Pixel(18, 18), Px(clWhite));

    // In a link: a one-pixel border in the link colour around the picture, unless BORDER=0.
    auto linked = page.Image({{SrcSy, "s.gif"}});
    linked->HasBorder = true;
    linked->SetSize(canvas, 100);
    EXPECT_EQ(linked->Width, 4);
    linked->Draw(canvas, 20, 20, colors);
    EXPECT_EQ(canvas.Bitmap().Pixel(20, 20), Px(clBlue));
    EXPECT_EQ(canvas.Bitmap().Pixel(23, 23), Px(clBlue));
    EXPECT_EQ(canvas.Bitmap().Pixel(21, 21), Px(clRed));
    EXPECT_EQ(canvas.Bitmap().Pixel(22, 22), Px(clRed));
}

TEST(ImageObj, DrawingPlaceholders) {
    TPage page;
    TMemoryCanvas canvas(80, 80, clWhite);
    TDocColors colors;
    colors.Link = clBlue;
    // The error picture, drawn through its mask: its corners keep the page.
    auto err = page.Image({{SrcSy, "none.gif"}});
    err->SetSize(canvas, 100);
    ASSERT_EQ(err->State(), TImageState::Error);
    err->Draw(canvas, 0, 0, colors);
    EXPECT_EQ(canvas.Bitmap().Pixel(4, 4), Px(clWhite));                 // the error picture's corner
    EXPECT_EQ(canvas.Bitmap().Pixel(4 + 7, 4 + 1), Px(clYellow));        // inside it
    EXPECT_EQ(canvas.Bitmap().Pixel(0, 0), Px(ColorToRGB(clBtnShadow))); // the sunken frame
    // Images off: the not-loaded picture, and with a link a frame in the link colour.
    page.ctx.ViewImages = false;
    auto off = page.Image({{SrcSy, "none.gif"}, {AltSy, "Logo"}});
    off->HasBorder = true;
    off->SetSize(canvas, 100);
    off->Draw(canvas, 40, 40, colors);
    EXPECT_EQ(canvas.Bitmap().Pixel(40, 40), Px(clBlue));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(canvas.Bitmap().Pixel(44 + x, 44 + y), NotLoadedImagePicture().Pixel(x, y));
}

TEST(ImageObj, HitTestsAndMaps) {
    TPage page;
    page.files["m.gif"] = Gif(20, 10);
    TMemoryCanvas canvas(10, 10);
    auto img = page.Image({{SrcSy, "m.gif"}});
    img->HasBorder = true;
    img->SetSize(canvas, 100);
    img->DrawX = 100, img->DrawY = 50;
    int ix = -1, iy = -1;
    EXPECT_FALSE(img->HitTest(100, 50, ix, iy)); // on the border
    ASSERT_TRUE(img->HitTest(101, 51, ix, iy));
    EXPECT_EQ(ix, 0);
    EXPECT_EQ(iy, 0);
    ASSERT_TRUE(img->HitTest(120, 60, ix, iy));
    EXPECT_EQ(ix, 19);
    EXPECT_EQ(iy, 9);
    EXPECT_FALSE(img->HitTest(121, 60, ix, iy));

    TMapItem map;
    map.AddArea(Attrs({{ShapeSy, "rect"}, {CoordsSy, "0,0,4,4"}, {HrefSy, "a.htm"}, {TargetSy, "main"}}));
    map.AddArea(Attrs({{ShapeSy, "circle"}, {CoordsSy, "10 5 3"}, {HrefSy, "b.htm"}}));
    map.AddArea(Attrs({{ShapeSy, "poly"}, {CoordsSy, "1,2,3"}, {HrefSy, "dropped.htm"}})); // too few values
    map.AddArea(Attrs({{ShapeSy, "rect"}, {CoordsSy, "0,0,19,9"}, {HrefSy, "x.htm"}, {NoHrefSy, ""}}));
    ASSERT_EQ(map.Areas.size(), 3u);
    const struct {
        int x, y;
        const char* url;
    } hits[] = {{0, 0, "a.htm"}, {4, 4, "a.htm"}, {5, 4, ""}, {10, 5, "b.htm"}, {13, 5, "b.htm"}, {14, 5, ""}, {19, 9, ""}};
    for (auto& h : hits) {
        const TMapItem::Area* a = map.AreaAt(h.x, h.y);
        ASSERT_NE(a, nullptr) << h.x << "," << h.y;
        EXPECT_EQ(a->Link.Url, h.url) << h.x << "," << h.y;
    }
    EXPECT_EQ(map.AreaAt(0, 0)->Link.Target, "main");
    EXPECT_EQ(map.AreaAt(20, 10), nullptr);
}
