// Getting an image's picture: the order of the sources, the cache hit that saves a second
// decode, waiting, masks from requests, failures; the placeholders and stretched copies.
#include <gtest/gtest.h>

#include <map>

#include "GifTestUtil.h"
#include "html/HTMLUn2Fetch.h"

namespace {

std::string SmallGif(int frames = 1, int transparent = -1) {
    giftest::TGifRecipe s;
    s.ScreenWidth = 5, s.ScreenHeight = 4, s.GlobalColors = giftest::Palette(2);
    for (int i = 0; i < frames; ++i)
        s.Frames.push_back(
            {0, 0, 5, 4, false, 0, 10, transparent, true, {}, std::vector<uint8_t>(20, static_cast<uint8_t>(i % 4))});
    std::vector<uint8_t> b = giftest::WriteGif(s);
    return std::string(b.begin(), b.end());
}

// A viewer's sources over an in-memory set of files, counting reads.
struct TFakeViewer {
    TStringBitmapList cache;
    std::set<std::string> waiting;
    std::map<std::string, std::string> files;
    std::vector<std::string> reads;
    TImageSources sources;
    TFakeViewer() {
        sources.Cache = &cache;
        sources.Waiting = &waiting;
        sources.FullName = [](const std::string& src) { return "c:\\pages\\" + src; };
        sources.ReadFile = [this](const std::string& name, std::string& bytes) {
            reads.push_back(name);
            auto it = files.find(name);
            if (it == files.end()) return false;
            bytes = it->second;
            return true;
        };
    }
};

} // namespace

TEST(ImageFetch, SameFileOnTwoPagesIsDecodedOnce) {
    TFakeViewer v;
    v.files["c:\\pages\\logo.gif"] = SmallGif();
    {
        TFetchResult first = FetchImage("logo.gif", false, v.sources);
        ASSERT_EQ(first.State, TFetchState::Loaded);
        EXPECT_EQ(first.Picture()->Width(), 5);
        EXPECT_EQ(v.cache.Find("c:\\pages\\logo.gif")->Users, 1);
        v.cache.PageLoaded(5);
        TFetchResult second = FetchImage("LOGO.GIF", false, v.sources); // another page, other case
        ASSERT_EQ(second.State, TFetchState::Loaded);
        EXPECT_EQ(second.Picture(), first.Picture());
        EXPECT_EQ(v.cache.Find("c:\\pages\\logo.gif")->Users, 2);
        EXPECT_EQ(v.cache.Find("c:\\pages\\logo.gif")->IdleLoads, 0);
    }
    EXPECT_EQ(v.reads.size(), 1u);
    EXPECT_EQ(v.cache.Find("c:\\pages\\logo.gif")->Users, 0); // both uses ended with their images
}

TEST(ImageFetch, BitmapRequestComesFirstAndSuppliesMasks) {
    TFakeViewer v;
    TBitmap given(3, 2, TBitmap::ToPixel(clRed));
    given.SetPixel(0, 1, TBitmap::ToPixel(clBlue)); // lower left
    std::vector<std::string> asked;
    TColor answerColor = -1;
    bool answer = true;
    v.sources.BitmapRequest = [&](const std::string& src, TBitmap*& bitmap, TColor& color) {
        asked.push_back(src);
        EXPECT_EQ(bitmap, nullptr);
        EXPECT_EQ(color, -1);
        bitmap = answer ? &given : nullptr;
        color = answerColor;
    };
    v.sources.ImageRequest = [](const std::string&, std::string*&) { ADD_FAILURE() << "the image request is not asked"; };
    // A colour: a mask of that colour, kind 2.
    answerColor = clRed;
    TFetchResult a = FetchImage("pics/a.bmp", false, v.sources);
    ASSERT_EQ(a.State, TFetchState::Loaded);
    EXPECT_EQ(a.Use.Item()->TranspKind(), TTranspKind::Color);
    EXPECT_EQ(a.Mask->Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(a.Mask->Pixel(0, 1), 0u);
    // No colour, TRANSP: the lower-left pixel's colour, kind 1.
    answerColor = -1;
    TFetchResult b = FetchImage("pics/b.bmp", true, v.sources);
    EXPECT_EQ(b.Use.Item()->TranspKind(), TTranspKind::LowerLeft);
    EXPECT_EQ(b.Mask->Pixel(0, 1), 0xFFFFFFu);
    // No colour, no TRANSP: no mask.
    TFetchResult c = FetchImage("pics/c.bmp", false, v.sources);
    EXPECT_FALSE(c.Mask);
    // The request gets the source as written (no file name rules), and no bitmap fails.
    answer = false;
    EXPECT_EQ(FetchImage("d.bmp", false, v.sources).State, TFetchState::Failed);
    EXPECT_EQ(asked, (std::vector<std::string>{"pics/a.bmp", "pics/b.bmp", "pics/c.bmp", "d.bmp"}));
    EXPECT_TRUE(v.reads.empty());
    // The handler's bitmap was copied: changing it later changes nothing cached.
    given.SetPixel(1, 1, 0);
    EXPECT_EQ(a.Picture()->Bitmap->Pixel(1, 1), TBitmap::ToPixel(clRed));
}

TEST(ImageFetch, ImageRequestStreamsAndWaiting) {
    TFakeViewer v;
    std::string waitStream, gifStream = SmallGif(3, 1), shortStream = "GIF89a";
    v.sources.WaitStream = &waitStream;
    std::map<std::string, std::string*> answers = {{"anim.gif", &gifStream}, {"later.gif", &waitStream}, {"short", &shortStream}};
    int calls = 0;
    v.sources.ImageRequest = [&](const std::string& src, std::string*& stream) {
        ++calls;
        EXPECT_EQ(stream, nullptr);
        stream = answers.count(src) ? answers[src] : nullptr;
    };
    TFetchResult anim = FetchImage("anim.gif", false, v.sources);
    ASSERT_EQ(anim.State, TFetchState::Loaded);
    ASSERT_TRUE(anim.Picture()->Gif);
    EXPECT_EQ(anim.Picture()->Gif->FrameCount(), 3);
    // The wait stream: the image waits and its name is listed; the same name on the page waits
    // without asking again.
    EXPECT_EQ(FetchImage("later.gif", false, v.sources).State, TFetchState::Waiting);
    EXPECT_EQ(v.waiting, (std::set<std::string>{"LATER.GIF"}));
    EXPECT_EQ(FetchImage("Later.gif", false, v.sources).State, TFetchState::Waiting);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(FetchImage("short", false, v.sources).State, TFetchState::Failed); // under 20 bytes
    EXPECT_EQ(FetchImage("none", false, v.sources).State, TFetchState::Failed);  // no stream
    EXPECT_EQ(v.cache.Count(), 1);
}

TEST(ImageFetch, FilesAndFailures) {
    TFakeViewer v;
    v.files["c:\\pages\\ok.gif"] = SmallGif(1, 0);            // every pixel transparent
    v.files["c:\\pages\\bad.gif"] = SmallGif().substr(0, 40); // a GIF cut inside its only frame
    v.files["c:\\pages\\text.gif"] = "not a picture at all, only some words";
    TFetchResult ok = FetchImage("ok.gif", false, v.sources);
    ASSERT_EQ(ok.State, TFetchState::Loaded);
    EXPECT_EQ(ok.Use.Item()->TranspKind(), TTranspKind::Color); // one-frame GIF with a transparent index
    ASSERT_TRUE(ok.Mask);
    // An unused entry stays until a GIF fails part-way, which frees every unused entry.
    v.cache.Release(&v.cache.Add("spare", TPicture{std::make_shared<TBitmap>(1, 1), nullptr, nullptr, TTranspKind::None}));
    EXPECT_EQ(FetchImage("text.gif", false, v.sources).State, TFetchState::Failed);
    EXPECT_NE(v.cache.Find("spare"), nullptr);
    EXPECT_EQ(FetchImage("bad.gif", false, v.sources).State, TFetchState::Failed);
    EXPECT_EQ(v.cache.Find("spare"), nullptr);
    EXPECT_NE(v.cache.Find("c:\\pages\\ok.gif"), nullptr); // in use: kept
    EXPECT_EQ(FetchImage("missing.png", false, v.sources).State, TFetchState::Failed);
    EXPECT_EQ(v.reads.back(), "c:\\pages\\missing.png");
}

TEST(ImagePlaceholders, PicturesMasksAndStretching) {
    EXPECT_EQ(NotLoadedImagePicture().Width(), 16);
    const TBitmap& err = ErrorImagePicture();
    const TBitmap& mask = ErrorImageMask();
    ASSERT_EQ(err.Width(), 16);
    ASSERT_EQ(mask.Height(), 16);
    // The rounded corners are transparent, the middle is yellow and drawn.
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}, {1, 1}})
        EXPECT_EQ(mask.Pixel(x, y), 0xFFFFFFu) << x << "," << y;
    EXPECT_EQ(mask.Pixel(8, 8), 0u);
    EXPECT_EQ(err.Pixel(3, 8), TBitmap::ToPixel(clYellow));
    // Stretching repeats pixels; shrinking picks them.
    TBitmap two(2, 1);
    two.SetPixel(0, 0, 1), two.SetPixel(1, 0, 2);
    TBitmap four = StretchedCopy(two, 4, 2);
    EXPECT_EQ(std::vector<uint32_t>(four.Data(), four.Data() + 8), (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2}));
    TBitmap one = StretchedCopy(four, 2, 1);
    EXPECT_EQ(std::vector<uint32_t>(one.Data(), one.Data() + 2), (std::vector<uint32_t>{1, 2}));
    EXPECT_TRUE(StretchedCopy(two, 0, 3).Empty());
}
