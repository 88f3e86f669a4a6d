// A document's animated pictures on its 50 ms timer: pictures that run by themselves, ACTIVE
// pictures that run only under the mouse (and the two-frame rule), speed, loop counts through
// the ticks, and rewinding on layout.
#include <gtest/gtest.h>

#include "GifTestUtil.h"
#include "html/HTMLGif.h"
#include "html/HTMLUn2Anim.h"

namespace {

// `frames` frames of 2 x 2 pixels in distinct colours, each `delayCs` hundredths long.
TGIFImage Animation(int frames, int delayCs, int loop = -1) {
    giftest::TGifRecipe r;
    r.ScreenWidth = 2, r.ScreenHeight = 2;
    r.GlobalColors = giftest::Palette(3);
    r.Loop = loop;
    for (int i = 0; i < frames; ++i) {
        giftest::TSpecFrame f;
        f.Width = 2, f.Height = 2, f.DelayCs = delayCs, f.Control = true;
        f.Pixels.assign(4, static_cast<uint8_t>(i));
        r.Frames.push_back(f);
    }
    const std::vector<uint8_t> bytes = giftest::WriteGif(r);
    return TGIFImage::FromBytes(bytes.data(), bytes.size());
}

// Runs the timer from `from` to `to` in 50 ms ticks; the frames `gif` showed after each change.
std::vector<int> Ticks(TAnimationList& list, const void* key, const TGIFImage& gif, uint32_t from, uint32_t to) {
    std::vector<int> shown;
    for (uint32_t t = from; t <= to; t += TAnimationList::TickMs)
        for (const void* k : list.Tick(t))
            if (k == key) shown.push_back(gif.CurrentFrame());
    return shown;
}

} // namespace

TEST(Animation, PicturesRunByThemselvesOnTheTimer) {
    TGIFImage a = Animation(3, 10), b = Animation(3, 20), still = Animation(1, 10);
    TAnimationList list;
    list.Add(&a, &a, false);
    list.Add(&b, &b, false);
    list.Add(&still, &still, false); // one frame: nothing to animate
    EXPECT_EQ(list.Count(), 2);
    list.RewindAndStart(0);
    EXPECT_TRUE(list.AnyRunning());
    // 100 ms and 200 ms frames: a changes at every second tick, b at every fourth.
    std::vector<std::vector<const void*>> ticks;
    for (uint32_t t = 50; t <= 400; t += 50) ticks.push_back(list.Tick(t));
    const std::vector<std::vector<const void*>> want = {{}, {&a}, {}, {&a, &b}, {}, {&a}, {}, {&a, &b}};
    EXPECT_EQ(ticks, want);
    EXPECT_EQ(a.CurrentFrame(), 1); // 0 -> 1 -> 2 -> 0 -> 1
    EXPECT_EQ(b.CurrentFrame(), 2);
}

TEST(Animation, LoopCountTwoPlaysTwiceThenTheTimerIsIdle) {
    TGIFImage g = Animation(3, 10, 2);
    TAnimationList list;
    list.Add(&g, &g, false);
    list.RewindAndStart(1000);
    EXPECT_EQ(Ticks(list, &g, g, 1050, 3000), (std::vector<int>{1, 2, 0, 1, 2}));
    EXPECT_EQ(g.CurrentFrame(), 2); // stopped on the last frame
    EXPECT_FALSE(list.AnyRunning());
    // Layout rewinds: the picture plays twice again from its first frame.
    list.RewindAndStart(5000);
    EXPECT_EQ(g.CurrentFrame(), 0);
    EXPECT_EQ(Ticks(list, &g, g, 5050, 7000), (std::vector<int>{1, 2, 0, 1, 2}));
}

TEST(Animation, SpeedScalesEveryPicture) {
    const struct {
        int speed;
        int changesIn1s;                                 // 100 ms frames
    } cases[] = {{100, 10}, {200, 20}, {50, 5}, {0, 0}}; // 0 counts as 1 %: 10 s a frame
    for (auto& c : cases) {
        TGIFImage g = Animation(3, 10);
        TAnimationList list;
        list.Add(&g, &g, false);
        list.SetSpeed(c.speed);
        list.RewindAndStart(0);
        const size_t changes = Ticks(list, &g, g, 50, 1000).size();
        if (c.speed == 0) {
            EXPECT_EQ(list.Speed(), 1);
            EXPECT_EQ(changes, 0u); // 10 s a frame
        } else {
            EXPECT_EQ(changes, static_cast<size_t>(c.changesIn1s)) << c.speed;
        }
    }
    // A picture listed after the speed was set takes it too.
    TAnimationList list;
    list.SetSpeed(200);
    TGIFImage g = Animation(3, 10);
    list.Add(&g, &g, false);
    EXPECT_EQ(g.Speed, 200);
}

TEST(Animation, ActivePicturesRunOnlyUnderTheMouse) {
    TGIFImage g = Animation(3, 10);
    TAnimationList list;
    list.Add(&g, &g, true);
    list.RewindAndStart(0);
    EXPECT_FALSE(list.AnyRunning());
    EXPECT_TRUE(Ticks(list, &g, g, 50, 500).empty());
    EXPECT_FALSE(list.HoverEnter(&g, 500)); // starts; the first frame is still right
    EXPECT_FALSE(list.HoverEnter(&g, 520)); // already under the mouse: nothing restarts
    EXPECT_EQ(Ticks(list, &g, g, 550, 750), (std::vector<int>{1, 2}));
    EXPECT_TRUE(list.HoverLeave(&g)); // back to the first frame: repaint
    EXPECT_EQ(g.CurrentFrame(), 0);
    EXPECT_FALSE(g.Running());
    EXPECT_FALSE(list.HoverLeave(&g));
    EXPECT_TRUE(Ticks(list, &g, g, 850, 1500).empty());
    // Leaving on the first frame needs no repaint.
    list.HoverEnter(&g, 2000);
    EXPECT_FALSE(list.HoverLeave(&g));
}

TEST(Animation, ActivePictureOfTwoFramesShowsTheSecondUnderTheMouse) {
    TGIFImage two = Animation(2, 10), plain = Animation(2, 10);
    TAnimationList list;
    list.Add(&two, &two, true);
    list.Add(&plain, &plain, false);
    list.RewindAndStart(0);
    EXPECT_TRUE(list.HoverEnter(&two, 100));
    EXPECT_EQ(two.CurrentFrame(), 1);
    EXPECT_FALSE(two.Running());
    EXPECT_TRUE(Ticks(list, &two, two, 150, 1000).empty()); // stays on the second frame
    EXPECT_EQ(two.CurrentFrame(), 1);
    EXPECT_TRUE(list.HoverLeave(&two));
    EXPECT_EQ(two.CurrentFrame(), 0);
    // Hovering a picture without ACTIVE changes nothing.
    const int before = plain.CurrentFrame();
    EXPECT_FALSE(list.HoverEnter(&plain, 1000));
    EXPECT_FALSE(list.HoverLeave(&plain));
    EXPECT_EQ(plain.CurrentFrame(), before);
    EXPECT_TRUE(plain.Running());
}

TEST(Animation, ListingRemovingAndStopping) {
    TGIFImage a = Animation(3, 10), b = Animation(3, 10);
    TAnimationList list;
    list.Add(&a, &a, false);
    list.Add(&a, &b, false); // the same image listed again: its entry is replaced
    EXPECT_EQ(list.Count(), 1);
    list.RewindAndStart(0);
    list.Tick(100);
    EXPECT_EQ(a.CurrentFrame(), 0);
    EXPECT_EQ(b.CurrentFrame(), 1);
    list.StopAll();
    EXPECT_FALSE(list.AnyRunning());
    EXPECT_TRUE(list.Tick(1000).empty());
    list.Remove(&a);
    EXPECT_TRUE(list.Empty());
    list.Add(&b, nullptr, false); // no picture: not listed
    EXPECT_TRUE(list.Empty());
}
