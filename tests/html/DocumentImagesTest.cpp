// Images in a laid-out document: pictures fetched once at layout, the background picture,
// animation ticks asking for the changed images' rectangles, ACTIVE pictures under the mouse,
// image maps, and images switched off and on again.
#include <gtest/gtest.h>

#include <map>

#include "GifTestUtil.h"
#include "HtmlTestUtil.h"

namespace {

// A GIF of w x h, `frames` frames of 100 ms in alternating colours, with a loop count.
std::string Gif(int w, int h, int frames = 1, int loop = -1) {
    giftest::TGifRecipe r;
    r.ScreenWidth = w, r.ScreenHeight = h, r.Loop = loop;
    r.GlobalColors = {0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255};
    for (int f = 0; f < frames; ++f) {
        giftest::TSpecFrame s;
        s.Width = w, s.Height = h, s.Control = true, s.DelayCs = 10;
        s.Pixels.assign(static_cast<size_t>(w * h), static_cast<uint8_t>(1 + f % 2));
        r.Frames.push_back(s);
    }
    const std::vector<uint8_t> b = giftest::WriteGif(r);
    return std::string(b.begin(), b.end());
}

struct TImagePage : TTestDoc {
    TStringBitmapList cache;
    std::map<std::string, std::string> files;
    std::map<std::string, int> reads;
    uint32_t now = 1000;
    std::vector<TRect> repaints;
    TImagePage() {
        List.ImageContext.ViewImages = true;
        List.ImageContext.Sources.Cache = &cache;
        List.ImageContext.Sources.FullName = [](const std::string& src) { return src; };
        List.ImageContext.Sources.ReadFile = [this](const std::string& name, std::string& bytes) {
            ++reads[name];
            auto it = files.find(name);
            if (it == files.end()) return false;
            bytes = it->second;
            return true;
        };
        List.Clock = [this] { return now; };
        List.OnRepaintRect = [this](const TRect& r) { repaints.push_back(r); };
        files["logo.gif"] = Gif(40, 20);
        files["float.gif"] = Gif(30, 30);
        files["map.gif"] = Gif(100, 40);
        files["anim.gif"] = Gif(16, 16, 3, 2);
        files["hover.gif"] = Gif(12, 12, 2);
        files["tile.gif"] = Gif(8, 8);
    }
    // The images give their cache uses back before the cache (a member here) goes.
    ~TImagePage() { List.Clear(); }
    void Load(const std::string& html) {
        List.Clear();
        cache.PageLoaded(5);
        Parse(html);
        List.LoadBackground();
        Layout(400);
    }
    std::vector<TImageObj*> Images() {
        std::vector<TImageObj*> out;
        List.Walk([&](TSectionBase& b) {
            if (auto* t = dynamic_cast<TSection*>(&b))
                for (auto& i : t->Images) out.push_back(i.get());
            return true;
        });
        return out;
    }
};

const char* const Page = "<BODY BACKGROUND=tile.gif>"
                         "<IMG SRC=float.gif ALIGN=left>Text beside a floating picture, "
                         "<IMG SRC=logo.gif ALT=Logo> inline, <IMG SRC=anim.gif> animated, "
                         "<IMG SRC=hover.gif ACTIVE> under the mouse, and the logo again <IMG SRC=LOGO.GIF>.<BR>"
                         "<MAP NAME=nav><AREA SHAPE=rect COORDS=0,0,49,39 HREF=left.htm>"
                         "<AREA SHAPE=circle COORDS=75,20,10 HREF=right.htm></MAP>"
                         "<IMG SRC=map.gif USEMAP=#nav ALIGN=top HSPACE=0>";

TRect Box(const TImageObj* i) { return Bounds(i->DrawX, i->DrawY, i->Width, i->Height); }

} // namespace

TEST(DocumentImages, PicturesAreFetchedOnceAtLayout) {
    TImagePage p;
    p.Load(Page);
    const std::vector<TImageObj*> images = p.Images();
    ASSERT_EQ(images.size(), 6u);
    for (TImageObj* i : images) EXPECT_EQ(i->State(), TImageState::Loaded) << i->Source;
    EXPECT_EQ(images[0]->Width, 30); // float.gif
    EXPECT_EQ(images[1]->Width, 40); // logo.gif
    EXPECT_EQ(images[1]->Height, 20);
    EXPECT_EQ(images[5]->Width, 100); // map.gif
    // Every file read once, the logo too though it stands twice; the background as well.
    for (auto& [name, n] : p.reads) EXPECT_EQ(n, 1) << name;
    EXPECT_EQ(p.reads.size(), 6u);
    ASSERT_NE(p.List.BackgroundBitmap(), nullptr);
    EXPECT_EQ(p.List.BackgroundBitmap()->Width(), 8);
    // The same images on the next page come from the cache.
    p.Load(Page);
    for (auto& [name, n] : p.reads) EXPECT_EQ(n, 1) << name;
    EXPECT_EQ(p.cache.Find("logo.gif")->Users, 2);
}

TEST(DocumentImages, AnimationTicksRepaintOnlyTheChangedImage) {
    TImagePage p;
    p.Load(Page);
    TImageObj* anim = p.Images()[2];
    ASSERT_NE(anim->Gif(), nullptr);
    EXPECT_TRUE(p.List.HasAnimations());
    std::vector<int> frames;
    for (int tick = 1; tick <= 12; ++tick) {
        p.now += TAnimationList::TickMs;
        p.repaints.clear();
        p.List.AnimationTick();
        for (const TRect& r : p.repaints) {
            EXPECT_EQ(r, Box(anim)); // the ACTIVE picture does not run by itself
            frames.push_back(anim->Gif()->CurrentFrame());
        }
    }
    // 100 ms frames, loop count 2: two passes, then it stays on the last frame.
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 0, 1, 2}));
    // Layout rewinds it to its first frame and starts it again.
    p.Layout(300);
    EXPECT_EQ(anim->Gif()->CurrentFrame(), 0);
    EXPECT_TRUE(anim->Gif()->Running());
}

TEST(DocumentImages, ActivePictureUnderTheMouse) {
    TImagePage p;
    p.Load(Page);
    TImageObj* hover = p.Images()[3];
    ASSERT_NE(hover->Gif(), nullptr);
    p.repaints.clear();
    p.List.UpdateHover(hover->DrawX + 3, hover->DrawY + 3);
    ASSERT_EQ(p.repaints.size(), 1u); // two frames: the second shows at once
    EXPECT_EQ(p.repaints[0], Box(hover));
    EXPECT_EQ(hover->Gif()->CurrentFrame(), 1);
    p.List.UpdateHover(hover->DrawX + 5, hover->DrawY + 5); // still on it: nothing changes
    EXPECT_EQ(p.repaints.size(), 1u);
    p.List.UpdateHover(0, 399); // off it: the first frame again
    ASSERT_EQ(p.repaints.size(), 2u);
    EXPECT_EQ(hover->Gif()->CurrentFrame(), 0);
}

TEST(DocumentImages, MapsAndLinksOnPictures) {
    TImagePage p;
    p.Load(Page);
    TImageObj* map = p.Images()[5];
    TUrlTarget url;
    ASSERT_NE(p.List.GetURL(map->DrawX + 10, map->DrawY + 10, url), nullptr);
    EXPECT_EQ(url.Url, "left.htm");
    ASSERT_NE(p.List.GetURL(map->DrawX + 75, map->DrawY + 20, url), nullptr);
    EXPECT_EQ(url.Url, "right.htm");
    EXPECT_EQ(p.List.GetURL(map->DrawX + 95, map->DrawY + 2, url), nullptr);
}

TEST(DocumentImages, SwitchingImagesOffAndOn) {
    TImagePage p;
    p.Load(Page);
    p.List.SetViewImages(false);
    p.Layout(400);
    for (TImageObj* i : p.Images()) {
        EXPECT_EQ(i->State(), TImageState::NotLoaded);
        EXPECT_EQ(i->Gif(), nullptr);
    }
    EXPECT_EQ(p.Images()[0]->Width, 26); // the placeholder box: measured again
    EXPECT_EQ(p.List.BackgroundBitmap(), nullptr);
    EXPECT_FALSE(p.List.HasAnimations());
    p.repaints.clear();
    p.now += 1000;
    p.List.AnimationTick();
    p.List.UpdateHover(p.Images()[3]->DrawX + 2, p.Images()[3]->DrawY + 2);
    EXPECT_TRUE(p.repaints.empty());
    EXPECT_EQ(p.cache.Find("logo.gif")->Users, 0);
    // A page loaded with images off reads nothing.
    TImagePage off;
    off.List.ImageContext.ViewImages = false;
    off.Load(Page);
    EXPECT_TRUE(off.reads.empty());
    EXPECT_EQ(off.List.BackgroundBitmap(), nullptr);
    // On again: the pictures come back from the cache, measured as pictures.
    p.List.SetViewImages(true);
    p.Layout(400);
    EXPECT_EQ(p.Images()[0]->Width, 30);
    EXPECT_NE(p.List.BackgroundBitmap(), nullptr);
    EXPECT_TRUE(p.List.HasAnimations());
    for (auto& [name, n] : p.reads) EXPECT_EQ(n, 1) << name;
}

TEST(DocumentImages, ASectionRemovedByLayoutTakesItsAnimationsAlong) {
    // A table the layout refuses is removed with its images; the animation list forgets them.
    TImagePage p;
    std::string html = "<TABLE><TR>";
    for (int i = 0; i < 101; ++i) html += "<TD><IMG SRC=anim.gif></TD>";
    html += "</TR></TABLE><IMG SRC=anim.gif>";
    std::vector<std::string> errors;
    p.List.OnLayoutError = [&](const std::string& m) { errors.push_back(m); };
    p.Load(html);
    p.now += 500;
    p.List.AnimationTick(); // would touch freed images if any were still listed
    ASSERT_EQ(errors, std::vector<std::string>{"Table has too many Columns"});
    EXPECT_EQ(p.List.ImageContext.Animations.Count(), 1);
}
