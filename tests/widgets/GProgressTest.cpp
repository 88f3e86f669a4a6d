#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/MemoryCanvas.h"
#include "widgets/GProgress.h"

namespace {

// A bar on a memory canvas of its own size; records what the host was asked to do.
class TestBar : public TGProgressCore {
public:
    TestBar(int w, int h) : canvas(w, h, clWhite), width(w), height(h) {}
    TMemoryCanvas canvas;
    int width, height;
    TColor color = clHighlight;
    bool visible = true;
    int invalidates = 0, repaints = 0;
    std::vector<std::string> messages;

    void FullPaint() { PaintBar(canvas, width, height); }

protected:
    TColor StartColor() const override { return color; }
    void InvalidateBar() override { ++invalidates; }
    void RepaintBarNow() override {
        ++repaints;
        if (visible) RepaintBar(canvas, width, height);
    }
    void ShowRangeMessage(const std::string& text) override { messages.push_back(text); }
};

// The main window's busy bar: 392 x 13, black background, lime to button face, Max 50.
void MakeBusyBar(TestBar& b) {
    b.SetBackgroundColor(clBlack);
    b.SetStep(1);
    b.SetMax(50);
    b.color = clLime;
}

} // namespace

TEST(GProgress, BlockFormulaFollowsPositionAndWidth) {
    struct Case {
        int width, min, max, position, last;
    } cases[] = {
        {392, 0, 50, 0, -1}, // (0 - 4) div 50 = 0, 0 div 10 = 0: loop runs for block 0
        {392, 0, 50, 1, 0},
        {392, 0, 50, 2, 1},
        {392, 0, 50, 25, 19},
        {392, 0, 50, 50, 39},
        {150, 0, 100, 100, 14},
        {150, 10, 20, 15, 7},
        // Max = Min and an inverted range draw nothing.
        {392, 5, 5, 5, -1},
        // Huge ranges do not overflow the product.
        {392, 0, 2147483647, 2147483647, 39},
        {392, 0, 2147483647, 1073741824, 19},
    };
    for (const auto& c : cases) {
        TestBar b(c.width, 13);
        b.SetMax(c.max);
        b.SetMin(c.min);
        b.SetPosition(c.position);
        int expected = c.last;
        if (c.position == 0 && c.max == 50) expected = 0; // (-4) div 50 truncates to 0
        EXPECT_EQ(b.LastBlock(c.width), expected) << c.width << " " << c.min << ".." << c.max << " @" << c.position;
    }
}

TEST(GProgress, PositionZeroDrawsOnlyBackgroundAndFrame) {
    TestBar b(392, 13);
    MakeBusyBar(b);
    b.FullPaint();
    // Background inside the frame, frame colours on the edges.
    EXPECT_EQ(b.canvas.CountColor(Rect(1, 1, 391, 12), clBlack), 390 * 11);
    EXPECT_EQ(b.canvas.CountColor(Rect(0, 0, 392, 1), clBtnShadow), 392);
    EXPECT_EQ(b.canvas.CountColor(Rect(0, 0, 1, 13), clBtnShadow), 13);
    EXPECT_EQ(b.canvas.CountColor(Rect(391, 1, 392, 13), clBtnHighlight), 12);
    EXPECT_EQ(b.canvas.CountColor(Rect(1, 12, 392, 13), clBtnHighlight), 391);
    EXPECT_FALSE(b.PartialPaint());
}

TEST(GProgress, PositionOneDrawsOneBlockFromTwoToTen) {
    TestBar b(392, 13);
    MakeBusyBar(b);
    b.FullPaint();
    b.SetPosition(1);
    // Block 0 has the start colour exactly: 8 wide, rows 2 to 10.
    EXPECT_EQ(b.canvas.CountColor(Rect(0, 0, 392, 13), clLime), 8 * 9);
    EXPECT_EQ(b.canvas.CountColor(Rect(2, 2, 10, 11), clLime), 8 * 9);
    EXPECT_EQ(b.canvas.GetPixel(10, 5), clBlack);
    EXPECT_EQ(b.canvas.GetPixel(1, 5), clBlack);
}

TEST(GProgress, GradientReachesColorEndOnBlock38And39) {
    TestBar b(392, 13);
    MakeBusyBar(b);
    b.SetColorEnd(RGBColor(200, 10, 90));
    b.SetPosition(50);
    EXPECT_EQ(b.BlockColor(39, 392), RGBColor(200, 10, 90));
    EXPECT_EQ(b.BlockColor(38, 392), RGBColor(200, 10, 90));
    // Block i of 38 steps: start + MulDiv(i, end - start, 38), rounded to nearest.
    EXPECT_EQ(b.BlockColor(0, 392), clLime);
    EXPECT_EQ(b.BlockColor(19, 392), RGBColor(100, 132, 45)); // 0+100, 255-122.5 -> 255-123, 0+45
    EXPECT_EQ(b.BlockColor(1, 392), RGBColor(5, 249, 2));     // 5.26->5, 255-6.45->6, 2.37->2
    // A system colour at the end is converted before the arithmetic.
    b.SetColorEnd(clBtnFace);
    EXPECT_EQ(b.BlockColor(38, 392), ColorToRGB(clBtnFace));
    EXPECT_EQ(b.BlockColor(39, 392), clBtnFace);
}

TEST(GProgress, FullBarPixelsAndClippedRightEdge) {
    TestBar b(392, 13);
    MakeBusyBar(b);
    b.SetPosition(50);
    b.FullPaint();
    // Block 38 spans 382..389; block 39 would start at 392, outside the bar.
    EXPECT_EQ(b.canvas.CountColor(Rect(382, 2, 390, 11), ColorToRGB(clBtnFace)), 8 * 9);
    EXPECT_EQ(b.canvas.GetPixel(390, 5), clBlack);
    EXPECT_EQ(b.canvas.GetPixel(391, 5), ColorToRGB(clBtnHighlight));
    // 39 blocks of 8 x 9 pixels in total.
    int blockPixels = 0;
    for (int i = 0; i <= 38; ++i) blockPixels += b.canvas.CountColor(b.BlockRect(i, 13), b.BlockColor(i, 392));
    EXPECT_EQ(blockPixels, 39 * 72);

    // Solid blocks run 10 wide without gaps; the last one is cut by the restored frame line.
    TestBar s(392, 13);
    MakeBusyBar(s);
    s.SetSolid(true);
    s.SetColorEnd(clRed);
    s.SetPosition(50);
    s.FullPaint();
    EXPECT_EQ(s.canvas.GetPixel(390, 5), clRed);
    EXPECT_EQ(s.canvas.GetPixel(391, 5), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(s.canvas.GetPixel(10, 5), s.BlockColor(1, 392));
    EXPECT_EQ(s.canvas.GetPixel(11, 5), s.BlockColor(1, 392));
}

TEST(GProgress, GradientBarOffPaintsEveryBlockInColor) {
    TestBar b(392, 13);
    MakeBusyBar(b);
    b.SetGradientBar(false);
    b.SetColorEnd(clRed);
    b.SetPosition(50);
    b.FullPaint();
    EXPECT_EQ(b.canvas.CountColor(Rect(0, 0, 392, 13), clLime), 39 * 72);
    EXPECT_EQ(b.canvas.CountColor(Rect(0, 0, 392, 13), clRed), 0);
}

TEST(GProgress, RisingPositionOnlyAddsBlocksFallingOneRepaintsAll) {
    TestBar b(392, 13);
    MakeBusyBar(b);
    b.FullPaint();
    b.SetPosition(10);
    EXPECT_TRUE(b.PartialPaint());
    // A partial repaint draws blocks over what is there: paint a marker in the background and
    // check it survives.
    b.canvas.SetPixel(300, 6, clRed);
    b.SetPosition(20);
    EXPECT_EQ(b.canvas.GetPixel(300, 6), clRed);
    EXPECT_EQ(b.LastPosition(), 20);

    int before = b.invalidates;
    b.SetPosition(5); // falls: invalidate only, no immediate drawing
    EXPECT_EQ(b.invalidates, before + 1);
    EXPECT_EQ(b.LastPosition(), 5);
    b.FullPaint();
    EXPECT_EQ(b.canvas.GetPixel(300, 6), clBlack);
    EXPECT_FALSE(b.PartialPaint());

    // Not visible: the immediate repaint draws nothing.
    b.visible = false;
    b.canvas.SetPixel(50, 6, clRed);
    b.SetPosition(50);
    EXPECT_EQ(b.canvas.GetPixel(50, 6), clRed);
}

TEST(GProgress, RangeRulesAndMessage) {
    TestBar b(392, 13);
    MakeBusyBar(b);
    b.SetPosition(60);
    EXPECT_EQ(b.Position(), 50);
    b.SetPosition(-3);
    EXPECT_EQ(b.Position(), 0);
    EXPECT_TRUE(b.messages.empty());

    b.SetPosition(40);
    int inv = b.invalidates;
    b.SetMax(30); // pulls Position down, which asks for a full repaint
    EXPECT_EQ(b.Max(), 30);
    EXPECT_EQ(b.Position(), 30);
    EXPECT_EQ(b.invalidates, inv + 1);

    b.SetMax(-1);
    b.SetMin(-1);
    b.SetStep(-1);
    ASSERT_EQ(b.messages.size(), 3u);
    for (const auto& m : b.messages) EXPECT_EQ(m, "Value must be between 0 and 2147483647");
    EXPECT_EQ(b.Max(), 30);
    EXPECT_EQ(b.Min(), 0);
    EXPECT_EQ(b.Step(), 1);

    b.SetMin(35); // above Position: Position follows (and is then held by Max)
    EXPECT_EQ(b.Min(), 35);
    EXPECT_EQ(b.Position(), 30);
    EXPECT_EQ(b.LastBlock(392), -1);
}

TEST(GProgress, NarrowBarsAndEmptyRangeNeverDivideByZero) {
    for (int w : {0, 1, 5, 9, 10, 15, 19, 20}) {
        TestBar b(w == 0 ? 1 : w, 13);
        b.color = clLime;
        b.SetColorEnd(clRed);
        b.SetPosition(100);
        b.PaintBar(b.canvas, w, 13);
        int last = b.LastBlock(w);
        for (int i = 0; i <= last; ++i) {
            TColor c = b.BlockColor(i, w);
            // The first block keeps the start colour, the block at W div 10 the end colour.
            if (i == w / 10) {
                EXPECT_EQ(c, clRed) << w;
            } else if (i == 0) {
                EXPECT_EQ(c, clLime) << w;
            }
        }
    }
    TestBar e(100, 13);
    e.SetMax(0); // Max = Min = 0
    e.SetPosition(0);
    e.FullPaint();
    EXPECT_EQ(e.LastBlock(100), -1);
    EXPECT_EQ(e.canvas.CountColor(Rect(1, 1, 99, 12), ColorToRGB(clBtnFace)), 98 * 11);
}

TEST(GProgress, TransparentKeepsBackgroundAndColorSettersInvalidate) {
    TestBar b(100, 13);
    int inv = b.invalidates;
    b.SetTransparent(true);
    b.SetFrameColor1(clRed);
    b.SetFrameColor2(clBlue);
    EXPECT_EQ(b.invalidates, inv + 3);
    b.canvas.SetPixel(50, 6, clYellow);
    b.FullPaint();
    EXPECT_EQ(b.canvas.GetPixel(50, 6), clYellow);
    EXPECT_EQ(b.canvas.GetPixel(0, 12), clRed);
    EXPECT_EQ(b.canvas.GetPixel(99, 0), clRed);
    EXPECT_EQ(b.canvas.GetPixel(99, 12), clBlue);
}
