#include <gtest/gtest.h>

#include "html/HtmlviewLogic.h"

using namespace htmlview;

namespace {
// The plug-in's viewer: no border, vertical bar only, margins 0.
TViewMetrics PluginViewer(int w, int h) {
    TViewMetrics m;
    m.Width = w, m.Height = h;
    m.MarginWidth = m.MarginHeight = 0;
    m.Border = false;
    m.ScrollBars = TScrollStyle::ssVertical;
    m.VBarWidth = 17, m.HBarHeight = 15;
    return m;
}
} // namespace

TEST(ViewerRules, PropertyClamps) {
    EXPECT_TRUE(MarginAccepted(0));
    EXPECT_TRUE(MarginAccepted(50));
    EXPECT_FALSE(MarginAccepted(60));
    EXPECT_FALSE(MarginAccepted(-1));
    EXPECT_EQ(ClampFontSize(5), 6);
    EXPECT_EQ(ClampFontSize(8), 8);
    EXPECT_EQ(ClampImageCacheCount(-3), 0);
    EXPECT_EQ(ClampImageCacheCount(21), 20);
    EXPECT_EQ(ClampVisitedMaxCount(-5), 0);
    EXPECT_EQ(NormalizeServerRoot("  C:\\www\\\\ "), "C:\\www\\");
    EXPECT_EQ(NormalizeServerRoot("C:\\www"), "C:\\www");
}

TEST(ViewerRules, LayoutWidthLeavesRoomForAnAllowedVerticalBarEvenWhenItDoesNotShow) {
    TViewMetrics m = PluginViewer(400, 300);
    EXPECT_EQ(LayoutWidth(m), 400 - 1 - 17);
    TScrollPlan p = PlanScrollBars(m, DocumentHeight(m, 40), 100);
    EXPECT_FALSE(p.ShowV);
    EXPECT_FALSE(p.ShowH);
    EXPECT_EQ(p.PanelWidth, 400);
    EXPECT_EQ(p.PanelHeight, 300);
    // With a border and both bars allowed: 2 margins, 3 for the frame, the bar.
    TViewMetrics b;
    b.Width = 300, b.Height = 200, b.VBarWidth = 16;
    EXPECT_EQ(LayoutWidth(b), 300 - 20 - 3 - 16);
    m.ScrollBars = TScrollStyle::ssNone;
    EXPECT_EQ(LayoutWidth(m), 399);
}

TEST(ViewerRules, DocumentHeightCountsTheSecondMarginOnlyWithAVerticalBar) {
    TViewMetrics m;
    m.MarginHeight = 5;
    EXPECT_EQ(DocumentHeight(m, 100), 110);
    m.ScrollBars = TScrollStyle::ssHorizontal;
    EXPECT_EQ(DocumentHeight(m, 100), 105);
}

TEST(ViewerRules, ScrollBarPlanAndRanges) {
    TViewMetrics m = PluginViewer(400, 300);
    // A tall page: the vertical bar shows, the panel loses its width, page = panel height + 1.
    TScrollPlan p = PlanScrollBars(m, 1000, 380);
    EXPECT_TRUE(p.ShowV);
    EXPECT_FALSE(p.ShowH); // not allowed
    EXPECT_EQ(p.PanelWidth, 383);
    EXPECT_EQ(p.PanelHeight, 300);
    EXPECT_EQ(p.VMax, 1000);
    EXPECT_EQ(p.VPage, 301);
    EXPECT_EQ(p.VLarge, 300 - 16);
    // The threshold: the document as tall as the control less 2 shows the bar.
    EXPECT_TRUE(PlanScrollBars(m, 298, 0).ShowV);
    EXPECT_FALSE(PlanScrollBars(m, 297, 0).ShowV);

    // Both allowed, a wide line: the horizontal bar shows and then takes height from the panel,
    // which can bring the vertical bar in as well.
    TViewMetrics b;
    b.Width = 300, b.Height = 200, b.MarginWidth = 10, b.VBarWidth = 16, b.HBarHeight = 16;
    TScrollPlan q = PlanScrollBars(b, 190, 500);
    EXPECT_TRUE(q.ShowH);
    EXPECT_TRUE(q.ShowV); // 190 >= 200 - 2 - 16
    EXPECT_EQ(q.PanelLeft, 1);
    EXPECT_EQ(q.PanelWidth, 300 - 2 - 16);
    EXPECT_EQ(q.PanelHeight, 200 - 2 - 16);
    EXPECT_EQ(q.HMax, 520);
    EXPECT_EQ(q.HLarge, q.PanelWidth - 20);
    // The widest line counts at most 2000 pixels.
    EXPECT_EQ(PlanScrollBars(b, 10, 5000).HMax, 2020);
    // A narrow document: the range is the visible width; large change never below 1.
    b.Width = 10;
    TScrollPlan r = PlanScrollBars(b, 10, 0);
    EXPECT_EQ(r.HLarge, 1);
}

TEST(ViewerRules, PositionClamping) {
    EXPECT_EQ(ClampVPos(-5, 1000, 300), 0);
    EXPECT_EQ(ClampVPos(900, 1000, 300), 700);
    EXPECT_EQ(ClampVPos(50, 200, 300), 0); // everything fits
    EXPECT_EQ(ClampHPos(400, 520, 282), 238);
    EXPECT_EQ(ClampHPos(10, 200, 282), 0);
    // A focused control: left alone when well inside, centred when above, below or near the bottom.
    EXPECT_EQ(PositionForFocusedControl(100, 300, 150, 20), 100);
    EXPECT_EQ(PositionForFocusedControl(100, 300, 370, 20), 370 + 10 - 150);
    EXPECT_EQ(PositionForFocusedControl(100, 300, 50, 20), 50 + 10 - 150);
    EXPECT_EQ(PositionForFocusedControl(100, 300, 500, 20), 500 + 10 - 150);
    EXPECT_EQ(AutoScrollStep(1), 16);
    EXPECT_EQ(AutoScrollStep(15), 16);
    EXPECT_EQ(AutoScrollStep(16), 128);
}

TEST(ViewerRules, ReadingPositionSurvivesARelayout) {
    std::vector<int> before{0, 40, 100, 180};
    TReadingPos rp = FindReadingPos(before, 130);
    EXPECT_EQ(rp.Section, 2);
    EXPECT_EQ(rp.Offset, 30);
    // Narrower: sections grow taller; the same section stays at the top with the same offset.
    std::vector<int> after{0, 70, 190, 330};
    EXPECT_EQ(RestoreReadingPos(after, rp), 220);
    EXPECT_EQ(RestoreReadingPos({}, rp), 0);
    EXPECT_EQ(FindReadingPos({}, 10).Section, -1);
}

TEST(ViewerRules, MetaRefreshContent) {
    int delay = -1;
    std::string url;
    ASSERT_TRUE(ParseMetaRefresh("0; URL=next.htm", delay, url));
    EXPECT_EQ(delay, 1);
    EXPECT_EQ(url, "next.htm");
    ASSERT_TRUE(ParseMetaRefresh("15;url=Other.HTM", delay, url));
    EXPECT_EQ(delay, 15);
    EXPECT_EQ(url, "Other.HTM");
    ASSERT_TRUE(ParseMetaRefresh(" 7 ", delay, url));
    EXPECT_EQ(delay, 7);
    EXPECT_EQ(url, "");
    EXPECT_FALSE(ParseMetaRefresh("-1; url=x", delay, url));
    EXPECT_FALSE(ParseMetaRefresh("soon; url=x", delay, url));
    EXPECT_FALSE(ParseMetaRefresh("", delay, url));
    EXPECT_FALSE(ParseMetaRefresh("99999999999", delay, url));
}

TEST(ViewerRules, FileNamesFromLinks) {
    EXPECT_EQ(HtmlToDos(" my%20page.htm "), "my page.htm");
    // Decoding stops at a '%' without two hexadecimal digits, and never starts at position 0.
    EXPECT_EQ(HtmlToDos("a%41%zz%41"), "aA%zz%41");
    EXPECT_EQ(HtmlToDos("%41b%42"), "%41b%42");
    EXPECT_EQ(HtmlToDos("ab%4"), "ab%4");
    EXPECT_EQ(HtmlToDos("file:///C|/pages/a.htm"), "C:\\pages\\a.htm");
    EXPECT_EQ(HtmlToDos("file://server/share/a.htm"), "server\\share\\a.htm");
    EXPECT_EQ(HtmlToDos("sub/b.htm"), "sub\\b.htm");

    EXPECT_EQ(LinkToFileName("b.htm", "", "", "C:\\site\\a.htm"), "C:\\site\\b.htm");
    EXPECT_EQ(LinkToFileName("sub/b.htm", "", "", "C:\\site\\a.htm"), "C:\\site\\sub\\b.htm");
    EXPECT_EQ(LinkToFileName("D:\\x\\b.htm", "", "", "C:\\site\\a.htm"), "D:\\x\\b.htm");
    EXPECT_EQ(LinkToFileName("\\\\srv\\s\\b.htm", "", "", "C:\\site\\a.htm"), "\\\\srv\\s\\b.htm");
    EXPECT_EQ(LinkToFileName("\\top.htm", "C:\\root", "", "C:\\site\\a.htm"), "C:\\root\\top.htm");
    EXPECT_EQ(LinkToFileName("b.htm", "", "E:\\base\\", "C:\\site\\a.htm"), "E:\\base\\b.htm");
    // A rooted name without a server root stays on the current file's drive.
    EXPECT_EQ(LinkToFileName("\\top.htm", "", "", "C:\\site\\a.htm"), "C:\\top.htm");
    EXPECT_EQ(LinkToFileName("b.htm", "", "DosPath", "C:\\site\\a.htm"), "C:\\site\\b.htm");

    std::string name, anchor;
    SplitAnchor("page.htm#Part2", name, anchor);
    EXPECT_EQ(name, "page.htm");
    EXPECT_EQ(anchor, "Part2");
    SplitAnchor("#top", name, anchor);
    EXPECT_EQ(name, "");
    EXPECT_EQ(anchor, "top");
    EXPECT_TRUE(IsHtmlExt(UpperExt("C:\\a\\b.Html")));
    EXPECT_TRUE(IsImageExt(UpperExt("pic.gif")));
    EXPECT_FALSE(IsHtmlExt(UpperExt("Artist.cfm")));
}

TEST(ViewerRules, VisitedListMovesToFrontAndCuts) {
    TVisitedList v;
    v.SetMaxCount(3);
    EXPECT_TRUE(v.Add("a.htm"));
    EXPECT_TRUE(v.Add("b.htm"));
    EXPECT_FALSE(v.Add("B.HTM")); // already first: nothing changes
    EXPECT_TRUE(v.Add("c.htm"));
    EXPECT_FALSE(v.Add("a.htm")); // known: moves to the front, nothing new to mark
    EXPECT_EQ(v.Items(), (std::vector<std::string>{"a.htm", "c.htm", "b.htm"}));
    EXPECT_TRUE(v.Add("d.htm"));
    EXPECT_EQ(v.Items(), (std::vector<std::string>{"d.htm", "a.htm", "c.htm"}));
    EXPECT_TRUE(v.Contains("C.htm"));
    EXPECT_FALSE(v.Contains("b.htm"));
    EXPECT_TRUE(v.SetMaxCount(0));
    EXPECT_TRUE(v.Items().empty());
    EXPECT_FALSE(v.Add("e.htm")); // a length of 0 records nothing
    EXPECT_TRUE(v.Items().empty());
}

TEST(ViewerRules, HistoryEntersThePreviousPageAndDropsTheForwardOnes) {
    THistory h;
    THistoryEntry a{"C:\\a.htm", "A", 0, TLoadKind::lkHtml}, b{"C:\\b.htm", "B", 0, TLoadKind::lkHtml},
        c{"C:\\c.htm", "C", 0, TLoadKind::lkHtml};
    // No length: nothing is recorded.
    EXPECT_FALSE(h.PageLoaded(a, b));
    h.SetMaxCount(10);
    // No previous file (a buffer load, or the first page): nothing.
    EXPECT_FALSE(h.PageLoaded(THistoryEntry{}, a));
    // The same page again at the same place: nothing.
    EXPECT_FALSE(h.PageLoaded(a, a));
    THistoryEntry aScrolled = a;
    aScrolled.Position = 120;
    ASSERT_TRUE(h.PageLoaded(aScrolled, b));
    ASSERT_EQ(h.Count(), 2);
    EXPECT_EQ(h[0], b);
    EXPECT_EQ(h[1], aScrolled);
    ASSERT_TRUE(h.PageLoaded(b, c));
    EXPECT_EQ(h.Count(), 3);
    // Back to entry 2 (a), then a new page: the entries in front of a are dropped.
    h.SetIndex(2);
    ASSERT_TRUE(h.PageLoaded(a, b));
    ASSERT_EQ(h.Count(), 2);
    EXPECT_EQ(h.Index(), 0);
    EXPECT_EQ(h[0], b);
    EXPECT_EQ(h[1], a);
    // Cut to the length; lowering the length clears; a negative one is ignored.
    h.SetMaxCount(2);
    EXPECT_EQ(h.Count(), 0);
    EXPECT_FALSE(h.SetMaxCount(-1));
    EXPECT_EQ(h.MaxCount(), 2);
    h.PageLoaded(a, b);
    h.PageLoaded(b, c);
    EXPECT_EQ(h.Count(), 2);
    EXPECT_EQ(h[0], c);
    EXPECT_EQ(h[1], b);
    // A different load kind of the same file counts as a new page.
    THistoryEntry cText = c;
    cText.Kind = TLoadKind::lkText;
    EXPECT_TRUE(h.PageLoaded(c, cText));
}

TEST(ViewerRules, WordSelection) {
    int b = 0, e = 0;
    std::string line = "Caf\xE9 Noir, 1998 x\xD7y";
    WordAround(line, 1, b, e);
    EXPECT_EQ(line.substr(static_cast<size_t>(b), static_cast<size_t>(e - b)), "Caf\xE9");
    WordAround(line, 7, b, e);
    EXPECT_EQ(line.substr(static_cast<size_t>(b), static_cast<size_t>(e - b)), "Noir");
    WordAround(line, 12, b, e);
    EXPECT_EQ(line.substr(static_cast<size_t>(b), static_cast<size_t>(e - b)), "1998");
    // 215 (multiplication sign) separates words.
    WordAround(line, 16, b, e);
    EXPECT_EQ(line.substr(static_cast<size_t>(b), static_cast<size_t>(e - b)), "x");
    WordAround(line, 4, b, e); // the space
    EXPECT_EQ(b, e);
    WordAround(line, 99, b, e);
    EXPECT_EQ(b, e);
    EXPECT_FALSE(IsWordChar(247));
    EXPECT_FALSE(IsWordChar(255));
    EXPECT_TRUE(IsWordChar(192));
}
