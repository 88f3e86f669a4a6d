#include <gtest/gtest.h>

#include "toolkit/MemoryCanvas.h"

TEST(MemoryCanvas, FillAndFrameCoverExactlyTheirPixels) {
    TMemoryCanvas c(20, 10, clBlack);
    c.Brush.Color = clLime;
    c.FillRect(Rect(2, 3, 6, 5));
    EXPECT_EQ(c.CountColor(Rect(0, 0, 20, 10), clLime), 8);
    EXPECT_EQ(c.GetPixel(5, 4), clLime);
    EXPECT_EQ(c.GetPixel(6, 4), clBlack); // right edge excluded
    c.Brush.Color = clRed;
    c.FrameRect(Rect(10, 0, 14, 4));
    EXPECT_EQ(c.CountColor(Rect(0, 0, 20, 10), clRed), 12);
    EXPECT_EQ(c.GetPixel(11, 1), clBlack);
}

TEST(MemoryCanvas, RectangleUsesPenOutlineAndBrushInside) {
    TMemoryCanvas c(10, 10, clWhite);
    c.Pen.Color = clBlue;
    c.Brush.Color = clYellow;
    c.Rectangle(Rect(1, 1, 5, 5));
    EXPECT_EQ(c.CountColor(Rect(0, 0, 10, 10), clBlue), 12);
    EXPECT_EQ(c.CountColor(Rect(0, 0, 10, 10), clYellow), 4);
}

TEST(MemoryCanvas, LinesLeaveOutTheEndPoint) {
    TMemoryCanvas c(10, 10, clWhite);
    c.Pen.Color = clBlack;
    c.MoveTo(0, 0);
    c.LineTo(5, 0);
    EXPECT_EQ(c.CountColor(Rect(0, 0, 10, 1), clBlack), 5);
    EXPECT_EQ(c.GetPixel(5, 0), clWhite);
    c.Polyline({{0, 2}, {0, 5}, {3, 5}});
    EXPECT_EQ(c.GetPixel(0, 4), clBlack);
    EXPECT_EQ(c.GetPixel(2, 5), clBlack);
    EXPECT_EQ(c.GetPixel(3, 5), clWhite);
    c.Pen.Mode = TPenMode::pmNot;
    c.MoveTo(0, 9);
    c.LineTo(2, 9);
    EXPECT_EQ(c.GetPixel(0, 9), clBlack);
}

TEST(MemoryCanvas, FontMetricsFollowTheDocumentedRule) {
    TFont f;
    f.Height = -11;
    TTextMetric m = TMemoryCanvas::MetricsFor(f);
    EXPECT_EQ(m.Ascent, 11);
    EXPECT_EQ(m.Descent, 2);
    EXPECT_EQ(m.Height, 13);
    EXPECT_EQ(TMemoryCanvas::CharWidth(f), 6);
    f.Style = fsBold;
    EXPECT_EQ(TMemoryCanvas::CharWidth(f), 7);
    f.Height = 15;
    EXPECT_EQ(TMemoryCanvas::MetricsFor(f).Height, 15);
}

TEST(MemoryCanvas, TextOutPaintsGlyphBlocksAndOpaqueCell) {
    TMemoryCanvas c(40, 20, clBlack);
    c.Font.Height = -8;
    c.Font.Color = clLime;
    c.Brush.Color = clBlue;
    c.TextOut(2, 1, "a b");
    // cell 3 chars x 4 px wide, 10 high; glyph rows 1+2 .. 1+8, columns [x, x+3)
    EXPECT_EQ(c.GetPixel(2, 3), clLime);
    EXPECT_EQ(c.GetPixel(5, 3), clBlue);  // gap column of the first glyph
    EXPECT_EQ(c.GetPixel(6, 3), clBlue);  // blank
    EXPECT_EQ(c.GetPixel(10, 5), clLime); // third glyph
    EXPECT_EQ(c.GetPixel(14, 5), clBlack);
    EXPECT_EQ(c.CountColor(Rect(0, 0, 40, 20), clLime), 2 * 3 * 6);
    EXPECT_EQ(c.PenPos().x, 14);
}

TEST(MemoryCanvas, DrawTextBreaksWordsCentresAndCalculates) {
    TMemoryCanvas c(60, 40, clBlack);
    c.Font.Height = -8; // 4 px per character, 10 px per line
    c.Font.Color = clWhite;
    TRect r = Rect(0, 0, 40, 40);
    int h = c.DrawText("aaaa bbbb cc", r, dt::WordBreak | dt::CalcRect);
    EXPECT_EQ(h, 20);
    EXPECT_EQ(r, Rect(0, 0, 36, 20)); // "aaaa bbbb" fits 40, "cc" wraps
    r = Rect(0, 0, 40, 10);
    c.DrawText("ab", r, dt::Center | dt::SingleLine);
    EXPECT_EQ(c.GetPixel(16, 5), clWhite); // starts at (40 - 8) / 2
    EXPECT_EQ(c.GetPixel(15, 5), clBlack);
    r = Rect(0, 0, 12, 10);
    EXPECT_EQ(c.DrawText("toolongword", r, dt::WordBreak | dt::CalcRect), 10); // a long word stays whole
    EXPECT_EQ(r.Right, 44);
}

TEST(MemoryCanvas, ClipsAndFocusRectIsItsOwnInverse) {
    TMemoryCanvas c(10, 10, clWhite);
    c.PushClip(Rect(0, 0, 5, 5));
    c.Brush.Color = clBlack;
    c.FillRect(Rect(0, 0, 10, 10));
    c.PopClip();
    EXPECT_EQ(c.CountColor(Rect(0, 0, 10, 10), clBlack), 25);
    TBitmap before = c.Bitmap();
    c.DrawFocusRect(Rect(0, 0, 10, 10));
    EXPECT_NE(c.GetPixel(6, 0), clWhite);
    c.DrawFocusRect(Rect(0, 0, 10, 10));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(c.Bitmap().Pixel(x, y), before.Pixel(x, y));
}

TEST(MemoryCanvas, StretchDrawScalesAndSkipsTransparentPixels) {
    TBitmap b(2, 1);
    b.SetPixel(0, 0, TBitmap::ToPixel(clRed));
    b.SetPixel(1, 0, TBitmap::ToPixel(clBlue));
    TMemoryCanvas c(8, 2, clWhite);
    c.StretchDraw(Rect(0, 0, 8, 2), b);
    EXPECT_EQ(c.CountColor(Rect(0, 0, 4, 2), clRed), 8);
    EXPECT_EQ(c.CountColor(Rect(4, 0, 8, 2), clBlue), 8);
    b.Transparent = true;
    b.TransparentColor = clBlue;
    TMemoryCanvas d(2, 1, clWhite);
    d.Draw(0, 0, b);
    EXPECT_EQ(d.GetPixel(1, 0), clWhite);
}

TEST(MemoryCanvas, PushButtonFrameRaisedAndPushed) {
    TMemoryCanvas c(10, 10, clWhite);
    c.DrawFrameControl(Rect(0, 0, 10, 10), dfc::ButtonPush);
    EXPECT_EQ(c.GetPixel(0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(c.GetPixel(9, 9), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(c.GetPixel(5, 5), ColorToRGB(clBtnFace));
    c.DrawFrameControl(Rect(0, 0, 10, 10), dfc::ButtonPush | dfc::Pushed);
    EXPECT_EQ(c.GetPixel(0, 0), ColorToRGB(cl3DDkShadow));
}

TEST(Colors, SystemColoursResolveAndPaletteFlagIsDropped) {
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(192, 192, 192));
    EXPECT_EQ(ColorToRGB(0x02000000 | clLime), clLime);
    EXPECT_EQ(static_cast<uint32_t>(clWindowText), 0x80000008u);
}

TEST(MemoryCanvas, OriginPushesMoveDrawingAndClipAndNest) {
    TMemoryCanvas c(40, 30, clWhite);
    c.Brush.Color = clRed;
    c.PushOrigin(10, 5);
    c.FillRect(Rect(0, 0, 2, 2)); // lands at (10, 5)
    EXPECT_EQ(c.GetPixel(0, 0), clRed);
    EXPECT_EQ(c.ClipRect(), Rect(-10, -5, 30, 25));
    c.PushClip(Rect(0, 0, 4, 4)); // in the moved coordinates: (10, 5)-(14, 9) of the bitmap
    c.PushOrigin(2, 2);
    EXPECT_EQ(c.ClipRect(), Rect(-2, -2, 2, 2));
    c.Brush.Color = clBlue;
    c.FillRect(Rect(0, 0, 10, 10)); // clipped to (12, 7)-(14, 9)
    c.SetPixel(-1, -1, clLime);     // (11, 6), inside the clip
    c.PopOrigin();
    c.PopClip();
    c.PopOrigin();
    EXPECT_EQ(c.ClipRect(), Rect(0, 0, 40, 30));
    const TBitmap& b = c.Bitmap();
    auto at = [&](int x, int y) { return TBitmap::FromPixel(b.Pixel(x, y)); };
    EXPECT_EQ(at(10, 5), clRed);
    EXPECT_EQ(at(11, 6), clLime);
    EXPECT_EQ(at(12, 7), clBlue);
    EXPECT_EQ(at(13, 8), clBlue);
    EXPECT_EQ(at(14, 9), clWhite); // outside the clip
    EXPECT_EQ(c.CountColor(Rect(0, 0, 40, 30), clBlue), 4);
    c.PopOrigin(); // more pops than pushes change nothing
    c.SetPixel(0, 0, clBlack);
    EXPECT_EQ(at(0, 0), clBlack);
}
