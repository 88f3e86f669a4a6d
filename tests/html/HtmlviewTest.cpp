// The viewer control under Wine, set up as the plug-in sets it up: Tahoma 8, lime on black, no
// border, vertical bar only, margins 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "html/Htmlview.h"
#include "html/HtmlsubsTables.h"
#include "ViewerFixture.h"
#include "support/MessageBoxWatcher.h"
#include "support/Screenshots.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/SysUtils.h"

namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempDir() {
    char buf[MAX_PATH];
    GetTempPathA(sizeof buf, buf);
    return buf;
}

void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream out(name, std::ios::binary);
    out << text;
}

// A page of `n` numbered paragraphs, with an anchor before paragraph `anchorAt`.
std::string LongPage(int n, int anchorAt = -1) {
    std::string s = "<HTML><BODY>";
    for (int i = 0; i < n; ++i) {
        s += "<P>";
        if (i == anchorAt) s += "<A NAME=\"Part2\"></A>";
        s += "Paragraph " + IntToStr(i) + " with some words that fill a line of the viewer.";
    }
    return s + "</BODY></HTML>";
}

class ViewerTest : public TViewerFixture {
protected:
    void SetUp() override {
        MakeViewer(420, 300);
        // The rest of the plug-in's settings.
        viewer->SetViewImages(false);
        viewer->SetHistoryMaxCount(10);
        viewer->SetDefVisitedLinkColor(clWhite);
        viewer->NoSelect = false;
        viewer->SethtOptions(0);
        ShowForm();
    }

    void Load(const std::string& html) { viewer->LoadBuffer(html.data(), html.size()); }

    // Panel coordinates of a document character index (a few pixels into its cell).
    TPoint PanelPoint(int index) {
        TPoint p;
        EXPECT_TRUE(viewer->Document().PointOf(index, p)) << index;
        return TPoint{p.x + viewer->MarginWidth() - viewer->HScrollPosition() + 2, p.y - viewer->Position() + 4};
    }
    int IndexOf(const std::string& text) {
        int i = viewer->Document().FindText(0, text, true);
        EXPECT_GE(i, 0) << text;
        return i;
    }
    TPoint LinkPoint(int link) {
        TFontObj* f = viewer->Document().LinkList.at(static_cast<size_t>(link));
        return PanelPoint(f->Section->StartPos + f->Pos);
    }
    HWND Panel() { return viewer->PaintPanel()->Handle(); }
    void Mouse(UINT msg, TPoint p, WPARAM keys) { SendMessageA(Panel(), msg, keys, MAKELPARAM(p.x, p.y)); }
    void Click(TPoint p) {
        Mouse(WM_LBUTTONDOWN, p, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, p, 0);
    }
    void Key(UINT vk) { SendMessageA(viewer->Handle(), WM_KEYDOWN, vk, 0); }
};

const char kLinkPage[] = "<HTML><HEAD><TITLE>Links</TITLE></HEAD><BODY>"
                         "<P>Plain words before the link. <A HREF=\"Artist.cfm?id=17\">Harbour Lights</A> and after."
                         "</BODY></HTML>";

} // namespace

TEST(ViewerDefaults, PropertiesStartWithTheirDefaultsAndClamp) {
    Application->Initialize();
    TForm form(nullptr);
    auto* v = new THTMLViewer(&form);
    v->SetParent(&form);
    EXPECT_EQ(v->Width(), 150);
    EXPECT_EQ(v->Height(), 150);
    EXPECT_FALSE(v->ViewImages());
    EXPECT_EQ(v->DefBackground(), clBtnFace);
    EXPECT_EQ(v->BorderStyle(), THTMLBorderStyle::htFocused);
    EXPECT_EQ(v->HistoryMaxCount(), 0);
    EXPECT_EQ(v->DefFontName(), "Times New Roman");
    EXPECT_EQ(v->DefPreFontName(), "Courier New");
    EXPECT_EQ(v->DefFontSize(), 12);
    EXPECT_EQ(v->DefFontColor(), clBtnText);
    EXPECT_EQ(v->DefHotSpotColor(), clBlue);
    EXPECT_EQ(v->DefVisitedLinkColor(), RGBColor(128, 0, 128));
    EXPECT_EQ(v->DefOverLinkColor(), clBlue);
    EXPECT_EQ(v->VisitedMaxCount(), 50);
    EXPECT_EQ(v->ImageCacheCount(), 5);
    EXPECT_EQ(v->ScrollBars(), TScrollStyle::ssBoth);
    EXPECT_EQ(v->CharSet(), 1);
    EXPECT_EQ(v->MarginHeight(), 5);
    EXPECT_EQ(v->MarginWidth(), 10);
    EXPECT_EQ(v->htOptions(), 0u);
    EXPECT_DOUBLE_EQ(v->PrintMarginLeft, 2.0);

    v->SetDefFontSize(3);
    EXPECT_EQ(v->DefFontSize(), 6);
    v->SetImageCacheCount(99);
    EXPECT_EQ(v->ImageCacheCount(), 20);
    v->SetVisitedMaxCount(-4);
    EXPECT_EQ(v->VisitedMaxCount(), 0);
    v->SetHistoryMaxCount(-1);
    EXPECT_EQ(v->HistoryMaxCount(), 0);
    v->SetMarginHeight(51);
    EXPECT_EQ(v->MarginHeight(), 5);
    v->SetServerRoot("  C:\\www\\ ");
    EXPECT_EQ(v->ServerRoot(), "C:\\www");
}

TEST_F(ViewerTest, ShowsABufferWithThePluginSettings) {
    std::vector<bool> processing;
    viewer->OnProcessing = [&](TObject*, bool on) { processing.push_back(on); };
    Load(kLinkPage);
    EXPECT_EQ(processing, (std::vector<bool>{true, false}));
    EXPECT_EQ(viewer->PageTitle(), "Links");
    EXPECT_EQ(viewer->FileName(), "");
    // A short page: no bar shows, yet the layout leaves room for one.
    EXPECT_FALSE(viewer->VScrollBar()->Visible());
    EXPECT_EQ(viewer->PaintPanel()->Width(), 420);
    EXPECT_EQ(viewer->LayoutWidth(), 420 - 1 - GetSystemMetrics(SM_CXVSCROLL));
    Settle();
    TBitmap shot = CaptureWindow(Panel());
    ASSERT_EQ(shot.Width(), 420);
    // Black page, lime text in the first line.
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(400, 280)), clBlack);
    int lime = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x)
            if (TBitmap::FromPixel(shot.Pixel(x, y)) == clLime) ++lime;
    EXPECT_GT(lime, 20);
}

TEST_F(ViewerTest, KeysScrollByLinesPagesAndToTheEnds) {
    Load(LongPage(60));
    ASSERT_TRUE(viewer->VScrollBar()->Visible());
    const int panelH = viewer->PaintPanel()->Height();
    const int bottom = viewer->DocumentHeight() - panelH;
    ASSERT_GT(bottom, 100);
    EXPECT_EQ(viewer->VScrollBar()->Max(), viewer->DocumentHeight());
    EXPECT_EQ(viewer->VScrollBar()->PageSize(), panelH + 1);
    Key(VK_DOWN);
    EXPECT_EQ(viewer->Position(), 16);
    Key(VK_NEXT);
    EXPECT_EQ(viewer->Position(), 16 + panelH - 16);
    Key(VK_END);
    EXPECT_EQ(viewer->Position(), bottom);
    Key(VK_UP);
    EXPECT_EQ(viewer->Position(), bottom - 16);
    Key(VK_HOME);
    EXPECT_EQ(viewer->Position(), 0);
    Key(VK_UP);
    EXPECT_EQ(viewer->Position(), 0);
    // The bar holds 32-bit values and tells the same position.
    SendMessageA(viewer->Handle(), WM_VSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(viewer->VScrollBar()->Handle()));
    EXPECT_EQ(viewer->Position(), bottom);
    EXPECT_EQ(viewer->VScrollBar()->Position(), bottom);
    SendMessageA(viewer->Handle(), WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(viewer->VScrollBar()->Handle()));
    EXPECT_EQ(viewer->Position(), bottom - 16);
}

TEST_F(ViewerTest, TallDocumentKeepsItsRangeAbove65535Pixels) {
    Load(LongPage(4000));
    ASSERT_GT(viewer->DocumentHeight(), 70000);
    Key(VK_END);
    const int bottom = viewer->DocumentHeight() - viewer->PaintPanel()->Height();
    EXPECT_EQ(viewer->Position(), bottom);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(viewer->VScrollBar()->Handle(), SB_CTL, &si);
    EXPECT_EQ(si.nPos, bottom);
    EXPECT_EQ(si.nMax, viewer->DocumentHeight());
}

TEST_F(ViewerTest, HandledLinkClickReportsTheUrlAsWrittenAndDoesNothingElse) {
    Load(kLinkPage);
    std::vector<std::string> clicks;
    viewer->OnHotSpotClick = [&](TObject* sender, const std::string& src, bool& handled) {
        EXPECT_EQ(sender, viewer);
        EXPECT_FALSE(handled);
        clicks.push_back(src);
        handled = true;
    };
    int historyChanges = 0;
    viewer->OnHistoryChange = [&](TObject*) { ++historyChanges; };
    std::vector<std::string> covered;
    viewer->OnHotSpotCovered = [&](TObject*, const std::string& src) { covered.push_back(src); };
    Mouse(WM_MOUSEMOVE, LinkPoint(0), 0);
    EXPECT_EQ(viewer->PaintPanel()->Cursor, HandCursor);
    EXPECT_EQ(GetCapture(), Panel()); // so that leaving the link is seen
    Mouse(WM_MOUSEMOVE, PanelPoint(IndexOf("Plain")), 0);
    EXPECT_EQ(viewer->PaintPanel()->Cursor, ThickIBeamCursor);
    EXPECT_NE(GetCapture(), Panel());
    EXPECT_EQ(covered, (std::vector<std::string>{"Artist.cfm?id=17", ""}));
    Click(LinkPoint(0));
    ASSERT_EQ(clicks, (std::vector<std::string>{"Artist.cfm?id=17"}));
    EXPECT_EQ(viewer->LinkText(), "Artist.cfm?id=17");
    EXPECT_EQ(viewer->History().Count(), 0);
    EXPECT_EQ(historyChanges, 0);
    EXPECT_TRUE(viewer->Visited().Items().empty());
    EXPECT_EQ(viewer->PageTitle(), "Links");
    EXPECT_EQ(viewer->SelLength(), 0);
}

TEST_F(ViewerTest, UnhandledLinkToALocalPageLoadsItAndEntersTheHistory) {
    const std::string dir = TempDir();
    WriteFile(dir + "qv_view_a.htm", "<TITLE>A</TITLE><P>Go to <A HREF=\"qv_view_b.htm#End\">page b</A>.");
    WriteFile(dir + "qv_view_b.htm", "<TITLE>B</TITLE>" + LongPage(40, 30) + "<P>Back to <A HREF=\"qv_view_a.htm\">a</A>");
    viewer->LoadFile(dir + "qv_view_a.htm");
    EXPECT_EQ(viewer->PageTitle(), "A");
    EXPECT_EQ(viewer->History().Count(), 0); // nothing was on show before
    int historyChanges = 0;
    viewer->OnHistoryChange = [&](TObject*) { ++historyChanges; };
    Click(LinkPoint(0));
    EXPECT_EQ(viewer->PageTitle(), "B");
    EXPECT_TRUE(SameText(ExtractFileName(viewer->FileName()), "qv_view_b.htm"));
    ASSERT_EQ(viewer->History().Count(), 2);
    EXPECT_EQ(viewer->History()[0].Title, "B");
    EXPECT_EQ(viewer->History()[1].Title, "A");
    EXPECT_EQ(historyChanges, 1);
    EXPECT_TRUE(viewer->Visited().Contains("qv_view_b.htm#End"));
    // The anchor is missing ("End" is no name there), so the page shows from the top.
    EXPECT_EQ(viewer->Position(), 0);
    // Back through the history index.
    viewer->SetHistoryIndex(1);
    EXPECT_EQ(viewer->PageTitle(), "A");
    EXPECT_EQ(viewer->History().Count(), 2);
    EXPECT_EQ(viewer->HistoryIndex(), 1);
    // A file name with an anchor shows the anchor; a new page drops the entries in front.
    viewer->LoadFile(dir + "qv_view_b.htm#part2");
    EXPECT_GT(viewer->Position(), 0);
    EXPECT_EQ(viewer->History().Count(), 2);
    EXPECT_EQ(viewer->HistoryIndex(), 0);
    EXPECT_EQ(viewer->History()[0].Position, viewer->Position());
    std::remove((dir + "qv_view_a.htm").c_str());
    std::remove((dir + "qv_view_b.htm").c_str());
}

TEST_F(ViewerTest, DragEndingOverALinkSelectsTextInsteadOfFollowingIt) {
    Load(kLinkPage);
    int clicks = 0;
    viewer->OnHotSpotClick = [&](TObject*, const std::string&, bool& handled) {
        ++clicks;
        handled = true;
    };
    TPoint from = PanelPoint(IndexOf("Plain"));
    TPoint to = LinkPoint(0);
    to.x += 6;
    Mouse(WM_LBUTTONDOWN, from, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, TPoint{(from.x + to.x) / 2, to.y}, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, to, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, to, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_GT(viewer->SelLength(), 20);
    EXPECT_EQ(viewer->SelText().rfind("Plain words before the link. H", 0), 0u) << viewer->SelText();
    // A plain click then removes the selection.
    Click(PanelPoint(IndexOf("after")));
    EXPECT_EQ(viewer->SelLength(), 0);
    EXPECT_EQ(clicks, 0);
}

TEST_F(ViewerTest, DoubleClickSelectsTheWordUnderTheMouse) {
    Load(kLinkPage);
    int doubles = 0;
    viewer->OnMouseDouble = [&](TObject*, TMouseButton b, TShiftState, int, int) {
        EXPECT_EQ(b, TMouseButton::mbLeft);
        ++doubles;
    };
    TPoint p = PanelPoint(IndexOf("before") + 2);
    Click(p);
    Mouse(WM_LBUTTONDBLCLK, p, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, p, 0);
    EXPECT_EQ(viewer->SelText(), "before");
    EXPECT_EQ(doubles, 1);
    // With NoSelect nothing is selected, but the event still comes.
    viewer->NoSelect = true;
    p = PanelPoint(IndexOf("after") + 1);
    Click(p);
    Mouse(WM_LBUTTONDBLCLK, p, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, p, 0);
    EXPECT_EQ(viewer->SelLength(), 0);
    EXPECT_EQ(doubles, 2);
}

TEST_F(ViewerTest, MetaRefreshFiresAfterTheLoadWithDelayOne) {
    bool processingSeen = true;
    std::string titleSeen;
    std::vector<std::pair<int, std::string>> refreshes;
    std::vector<std::string> metas;
    viewer->OnMeta = [&](TObject*, const std::string& eq, const std::string&, const std::string&) { metas.push_back(eq); };
    viewer->OnMetaRefresh = [&](TObject*, int delay, const std::string& url) {
        processingSeen = viewer->Processing();
        titleSeen = viewer->PageTitle();
        refreshes.emplace_back(delay, url);
    };
    Load("<HTML><HEAD><TITLE>Wait</TITLE><META HTTP-EQUIV=\"Refresh\" CONTENT=\"0; URL=next.htm\"></HEAD><BODY>Moving "
         "on</BODY></HTML>");
    ASSERT_EQ(refreshes.size(), 1u);
    EXPECT_EQ(refreshes[0].first, 1);
    EXPECT_EQ(refreshes[0].second, "next.htm");
    EXPECT_FALSE(processingSeen);
    EXPECT_EQ(titleSeen, "Wait");
    EXPECT_EQ(metas, (std::vector<std::string>{"Refresh"}));
    // The next page without one fires nothing.
    Load(kLinkPage);
    EXPECT_EQ(refreshes.size(), 1u);
}

TEST_F(ViewerTest, MarginsOutsideTheirRangeAreIgnored) {
    Load(kLinkPage);
    const int width = viewer->LayoutWidth();
    viewer->SetMarginWidth(60);
    EXPECT_EQ(viewer->MarginWidth(), 0);
    EXPECT_EQ(viewer->LayoutWidth(), width);
    viewer->SetMarginWidth(20);
    EXPECT_EQ(viewer->LayoutWidth(), width - 40);
    // The text moved right by the margin.
    TPoint p = PanelPoint(0);
    EXPECT_GE(p.x, 20);
}

TEST_F(ViewerTest, LoadsThatAreNotFilesLeaveTheHistoryEmpty) {
    int historyChanges = 0;
    viewer->OnHistoryChange = [&](TObject*) { ++historyChanges; };
    Load(kLinkPage);
    Load(kLinkPage);
    EXPECT_EQ(viewer->History().Count(), 0);
    EXPECT_EQ(historyChanges, 0);
    try {
        viewer->LoadFile(TempDir() + "qv_no_such_page.htm#x");
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) { EXPECT_EQ(e.Message(), "Can't locate file: " + TempDir() + "qv_no_such_page.htm"); }
    EXPECT_FALSE(viewer->Processing());
    EXPECT_EQ(viewer->Document().Count(), 0);
}

TEST_F(ViewerTest, UnterminatedCommentReachesTheCallerAndProcessingEnds) {
    std::vector<bool> processing;
    viewer->OnProcessing = [&](TObject*, bool on) { processing.push_back(on); };
    EXPECT_THROW(Load("<P>Shown <!-- never closed"), EParseError);
    EXPECT_EQ(processing, (std::vector<bool>{true, false}));
    EXPECT_GE(viewer->Document().FindText(0, "Shown", true), 0);
    // The viewer loads again afterwards.
    Load(kLinkPage);
    EXPECT_EQ(viewer->PageTitle(), "Links");
}

TEST_F(ViewerTest, AnchorsVisitedLinksAndWidthChangesKeepTheReadingPosition) {
    Load(LongPage(60, 40) + "<P><A HREF=\"#Part2\">to part 2</A>");
    EXPECT_FALSE(viewer->JumpTo("nowhere"));
    EXPECT_EQ(viewer->Position(), 0);
    ASSERT_TRUE(viewer->JumpTo("#part2"));
    const int jumped = viewer->Position();
    EXPECT_GT(jumped, 0);
    EXPECT_TRUE(viewer->Visited().Contains("#part2"));
    // The in-page link to the anchor now shows as visited.
    TFontObj* link = viewer->Document().LinkList.at(0);
    EXPECT_TRUE(link->Visited());
    EXPECT_EQ(link->Color(viewer->Document().Colors()), clWhite);

    // Narrower: the text wraps more, the paragraph at the top stays at the top.
    TPoint before = PanelPoint(IndexOf("Paragraph 40 ") + 1);
    viewer->SetBounds(0, 0, 260, 300);
    Settle();
    TPoint after = PanelPoint(IndexOf("Paragraph 40 ") + 1);
    EXPECT_EQ(after.y, before.y);
    EXPECT_GT(viewer->Position(), jumped);
    // A larger font: the same paragraph stays at the top of the view.
    viewer->SetDefFontSize(12);
    EXPECT_EQ(PanelPoint(IndexOf("Paragraph 40 ") + 1).y, before.y);

    // A visited-list length of 0 forgets and un-marks.
    viewer->SetVisitedMaxCount(0);
    EXPECT_FALSE(link->Visited());
}

TEST_F(ViewerTest, AutoScrollWhileDraggingBelowThePanel) {
    Load(LongPage(60));
    TPoint start = PanelPoint(IndexOf("Paragraph 3 "));
    Mouse(WM_LBUTTONDOWN, start, MK_LBUTTON);
    const int h = viewer->PaintPanel()->Height();
    // The mouse rests 40 pixels below the panel: steps of 128 pixels.
    POINT below{start.x, h + 40};
    ClientToScreen(Panel(), &below);
    SetCursorPos(below.x, below.y);
    auto* stop = new TTimer(form.get());
    stop->SetInterval(350);
    stop->OnTimer = [&](TObject*) {
        stop->SetEnabled(false);
        PostMessageA(Panel(), WM_LBUTTONUP, 0, MAKELPARAM(start.x, h + 40));
    };
    Mouse(WM_MOUSEMOVE, TPoint{start.x, h + 40}, MK_LBUTTON);
    EXPECT_TRUE(PumpUntil([&] { return !stop->Enabled(); }, 5000));
    Settle();
    EXPECT_GT(viewer->Position(), 0);
    EXPECT_EQ(viewer->Position() % 128, 0);
    EXPECT_GT(viewer->SelLength(), 100);
}

TEST_F(ViewerTest, FormSubmissionArrivesThroughThePostedMessage) {
    std::vector<std::string> got;
    viewer->OnFormSubmit = [&](TObject*, const std::string& action, const std::string&, const std::string&,
                               const std::string& method, std::unique_ptr<TStringList> results) {
        got.push_back(action + " " + method + " " + results->Text());
    };
    auto results = std::make_unique<TStringList>();
    results->Add("Rating=7");
    viewer->SubmitForm("EnterRating.cfm", "", "", "POST", std::move(results));
    EXPECT_TRUE(got.empty()); // not during the call
    EXPECT_TRUE(PumpUntil([&] { return !got.empty(); }, 2000));
    EXPECT_EQ(got, (std::vector<std::string>{"EnterRating.cfm POST Rating=7\r\n"}));
}

TEST_F(ViewerTest, SampleRecommendationPage) {
    std::string page = ReadFile(QV_TEST_DATA "/html/recommendations.htm");
    ASSERT_FALSE(page.empty());
    form->SetClientSize(564, 300);
    viewer->SetBounds(0, 0, 564, 300);
    Load(page);
    EXPECT_EQ(viewer->PageTitle(), "Your Quavory Recommendations");
    // A double-clicked word shows inverted: lime ground behind black letters.
    TPoint word = PanelPoint(IndexOf("Jazz") + 1);
    Mouse(WM_LBUTTONDBLCLK, word, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, word, 0);
    ASSERT_EQ(viewer->SelText(), "Jazz");
    Settle();
    TBitmap shot = CaptureWindow(form->Handle());
    int limeGround = 0;
    for (int x = word.x - 2; x < word.x + 20; ++x)
        if (TBitmap::FromPixel(shot.Pixel(x, word.y)) == clLime) ++limeGround;
    EXPECT_GT(limeGround, 10);
    if (const char* out = std::getenv("QV_VIEWER_SHOT")) SaveBmp(shot, out);
    // The page's own black background and green text.
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(2, 290)), clBlack);
    int green = 0;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x)
            if (TBitmap::FromPixel(shot.Pixel(x, y)) == clLime) ++green;
    EXPECT_GT(green, 200);
}

TEST_F(ViewerTest, RunsAreDrawnWhereLayoutMeasuredThem) {
    // Tahoma 8 link text, then plain and bold text: the underline ends with the link's last
    // letter, and the bold letter starts one blank after the plain run's last letter.
    viewer->SetDefHotSpotColor(clWhite);
    Load("<A HREF=u>Harbour Lights</A> Based on your last <B>W</B>");
    Settle();
    TBitmap shot = CaptureWindow(viewer->PaintPanel()->Handle());
    auto lit = [&](int x, int y, TColor c) { return TBitmap::FromPixel(shot.Pixel(x, y)) == c; };
    // The underline is the row with the most white pixels; the letters are the rows above it.
    int row = 0, best = 0;
    for (int y = 0; y < 20; ++y) {
        int n = 0;
        for (int x = 0; x < 300; ++x) n += lit(x, y, clWhite);
        if (n > best) best = n, row = y;
    }
    auto inkIn = [&](int x, TColor c) {
        for (int y = 0; y < row - 1; ++y)
            if (lit(x, y, c)) return true;
        return false;
    };
    int lineEnd = 0, inkEnd = 0;
    for (int x = 0; x < 300; ++x) {
        if (lit(x, row, clWhite)) lineEnd = x;
        if (inkIn(x, clWhite)) inkEnd = x;
    }
    EXPECT_GT(best, 60);
    EXPECT_LE(lineEnd - inkEnd, 1);
    // The last lime column group is the bold "W"; before it, the blank after "last".
    std::vector<int> columns;
    for (int x = 0; x < 400; ++x)
        if (inkIn(x, clLime)) columns.push_back(x);
    ASSERT_GT(columns.size(), 20u);
    size_t w = columns.size() - 1;
    while (w > 0 && columns[w] - columns[w - 1] < 3) --w;
    ASSERT_GT(w, 0u);
    EXPECT_LE(columns[w] - columns[w - 1], 6);
}

TEST_F(ViewerTest, HorizontalBarWithBothBarsAllowed) {
    viewer->SetScrollBars(TScrollStyle::ssBoth);
    viewer->SetMarginWidth(10);
    Load("<PRE>" + std::string(300, 'W') + "</PRE><P>short");
    ASSERT_TRUE(viewer->HScrollBar()->Visible());
    EXPECT_EQ(viewer->HScrollBar()->Max(), 20 + std::min(2000, viewer->MaxHorzWidth()));
    Key(VK_RIGHT);
    EXPECT_EQ(viewer->HScrollPosition(), 15);
    Key(VK_RIGHT);
    Key(VK_LEFT);
    EXPECT_EQ(viewer->HScrollPosition(), 15);
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_EQ(viewer->HScrollPosition(), 0);
    SendMessageA(viewer->Handle(), WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(viewer->HScrollBar()->Handle()));
    EXPECT_EQ(viewer->HScrollPosition(), viewer->HScrollBar()->Max() - viewer->PaintPanel()->Width());
}

TEST_F(ViewerTest, SingleBorderDrawsTheFrameAroundThePanel) {
    viewer->SetBorderStyle(THTMLBorderStyle::htSingle);
    Load(kLinkPage);
    EXPECT_EQ(viewer->PaintPanel()->Left(), 1);
    EXPECT_EQ(viewer->PaintPanel()->Top(), 1);
    EXPECT_EQ(viewer->LayoutWidth(), 420 - 3 - GetSystemMetrics(SM_CXVSCROLL));
    Settle();
    TBitmap shot = CaptureWindow(viewer->Handle());
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(0, 150)), ColorToRGB(clBtnText));
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(419, 299)), ColorToRGB(clBtnText));
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(1, 299 - 1)), clBlack);
}

TEST_F(ViewerTest, PictureNamesSurviveTheOneTagPage) {
    const std::string name = "C:\\pics\\a&b \"x\".gif";
    viewer->LoadPicture(name);
    auto* s = dynamic_cast<TSection*>(viewer->Document().Sections.at(0).get());
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->Images.size(), 1u);
    EXPECT_EQ(s->Images[0]->Source, name);
    EXPECT_EQ(viewer->FileName(), name);
}

TEST_F(ViewerTest, LoadsWhileProcessingAreIgnored) {
    int nested = 0;
    viewer->OnProcessing = [&](TObject*, bool on) {
        if (!on) return;
        ++nested;
        const std::string other = "<TITLE>Other</TITLE>";
        viewer->LoadBuffer(other.data(), other.size()); // ignored: a load is running
    };
    Load(kLinkPage);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(viewer->PageTitle(), "Links");
}

TEST_F(ViewerTest, HoverColouringFollowsTheMouseWhenEnabled) {
    viewer->SethtOptions(htOverLinksActive);
    viewer->SetDefOverLinkColor(clRed);
    Load(kLinkPage);
    TFontObj* link = viewer->Document().LinkList.at(0);
    Mouse(WM_MOUSEMOVE, LinkPoint(0), 0);
    EXPECT_TRUE(link->Hover());
    EXPECT_EQ(link->Color(viewer->Document().Colors()), clRed);
    Mouse(WM_MOUSEMOVE, PanelPoint(IndexOf("Plain")), 0);
    EXPECT_FALSE(link->Hover());
    EXPECT_EQ(link->Color(viewer->Document().Colors()), clBlue);
}

TEST_F(ViewerTest, PageColoursSurviveChangesOfTheDefaults) {
    Load("<BODY BGCOLOR=navy TEXT=yellow LINK=red><P>Coloured <A HREF=\"x.htm\">link</A>");
    TSectionList& doc = viewer->Document();
    const TColor background = doc.Background(), text = doc.FontColor();
    ASSERT_NE(background, viewer->DefBackground());
    ASSERT_NE(text, viewer->DefFontColor());
    viewer->SetDefFontSize(10);
    viewer->SetDefBackground(clWhite);
    viewer->SetDefFontColor(clAqua);
    viewer->SetDefHotSpotColor(clFuchsia);
    EXPECT_EQ(doc.Background(), background);
    EXPECT_EQ(viewer->PaintPanel()->Color(), background);
    EXPECT_EQ(doc.FontColor(), text);
    auto* s = dynamic_cast<TSection*>(doc.Sections.at(1).get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Fonts[0].Font().Color, text);
    EXPECT_EQ(doc.LinkList.at(0)->Color(doc.Colors()), doc.Colors().Link);
    EXPECT_NE(doc.Colors().Link, clFuchsia);
    // The defaults apply again to the next page that sets none.
    Load(kLinkPage);
    EXPECT_EQ(doc.Background(), clWhite);
    EXPECT_EQ(doc.FontColor(), clAqua);
}

TEST_F(ViewerTest, AFailingProcessingHandlerDoesNotLeaveTheViewerBusy) {
    viewer->OnProcessing = [](TObject*, bool on) {
        if (on) throw Exception("busy handler failed");
    };
    EXPECT_THROW(Load(kLinkPage), Exception);
    EXPECT_FALSE(viewer->Processing());
    viewer->OnProcessing = nullptr;
    Load(kLinkPage);
    EXPECT_EQ(viewer->PageTitle(), "Links");
}

TEST_F(ViewerTest, OneLineScrollMovesThePixelsAndPaintsTheStripLikeAFullRepaint) {
    Load(LongPage(60));
    Settle();
    TBitmap before = CaptureWindow(Panel());
    Key(VK_DOWN);
    Settle();
    TBitmap scrolled = CaptureWindow(Panel());
    InvalidateRect(Panel(), nullptr, FALSE);
    UpdateWindow(Panel());
    Settle();
    TBitmap repainted = CaptureWindow(Panel());
    ASSERT_EQ(scrolled.Height(), before.Height());
    int moved = 0, differs = 0, lit = 0;
    for (int y = 0; y < scrolled.Height(); ++y)
        for (int x = 0; x < scrolled.Width(); ++x) {
            if (y + 16 < before.Height() && scrolled.Pixel(x, y) != before.Pixel(x, y + 16)) ++moved;
            if (scrolled.Pixel(x, y) != repainted.Pixel(x, y)) ++differs;
            if (TBitmap::FromPixel(scrolled.Pixel(x, y)) == clLime) ++lit;
        }
    EXPECT_EQ(moved, 0);
    EXPECT_EQ(differs, 0);
    EXPECT_GT(lit, 500);
}

namespace {
// The tables of a document in document order.
std::vector<ThtmlTable*> TablesOf(TSectionList& doc) {
    std::vector<ThtmlTable*> out;
    doc.Walk([&](TSectionBase& b) {
        if (auto* t = dynamic_cast<ThtmlTable*>(&b)) out.push_back(t);
        return true;
    });
    return out;
}
void SaveShot(const TBitmap& shot, const char* name) {
    if (const char* dir = std::getenv("QV_VIEWER_SHOT_DIR")) SaveBmp(shot, std::string(dir) + "\\" + name);
}
} // namespace

TEST_F(ViewerTest, ServicePageOfTrackTables) {
    // Tables of tracks with ratings inside a layout table, a coloured header row, a link in a cell.
    std::string page = ReadFile(QV_TEST_DATA "/html/service-tracks.htm");
    ASSERT_FALSE(page.empty());
    form->SetClientSize(564, 150);
    viewer->SetBounds(0, 0, 564, 150);
    Load(page);
    EXPECT_EQ(viewer->PageTitle(), "Quavory - Your Tracks");
    auto tables = TablesOf(viewer->Document());
    ASSERT_EQ(tables.size(), 3u);
    ThtmlTable* tracks = tables[1];
    ASSERT_TRUE(tracks->Caption);
    Settle();
    TBitmap shot = CaptureWindow(form->Handle());
    SaveShot(shot, "service-tracks.bmp");
    // The header row's own colour and the layout table's banner colour.
    const TRect head = tracks->Rows[0]->Cells[1]->Box;
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(head.Left + 1, head.Top + 1)), RGBColor(0, 0x66, 0));
    const TRect banner = tables[0]->Rows[0]->Cells[0]->Box;
    EXPECT_EQ(TBitmap::FromPixel(shot.Pixel(banner.Left + 2, banner.Top + 2)), RGBColor(0, 0x33, 0));

    // A link inside a cell: the hand, then the click with the URL as written.
    std::vector<std::string> clicks;
    viewer->OnHotSpotClick = [&](TObject*, const std::string& src, bool& handled) {
        clicks.push_back(src);
        handled = true;
    };
    Mouse(WM_MOUSEMOVE, LinkPoint(4), 0);
    EXPECT_EQ(viewer->PaintPanel()->Cursor, HandCursor);
    Click(LinkPoint(4));
    EXPECT_EQ(clicks, (std::vector<std::string>{"http://service.example/Artist.cfm?id=42"}));

    // Dragging across cells selects their text in reading order.
    TPoint from = PanelPoint(IndexOf("Tidal")), to = PanelPoint(IndexOf("Roads") + 4);
    Mouse(WM_LBUTTONDOWN, from, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, to, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, to, 0);
    const std::string selected = "Tidal Songs\r\n9.1\r\n2\r\nThe Paper Kites\r\nNorthern Road"; // "s": by rounding
    EXPECT_EQ(viewer->SelText().substr(0, selected.size()), selected);
    EXPECT_EQ(clicks.size(), 1u); // a drag over a link follows nothing

    // Scrolled: the cells move with the page and paint as laid out.
    viewer->SetPosition(60);
    Settle();
    ASSERT_EQ(viewer->Position(), 60);
    TBitmap scrolled = CaptureWindow(form->Handle());
    SaveShot(scrolled, "service-tracks-scrolled.bmp");
    const TRect ratings = tables[2]->Rows[0]->Cells[0]->Box;
    ASSERT_GT(ratings.Top - 60, 0);
    EXPECT_EQ(TBitmap::FromPixel(scrolled.Pixel(ratings.Left + 2, ratings.Top + 1 - 60)), RGBColor(0x33, 0x33, 0x33));
    const TRect nav = tables[0]->Rows[1]->Cells[0]->Box;
    EXPECT_EQ(TBitmap::FromPixel(scrolled.Pixel(nav.Left + 2, 40)), RGBColor(0x10, 0x10, 0x10));
    TPoint rating = PanelPoint(IndexOf("8.2"));
    EXPECT_GT(rating.y, 0);
    int lime = 0;
    for (int x = rating.x - 2; x < rating.x + 16; ++x)
        for (int y = rating.y - 4; y < rating.y + 8; ++y)
            if (TBitmap::FromPixel(scrolled.Pixel(x, y)) == clLime) ++lime;
    EXPECT_GT(lime, 5);
}

TEST_F(ViewerTest, TooManyColumnsShowsItsMessageAndTheRestOfThePage) {
    std::string row;
    for (int i = 0; i < 101; ++i) row += "<TD>" + IntToStr(i);
    TMessageBoxWatcher watcher("THE QUAVORY");
    Load("<P>before<TABLE><TR>" + row + "</TABLE><P>after");
    ASSERT_TRUE(watcher.Wait());
    EXPECT_EQ(watcher.Text(), "Table has too many Columns");
    EXPECT_TRUE(watcher.HasErrorIcon());
    EXPECT_GE(viewer->Document().FindText(0, "after", true), 0);
    EXPECT_TRUE(TablesOf(viewer->Document()).empty());
}
