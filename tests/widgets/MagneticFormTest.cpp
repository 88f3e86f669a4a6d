#include <gtest/gtest.h>

#include "widgets/MagneticForm.h"

namespace {
const TSize kForm{564, 492};
const TSize kScreen{1024, 768};

TRect Drag(const TMagneticRules& rules, TRect r) {
    rules.Moving(nullptr, r, kForm, kScreen);
    return r;
}
} // namespace

TEST(MagneticForm, LeftEdgeSnapsStrictlyInsideTheMargins) {
    TMagneticRules rules;
    struct Case {
        int left;
        bool snaps;
    } cases[] = {{9, true}, {10, false}, {-4, true}, {-5, false}, {0, true}, {3, true}, {-30, false}};
    for (auto c : cases) {
        TRect r = Drag(rules, Bounds(c.left, 100, 564, 492));
        if (c.snaps)
            EXPECT_EQ(r, Bounds(0, 100, 564, 492)) << c.left;
        else
            EXPECT_EQ(r, Bounds(c.left, 100, 564, 492)) << c.left;
    }
}

TEST(MagneticForm, BottomEdgeSnapsFrom759To772OnA768Screen) {
    TMagneticRules rules;
    for (int bottom = 740; bottom <= 790; ++bottom) {
        TRect r = Drag(rules, Rect(200, bottom - 492, 764, bottom));
        bool snaps = bottom >= 759 && bottom <= 772;
        if (snaps)
            EXPECT_EQ(r, Rect(200, 768 - 492, 764, 768)) << bottom;
        else
            EXPECT_EQ(r, Rect(200, bottom - 492, 764, bottom)) << bottom;
    }
}

TEST(MagneticForm, RightAndTopEdgesSnapAndLaterRulesWin) {
    TMagneticRules rules;
    // Right edge 9 pixels inside the screen.
    EXPECT_EQ(Drag(rules, Rect(451, 100, 1015, 592)), Rect(1024 - 564, 100, 1024, 592));
    EXPECT_EQ(Drag(rules, Rect(450, 100, 1014, 592)), Rect(450, 100, 1014, 592));
    // Top edge.
    EXPECT_EQ(Drag(rules, Rect(100, -4, 664, 488)), Rect(100, 0, 664, 492));
    // A form taller than the snap band: top and bottom both fire, the bottom rule wins.
    TMagneticRules tall;
    TRect r = Rect(0, 5, 100, 765);
    tall.Moving(nullptr, r, TSize{100, 760}, kScreen);
    EXPECT_EQ(r, Rect(0, 8, 100, 768));
    // Likewise right over left on a form nearly as wide as the screen.
    r = Rect(5, 300, 1020, 400);
    tall.Moving(nullptr, r, TSize{1015, 100}, kScreen);
    EXPECT_EQ(r, Rect(9, 300, 1024, 400));
}

TEST(MagneticForm, AlwaysOnScreenBlocksLeavingButDoesNotSnapWhenMarginsOff) {
    TMagneticRules rules;
    rules.Margin.Enabled = false;
    rules.AlwaysOnScreen = true;
    EXPECT_EQ(Drag(rules, Bounds(-50, -20, 564, 492)), Bounds(0, 0, 564, 492));
    EXPECT_EQ(Drag(rules, Bounds(600, 400, 564, 492)), Rect(1024 - 564, 768 - 492, 1024, 768));
    EXPECT_EQ(Drag(rules, Bounds(5, 5, 564, 492)), Bounds(5, 5, 564, 492)); // no snapping from inside
    // With snapping on, AlwaysOnScreen catches what the margins let through.
    TMagneticRules both;
    both.AlwaysOnScreen = true;
    EXPECT_EQ(Drag(both, Bounds(-5, 100, 564, 492)), Bounds(0, 100, 564, 492));
}

TEST(MagneticForm, OnMovingReplacesAllBuiltInRules) {
    TMagneticRules rules;
    rules.AlwaysOnScreen = true;
    int calls = 0;
    TObject sender;
    rules.OnMoving = [&](TObject* s, TRect& r) {
        ++calls;
        EXPECT_EQ(s, &sender);
        r.Offset(1, 0);
    };
    TRect r = Bounds(-50, 3, 564, 492);
    rules.Moving(&sender, r, kForm, kScreen);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(r, Bounds(-49, 3, 564, 492));
}

TEST(MagneticForm, RatioSetters) {
    TRatio ratio;
    ratio.SetWidth(564); // Height still 0: ratio 0
    EXPECT_EQ(ratio.AspectRatio(), 0.0f);
    ratio.SetHeight(492);
    EXPECT_FLOAT_EQ(ratio.AspectRatio(), 564.0f / 492.0f);
    ratio.SetAspectRatio(1.5f);
    EXPECT_EQ(ratio.Width(), 100);
    EXPECT_EQ(ratio.Height(), 66);
    EXPECT_EQ(ratio.AspectRatio(), 1.5f);
    ratio.SetAspectRatio(1.1515151f); // the main window's setting
    EXPECT_EQ(ratio.Width(), 100);
    EXPECT_EQ(ratio.Height(), 86);
    ratio.SetAspectRatio(0);
    EXPECT_EQ(ratio.Height(), 0);
    ratio.SetWidth(50);
    ratio.SetHeight(0);
    EXPECT_EQ(ratio.AspectRatio(), 0.0f);
}

TEST(MagneticForm, SizingKeepsAspectOnCornersOnly) {
    TMagneticRules rules;
    rules.Resize.Ratio.Enabled = true;
    rules.Resize.Ratio.SetAspectRatio(1.5f);
    struct Case {
        int edge;
        TRect expected;
    } cases[] = {
        {wmsz::BottomRight, Rect(100, 100, 100 + 301, 301)},
        {wmsz::TopRight, Rect(100, 100, 401, 301)},
        {wmsz::BottomLeft, Rect(500 - 301, 100, 500, 301)},
        {wmsz::TopLeft, Rect(199, 100, 500, 301)},
        {wmsz::Left, Rect(100, 100, 500, 301)},
        {wmsz::Right, Rect(100, 100, 500, 301)},
        {wmsz::Top, Rect(100, 100, 500, 301)},
        {wmsz::Bottom, Rect(100, 100, 500, 301)},
    };
    for (auto c : cases) {
        TRect r = Rect(100, 100, 500, 301); // height 201: 201 * 1.5 = 301.5, truncated
        rules.Sizing(c.edge, r);
        EXPECT_EQ(r, c.expected) << c.edge;
    }
    // A zero ratio, or the switch off, sizes freely.
    rules.Resize.Ratio.SetHeight(0);
    TRect r = Rect(100, 100, 500, 301);
    rules.Sizing(wmsz::BottomRight, r);
    EXPECT_EQ(r, Rect(100, 100, 500, 301));
    rules.Resize.Ratio.SetAspectRatio(2.0f);
    rules.Resize.Ratio.Enabled = false;
    rules.Sizing(wmsz::BottomRight, r);
    EXPECT_EQ(r, Rect(100, 100, 500, 301));
}

TEST(MagneticForm, HitTestZonesAndAlwaysMoveable) {
    TMagneticRules rules;
    rules.Resize.Enabled = true;
    const TSize client{564, 492};
    struct Case {
        TPoint p;
        int expected;
    } cases[] = {
        {{559, 200}, ht::Right},    {{558, 200}, ht::Client}, {{200, 488}, ht::Bottom},      {{200, 487}, ht::Client},
        {{4, 200}, ht::Left},       {{5, 200}, ht::Client},   {{200, 4}, ht::Top},           {{2, 2}, ht::TopLeft},
        {{2, 490}, ht::BottomLeft}, {{560, 1}, ht::TopRight}, {{560, 490}, ht::BottomRight},
    };
    for (auto c : cases) EXPECT_EQ(rules.HitTest(ht::Client, c.p, client), c.expected) << c.p.x << "," << c.p.y;

    rules.AlwaysMoveable = true;
    EXPECT_EQ(rules.HitTest(ht::Client, {200, 200}, client), ht::Caption);
    EXPECT_EQ(rules.HitTest(ht::Client, {559, 200}, client), ht::Right);
    rules.Resize.Enabled = false;
    EXPECT_EQ(rules.HitTest(ht::Client, {559, 200}, client), ht::Caption);
    EXPECT_EQ(rules.HitTest(ht::Caption + 20, {200, 200}, client), ht::Caption + 20); // other answers pass
    rules.AlwaysMoveable = false;
    EXPECT_EQ(rules.HitTest(ht::Client, {200, 200}, client), ht::Client);
}

TEST(MagneticForm, CursorPositionIsSigned16Bit) {
    EXPECT_EQ(PointFromLParam(0x00C80064u), (TPoint{100, 200}));
    EXPECT_EQ(PointFromLParam(0xFFFBFFF6u), (TPoint{-10, -5}));
}
