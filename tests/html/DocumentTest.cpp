// The document's contracts beyond single layout rules: the cost of laying out long and
// float-heavy input (counted in characters measured, not in time), painting through any clip at
// any scroll offset, settings that show at once, anchors and images that survive the parse, font
// sizes on the scale, and form controls placed after layout rather than while painting.
#include <gtest/gtest.h>

#include "HtmlTestUtil.h"

namespace {

// A memory canvas that counts what is measured through it.
class TCountingCanvas : public TMemoryCanvas {
public:
    using TMemoryCanvas::TMemoryCanvas;
    TSize TextExtent(const std::string& text) override {
        if (!drawing_) {
            ++Calls;
            Chars += static_cast<long long>(text.size());
        }
        return TMemoryCanvas::TextExtent(text);
    }
    // Drawing text measures it inside the memory canvas; that is not the caller measuring.
    void TextOut(int x, int y, const std::string& text) override {
        drawing_ = true;
        TMemoryCanvas::TextOut(x, y, text);
        drawing_ = false;
    }
    long long Calls = 0, Chars = 0;

private:
    bool drawing_ = false;
};

std::string Words(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i % 3 == 0 ? "listener " : i % 3 == 1 ? "rating " : "a ");
    return s;
}

// Rows top..bottom of a canvas, as pixel values.
std::vector<uint32_t> Rows(const TMemoryCanvas& c, int top, int bottom) {
    std::vector<uint32_t> v;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < c.Width(); ++x) v.push_back(c.Bitmap().Pixel(x, y));
    return v;
}

} // namespace

TEST(DocumentCost, LayoutMeasuresEachFontOnceWhateverTheTextLength) {
    // Long paragraphs and long preformatted lines: what layout measures does not grow with the
    // text, and a second layout (a resize) measures nothing new.
    const std::string cases[] = {
        "<P>" + Words(20000),
        "<PRE>" + std::string(100000, 'x') + "</PRE>",
        "<P>" + std::string(5000, ' ') + Words(100) + "&amp; &lt; &copy; " + Words(5000),
        "<B>" + Words(3000) + "</B><I>" + Words(3000) + "</I><A HREF=u>" + Words(3000) + "</A>",
    };
    for (const std::string& html : cases) {
        TTestDoc d;
        d.Parse(html);
        TCountingCanvas canvas(10, 10);
        int maxWidth = 0;
        d.List.DoLayout(canvas, 300, maxWidth);
        const long long first = canvas.Chars;
        EXPECT_LE(first, 256 * 4) << html.substr(0, 20);
        d.List.DoLayout(canvas, 170, maxWidth);
        EXPECT_EQ(canvas.Chars, first) << html.substr(0, 20);
    }
}

TEST(DocumentCost, PaintingAndHitTestsMeasureNothing) {
    TTestDoc d;
    d.Parse("<A HREF=a.htm>link</A> " + Words(300) + "<UL><LI>item<LI>" + Words(50) + "</UL><PRE>pre line</PRE>");
    d.Layout(300);
    TCountingCanvas canvas(300, 400);
    d.List.Draw(canvas, Rect(0, 0, 300, 400), 0, -40);
    TUrlTarget url;
    for (int y = 0; y < d.DocHeight; y += 7) {
        d.List.GetURL(y % 300, y, url);
        d.List.PositionAt(y % 300, y);
    }
    EXPECT_EQ(canvas.Calls, 0);
    EXPECT_GT(canvas.CountColor(Rect(0, 0, 300, 400), clBlack), 0);
}

TEST(DocumentCost, ManyFloatsAndDroppedLinkSectionsKeepTheirMeaning) {
    // The bookkeeping that made these quadratic (a section scanning its text at each blank, a
    // dropped section scanning the link list) is now kept as it goes; the results stay the same.
    std::string floats = "<P>";
    for (int i = 0; i < 2000; ++i) floats += "<IMG ALIGN=left WIDTH=10 HEIGHT=10> ";
    TTestDoc f;
    f.Parse(floats + "text");
    TSection* s = f.Find("text");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Len(), 2000 + 4); // the blanks between floats at the start are dropped
    EXPECT_EQ(s->Buff.substr(2000), "text");
    f.Layout(300);
    EXPECT_EQ(s->Images[1]->DrawX, 15);
    EXPECT_EQ(s->Images[1999]->DrawX, 1999 * 15);

    std::string links = "<A HREF=u>";
    for (int i = 0; i < 3000; ++i) links += "x<H1></H1>";
    TTestDoc l;
    l.Parse(links + "end</A>");
    int texts = 0;
    for (auto& sec : l.List.Sections)
        if (auto* t = dynamic_cast<TSection*>(sec.get())) texts += t->Buff == "x" ? 1 : 0;
    EXPECT_EQ(texts, 3000);
    ASSERT_EQ(l.List.LinkList.size(), 3001u); // one run per kept section; none of a dropped one
    for (TFontObj* run : l.List.LinkList) EXPECT_TRUE(l.List.Contains(run->Section));
}

TEST(DocumentPaint, AnyClipAtAnyScrollOffsetPaintsWhatAFullPaintPaints) {
    // Bands that cut through lines, images and sections, at scroll offsets that do too.
    TTestDoc d;
    d.Parse("<H2>Heading</H2><IMG ALIGN=left WIDTH=40 HEIGHT=90 ALT=f>" + Words(60) +
            "<UL><LI>one<LI><A HREF=x>two</A></UL><IMG WIDTH=30 HEIGHT=50 ALIGN=middle> middle<HR><PRE>  pre</PRE>" + Words(30));
    d.Layout(300);
    d.List.SelB = 20, d.List.SelE = 70;
    TMemoryCanvas full(300, d.DocHeight + 20);
    d.List.Draw(full, Rect(0, 0, 300, d.DocHeight + 20), 0, 0);
    for (int scroll : {0, 7, 21, 45, 101}) {
        for (auto band : {std::pair{0, 33}, std::pair{13, 14}, std::pair{50, 120}, std::pair{3, 200}}) {
            TMemoryCanvas part(300, 220);
            d.List.Draw(part, Rect(0, band.first, 300, band.second), 0, -scroll);
            EXPECT_EQ(Rows(part, band.first, band.second), Rows(full, band.first + scroll, band.second + scroll))
                << "scroll " << scroll << " band " << band.first;
            EXPECT_EQ(part.CountColor(Rect(0, 0, 300, band.first), clWhite), 300 * band.first); // nothing outside
        }
    }
}

TEST(DocumentPaint, AFloatIsDrawnWhileItsBoxIsInView) {
    TTestDoc d;
    d.Parse("<IMG ALIGN=left WIDTH=60 HEIGHT=200 ALT=x>first line<BR>second");
    d.Layout(300);
    TMemoryCanvas c(300, 100);
    d.List.Draw(c, Rect(0, 0, 300, 100), 0, -21); // the float's line is above the view
    // The sunken frame's left edge runs down the whole view.
    EXPECT_EQ(c.GetPixel(0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c.GetPixel(0, 99), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c.GetPixel(59, 50), ColorToRGB(clBtnHighlight));
}

TEST(DocumentPaint, CentredAndRightAlignedPreformattedLinesStayInReach) {
    const struct {
        const char* html;
        int x;
    } cases[] = {
        {"<CENTER><PRE>x</PRE></CENTER>", (400 - 7) / 2},       // centred in the view, not in its no-wrap width
        {"<DIV ALIGN=right><PRE>xx</PRE></DIV>", 400 - 14 - 1}, // right-aligned
        {"<CENTER><PRE>yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy</PRE></CENTER>",
         0}, // wider than the view
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(c.html);
        d.Layout(400);
        TSection* s = nullptr;
        for (int i = 0; i < d.Count() && !s; ++i)
            if (auto* p = d.As<TPreFormated>(i); p && p->Buff.find_first_not_of(' ') != std::string::npos) s = p;
        ASSERT_NE(s, nullptr) << c.html;
        EXPECT_EQ(s->Lines[0].LineX, c.x) << c.html;
    }
}

TEST(DocumentPaint, ChangedSettingsShowAtTheNextPaint) {
    // Default text and link colours, and the link style, change after the load without a new
    // layout (the viewer refreshes fonts and repaints).
    TTestDoc d;
    d.Parse("<A HREF=u>link</A> text");
    d.Layout(300);
    TSection* s = d.Find("link");
    const int row = s->Lines[0].Baseline(); // the memory canvas underlines at the ascent
    TMemoryCanvas before(300, 40);
    d.List.Draw(before, Rect(0, 0, 300, 40), 0, 0);
    EXPECT_EQ(before.CountColor(Rect(0, row, 32, row + 1), clBlue), 32);
    EXPECT_GT(before.CountColor(Rect(40, 0, 80, 20), clBlack), 0);

    d.Settings.FontColor = clMaroon;
    d.Settings.LinkColor = clGreen;
    d.Settings.LinkStyle = 0;
    d.List.RefreshFonts();
    TMemoryCanvas after(300, 40);
    d.List.Draw(after, Rect(0, 0, 300, 40), 0, 0);
    EXPECT_EQ(after.CountColor(Rect(0, 0, 300, 40), clBlack), 0);
    EXPECT_GT(after.CountColor(Rect(40, 0, 80, 20), clMaroon), 0);
    EXPECT_GT(after.CountColor(Rect(0, 0, 32, 20), clGreen), 0);
    EXPECT_LT(after.CountColor(Rect(0, row, 32, row + 1), clGreen), 32); // no underline now
    EXPECT_EQ(after.CountColor(Rect(0, 0, 300, 40), clBlue), 0);

    // A page's own colour stays through a change of the default.
    TTestDoc p;
    p.Parse("<BODY TEXT=red>words");
    p.Layout(300);
    p.Settings.FontColor = clMaroon;
    p.List.RefreshFonts();
    TMemoryCanvas c(300, 40);
    p.List.Draw(c, Rect(0, 0, 300, 40), 0, 0);
    EXPECT_GT(c.CountColor(Rect(0, 0, 300, 40), clRed), 0);
    EXPECT_EQ(c.CountColor(Rect(0, 0, 300, 40), clMaroon), 0);
}

TEST(DocumentParse, AnAnchorBeforeBodyStaysInTheDocument) {
    TTestDoc d;
    d.Parse("<A NAME=top></A><BODY BGCOLOR=black>text<A NAME=end></A>");
    EXPECT_EQ(d.List.Background(), clBlack | PaletteFlag);
    ASSERT_EQ(d.Names.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        auto* s = dynamic_cast<TSectionBase*>(d.Names.Objects(i));
        EXPECT_TRUE(d.List.Contains(s)) << d.Names[i];
    }
    d.Layout(300);
    EXPECT_EQ(dynamic_cast<TSectionBase*>(d.Names.Objects(d.Names.IndexOf("TOP")))->Top, 0);
}

TEST(DocumentLayout, PercentImagesFollowTheWidthTheyAreGiven) {
    TTestDoc d;
    d.Parse("<IMG SRC=a.gif WIDTH=50%>");
    int minW = 0, maxW = 0;
    d.Widths(0, minW, maxW); // measured first, as a table does
    EXPECT_EQ(minW, 0);
    d.Layout(400);
    EXPECT_EQ(d.As<TSection>(0)->Images[0]->Width, 200);
    d.Layout(300);
    EXPECT_EQ(d.As<TSection>(0)->Images[0]->Width, 150);
}

TEST(DocumentLayout, FontSizesAreRoundedOnTheScale) {
    // nominal x default / 12, rounded: at the plug-in's size 8, nominal 10 is 6.67 points.
    const struct {
        const char* html;
        int points;
    } cases[] = {
        {"<PRE>x</PRE>", 7},          {"<TT>x</TT>", 7},  {"<H5>x</H5>", 7}, {"<FONT SIZE=2>x</FONT>", 7},
        {"<FONT SIZE=1>x</FONT>", 5}, {"<H1>x</H1>", 16}, {"x", 8},          {"<FONT SIZE=7>x</FONT>", 24},
    };
    for (auto& c : cases) {
        TTestDoc d(8);
        d.Parse(c.html);
        TSection* s = d.Find("x");
        ASSERT_NE(s, nullptr) << c.html;
        EXPECT_EQ(s->Fonts.At(static_cast<int>(s->Buff.find('x'))).Font().Size(), c.points) << c.html;
        d.List.RefreshFonts();
        EXPECT_EQ(s->Fonts.At(static_cast<int>(s->Buff.find('x'))).Font().Size(), c.points) << c.html << " refreshed";
    }
}

TEST(DocumentLayout, RunsShareOneEntryPerFont) {
    // Each font is kept once per document: runs of the same font share it, a run whose font
    // differs in anything (size on the scale, style, colour, fixed pitch) has its own, and a
    // refresh gives every run the settings' font again without touching what other runs share.
    TTestDoc d(8);
    d.Parse("<TABLE><TR><TD>a<B>b</B></TD><TD>c<B>d</B></TD><TD><FONT COLOR=red>e</FONT><TT>f</TT></TD></TR></TABLE>");
    auto run = [&](char c) -> const TFontObj& {
        TSection* s = d.Find(std::string(1, c));
        return s->Fonts.At(static_cast<int>(s->Buff.find(c)));
    };
    EXPECT_EQ(&run('a').Font(), &run('c').Font());
    EXPECT_EQ(&run('b').Font(), &run('d').Font());
    EXPECT_NE(&run('a').Font(), &run('b').Font());
    EXPECT_NE(&run('a').Font(), &run('e').Font());
    EXPECT_NE(&run('a').Font(), &run('f').Font());
    EXPECT_EQ(d.List.FontTable.Count(), 4);
    EXPECT_TRUE(run('b').Font().Style & fsBold);
    EXPECT_EQ(run('e').Font().Color, clRed | PaletteFlag);
    d.Settings.FontSize = 12;
    d.List.RefreshFonts();
    EXPECT_EQ(run('a').Font().Size(), 12);
    EXPECT_EQ(run('f').Font().Size(), 10);
    EXPECT_TRUE(run('d').Font().Style & fsBold);
    EXPECT_EQ(&run('a').Font(), &run('e').Font()); // the colour follows the settings after a refresh
    d.List.Clear();
    EXPECT_EQ(d.List.FontTable.Count(), 0);
}

TEST(DocumentControls, ControlsArePlacedAfterLayoutNotWhilePainting) {
    TTestDoc d;
    d.Parse("before <INPUT SIZE=5> after");
    TSection* s = d.Find("before");
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(d.List.AllControls().size(), 1u);
    TFormControlObj* box = d.List.AllControls()[0];
    auto* w = static_cast<TMemoryFormWidget*>(box->WindowControl());
    d.Layout(400);
    EXPECT_TRUE(box->LaidOut);
    EXPECT_EQ(box->DocX, 7 * 8);
    EXPECT_EQ(box->Width(), 5 * 7 + 5); // five characters of the 10-point face, and 5
    const LineRec& line = s->Lines[0];
    EXPECT_EQ(box->DocY + box->Height(), line.Y + line.SpaceBefore + line.LineHt);
    const int moves = w->Moves;
    d.List.Draw(d.Canvas, Rect(0, 0, 400, 100), 0, -5);
    EXPECT_EQ(w->Moves, moves);
    d.List.PlaceControls(10, -5, 100);
    EXPECT_EQ(w->Bounds().Left, 7 * 8 + 10);
    EXPECT_EQ(w->Bounds().Top, box->DocY - 5);
    EXPECT_TRUE(w->Visible());
    d.List.Clear(); // the document's forms go with it, and with them the control
    EXPECT_TRUE(d.List.Forms.empty());
    EXPECT_TRUE(d.List.AllControls().empty());
}
