// Tables: layout dumps of the reviewed cases in tests/data/html/tables (the plug-in's 8-point
// text on the fixed-metric canvas, 400 pixels wide), attribute limits, the column limit, colours
// and borders as painted, and hit tests, search and selection inside cells.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "HtmlTestUtil.h"

namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

ThtmlTable* FirstTable(TTestDoc& d) {
    ThtmlTable* t = nullptr;
    d.List.Walk([&](TSectionBase& b) {
        t = dynamic_cast<ThtmlTable*>(&b);
        return t == nullptr;
    });
    return t;
}

} // namespace

TEST(Tables, LayoutDumpsMatchTheReviewedCases) {
    // On a difference the dump as laid out now is left beside the test (<name>.layout.actual).
    const char* const cases[] = {
        "border",        // BORDER: a border and a spacing of 4
        "clamps",        // CELLPADDING=80 gives 50, CELLSPACING=-3 keeps 2
        "td-before-tr",  // a cell before any row opens one
        "colspan",       // COLSPAN=3 in a two-column table: a third column, empty in the other rows
        "colspan-share", // a spanning cell wider than its columns: shared by their widths, nothing lost
        "rowspan",       // ROWSPAN=5 over three rows spans three
        "text-outside",  // text between TR and TD goes above the table
        "wide-cell",     // a word wider than the page: the table grows past it
        "colours",       // the cell's, the row's, the table's, then the enclosing cell's colour
        "percent-pixel-width",
        "percent-no-width",
        "percent-excess",
        "percent-colspan",
        "pixel-mode",
        "nested",      // a nested table, a bottom caption, centring and VALIGN=bottom
        "float",       // a floating table: text beside it, CLEAR below it
        "right",       // WIDTH=50% ALIGN=right
        "101-columns", // removed, layout goes on
    };
    const std::string dir = std::string(QV_TEST_DATA) + "/html/tables/";
    for (const char* name : cases) {
        TTestDoc d(8);
        d.List.OnLayoutError = [](const std::string&) {};
        d.Parse(ReadFile(dir + name + ".htm"));
        d.Layout(400);
        std::string dump = DumpLayout(d), golden = ReadFile(dir + name + ".layout");
        ASSERT_FALSE(golden.empty()) << name;
        EXPECT_EQ(dump, golden) << name;
        if (dump != golden) std::ofstream(std::string(name) + ".layout.actual", std::ios::binary) << dump;
    }
}

TEST(Tables, AttributesAreClampedOrIgnored) {
    const struct {
        const char* html;
        bool border;
        int padding, spacing, width, hspace;
        bool percent, floats;
        THAlign justify;
    } cases[] = {
        {"<TABLE BORDER>", true, 1, 4, 0, 5, false, false, THAlign::Left},
        {"<TABLE BORDER=0 CELLSPACING=0>", false, 1, 1, 0, 5, false, false, THAlign::Left},
        {"<TABLE BORDER=3 CELLSPACING=0>", true, 1, 2, 0, 5, false, false, THAlign::Left},
        {"<TABLE CELLPADDING=80 CELLSPACING=-3>", false, 50, 2, 0, 5, false, false, THAlign::Left},
        {"<TABLE CELLPADDING=-1 CELLSPACING=99>", false, 1, 40, 0, 5, false, false, THAlign::Left},
        {"<TABLE WIDTH=150% ALIGN=Center>", false, 1, 2, 1000, 5, true, false, THAlign::Center},
        {"<TABLE WIDTH=0 ALIGN=RIGHT HSPACE=-50>", false, 1, 2, 0, 20, false, true, THAlign::Right},
        {"<CENTER><TABLE WIDTH=320 ALIGN=bogus HSPACE=7>", false, 1, 2, 320, 7, false, false, THAlign::Center},
    };
    for (auto& c : cases) {
        TTestDoc d;
        d.Parse(std::string(c.html) + "<TR><TD>x</TABLE>");
        ThtmlTable* t = FirstTable(d);
        ASSERT_NE(t, nullptr) << c.html;
        EXPECT_EQ(t->Border, c.border) << c.html;
        EXPECT_EQ(t->CellPadding, c.padding) << c.html;
        EXPECT_EQ(t->CellSpacing, c.spacing) << c.html;
        EXPECT_EQ(t->SpecWd, c.width) << c.html;
        EXPECT_EQ(t->WidthPercent, c.percent) << c.html;
        EXPECT_EQ(t->HSpace, c.hspace) << c.html;
        EXPECT_EQ(t->Float, c.floats) << c.html;
        EXPECT_EQ(t->Justify, c.justify) << c.html;
    }
    // Cells: spans only above 1; VALIGN from the cell, else the row, else middle.
    TTestDoc d;
    d.Parse("<TABLE><TR VALIGN=bottom ALIGN=right><TD COLSPAN=0 ROWSPAN=-2 WIDTH=40% HEIGHT=30>a"
            "<TD VALIGN=baseline ALIGN=center WIDTH=77>b<TR><TD>c<TH>d</TABLE>");
    ThtmlTable* t = FirstTable(d);
    ASSERT_NE(t, nullptr);
    TCellObj& a = *t->Rows[0]->Cells[0];
    EXPECT_EQ(a.ColSpan, 1);
    EXPECT_EQ(a.RowSpan, 1);
    EXPECT_EQ(a.SpecWd, 400);
    EXPECT_TRUE(a.WidthPercent);
    EXPECT_EQ(a.SpecHt, 30);
    EXPECT_EQ(a.VAlign, TVAlign::Bottom);
    EXPECT_EQ(d.Find("a")->Justify, THAlign::Right);
    TCellObj& b = *t->Rows[0]->Cells[1];
    EXPECT_EQ(b.VAlign, TVAlign::Top);
    EXPECT_TRUE(b.PixelWidth());
    EXPECT_EQ(d.Find("b")->Justify, THAlign::Center);
    EXPECT_EQ(t->Rows[1]->Cells[0]->VAlign, TVAlign::Middle);
    EXPECT_EQ(d.Find("c")->Justify, THAlign::Left);
    EXPECT_EQ(d.Find("d")->Justify, THAlign::Center);
    EXPECT_TRUE(d.Find("d")->Fonts[0].Font().Style & fsBold);
}

TEST(Tables, CellsRestoreFontsStylesAndEndLinks) {
    TTestDoc d;
    d.Parse("<B>bold<TABLE><TR><TD><FONT SIZE=7><I>big<A HREF=u>link<TD>next</TABLE>after</B>");
    TSection* next = d.Find("next");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Fonts[0].Font().NominalSize, 12);
    EXPECT_FALSE(next->Fonts[0].Font().Style & fsItalic);
    EXPECT_FALSE(next->Fonts[0].Font().Style & fsBold); // TD turns bold off
    EXPECT_TRUE(next->Fonts[0].UrlTarget().Empty());
    TSection* after = d.Find("after");
    EXPECT_TRUE(after->Fonts[0].Font().Style & fsBold); // the style from before the table is back
    EXPECT_TRUE(after->Fonts[0].UrlTarget().Empty());
    ASSERT_EQ(d.List.LinkList.size(), 1u);
}

TEST(Tables, TooManyColumnsRemovesTheTableWithItsMessageAndLayoutGoesOn) {
    std::string row;
    for (int i = 0; i < 101; ++i) row += "<TD>" + std::to_string(i);
    const std::string pages[] = {"before<TABLE><TR>" + row + "</TABLE>after",
                                 "before<TABLE><TR><TD>outer<TABLE><TR>" + row + "</TABLE>kept</TABLE>after",
                                 "before<TABLE><TR><TD COLSPAN=101>wide</TABLE>after"};
    for (const std::string& html : pages) {
        TTestDoc d;
        std::vector<std::string> messages;
        d.List.OnLayoutError = [&](const std::string& m) { messages.push_back(m); };
        d.Parse(html);
        d.Layout(400);
        ASSERT_EQ(messages.size(), 1u) << html;
        EXPECT_EQ(messages[0], "Table has too many Columns");
        EXPECT_EQ(d.Find("10"), nullptr) << html; // the wide table is gone
        if (html.find("kept") != std::string::npos) {
            EXPECT_NE(d.Find("kept"), nullptr); // the table that held it stays
        } else {
            EXPECT_EQ(d.Find("after")->Top, d.Find("before")->Top + 20);
        }
        d.Layout(300); // and stays gone, without a second message
        EXPECT_EQ(messages.size(), 1u);
    }
    TTestDoc ok;
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "<TD>" + std::to_string(i);
    ok.List.OnLayoutError = [](const std::string& m) { FAIL() << m; };
    ok.Parse("<TABLE><TR>" + hundred + "</TABLE>");
    ok.Layout(400);
    EXPECT_EQ(FirstTable(ok)->NumCols, 100);
}

TEST(Tables, ColoursAndBordersAsPainted) {
    TTestDoc d;
    d.Parse("<TABLE BGCOLOR=red BORDER CELLPADDING=4><TR BGCOLOR=lime><TD BGCOLOR=blue>own</TD><TD>row</TD></TR>"
            "<TR><TD>table</TD><TD>x</TD></TR></TABLE>"
            "<TABLE BORDERCOLOR=navy CELLSPACING=6><TR><TD BGCOLOR=yellow>a</TD><TD>b</TD></TR></TABLE>");
    d.Layout(400);
    TMemoryCanvas c(400, 200);
    d.List.Draw(c, Rect(0, 0, 400, 200), 0, 0);
    ThtmlTable* t = FirstTable(d);
    auto inside = [&](int r, int col) {
        const TRect& b = t->Rows[r]->Cells[col]->Box;
        return TPoint{b.Right - 2, b.Bottom - 2};
    };
    EXPECT_EQ(c.GetPixel(inside(0, 0).x, inside(0, 0).y), clBlue);
    EXPECT_EQ(c.GetPixel(inside(0, 1).x, inside(0, 1).y), clLime);
    EXPECT_EQ(c.GetPixel(inside(1, 0).x, inside(1, 0).y), clRed);
    // Sunken cell frames just outside each cell, a raised frame round the grid (silver on white).
    const TRect& b = t->Rows[0]->Cells[0]->Box;
    EXPECT_EQ(c.GetPixel(b.Left - 1, b.Top + 3), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c.GetPixel(b.Right, b.Top + 3), clSilver);
    EXPECT_EQ(c.GetPixel(t->GridX, t->Top + 5), clSilver);
    EXPECT_EQ(c.GetPixel(t->GridX + t->GridWidth - 1, t->Top + 5), ColorToRGB(clBtnShadow));
    // Between cells: the page shows (no border colour).
    EXPECT_EQ(c.GetPixel(b.Right + 2, b.Top + 3), clWhite);
    // BORDERCOLOR fills the spacing; a cell without colour keeps the page's.
    auto* t2 = dynamic_cast<ThtmlTable*>(d.At(1));
    ASSERT_NE(t2, nullptr);
    const TRect& y = t2->Rows[0]->Cells[0]->Box;
    const TRect& n = t2->Rows[0]->Cells[1]->Box;
    EXPECT_EQ(c.GetPixel(y.Left - 3, y.Top + 2), clNavy);
    EXPECT_EQ(c.GetPixel(y.Right + 3, y.Top + 2), clNavy);
    EXPECT_EQ(c.GetPixel(y.Left + 1, y.Bottom - 1), clYellow);
    EXPECT_EQ(c.GetPixel(n.Right - 1, n.Bottom - 1), clWhite);
}

TEST(Tables, LinksTextAndSelectionInsideCells) {
    TTestDoc d;
    d.Parse("top<TABLE BORDER><TR><TD>Artist</TD><TD><A HREF=\"rate.cfm?id=7\">Rate it</A></TD></TR>"
            "<TR><TD><A NAME=inner>Second</A></TD><TD>row</TD></TR></TABLE>end");
    d.Layout(400);
    TSection* link = d.Find("Rate it");
    ASSERT_NE(link, nullptr);
    const LineRec& l = link->Lines[0];
    TUrlTarget url;
    ASSERT_NE(d.List.GetURL(l.LineX + 3, l.Y + 3, url), nullptr);
    EXPECT_EQ(url.Url, "rate.cfm?id=7");
    EXPECT_EQ(d.List.GetURL(l.LineX - 6, l.Y + 3, url), nullptr);
    // Character indices run through the cells in order; the point of each is inside its cell.
    TSection* second = d.Find("Second");
    EXPECT_EQ(d.List.PositionAt(second->Lines[0].LineX + 1, second->Lines[0].Y + 2), second->StartPos);
    TPoint p;
    ASSERT_TRUE(d.List.PointOf(second->StartPos + 2, p));
    EXPECT_EQ(p, (TPoint{second->Lines[0].LineX + 16, second->Lines[0].Y}));
    EXPECT_EQ(d.List.FindText(0, "row", true), d.Find("row")->StartPos);
    EXPECT_EQ(d.List.TextSectionAt(second->StartPos + 1), second);
    d.List.SelB = d.Find("Artist")->StartPos + 3;
    d.List.SelE = d.Find("row")->StartPos + 2;
    EXPECT_EQ(d.List.GetSelectedText(), "ist\r\nRate it\r\nSecond\r\nro");
    // The anchor names the section inside the cell.
    auto* anchor = dynamic_cast<TSectionBase*>(d.Names.Objects(d.Names.IndexOf("INNER")));
    EXPECT_EQ(anchor, second);
    EXPECT_TRUE(d.List.Contains(anchor));
}

TEST(Tables, AnyClipPaintsWhatAFullPaintPaints) {
    TTestDoc d;
    std::string rows;
    for (int i = 0; i < 30; ++i)
        rows += "<TR" + std::string(i % 3 == 0 ? " BGCOLOR=silver" : "") + "><TD ROWSPAN=" + (i % 7 == 0 ? "2" : "1") + ">" +
                std::to_string(i) + "</TD><TD><A HREF=a>track " + std::to_string(i) + "</A></TD><TD>9." + std::to_string(i % 10) +
                "</TD></TR>";
    d.Parse("<TABLE BORDER WIDTH=90%><CAPTION>Tracks</CAPTION>" + rows + "</TABLE>");
    d.Layout(300);
    d.List.SelB = 30, d.List.SelE = 90;
    TMemoryCanvas full(300, d.DocHeight + 10);
    d.List.Draw(full, Rect(0, 0, 300, d.DocHeight + 10), 0, 0);
    for (int scroll : {0, 9, 37, 200}) {
        TMemoryCanvas part(300, 120);
        d.List.Draw(part, Rect(0, 11, 300, 97), 0, -scroll);
        for (int y = 11; y < 97; y += 3)
            for (int x = 0; x < 300; x += 2)
                ASSERT_EQ(part.GetPixel(x, y), full.GetPixel(x, y + scroll)) << scroll << " " << x << "," << y;
    }
}

TEST(Tables, HostilePagesStayWithinTheirLimits) {
    // Deep nesting, spans past the table, thousands of columns: all laid out, painted and hit
    // without a fault, within the nesting and column limits.
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += "<TABLE><TR><TD>" + std::to_string(i);
    std::string wide = "<TABLE><TR>";
    for (int i = 0; i < 3000; ++i) wide += "<TD COLSPAN=9 ROWSPAN=99999>";
    const std::string pages[] = {
        deep, wide, "<TABLE><TR><TD ROWSPAN=2147483647 COLSPAN=2147483647>x<TR><TD>y</TABLE>",
        "<TABLE WIDTH=100%><TR><TD WIDTH=100%>a<TD WIDTH=100%>b<TD>c<TR><TD COLSPAN=3 WIDTH=1%>d</TABLE>",
        "<TABLE><CAPTION>only a caption</TABLE><TABLE></TABLE><TABLE><TR></TR></TABLE>"};
    for (const std::string& html : pages) {
        TTestDoc d;
        d.List.OnLayoutError = [](const std::string&) {};
        d.Parse(html);
        for (int width : {400, 5}) {
            d.Layout(width);
            TMemoryCanvas c(100, 100);
            d.List.Draw(c, Rect(0, 0, 100, 100), 0, 0);
            TUrlTarget url;
            d.List.GetURL(3, 3, url);
            d.List.PositionAt(3, 3);
        }
        d.List.Walk([](TSectionBase& b) {
            if (auto* t = dynamic_cast<ThtmlTable*>(&b)) { EXPECT_LE(t->NumCols, ThtmlTable::MaxColumns); }
            return true;
        });
    }
}

TEST(Tables, EveryLinkOfTheServicePageIsFoundAtItsOwnPoint) {
    TTestDoc d(8);
    d.Parse(ReadFile(std::string(QV_TEST_DATA) + "/html/service-tracks.htm"));
    d.Layout(564);
    ASSERT_EQ(d.List.LinkList.size(), 7u);
    for (TFontObj* run : d.List.LinkList) {
        TPoint p;
        ASSERT_TRUE(d.List.PointOf(run->Section->StartPos + run->Pos, p)) << run->UrlTarget().Url;
        TUrlTarget url;
        EXPECT_EQ(d.List.GetURL(p.x + 2, p.y + 4, url), run) << run->UrlTarget().Url << " at " << p.x << "," << p.y;
        EXPECT_EQ(d.List.PositionAt(p.x + 1, p.y + 4), run->Section->StartPos + run->Pos) << run->UrlTarget().Url;
    }
}

namespace {

// A section that counts how often layout asks for its widths and moves it.
struct TCountingSection : TSectionBase {
    int *Measures, *Moves;
    TCountingSection(TSectionList* doc, int* measures, int* moves) : TSectionBase(doc), Measures(measures), Moves(moves) {}
    void MeasureWidths(TLayoutContext&, int& minW, int& maxW) override {
        ++*Measures;
        minW = maxW = 10;
    }
    void ShiftY(int dy) override {
        ++*Moves;
        TSectionBase::ShiftY(dy);
    }
};

// How often one layout measures and moves a section that sits inside `depth` nested tables, each
// holding `cell` in its one row (the section's own cell is the last).
std::pair<int, int> MeasuresAtDepth(int depth, const std::string& cell = "<TD>x") {
    std::string html;
    for (int i = 0; i < depth; ++i) html += "<TABLE BORDER><TR>" + cell;
    TTestDoc d(8);
    d.Parse(html);
    ThtmlTable* inner = nullptr;
    d.List.Walk([&](TSectionBase& b) {
        if (auto* t = dynamic_cast<ThtmlTable*>(&b)) inner = t;
        return true;
    });
    int measures = 0, moves = 0;
    inner->Rows.at(0)->Cells.back()->Cell.Sections.push_back(std::make_unique<TCountingSection>(&d.List, &measures, &moves));
    d.Layout(500);
    measures = moves = 0;
    d.Layout(400); // a second layout measures again: nothing is kept from the first
    return {measures, moves};
}

} // namespace

TEST(Tables, NestedTablesAreMeasuredAndPlacedOncePerLayout) {
    // The table around a nested one measures it for its columns, and the nested table then lays
    // itself out: what is inside is measured once in that layout, however deep it sits. Without
    // row spans cells are laid out in place; with them, each level moves its cells once.
    for (int depth : {1, 2, 40}) {
        auto [measures, moves] = MeasuresAtDepth(depth);
        EXPECT_EQ(measures, 1) << "depth " << depth;
        EXPECT_EQ(moves, 0) << "depth " << depth;
    }
    auto [measures, moves] = MeasuresAtDepth(5, "<TD ROWSPAN=2>a<TD>x</TR><TR><TD>b");
    EXPECT_EQ(measures, 1);
    EXPECT_EQ(moves, 5);
}
