#include <gtest/gtest.h>

#include "toolkit/MemoryCanvas.h"
#include "widgets/FocusBtns.h"

// The memory canvas's default font (height -11): characters 6 pixels wide, lines 13 high; a
// glyph fills columns [x, x + 5) and rows [y + 2, y + 11).

namespace {
TFocusButtonLook RatingButtonLook() {
    TFocusButtonLook look;
    look.AutoSize = false;
    look.HotTrack = false;
    look.ShowFocus = false;
    look.WordWrap = true;
    return look;
}

TMemoryCanvas ButtonCanvas() {
    TMemoryCanvas c(75, 25, clWhite);
    c.Font.Color = clBtnText;
    c.Brush.Color = clBtnFace;
    return c;
}
} // namespace

TEST(FocusBtns, TextRectPlacement) {
    TMemoryCanvas c(100, 100);
    struct Case {
        std::string caption;
        unsigned flags;
        bool autoSize;
        TTextLayout layout;
        TSize client;
        TRect expected;
    } cases[] = {
        // Inner face (4, 4, 70, 20); "OK" is 12 x 13; centred: (20 - 17) div 2 - 1 = 0.
        {"OK", dt::SingleLine, false, TTextLayout::tlCenter, {75, 25}, Rect(5, 4, 17, 17)},
        {"OK", dt::SingleLine, false, TTextLayout::tlBottom, {75, 25}, Rect(5, 7, 17, 20)},
        {"OK", dt::SingleLine, false, TTextLayout::tlTop, {75, 25}, Rect(5, 4, 17, 17)},
        {"OK", dt::SingleLine, false, TTextLayout::tlCenter, {75, 41}, Rect(5, 12, 17, 25)}, // (36 - 17) div 2 - 1
        // AutoSize centres whatever the layout says.
        {"OK", dt::SingleLine, true, TTextLayout::tlBottom, {75, 41}, Rect(5, 12, 17, 25)},
        {"OK", dt::SingleLine, false, TTextLayout::tlTop, {75, 41}, Rect(5, 4, 17, 17)},
        // An empty caption measures "Z": one line high.
        {"", dt::SingleLine, false, TTextLayout::tlCenter, {75, 25}, Rect(5, 4, 11, 17)},
        // Too small a face: clipped to it (top, bottom and right).
        {"Longer caption", dt::SingleLine, false, TTextLayout::tlCenter, {40, 15}, Rect(5, 4, 35, 10)},
    };
    for (const auto& k : cases)
        EXPECT_EQ(FocusButtonTextRect(c, k.caption, k.flags, true, k.client, k.autoSize, k.layout), k.expected)
            << "'" << k.caption << "' " << k.client.cx << "x" << k.client.cy;
    // Without clipping the measured extent stays whole.
    TRect r = FocusButtonTextRect(c, "Longer caption", dt::SingleLine, false, {40, 15}, false, TTextLayout::tlCenter);
    EXPECT_EQ(r.Width(), 84);
    EXPECT_EQ(r.Height(), 13);
}

TEST(FocusBtns, ShadowTextMovesItsRectangles) {
    struct Case {
        TShadowPos pos;
        int depth, press;
        TRect expected;
        int height;
    } cases[] = {
        {TShadowPos::spLeftTop, 1, 0, Rect(10, 10, 23, 24), 14},     {TShadowPos::spLeftTop, 1, 1, Rect(11, 11, 24, 25), 14},
        {TShadowPos::spLeftTop, 0, 0, Rect(10, 10, 23, 24), 13},     {TShadowPos::spLeftTop, 0, 1, Rect(10, 10, 24, 25), 13},
        {TShadowPos::spRightBottom, 1, 0, Rect(10, 10, 23, 24), 14}, {TShadowPos::spLeftBottom, 1, 0, Rect(10, 10, 23, 24), 14},
        {TShadowPos::spLeftBottom, 1, 1, Rect(11, 11, 24, 25), 14},  {TShadowPos::spRightTop, 1, 0, Rect(10, 10, 23, 24), 14},
    };
    for (const auto& k : cases) {
        TMemoryCanvas c(40, 40, clGray);
        c.Font.Color = clBlack;
        c.Brush.Style = TBrushStyle::bsClear;
        TRect r = Rect(10, 10, 22, 23);
        int h = DrawShadowText(c, "OK", k.press, k.pos, clWhite, k.depth, dt::SingleLine, r);
        EXPECT_EQ(r, k.expected) << static_cast<int>(k.pos) << " d" << k.depth << " p" << k.press;
        EXPECT_EQ(h, k.height);
        EXPECT_EQ(c.Font.Color, clBlack); // text colour restored after the shadow
    }
}

TEST(FocusBtns, ShadowSitsOnItsSideOfTheText) {
    struct Case {
        TShadowPos pos;
        TPoint text, shadow; // glyph origins
    } cases[] = {
        {TShadowPos::spLeftTop, {11, 11}, {10, 10}},
        {TShadowPos::spRightBottom, {10, 10}, {11, 11}},
        {TShadowPos::spLeftBottom, {11, 10}, {10, 11}},
        {TShadowPos::spRightTop, {10, 11}, {11, 10}},
    };
    for (const auto& k : cases) {
        TMemoryCanvas c(40, 40, clGray);
        c.Font.Color = clBlack;
        TRect r = Rect(10, 10, 22, 23);
        DrawShadowText(c, "I", 0, k.pos, clWhite, 1, dt::SingleLine, r);
        // The glyph block is 5 x 9 from (x, y + 2); the shadow shows where the text does not cover.
        EXPECT_EQ(c.CountColor(Rect(0, 0, 40, 40), clBlack), 45) << static_cast<int>(k.pos);
        EXPECT_EQ(c.GetPixel(k.text.x, k.text.y + 2), clBlack);
        EXPECT_EQ(c.GetPixel(k.text.x + 4, k.text.y + 10), clBlack);
        EXPECT_EQ(c.CountColor(Rect(0, 0, 40, 40), clWhite), 45 - 4 * 8);
        int sx = k.shadow.x == k.text.x ? k.shadow.x : (k.shadow.x < k.text.x ? k.shadow.x : k.shadow.x + 4);
        int sy = k.shadow.y == k.text.y ? k.shadow.y + 2 : (k.shadow.y < k.text.y ? k.shadow.y + 2 : k.shadow.y + 10);
        EXPECT_EQ(c.GetPixel(sx, sy), clWhite) << static_cast<int>(k.pos);
    }
}

TEST(FocusBtns, PlainPressedAndDisabledButtons) {
    TFocusButtonLook look = RatingButtonLook();
    // Enabled, not pressed: caption at (5, 4), no shadow.
    TMemoryCanvas plain = ButtonCanvas();
    DrawFocusButton(plain, "OK", look, false, false, true, {75, 25});
    EXPECT_EQ(plain.CountColor(Rect(4, 4, 70, 20), clBtnText), 2 * 45);
    EXPECT_EQ(plain.GetPixel(5, 6), ColorToRGB(clBtnText));
    EXPECT_EQ(plain.GetPixel(15, 14), ColorToRGB(clBtnText));
    EXPECT_EQ(plain.GetPixel(0, 0), ColorToRGB(clBtnHighlight)); // raised frame, no active frame
    EXPECT_EQ(plain.GetPixel(74, 10), clWhite);                  // the last column is not drawn

    // Pressed: the caption moves one pixel right and down, the frame turns pushed.
    TMemoryCanvas pressed = ButtonCanvas();
    DrawFocusButton(pressed, "OK", look, true, false, true, {75, 25});
    EXPECT_EQ(pressed.CountColor(Rect(4, 4, 70, 20), clBtnText), 2 * 45);
    EXPECT_EQ(pressed.GetPixel(5, 6), ColorToRGB(clBtnFace));
    EXPECT_EQ(pressed.GetPixel(6, 7), ColorToRGB(clBtnText));
    EXPECT_EQ(pressed.GetPixel(16, 15), ColorToRGB(clBtnText));
    EXPECT_EQ(pressed.GetPixel(0, 0), ColorToRGB(cl3DDkShadow));

    // Disabled: grey text with a highlight shadow right and below, whatever the look says.
    for (bool hot : {false, true}) {
        look.HotTrack = hot;
        look.ShowFocus = hot;
        look.MouseInside = hot;
        look.ShadowPos = TShadowPos::spLeftTop;
        look.ShadowColor = clRed;
        TMemoryCanvas off = ButtonCanvas();
        DrawFocusButton(off, "OK", look, false, false, false, {75, 25});
        EXPECT_EQ(off.GetPixel(5, 6), ColorToRGB(clBtnShadow));
        EXPECT_EQ(off.GetPixel(10, 7), ColorToRGB(clBtnHighlight)); // right of the first glyph
        EXPECT_EQ(off.GetPixel(6, 15), ColorToRGB(clBtnHighlight)); // below it
        EXPECT_EQ(off.CountColor(Rect(0, 0, 75, 25), clRed), 0);
        EXPECT_EQ(off.CountColor(Rect(4, 4, 70, 20), clBtnHighlight), 2 * (45 - 32));
    }
}

TEST(FocusBtns, ActiveFrameFocusRectangleAndHotShadow) {
    TFocusButtonLook look = RatingButtonLook();
    look.IsActive = true;
    TMemoryCanvas c = ButtonCanvas();
    DrawFocusButton(c, "OK", look, false, true, true, {75, 25});
    // Dark frame around (0, 0, 74, 24); the push frame inside it.
    for (TPoint p : {TPoint{0, 0}, TPoint{73, 0}, TPoint{0, 23}, TPoint{73, 23}, TPoint{40, 0}, TPoint{0, 12}})
        EXPECT_EQ(c.GetPixel(p.x, p.y), ColorToRGB(clWindowFrame)) << p.x << "," << p.y;
    EXPECT_EQ(c.GetPixel(74, 24), clWhite);
    EXPECT_EQ(c.GetPixel(1, 1), ColorToRGB(clBtnHighlight));
    // Focus rectangle on the face shrunk once more: (4, 4, 70, 20), every other pixel inverted.
    EXPECT_EQ(c.GetPixel(4, 4), RGBColor(63, 63, 63));
    EXPECT_EQ(c.GetPixel(5, 4), ColorToRGB(clBtnFace));
    // Focused with ShowFocus off: no shadow. With ShowFocus on: shadow on the left and top.
    EXPECT_EQ(c.CountColor(Rect(0, 0, 75, 25), clRed), 0);
    look.ShowFocus = true;
    look.ShadowColor = clRed;
    TMemoryCanvas s = ButtonCanvas();
    DrawFocusButton(s, "OK", look, false, true, true, {75, 25});
    EXPECT_EQ(s.CountColor(Rect(0, 0, 75, 25), clRed), 2 * (45 - 32));
    EXPECT_EQ(s.GetPixel(5, 6), clRed);
    // Hot-tracking: the shadow shows while the mouse is inside.
    look.ShowFocus = false;
    look.HotTrack = true;
    look.MouseInside = true;
    TMemoryCanvas h = ButtonCanvas();
    DrawFocusButton(h, "OK", look, false, false, true, {75, 25});
    EXPECT_EQ(h.CountColor(Rect(0, 0, 75, 25), clRed), 2 * (45 - 32));
}

TEST(FocusBtns, FormatFlags) {
    TFocusButtonLook look;
    look.AlignmentFlag = dt::Right;
    EXPECT_EQ(FocusButtonTextFormat(look), dt::SingleLine); // AutoSize without wrap: alignment ignored
    look.WordWrap = true;
    EXPECT_EQ(FocusButtonTextFormat(look), dt::Right | dt::WordBreak);
    look.AutoSize = false;
    look.WordWrap = false;
    EXPECT_EQ(FocusButtonTextFormat(look), dt::Right | dt::SingleLine);
}

TEST(FocusBtns, AutoSizeFollowsTheCaption) {
    TMemoryCanvas c(10, 10);
    TFocusButtonLook look; // HotTrack and ShowFocus on: 2 extra pixels
    EXPECT_EQ(FocusButtonAutoSize(c, "Hello", look, {75, 25}), (TSize{2 + 30 + 10, 2 + 13 + 10}));
    EXPECT_EQ(FocusButtonAutoSize(c, "", look, {75, 25}), (TSize{2 + 6 + 10, 2 + 13 + 10}));
    look.HotTrack = false;
    look.ShowFocus = false;
    EXPECT_EQ(FocusButtonAutoSize(c, "Hello", look, {75, 25}), (TSize{30 + 10, 13 + 10}));
    // Word-wrapped: the width stays, the height takes every line (face 51 wide: three lines).
    look.WordWrap = true;
    EXPECT_EQ(FocusButtonAutoSize(c, "Hello World Again", look, {60, 25}), (TSize{60, 3 * 13 + 10}));
}
