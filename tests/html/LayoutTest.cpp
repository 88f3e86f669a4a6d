// Layout, drawing and hit tests on the memory canvas. Its fixed metrics: a font of Height -e has
// characters (e + 1) / 2 pixels wide (one more when bold), ascent e and descent e / 4. With the
// normal size 12 the base font is 12 points = 16 pixels: 8-pixel characters, lines 20 high.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "HtmlTestUtil.h"

namespace {
std::vector<std::pair<int, int>> LineStarts(const TSection* s) {
    std::vector<std::pair<int, int>> v;
    for (auto& l : s->Lines) v.push_back({l.Start, l.Ln});
    return v;
}
} // namespace

TEST(Layout, LineFittingAndBreaking) {
    using Lines = std::vector<std::pair<int, int>>;
    const struct {
        int width;
        Lines lines;
    } cases[] = {
        {200, {{0, 14}}},
        {80, {{0, 10}, {10, 4}}},        // "aaaa bbbb" and its space fit exactly
        {79, {{0, 10}, {10, 4}}},        // the word fits, the space goes with it
        {71, {{0, 5}, {5, 5}, {10, 4}}}, // break after the last space
        {8, {{0, 5}, {5, 5}, {10, 4}}},  // a word per line, overflowing
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse("aaaa bbbb cccc");
        d.Layout(c.width);
        TSection* s = d.Find("aaaa");
        EXPECT_EQ(LineStarts(s), c.lines) << c.width;
        for (size_t i = 0; i < s->Lines.size(); ++i) EXPECT_EQ(s->Lines[i].Y, 20 * static_cast<int>(i)) << c.width;
        EXPECT_EQ(s->Height, 20 * static_cast<int>(c.lines.size()));
    }
}

TEST(Layout, LongWordOverflowsInsteadOfSplitting) {
    TTestDoc d;
    d.Parse("short averyveryveryverylongwordthatoverflows end");
    d.Layout(100);
    TSection* s = d.Find("short");
    ASSERT_EQ(s->Lines.size(), 3u);
    EXPECT_EQ(s->Lines[1].Start, 6);
    EXPECT_EQ(s->Lines[1].Ln, 39); // the 38-character word and its trailing space
    EXPECT_EQ(s->Lines[1].TextWidth, 38 * 8);
    EXPECT_EQ(d.MaxWidth, 38 * 8);
}

TEST(Layout, ParagraphAndHeadingSpacesWithSmallFonts) {
    TTestDoc d(8); // normal text 8 points: 11-pixel characters height, 6 wide, lines 13 high
    d.Parse("a<P>b<H1>Head</H1>c");
    d.Layout(400);
    EXPECT_EQ(d.Kinds(), "TSTHTHT");
    EXPECT_EQ(d.At(1)->Height, 9); // 14 x 8 / 12, rounded
    EXPECT_EQ(d.Find("b")->Top, 13 + 9);
    TSection* head = d.Find("Head");
    EXPECT_EQ(head->Fonts[0].Font().Size(), 16);
    EXPECT_EQ(d.At(3)->Height, 11);  // heading space 16 x 8 / 12
    EXPECT_EQ(head->Height, 21 + 5); // 16 points = 21 pixels, descent 5
    EXPECT_EQ(d.Find("c")->Top, head->Top + head->Height + 11);
}

TEST(Layout, TwoBreaksGiveAnEmptyLineOfFontHeight) {
    TTestDoc d;
    d.Parse("text<BR><BR>more");
    d.Layout(400);
    ASSERT_EQ(d.Count(), 3);
    EXPECT_EQ(d.At(1)->Height, 20);
    EXPECT_EQ(d.Find("more")->Top, 40);
    EXPECT_EQ(d.DocHeight, 60);
}

TEST(Layout, JustificationPlacesLines) {
    TTestDoc d;
    d.Parse("<P ALIGN=center>abc <P ALIGN=right>abc<P>abc");
    d.Layout(400);
    EXPECT_EQ(d.Find("abc ")->Lines[0].LineX, (400 - 24) / 2); // the trailing space is not counted
    EXPECT_EQ(d.As<TSection>(3)->Lines[0].LineX, 400 - 24 - 1);
    EXPECT_EQ(d.As<TSection>(5)->Lines[0].LineX, 0);
}

TEST(Layout, PreformattedLinesDoNotWrap) {
    TTestDoc d;
    d.Parse("<PRE>" + std::string(100, 'x') + " y</PRE>");
    d.Layout(100);
    TSection* s = d.Find("xxx");
    ASSERT_EQ(s->Lines.size(), 1u);
    EXPECT_EQ(s->Lines[0].Ln, 102);
    EXPECT_EQ(s->Lines[0].LineHt, 13 + 3); // 10 points: 13 pixels and descent 3
}

TEST(Layout, HorizontalRules) {
    const struct {
        const char* html;
        TRect rule;
        int height;
    } cases[] = {
        {"<HR>", Rect(10, 9, 390, 11), 20},
        {"<HR WIDTH=50% ALIGN=left>", Rect(0, 9, 200, 11), 20},
        {"<HR WIDTH=100 ALIGN=right>", Rect(300, 9, 400, 11), 20},
        {"<HR WIDTH=100>", Rect(150, 9, 250, 11), 20},
        {"<HR SIZE=30>", Rect(10, 9, 390, 11), 20},
        {"<HR SIZE=6>", Rect(10, 9, 390, 15), 24},
        {"<HR WIDTH=150%>", Rect(10 - 10, 9, 400, 11), 20},
        {"<UL><LI>x<HR></UL>", Rect(45, 20 + 9, 390, 20 + 11), 20},
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(c.html);
        d.Layout(400);
        THorzLine* hr = nullptr;
        for (int i = 0; i < d.Count() && !hr; ++i) hr = d.As<THorzLine>(i);
        ASSERT_NE(hr, nullptr) << c.html;
        EXPECT_EQ(hr->RuleRect(), c.rule) << c.html;
        EXPECT_EQ(hr->Height, c.height) << c.html;
    }
}

TEST(Layout, RuleDrawing) {
    TTestDoc d;
    d.Parse("<HR SIZE=4 NOSHADE><HR COLOR=red SIZE=3><HR>");
    d.Layout(400);
    d.List.Draw(d.Canvas, Rect(0, 0, 400, 600), 0, 0);
    // NOSHADE: black frame; COLOR: a filled red bar; plain on white: shadow top, silver bottom.
    EXPECT_EQ(d.Canvas.GetPixel(100, 9), clBlack);
    EXPECT_EQ(d.Canvas.GetPixel(100, 12), clBlack);
    EXPECT_EQ(d.Canvas.GetPixel(100, 8), clWhite);
    EXPECT_EQ(d.Canvas.GetPixel(100, 22 + 9), clRed);
    EXPECT_EQ(d.Canvas.CountColor(Rect(10, 22 + 9, 390, 22 + 12), clRed), 380 * 3);
    EXPECT_EQ(d.Canvas.GetPixel(100, 43 + 9), ColorToRGB(clBtnShadow));
    EXPECT_EQ(d.Canvas.GetPixel(100, 43 + 10), clSilver);
}

TEST(Layout, SuperscriptIsSmallerAndRaised) {
    TTestDoc d;
    d.Parse("x<SUP>2</SUP>y<SUB>3</SUB>");
    d.Layout(400);
    TSection* s = d.Find("x2y3");
    ASSERT_NE(s, nullptr);
    TFontObj& sup = s->Fonts.At(1);
    EXPECT_EQ(sup.SScript, TScript::Super);
    EXPECT_EQ(sup.Info()->Font.Size(), 9); // three quarters of 12 points
    EXPECT_EQ(sup.Font().Size(), 12);
    EXPECT_EQ(s->Lines[0].LineHt, 20);
    d.List.Draw(d.Canvas, Rect(0, 0, 400, 100), 0, 0);
    // Baseline 16. Normal glyph "x": rows 4..15. Superscript (ascent 12, line 15): top 16 - 12 - 5
    // = -1, glyph rows 2..10. Subscript (descent 3): top 16 - 12 + 2 = 6, glyph rows 9..17.
    EXPECT_EQ(d.Canvas.GetPixel(2, 4), clBlack);
    EXPECT_EQ(d.Canvas.GetPixel(2, 3), clWhite);
    EXPECT_EQ(d.Canvas.GetPixel(9, 2), clBlack);
    EXPECT_EQ(d.Canvas.GetPixel(9, 11), clWhite);
    int subX = 8 + 6 + 8 + 1;
    EXPECT_EQ(d.Canvas.GetPixel(subX, 17), clBlack);
    EXPECT_EQ(d.Canvas.GetPixel(subX, 8), clWhite);
}

TEST(Layout, LeftFloatPushesLinesUntilItsBottomAndClearMovesBelow) {
    std::string words;
    for (int i = 0; i < 40; ++i) words += "word ";
    TTestDoc d;
    d.Parse("<IMG SRC=a.gif ALIGN=left WIDTH=50 HEIGHT=60>" + words);
    d.Layout(300);
    TSection* s = d.Find("word");
    ASSERT_GE(s->Lines.size(), 5u);
    EXPECT_EQ(s->Images[0]->DrawX, 0);
    EXPECT_EQ(s->Images[0]->DrawY, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s->Lines[i].Y, 20 * i);
        EXPECT_EQ(s->Lines[i].LineX, 55) << i; // image width + HSPACE 5
    }
    EXPECT_EQ(s->Lines[3].Y, 60);
    EXPECT_EQ(s->Lines[3].LineX, 0);
    EXPECT_EQ(s->Lines[0].Ln, 1 + 30); // the image and six words beside it
    EXPECT_EQ(s->Lines[3].Ln, 35);     // seven words on the full width

    TTestDoc c;
    c.Parse("<IMG SRC=a.gif ALIGN=left WIDTH=50 HEIGHT=60>short<BR>beside<BR CLEAR=left>below");
    c.Layout(300);
    EXPECT_EQ(c.Find("beside")->Lines[0].LineX, 55);
    TSection* below = c.Find("below");
    EXPECT_EQ(below->Top, 40);
    ASSERT_EQ(below->Lines.size(), 2u);
    EXPECT_EQ(below->Lines[1].Y, 60);
    EXPECT_EQ(below->Lines[1].LineX, 0);
    EXPECT_EQ(c.DocHeight, 80);

    TTestDoc only;
    only.Parse("<IMG ALIGN=right WIDTH=50 HEIGHT=60>x");
    only.Layout(300);
    EXPECT_EQ(only.DocHeight, 60); // the float hangs below the text
    EXPECT_EQ(only.Find("x")->Images[0]->DrawX, 250);
}

TEST(Layout, ImagePlaceholderSizes) {
    const struct {
        const char* html;
        int width, height;
    } cases[] = {
        {"<IMG SRC=a.gif ALT=Logo>", 4 * 6 + 2 + 24, 24}, // Arial 8: 6-pixel characters
        {"<IMG SRC=a.gif>", 26, 24},
        {"<IMG SRC=a.gif WIDTH=40 HEIGHT=30>", 40, 30},
        {"<IMG SRC=a.gif WIDTH=50%>", 200, 24},
        {"<A HREF=x><IMG SRC=a.gif WIDTH=40 HEIGHT=30></A>", 42, 32},
        {"<A HREF=x><IMG SRC=a.gif WIDTH=40 HEIGHT=30 BORDER=0></A>", 40, 30},
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(c.html);
        d.Layout(400);
        TSection* s = d.As<TSection>(0);
        ASSERT_EQ(s->Images.size(), 1u) << c.html;
        EXPECT_EQ(s->Images[0]->Width, c.width) << c.html;
        EXPECT_EQ(s->Images[0]->Height, c.height) << c.html;
    }
}

TEST(Layout, InlineImageRaisesItsLine) {
    TTestDoc d;
    d.Parse("a<IMG WIDTH=10 HEIGHT=40>b<IMG WIDTH=10 HEIGHT=40 ALIGN=top>");
    d.Layout(400);
    const LineRec& l = d.As<TSection>(0)->Lines[0];
    EXPECT_EQ(l.SpaceBefore, 40 + 4 - 20); // bottom-aligned: its bottom on the baseline
    EXPECT_EQ(l.SpaceAfter, 40 - 20);      // top-aligned
    EXPECT_EQ(l.Total(), 24 + 20 + 20);
    EXPECT_EQ(l.TextWidth, 8 + 20 + 8 + 20); // each image with HSPACE 5 on both sides
}

TEST(Layout, ListIndentsAndMarkers) {
    TTestDoc d;
    d.Parse("<UL><LI>one<UL><LI>two</UL></UL><OL TYPE=A START=26><LI>z<LI>after</OL>");
    d.Layout(400);
    EXPECT_EQ(d.Find("one")->Lines[0].LineX, 35);
    EXPECT_EQ(d.Find("two")->Lines[0].LineX, 70);
    EXPECT_EQ(d.Find("z")->Lines[0].LineX, 35);
    d.List.Draw(d.Canvas, Rect(0, 0, 400, 200), 0, 0);
    // Bullets: navy at level 1, maroon at level 2, centred 8 pixels left of the indent.
    EXPECT_EQ(d.Canvas.GetPixel(27, 10), clNavy);
    EXPECT_EQ(d.Canvas.GetPixel(62, 30), clMaroon);
    // "Z." ends 5 pixels left of the indent: x 14 to 30 on the third line.
    EXPECT_EQ(d.Canvas.GetPixel(15, 40 + 10), clBlack);
    EXPECT_EQ(d.Canvas.GetPixel(31, 40 + 10), clWhite);
    EXPECT_EQ(d.As<TOListItem>(3)->MarkerText(), "Z."); // item 27 stays at Z

    TTestDoc dark;
    dark.Settings.Background = clBlack;
    dark.Settings.FontColor = clLime;
    dark.Parse("<UL><LI>one</UL>");
    dark.Layout(400);
    TMemoryCanvas canvas(400, 100, clBlack);
    dark.List.Draw(canvas, Rect(0, 0, 400, 100), 0, 0);
    EXPECT_EQ(canvas.GetPixel(27, 10), clBlack); // an open circle in the text colour
    EXPECT_GT(canvas.CountColor(Rect(24, 7, 31, 14), clLime), 0);
}

TEST(Layout, SelectionIsDrawnInvertedAndCopied) {
    TTestDoc d;
    d.Parse("abc def<P>ghi");
    d.Layout(400);
    TSection* first = d.Find("abc");
    TSection* last = d.Find("ghi");
    d.List.SelB = first->StartPos + 1;
    d.List.SelE = last->StartPos + 2;
    d.List.Draw(d.Canvas, Rect(0, 0, 400, 100), 0, 0);
    EXPECT_EQ(d.Canvas.GetPixel(1, 10), clBlack); // "a": black glyph on white
    EXPECT_EQ(d.Canvas.GetPixel(1, 1), clWhite);
    EXPECT_EQ(d.Canvas.GetPixel(9, 1), clBlack);  // "b": the cell filled with the text colour
    EXPECT_EQ(d.Canvas.GetPixel(9, 10), clWhite); // and the glyph in the background colour
    EXPECT_EQ(d.List.GetSelectedText(), "bc def\r\ngh");
}

TEST(Layout, UnderlineStopsAtTheLastCharacterOfTheLine) {
    // "link " ends its line: the underline covers the four letters, also when right-aligned.
    const struct {
        const char* html;
        int left;
    } cases[] = {
        {"<A HREF=u>link </A><BR>x", 0},
        {"<P ALIGN=right><A HREF=u>link </A><BR>x", 400 - 32 - 1},
        {"<A HREF=u>link </A>x", 0}, // the blank inside the line keeps its underline
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Settings.LinkColor = clBlue;
        d.Parse(c.html);
        d.Layout(400);
        d.List.Draw(d.Canvas, Rect(0, 0, 800, 600), 0, 0);
        TSection* s = d.Find("link");
        ASSERT_NE(s, nullptr) << c.html;
        const int row = s->Lines[0].Baseline(); // the memory canvas underlines at the ascent
        const int width = s->Buff == "link " ? 32 : 40;
        EXPECT_EQ(d.Canvas.CountColor(Rect(0, row, 800, row + 1), clBlue), width) << c.html;
        EXPECT_EQ(d.Canvas.GetPixel(c.left, row), clBlue) << c.html;
    }
    // A selected blank at the line end still shows inverted.
    TTestDoc d;
    d.Parse("word <BR>x");
    d.Layout(400);
    d.List.SelB = 0, d.List.SelE = 5;
    d.List.Draw(d.Canvas, Rect(0, 0, 400, 600), 0, 0);
    EXPECT_EQ(d.Canvas.GetPixel(32 + 4, 10), clBlack);
}

TEST(Layout, HitTestsAndSearch) {
    TTestDoc d;
    d.Settings.LinkColor = clBlue;
    d.Settings.HoverColor = clRed;
    d.Settings.HoverEnabled = true;
    d.Parse("<A HREF=u.htm>link</A> text");
    d.Layout(400);
    TUrlTarget url;
    EXPECT_NE(d.List.GetURL(10, 5, url), nullptr);
    EXPECT_EQ(url.Url, "u.htm");
    EXPECT_EQ(d.List.GetURL(60, 5, url), nullptr);
    EXPECT_EQ(d.List.GetURL(10, 25, url), nullptr);

    EXPECT_EQ(d.List.PositionAt(11, 5), 1);
    EXPECT_EQ(d.List.PositionAt(12, 5), 2); // nearer the right side of "i"
    EXPECT_EQ(d.List.PositionAt(399, 5), 9);
    TPoint p;
    ASSERT_TRUE(d.List.PointOf(2, p));
    EXPECT_EQ(p, (TPoint{16, 0}));
    char c = 0;
    ASSERT_TRUE(d.List.CharAt(5, c));
    EXPECT_EQ(c, 't');
    EXPECT_EQ(d.List.FindText(0, "TEXT", false), 5);
    EXPECT_EQ(d.List.FindText(0, "TEXT", true), -1);
    EXPECT_EQ(d.List.FindText(6, "t", true), 8);

    // Hover colouring follows the mouse.
    TFontObj& run = d.Find("link")->Fonts[0];
    EXPECT_TRUE(d.List.UpdateHover(10, 5));
    EXPECT_EQ(run.Color(d.List.Colors()), clRed);
    EXPECT_FALSE(d.List.UpdateHover(12, 5));
    EXPECT_TRUE(d.List.UpdateHover(200, 5));
    EXPECT_EQ(run.Color(d.List.Colors()), clBlue);
    d.List.CheckVisitedLinks([](const std::string& u) { return u == "u.htm"; });
    EXPECT_EQ(run.Color(d.List.Colors()), clPurple);
}

TEST(Layout, PointOfASectionsFirstCharacterIsInThatSection) {
    TTestDoc d;
    d.Parse("ab<P>cd<BR>ef");
    d.Layout(400);
    TSection* cd = d.Find("cd");
    TSection* ef = d.Find("ef");
    ASSERT_EQ(cd->StartPos, 2);
    TPoint p;
    // Index 2 ends "ab" and starts "cd"; index 4 ends "cd" and starts "ef".
    ASSERT_TRUE(d.List.PointOf(cd->StartPos, p));
    EXPECT_EQ(p, (TPoint{0, cd->Top}));
    ASSERT_TRUE(d.List.PointOf(ef->StartPos, p));
    EXPECT_EQ(p, (TPoint{0, ef->Top}));
    // The document's end is still the end of its last line.
    ASSERT_TRUE(d.List.PointOf(ef->StartPos + 2, p));
    EXPECT_EQ(p, (TPoint{16, ef->Top}));
}

TEST(Layout, RefreshFontsRescalesEveryRun) {
    TTestDoc d;
    d.Parse("a<FONT SIZE=5>b</FONT><TT>c</TT><HR>");
    d.Settings.FontSize = 24;
    d.Settings.FontName = "Arial";
    d.List.RefreshFonts();
    TSection* s = d.Find("abc");
    EXPECT_EQ(s->Fonts[0].Font().Size(), 24);
    EXPECT_EQ(s->Fonts[1].Font().Size(), 36);
    EXPECT_EQ(s->Fonts[0].Font().Name, "Arial");
    EXPECT_EQ(s->Fonts[2].Font().Name, "Courier New");
    EXPECT_EQ(s->Fonts[2].Font().Size(), 20);
    EXPECT_EQ(d.As<THorzLine>(1)->Height, 40);
}

TEST(Layout, WidthsForTables) {
    TTestDoc d;
    d.Parse("<UL><LI>ab abcdef a</UL><PRE>" + std::string(100, 'x') + "</PRE>");
    int minW = 0, maxW = 0;
    d.Widths(0, minW, maxW);
    EXPECT_EQ(minW, 6 * 8 + 35);
    EXPECT_EQ(maxW, 11 * 8 + 35);
    d.Widths(1, minW, maxW);
    EXPECT_EQ(maxW, 100 * 7);
    EXPECT_EQ(minW, 500);
}

TEST(Layout, SamplePageGolden) {
    // The recommendation-style sample page at the plug-in's settings (8-point text), 400 wide,
    // against the reviewed dump in tests/data. On a difference the dump as laid out now is left in
    // the working directory (recommendations.layout.actual) for review; the test never writes its
    // own expectation.
    std::ifstream in(std::string(QV_TEST_DATA) + "/html/recommendations.htm", std::ios::binary);
    std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(html.empty());
    TTestDoc d(8);
    d.Parse(html);
    d.Layout(400);
    EXPECT_EQ(d.Info.Title, "Your Quavory Recommendations");
    std::string dump = DumpLayout(d);
    std::ifstream g(std::string(QV_TEST_DATA) + "/html/recommendations.layout", std::ios::binary);
    std::string golden((std::istreambuf_iterator<char>(g)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(dump, golden);
    if (dump != golden) std::ofstream("recommendations.layout.actual", std::ios::binary) << dump;
}

TEST(Layout, ImagePlaceholderDrawing) {
    TTestDoc d;
    d.Settings.LinkColor = clBlue;
    d.Parse("<IMG SRC=a.gif ALT=Logo ALIGN=top><A HREF=x><IMG SRC=b.gif WIDTH=30 HEIGHT=30 ALIGN=top></A>");
    d.Layout(400);
    d.List.Draw(d.Canvas, Rect(0, 0, 400, 100), 0, 0);
    // First box at x 5 (HSPACE), 50 x 24: sunken frame, the picture at +4, "Logo" from +24.
    EXPECT_EQ(d.Canvas.GetPixel(5, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(d.Canvas.GetPixel(5 + 49, 23), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(d.Canvas.GetPixel(5 + 4, 4), clGray); // the picture's own frame
    EXPECT_EQ(d.Canvas.GetPixel(5 + 3, 3), clWhite);
    EXPECT_GT(d.Canvas.CountColor(Rect(5 + 24, 4, 5 + 49, 23), clBlack), 0); // the ALT text
    // Second box, in a link: 32 x 32 with a frame in the link colour.
    int x2 = 5 + 50 + 5 + 5;
    EXPECT_EQ(d.Canvas.GetPixel(x2, 0), clBlue);
    EXPECT_EQ(d.Canvas.GetPixel(x2 + 31, 31), clBlue);
    TUrlTarget url;
    EXPECT_NE(d.List.GetURL(x2 + 10, 10, url), nullptr);
    EXPECT_EQ(url.Url, "x");
    EXPECT_EQ(d.List.ImageAt(x2 + 10, 10), d.Find("\4")->Images[1].get());
}

TEST(Layout, ImageMapsAndIsMap) {
    TTestDoc d;
    d.Parse("<MAP NAME=nav><AREA SHAPE=rect COORDS=\"0,0,9,9\" HREF=r.htm>"
            "<AREA SHAPE=circle COORDS=\"30,10,5\" HREF=c.htm TARGET=f>"
            "<AREA SHAPE=poly COORDS=\"0,20 20,20 0,39\" HREF=p.htm><AREA SHAPE=rect COORDS=\"0,0,99,99\" NOHREF></MAP>"
            "<IMG SRC=m.gif USEMAP=\"#NAV\" WIDTH=100 HEIGHT=40 HSPACE=0 ALIGN=top><BR>"
            "<A HREF=go.cgi><IMG SRC=i.gif ISMAP WIDTH=50 HEIGHT=30 HSPACE=0 ALIGN=top></A>");
    d.Layout(400);
    const struct {
        int x, y;
        const char* url;
    } cases[] = {
        {9, 9, "r.htm"},   {10, 10, ""},
        {30, 10, "c.htm"}, {35, 10, "c.htm"},
        {36, 10, ""},      {2, 22, "p.htm"},
        {0, 38, "p.htm"},  {18, 37, ""},
        {90, 5, ""},       {1 + 5, 40 + 1 + 7, "go.cgi?5,7"}, // the ISMAP image sits on the second line, inside its border
    };
    for (auto& c : cases) {
        TUrlTarget url;
        TFontObj* hit = d.List.GetURL(c.x, c.y, url);
        EXPECT_EQ(url.Url, c.url) << c.x << "," << c.y;
        EXPECT_EQ(hit != nullptr, *c.url != 0) << c.x << "," << c.y;
    }
    TUrlTarget url;
    d.List.GetURL(30, 10, url);
    EXPECT_EQ(url.Target, "f");
}
